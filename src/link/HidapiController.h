// SPDX-License-Identifier: MIT
#pragma once

#include "link/HidDeviceController.h"
#include "link/HidapiDevice.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rfbind {

class UdevMonitor;

/// One entry of the HID enumeration, as hid_enumerate reports it.
struct HidNodeInfo {
    std::string path; ///< hidraw device node, e.g. /dev/hidraw3
    HidAttributes attributes;
    std::wstring productString;  ///< as hidapi hands it over (UTF-32 on Linux)
    std::uint16_t usagePage = 0; ///< hidapi's usage for this entry (used only as a fallback)
    std::uint16_t usage = 0;
};

/// The HID device controller on Linux: hidapi's hidraw backend for enumeration and transfers,
/// the report descriptor from sysfs for the capabilities, and a udev monitor for hot-plug.
///
/// Presents one device per top-level collection of each hidraw node, as the Windows HID layer
/// does, with the usage page, usage and feature report length of that collection (see
/// ReportDescriptor). hidapi 0.13 cannot tell these: it offers no descriptor call and no
/// feature report length, so the descriptor is read from
/// <sysfs>/class/hidraw/<node>/device/report_descriptor. A node whose descriptor cannot be read
/// or parsed is still listed, once, with the usage hidapi reports and feature report length 0,
/// so the station shows it but never takes it for a receiver.
///
/// hidapi 0.13 lists one enumeration entry per usage of a node, all with the same path; the
/// controller keeps the first entry of each path.
///
/// hid_init is called once while any controller or device object lives, and hid_exit after the
/// last one is gone, so handed-out devices may outlive the controller. When hid_init fails
/// the list stays empty. No hidraw nodes, no udev, nodes that cannot be opened: a shorter or
/// empty list, never an exception.
///
/// Not thread-safe: everything, checkOut() included, runs on the thread the station works on;
/// the program watches monitorFd() and has onMonitorReadable() called there when it becomes
/// readable.
class HidapiController : public HidDeviceController {
public:
    using Enumerator = std::function<std::vector<HidNodeInfo>()>;

    struct Options {
        /// Root of the sysfs tree holding class/hidraw (tests point it at a temporary folder).
        std::string sysfsRoot = "/sys";
        /// Source of the enumeration; empty means hid_enumerate(0, 0).
        Enumerator enumerate;
        /// Create the udev monitor for hot-plug.
        bool watchHotplug = true;
    };

    /// The station's controller: hid_enumerate, /sys, udev monitor. Scans once at once, without
    /// raising the device-change event (no handler can be set yet).
    HidapiController();
    explicit HidapiController(Options options);
    ~HidapiController() override;

    HidapiController(const HidapiController&) = delete;
    HidapiController& operator=(const HidapiController&) = delete;

    std::unique_ptr<HidDevice> checkOut() override;

    /// Re-enumerates: devices no longer found are marked unplugged (their handed-out objects
    /// then fail every transfer), new ones are added. A device that reappears at the same
    /// node counts as new. Raises the event when the set changed, or always when forced.
    void rescan(bool forceEvent) override;

    /// The udev monitor's descriptor for the program's socket notifier; -1 when there is none.
    int monitorFd() const;

    /// Takes the pending hot-plug events, then rescan(false).
    void onMonitorReadable();

    /// False when hid_init failed (the list then stays empty).
    bool hidapiAvailable() const { return library_ != nullptr; }

private:
    std::vector<HidCollectionEntry> scan() const;

    Options options_;
    std::shared_ptr<const void> library_;
    std::unique_ptr<UdevMonitor> monitor_;
    std::vector<std::shared_ptr<HidCollectionEntry>> entries_; // present devices, in list order
};

} // namespace rfbind
