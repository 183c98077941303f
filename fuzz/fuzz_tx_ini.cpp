// SPDX-License-Identifier: MIT
// TX.ini is edited by hand on the line and copied between stations: whatever it holds, the
// station must load it (keys, the "Device" entries, the four generator texts) and write it
// back without crashing.
#include "settings/IniFile.h"
#include "settings/ReceiverEntries.h"
#include "settings/StationSettings.h"
#include "settings/StoredGenerators.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The store reads files only; a per-process file in shared memory keeps that cheap.
    static const std::string path = "/dev/shm/rfbind-fuzz-" + std::to_string(getpid()) + ".ini";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    rfbind::IniFile ini(path);
    ini.load();
    const auto settings = rfbind::ReadStationSettings(ini, 7, 8, 24);
    (void)rfbind::ReadReceiverEntries(ini);
    auto generators = rfbind::LoadGenerators(ini);
    rfbind::WriteStationSettings(ini, settings);
    if (generators.RxSN && generators.TxSN && generators.RxRFID && generators.TxRFID)
        rfbind::StoreGenerators(ini, *generators.RxSN, *generators.TxSN, *generators.RxRFID,
                                *generators.TxRFID);
    (void)ini.text();
    return 0;
}
