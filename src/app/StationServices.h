// SPDX-License-Identifier: MIT
#pragma once

#include "settings/StationSlots.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace rfbind {
class Clock;
class HidDeviceController;
class RfidRandomSource;
} // namespace rfbind

namespace rfbind::app {

class Dialogs;
class LanguageStore;

/// What the station window is given by the program that creates it: the HID devices (real
/// or bench), the clock, the way it talks to a person, and the per-user language store.
/// All references outlive the window.
struct StationServices {
    HidDeviceController& devices;
    Clock& clock;
    Dialogs& dialogs;
    LanguageStore& languageStore;
    /// End older copies of the program at start-up (off for headless bench runs and tests).
    bool singleInstance = true;
    /// Ends the process after the window closed (QCoreApplication::exit by default).
    std::function<void(int)> quit;
    /// Source of random radio IDs for the generators the window loads (at start-up and on
    /// Load); empty means the station's own clock-seeded one. The bench's headless runs pass
    /// sources drawn from their seed, so that the same seed gives the same units.
    std::function<std::unique_ptr<RfidRandomSource>()> radioIdSource = {};
    /// Which older copies the single-instance rule ends, by their command-line arguments
    /// (after the program name); empty: every copy.
    std::function<bool(const QStringList& arguments)> otherCopyCounts = {};
    /// The line's database and this station's name on it, overriding Line.ini's (empty: as
    /// Line.ini says, or no line when there is none).
    QString lineDatabase = {};
    QString lineStation = {};
    /// The station works on its own thread, so no transfer or protocol pause holds up the
    /// window (the programs). Off, it works on the window's thread and a handler's work has
    /// ended when the handler returns (the window tests).
    bool stationThread = false;
    /// A gang station: its slots (Station.ini, or the bench's), and per slot its own
    /// controller over the bus and the clock its thread pauses on. Without slots, or with
    /// fewer controllers than slots, a station on its own.
    StationSlots stationSlots = {};
    struct SlotSource {
        HidDeviceController* devices = nullptr;
        Clock* time = nullptr;
    };
    std::vector<SlotSource> slotSources = {};
};

} // namespace rfbind::app
