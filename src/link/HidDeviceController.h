// SPDX-License-Identifier: MIT
#pragma once

#include "link/HidDevice.h"

#include <functional>
#include <memory>

namespace rfbind {

/// Keeps the set of present HID devices and hands them out to the station.
///
/// Hand-out model: checkOut() hands out the next present device that is not handed out yet;
/// the caller owns the object until it destroys it, which returns the device to the
/// controller. A later checkOut() hands it out again while it is still present.
///
/// The device-change handler is called on the user-interface thread: from rescan() directly,
/// or from the backend's own notification path (udev monitor, bench), which the application
/// delivers on that thread.
class HidDeviceController {
public:
    using ChangeHandler = std::function<void()>;

    virtual ~HidDeviceController() = default;

    void setDeviceChangeHandler(ChangeHandler handler) { changeHandler_ = std::move(handler); }

    /// Next present device not yet handed out, or nullptr when none remain.
    virtual std::unique_ptr<HidDevice> checkOut() = 0;

    /// Scans the devices now. Raises the device-change event when the set of devices changed,
    /// or always when `forceEvent` is set (the start-up broadcast).
    virtual void rescan(bool forceEvent) = 0;

protected:
    void raiseDeviceChange() {
        if (changeHandler_)
            changeHandler_();
    }

private:
    ChangeHandler changeHandler_;
};

} // namespace rfbind
