// SPDX-License-Identifier: MIT
// The hidraw tests run under umockdev's preload library: the program re-executes itself under
// it first (also when ctest lists the tests).
#include "bench/hidraw/UmockdevPreload.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (std::string why; !rfbind::bench::ensureUmockdevPreloaded(argv, why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
