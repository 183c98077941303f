// SPDX-License-Identifier: MIT
#pragma once

#include "bench/BenchIdentity.h"
#include "bench/hidraw/HidrawFaults.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace rfbind::bench {

class Bench;

/// The bench's devices as the kernel would present them, emulated with umockdev: USB device,
/// interface, HID device (its uevent with HID_ID, HID_NAME, HID_PHYS; its report_descriptor)
/// and hidraw node with /dev/hidrawN, for the unrelated keyboard and the receiver. The node's
/// ioctls (HIDIOCGRDESCSIZE, HIDIOCGRDESC, HIDIOCGRAWINFO, HIDIOCGRAWNAME, HIDIOCGRAWPHYS,
/// HIDIOCSFEATURE, HIDIOCGFEATURE) are answered by the bench firmware with the kernel's report-ID
/// handling and byte counts, so the station's real Linux backend (hidapi's hidraw backend,
/// libudev enumeration and monitor, the descriptor read from sysfs) runs against it.
///
/// Plugging and unplugging a receiver on a bench (an operator, a fresh unit, the unplug
/// fault) adds or removes its devices and sends the kernel's "add"/"remove" uevents, which a
/// udev monitor of the process receives. Every plug-in is a new HID device (its name counts
/// up) at the same node, as the kernel reuses the lowest free minor; a file descriptor opened
/// on an earlier plug-in gets ENODEV.
///
/// A udev monitor's socket queues only a few events, and umockdev ends the process when one is
/// full. Before each hidraw event the bench waits, for a second at most, for every monitor of
/// the process that has several events unread to take them (roomForHotplugEvent()), so eight
/// boxes swapped one after the other reach every slot's station.
///
/// Requires umockdev's preload library in this process (see ensureUmockdevPreloaded()) and
/// must be created before anything in the process opens a udev monitor or reads /sys. Only one
/// may exist at a time (the test bed is process-wide).
///
/// Threads: umockdev answers ioctls on its own worker thread, which then calls the Bench
/// while the thread that made the ioctl waits for the answer. The station makes every
/// transfer on its user-interface thread, which also does everything else with the Bench, so
/// the Bench is never used by two threads at once. Plug changes made inside a transfer (the
/// unplug fault) are applied on the worker thread before the transfer's answer.
///
/// The benches must outlive this object.
class HidrawBench {
public:
    /// Presents the unrelated keyboard and the receiver of `bench`.
    explicit HidrawBench(Bench& bench, HidrawFaults faults = {});
    ~HidrawBench();
    HidrawBench(const HidrawBench&) = delete;
    HidrawBench& operator=(const HidrawBench&) = delete;

    /// False when the test bed could not be built; error() tells why.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    /// The most receivers the emulated bus holds: the main one and seven others, as many as
    /// the boxes of the largest gang station.
    static constexpr int kMaxReceivers = 8;

    /// Presents the receiver of another bench as well, on its own node and on the port its
    /// bench names; a bench naming a port already taken goes on a root port of its own, 1-2
    /// and 1-3 for the first two (listed before the main receiver on 1-4), then 1-5 and up.
    /// False once the bus holds kMaxReceivers.
    bool addReceiver(Bench& other);

    const HidrawFaults& faults() const;

    /// /dev node of the main receiver (the same at every plug-in).
    std::string receiverNode() const;

    /// Root folder of the emulated tree (for tests that look inside).
    std::string rootDir() const;

    struct Node; ///< one emulated hidraw node, with its USB and HID parents

private:
    Node& addNode(Bench& bench, BenchEndpoint endpoint, int port, int minor, bool main);
    void sync(Node& node);
    void present(Node& node);
    void withdraw(Node& node);
    void roomForHotplugEvent();
    void hotplugEventSent();

    UMockdevTestbed* testbed_ = nullptr;
    Bench& bench_;
    HidrawFaults faults_;
    std::string error_;
    std::vector<std::unique_ptr<Node>> nodes_;
    int nextHidNumber_ = 1;
    /// Per udev monitor of this process (by its socket's path): hidraw events sent to it
    /// since it was last seen with none waiting.
    std::map<std::string, int> unread_;
};

} // namespace rfbind::bench
