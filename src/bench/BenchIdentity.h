// SPDX-License-Identifier: MIT
#pragma once

#include "link/HidDevice.h"

#include <string>

namespace rfbind::bench {

/// The HID devices the bench presents to the station.
enum class BenchEndpoint {
    Receiver,          ///< the dongle, while plugged in
    UnrelatedKeyboard, ///< an ordinary wired keyboard that is always there
};

/// What the HID layer tells about one bench device: attributes, top-level collection and
/// product string, and the node path shown in messages.
struct BenchIdentity {
    HidAttributes attributes;
    HidCaps caps;
    std::string product;
    std::string path;
    /// USB port path, as sysfs would name the port the device is plugged into.
    std::string portPath;
};

} // namespace rfbind::bench
