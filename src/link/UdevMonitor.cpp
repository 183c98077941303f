// SPDX-License-Identifier: MIT
#include "link/UdevMonitor.h"

#include <libudev.h>

namespace rfbind {

namespace {
constexpr int kMaxEventsPerDrain = 256;
}

UdevMonitor::UdevMonitor() {
    udev_ = udev_new();
    if (udev_ == nullptr)
        return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
        return;
    // libudev creates the socket non-blocking, so drain() never waits.
    fd_ = udev_monitor_get_fd(monitor_);
}

UdevMonitor::~UdevMonitor() {
    if (monitor_ != nullptr)
        udev_monitor_unref(monitor_);
    if (udev_ != nullptr)
        udev_unref(udev_);
}

int UdevMonitor::drain() {
    if (fd_ < 0)
        return 0;
    int events = 0;
    while (events < kMaxEventsPerDrain) {
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (device == nullptr)
            break;
        udev_device_unref(device);
        ++events;
    }
    return events;
}

} // namespace rfbind
