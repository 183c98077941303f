// SPDX-License-Identifier: MIT
// Rewrites a TX.ini for ever, alternating between two complete settings, until it is killed.
// The settings tests kill it at random moments to show that a save is all or nothing.
#include "settings/IniFile.h"
#include "settings/helpers/RewriterSettings.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s TX.ini\n", argv[0]);
        return 2;
    }
    // Tell the test the program is up, so its random pauses measure saving, not start-up.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (;;) {
        rfbind::IniFile ini(argv[1]);
        if (ini.load().status != rfbind::IniLoadStatus::Loaded)
            return 3;
        const char next = ini.readString("TX", "Round") == "A" ? 'B' : 'A';
        for (const auto& [key, value] : rfbind::test::RewriterSettings(next))
            if (!ini.writeString("TX", key, value))
                return 4;
        if (const auto saved = ini.save(); !saved) {
            std::fprintf(stderr, "%s\n", saved.error.c_str());
            return 5;
        }
    }
}
