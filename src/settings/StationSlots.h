// SPDX-License-Identifier: MIT
#pragma once

#include "settings/IniFile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rfbind {

/// The station-local file that makes a station a gang station. It lies beside TX.ini but is
/// never copied with it: TX.ini is the recipe every station of a line shares, the slots are
/// this station's hub and boxes.
inline constexpr std::string_view kStationFileName = "Station.ini";

/// How many slots (receiver positions) a station works, and which USB port each one takes.
///
/// ```
/// [Slots]
/// Count=4
/// Slot1=1-1.1     ; optional: slot 1 takes only the receiver on this port
/// ```
///
/// A slot without a port takes the first acceptable receiver on a port no other slot has, in
/// port order. A station without the file, or with Count=1, is a station on its own, exactly
/// as before.
struct StationSlots {
    static constexpr int kMaxSlots = 8;

    /// 1..kMaxSlots.
    int count = 1;
    /// One entry per slot (slot K at index K-1): its port path, or empty for "the next free
    /// receiver".
    std::vector<std::string> ports = {std::string()};

    bool gang() const { return count > 1; }
};

/// What Station.ini held when the station read it.
struct LoadedStationSlots {
    IniLoadStatus status = IniLoadStatus::Missing;
    /// Why the file could not be read (status Unreadable).
    std::string error;
    StationSlots stationSlots;
    /// One readable sentence per value that was not taken, saying what the station does
    /// instead ("[Slots] Count=12 is not …; the station works one receiver.").
    std::vector<std::string> problems;
};

/// Reads the slots from `path` (Station.ini). A bad count makes a station on its own (a
/// gang station set up wrongly must not hand numbers to receivers nobody watches); a bad or
/// repeated port leaves that slot to take the next free receiver. Never throws.
LoadedStationSlots readStationSlots(const std::filesystem::path& path);

} // namespace rfbind
