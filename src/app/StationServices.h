// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

namespace rfbind {
class Clock;
class HidDeviceController;
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
    /// The line's database and this station's name on it, overriding Line.ini's (empty: as
    /// Line.ini says, or no line when there is none).
    QString lineDatabase;
    QString lineStation;
};

} // namespace rfbind::app
