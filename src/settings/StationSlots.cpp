// SPDX-License-Identifier: MIT
#include "settings/StationSlots.h"

#include "link/UsbPort.h"

#include <algorithm>

namespace rfbind {

namespace {

constexpr std::string_view kSection = "Slots";

std::string slotKey(int slot) {
    return "Slot" + std::to_string(slot);
}

} // namespace

LoadedStationSlots readStationSlots(const std::filesystem::path& path) {
    LoadedStationSlots out;
    IniFile ini(path);
    const IniLoadResult loaded = ini.load();
    out.status = loaded.status;
    out.error = loaded.error;
    if (loaded.status != IniLoadStatus::Loaded)
        return out;

    StationSlots& s = out.stationSlots;
    if (ini.hasKey(kSection, "Count")) {
        const std::string text = ini.readString(kSection, "Count", "");
        const auto count = ParseIniInteger(text);
        if (count && *count >= 1 && *count <= StationSlots::kMaxSlots) {
            s.count = *count;
        } else {
            out.problems.push_back("[Slots] Count=" + text + " is not a number of slots from 1 to " +
                                   std::to_string(StationSlots::kMaxSlots) +
                                   "; the station works one receiver.");
        }
    }
    s.ports.assign(static_cast<std::size_t>(s.count), std::string());

    // Every key a supervisor might have written, so a port for a slot the station does not
    // have is pointed out rather than silently ignored.
    for (int slot = 1; slot <= StationSlots::kMaxSlots; ++slot) {
        const std::string key = slotKey(slot);
        if (!ini.hasKey(kSection, key))
            continue;
        const std::string port = ini.readString(kSection, key, "");
        if (slot > s.count) {
            out.problems.push_back("[Slots] " + key + "=" + port + ": the station has " +
                                   std::to_string(s.count) + (s.count == 1 ? " slot" : " slots") +
                                   "; this port is not used.");
            continue;
        }
        if (!usbport::valid(port)) {
            out.problems.push_back("[Slots] " + key + "=" + port +
                                   " is not a USB port path (such as 1-1.3); slot " +
                                   std::to_string(slot) +
                                   " takes the next free receiver.");
            continue;
        }
        const auto taken = std::find(s.ports.begin(), s.ports.end(), port);
        if (taken != s.ports.end()) {
            out.problems.push_back("[Slots] " + key + "=" + port + ": slot " +
                                   std::to_string(taken - s.ports.begin() + 1) +
                                   " has this port already; slot " + std::to_string(slot) +
                                   " takes the next free receiver.");
            continue;
        }
        s.ports[static_cast<std::size_t>(slot - 1)] = port;
    }
    return out;
}

} // namespace rfbind
