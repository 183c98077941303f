// SPDX-License-Identifier: MIT
// Read by LeakSanitizer in the sanitizer build, ignored otherwise. libpqxx 6.4 (Debian 12)
// never frees the libpq result of a query whose connection broke under it; the tests that cut
// a connection or stop the server on purpose would report it as this program's leak.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpqxx-6.4.so\n";
}
