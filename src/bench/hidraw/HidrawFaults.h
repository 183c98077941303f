// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

namespace rfbind::bench {

/// Faults of the device path between the station and the receiver, shown by the emulated
/// hidraw devices. All off by default; each concerns the receiver's node only.
struct HidrawFaults {
    /// The node exists but the station may not open it, as on a station without the udev rule
    /// that grants the operator the receiver. When the bench runs as root, the process gives
    /// up its file-access override capabilities, so root meets the node's mode as an operator
    /// does.
    bool permissionDenied = false;
    /// The receiver is listed in sysfs, but its /dev node is gone by the time the station
    /// opens it (unplugged between enumeration and open).
    bool goneBeforeOpen = false;
    /// errno with which every feature-report ioctl on the receiver fails (EPIPE: the device
    /// stalled the control transfer; EIO: the transfer failed; ENODEV: the device is gone).
    int featureIoctlErrno = 0;
    /// The receiver answers a get-feature with only this many bytes (report ID included).
    std::optional<int> shortFeatureReadBytes;
};

} // namespace rfbind::bench
