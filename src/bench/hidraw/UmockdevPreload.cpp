// SPDX-License-Identifier: MIT
#include "bench/hidraw/UmockdevPreload.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

namespace rfbind::bench {

namespace {

constexpr const char* kPreloadLibrary = "libumockdev-preload.so.0";
// Set for the re-executed program, so a library that still does not load ends in a message
// instead of an endless chain of re-executions.
constexpr const char* kReexecMarker = "RFBIND_UMOCKDEV_REEXEC";

// AddressSanitizer insists on coming first in the list of initial libraries (it checks at
// start-up and aborts otherwise). A sanitizer build therefore keeps its runtime, found among the
// libraries this process has loaded, in front of umockdev's preload library. This keeps the
// check on, unlike ASAN_OPTIONS=verify_asan_link_order=0, which would silence it for every
// other library too.
std::string sanitizerRuntime() {
    std::string found;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            const char* name = info->dlpi_name;
            if (name != nullptr && std::strstr(name, "/libasan.so") != nullptr) {
                *static_cast<std::string*>(data) = name;
                return 1;
            }
            return 0;
        },
        &found);
    return found;
}

} // namespace

bool umockdevPreloaded() {
    // umockdev_in_mock_environment() cannot tell this: it looks for a test bed, which exists
    // only once the program has created one, and it remembers its first answer.
    void* handle = ::dlopen(kPreloadLibrary, RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    ::dlclose(handle);
    return true;
}

bool ensureUmockdevPreloaded(char** argv, std::string& error) {
    if (umockdevPreloaded())
        return true;
    if (std::getenv(kReexecMarker) != nullptr) {
        error = std::string("umockdev's preload library ") + kPreloadLibrary +
                " did not load; is the Debian package umockdev installed?";
        return false;
    }
    std::string preload;
    const std::string runtime = sanitizerRuntime();
    if (!runtime.empty())
        preload = runtime + ":";
    preload += kPreloadLibrary;
    if (const char* existing = std::getenv("LD_PRELOAD"); existing != nullptr && *existing != 0)
        preload += std::string(":") + existing;
    ::setenv("LD_PRELOAD", preload.c_str(), 1);
    ::setenv(kReexecMarker, "1", 1);
    ::execv("/proc/self/exe", argv);
    error = std::string("cannot re-execute the program under umockdev: ") + std::strerror(errno);
    return false;
}

} // namespace rfbind::bench
