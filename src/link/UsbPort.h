// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace rfbind {

/// USB port paths as sysfs and udev name a device: the bus number, a dash, and the port on
/// each hub from the root down, separated by dots ("1-1.3" is port 3 of the hub on port 1 of
/// bus 1). A port path stays the same when a device is unplugged and plugged into the same
/// port again, which is what ties a receiver to its slot on a gang station.
namespace usbport {

/// True for a well-formed port path: "B-P" or "B-P.P…", every part a number from 1 up (the
/// bus and ports are counted from 1), at most 7 hub levels.
bool valid(std::string_view path);

/// The port path of the USB device a sysfs path lies under: the last component that names a
/// USB interface ("1-1.3:1.0") gives "1-1.3". Empty when the path passes through no USB
/// interface (a device on another bus, or an unreadable link).
std::string ofSysfsPath(std::string_view sysfsPath);

/// Port order, as a person counts along a hub: by bus, then port by port from the root, each
/// numerically ("1-1.2" before "1-1.10"), a hub's own port before the ports behind it.
/// Well-formed paths only; anything else sorts after them, by its text.
bool before(std::string_view a, std::string_view b);

} // namespace usbport

} // namespace rfbind
