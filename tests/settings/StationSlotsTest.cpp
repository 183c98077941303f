// SPDX-License-Identifier: MIT
// Station.ini: how many slots a station works and which receiver port each one takes.
#include "settings/StationSlots.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>

using namespace rfbind;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "rfbind-slots-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path = pattern;
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

} // namespace

TEST(StationSlots, StationIniSetsTheSlotsAndSaysWhatItCouldNotTake) {
    struct Case {
        const char* name;
        const char* text; // nullptr: no file
        int count;
        std::vector<std::string> ports;
        std::vector<std::string> problems; // a distinctive part of each message, in order
    };
    const Case cases[] = {
        {"no file: a station on its own", nullptr, 1, {""}, {}},
        {"no slots section", "[Other]\nX=1\n", 1, {""}, {}},
        {"four slots, each takes the next free receiver", "[Slots]\nCount=4\n", 4,
         {"", "", "", ""}, {}},
        {"fixed ports, one left free", "[Slots]\nCount=3\nSlot1=1-1.1\nSlot3=1-1.10\n", 3,
         {"1-1.1", "", "1-1.10"}, {}},
        {"keys compare without case", "[slots]\ncount=2\nslot2=2-3\n", 2, {"", "2-3"}, {}},
        {"count as the settings file writes numbers", "[Slots]\nCount=$8\n", 8,
         {"", "", "", "", "", "", "", ""}, {}},
        {"count not a number", "[Slots]\nCount=four\n", 1, {""},
         {"Count=four is not a number of slots from 1 to 8; the station works one receiver"}},
        {"count too large", "[Slots]\nCount=9\n", 1, {""}, {"Count=9 is not"}},
        {"count zero", "[Slots]\nCount=0\n", 1, {""}, {"Count=0 is not"}},
        {"count empty", "[Slots]\nCount=\n", 1, {""}, {"Count= is not"}},
        {"a port that is none", "[Slots]\nCount=2\nSlot1=usb1-3\nSlot2=1-1.2\n", 2,
         {"", "1-1.2"},
         {"Slot1=usb1-3 is not a USB port path (such as 1-1.3); slot 1 takes the next free"}},
        {"a port given twice", "[Slots]\nCount=2\nSlot1=1-1.2\nSlot2=1-1.2\n", 2, {"1-1.2", ""},
         {"Slot2=1-1.2: slot 1 has this port already; slot 2 takes the next free receiver"}},
        {"a port for a slot the station does not have", "[Slots]\nCount=2\nSlot3=1-1.3\n", 2,
         {"", ""}, {"Slot3=1-1.3: the station has 2 slots; this port is not used"}},
        {"a bad count leaves every port unused", "[Slots]\nCount=x\nSlot1=1-1.1\nSlot2=1-1.2\n", 1,
         {"1-1.1"}, {"Count=x is not", "Slot2=1-1.2: the station has 1 slot;"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ASSERT_FALSE(dir.path.empty());
        const fs::path file = dir.path / std::string(kStationFileName);
        if (c.text != nullptr)
            std::ofstream(file, std::ios::binary) << c.text;
        const LoadedStationSlots loaded = readStationSlots(file);
        EXPECT_EQ(loaded.status, c.text != nullptr ? IniLoadStatus::Loaded : IniLoadStatus::Missing);
        EXPECT_EQ(loaded.stationSlots.count, c.count);
        EXPECT_EQ(loaded.stationSlots.gang(), c.count > 1);
        EXPECT_EQ(loaded.stationSlots.ports, c.ports);
        ASSERT_EQ(loaded.problems.size(), c.problems.size());
        for (std::size_t i = 0; i < c.problems.size(); ++i)
            EXPECT_NE(loaded.problems[i].find(c.problems[i]), std::string::npos)
                << loaded.problems[i];
    }
}
