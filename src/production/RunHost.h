// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace rfbind {
class PairingWindow;
}

namespace rfbind {

/// What a run needs from the station around it: the receiver search and the link display
/// that the window owns with its device list and timers, the settings file, the calibration
/// program, and the operator's wish to close. Implemented by the window (and by tests).
class RunHost {
public:
    virtual ~RunHost() = default;

    /// What the receiver search found.
    struct Receiver {
        bool found = false; ///< a receiver of the configured kind is selected
        bool ready = false; ///< and it answered its link query
        bool zoomKeys = false;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::uint16_t version = 0;
    };
    /// Drops the current receiver, selects the matching one and connects it (the link polling
    /// starts as a connection does).
    virtual Receiver findReceiver() = 0;
    /// True while the selected receiver is connected and answering (the receiver LED).
    virtual bool receiverReady() = 0;
    /// One transmitter-link test; updates the transmitter LED.
    virtual bool checkTransmitterLink() = 0;
    /// Stops the periodic transmitter-link test.
    virtual void stopLinkPolling() = 0;
    /// The periodic test keeps away from the receiver until the next receiver search.
    virtual void suspendLinkPolling() = 0;
    /// Not-ready display, both timers stopped (a lost receiver).
    virtual void resetLinkStatus() = 0;
    /// Lets the receiver go (the next unit can be plugged in); not-ready display.
    virtual void releaseReceiver() = 0;
    /// The "Please Check Device" box for the devices that are not ready.
    virtual void reportNotReady(bool transmitterMissing, bool receiverMissing) = 0;
    /// Stores the advanced numbering (TX.ini). False, with the reason, when it could not be
    /// stored.
    virtual bool saveNumbering(std::string& why) = 0;
    /// The IDs the receiver reported after a binding, kept for the next binding.
    virtual void noteBoundIds(int mouseId, int keyboardId) = 0;
    /// Starts the calibration program after a passed unit (when it is there).
    virtual void startCalibration() = 0;
    /// The operator closed the station: the run ends at its next step.
    virtual bool cancelled() = 0;
    /// On a gang station, the one over-the-air pairing the slots take turns at, and the slot
    /// (1-based) this run works in; nothing on a station on its own.
    virtual PairingWindow* pairingWindow() { return nullptr; }
    virtual int slot() const { return 0; }
};

} // namespace rfbind
