// SPDX-License-Identifier: MIT
#pragma once

#include "production/RunDisplay.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rfbind {

/// What the operator sees of the station beyond a run's progress: the device list, the link
/// state, the hot-key lists, and the boxes the station puts in front of the operator. The
/// window implements it; the station calls it and never reads anything back.
class StationView : public RunDisplay {
public:
    /// The device list as the controller handed it out, by product string.
    virtual void showDevices(const std::vector<std::string>& productStrings) = 0;
    /// Not-ready display: no link picture, no USB IDs, both LEDs off, the device-type choice
    /// disabled, the bind button back to "Connect".
    virtual void showLinkReset() = 0;
    /// A receiver is being connected (its USB IDs, when `present`); the device-type choice
    /// and the bind button are usable again.
    virtual void showReceiverSelected(bool present, std::uint16_t vendorId, std::uint16_t productId) = 0;
    /// The receiver answered its link query: connected picture, receiver LED on.
    virtual void showReceiverConnected() = 0;
    /// The last transmitter-link test (transmitter LED and its text).
    virtual void showTransmitterLink(bool alive) = 0;
    /// The hot-key lists are rebuilt with (or without) the zoom keys, each on its default.
    virtual void showHotKeyLists(bool zoomKeys) = 0;
    /// A receiver is plugged in that this user may not open (the device rule is missing);
    /// said once per plug-in.
    virtual void showReceiverNotPermitted(const std::string& productString, const std::string& path) = 0;
    /// "Please Check Device" for the devices that are not ready; returns once the operator
    /// has answered.
    virtual void reportNotReady(bool transmitterMissing, bool receiverMissing) = 0;
    /// The operator's binding came to a verdict: paired, or timed out.
    virtual void showBindingVerdict(bool paired) = 0;
    /// The settings could not be stored (said once until a save succeeds again).
    virtual void showSettingsNotSaved(const std::string& why) = 0;
    /// Go or Set TX refused before any frame: the numbering cannot be stored (`numbering`),
    /// or the units cannot be written down.
    virtual void showRunRefused(bool numbering, const std::string& why) = 0;
    /// What the operator must know about the line at start-up (`error`: Go is refused).
    virtual void showLineMessage(const std::string& text, bool error) = 0;
    /// Starts the calibration program after a passed unit, when the station has one.
    virtual void startCalibrationProgram() = 0;
    /// The window was closed during a run: the run has ended, the window may close now.
    virtual void closeAfterRun() = 0;
};

} // namespace rfbind
