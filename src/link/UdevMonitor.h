// SPDX-License-Identifier: MIT
#pragma once

struct udev;
struct udev_monitor;

namespace rfbind {

/// Watches the kernel's device events for hidraw nodes, as delivered by udev.
///
/// Listens on the "udev" source, not the raw "kernel" one: udev announces a node only after its
/// rules ran, so the permissions a rule grants (the station's uaccess rule) are in place when
/// the station opens a newly plugged receiver.
///
/// Where udev is unavailable (no udev daemon, as in containers, or netlink refused) the monitor
/// is inert: fd() is -1 or never becomes readable, and drain() finds nothing. Nothing here
/// throws. The object is not copyable; the file descriptor belongs to it.
class UdevMonitor {
public:
    UdevMonitor();
    ~UdevMonitor();

    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    /// Non-blocking descriptor that becomes readable when events are pending, for the program's
    /// socket notifier; -1 when the monitor could not be set up.
    int fd() const { return fd_; }

    /// Consumes the pending events without blocking and returns how many there were. At most
    /// 256 per call, so a storm of events cannot hold the station's thread; any rest keeps
    /// fd() readable and is taken at the next call.
    int drain();

private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int fd_ = -1;
};

} // namespace rfbind
