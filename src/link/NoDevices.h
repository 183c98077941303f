// SPDX-License-Identifier: MIT
#pragma once

#include "link/HidDeviceController.h"

namespace rfbind {

/// A controller with no devices: the main station of a gang station, whose settings pages
/// and numbering the slots share, works no receiver of its own (each slot's station works
/// its own), so it must not reach for theirs.
class NoDevices final : public HidDeviceController {
public:
    std::unique_ptr<HidDevice> checkOut() override { return nullptr; }
    void rescan(bool forceEvent) override {
        if (forceEvent)
            raiseDeviceChange();
    }
};

} // namespace rfbind
