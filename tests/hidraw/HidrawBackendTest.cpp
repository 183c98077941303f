// SPDX-License-Identifier: MIT
// The station's Linux backend (hidapi's hidraw backend, libudev, the descriptor from sysfs)
// against the bench firmware behind emulated hidraw nodes.
#include "bench/Bench.h"
#include "bench/hidraw/HidrawBench.h"
#include "commands/ReceiverSelection.h"
#include "link/Frame.h"
#include "link/HidapiController.h"
#include "settings/StationSlots.h"
#include "station/SlotAssignment.h"
#include "station/SlotDevices.h"
#include "support/RecordingClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace rfbind;

namespace {

/// The bench with a fresh unit behind emulated hidraw nodes, and the station's controller.
struct HidrawRig {
    test::RecordingClock clock;
    bench::Bench bench{clock};
    std::unique_ptr<bench::HidrawBench> hidraw;
    std::unique_ptr<HidapiController> controller;
    std::vector<std::unique_ptr<HidDevice>> devices;
    int changes = 0;

    explicit HidrawRig(bench::HidrawFaults faults = {}, bench::Bench* second = nullptr) {
        bench.freshUnit(7);
        hidraw = std::make_unique<bench::HidrawBench>(bench, faults);
        if (second != nullptr)
            hidraw->addReceiver(*second);
        controller = std::make_unique<HidapiController>();
        controller->setDeviceChangeHandler([this] { ++changes; });
        takeDevices();
    }

    void takeDevices() {
        devices.clear();
        while (auto d = controller->checkOut())
            devices.push_back(std::move(d));
    }

    /// The receiver's command collection (the last one accepted, as the station's search ends).
    HidDevice* receiver() {
        HidDevice* found = nullptr;
        for (auto& d : devices)
            if (selection::capabilitiesFit(d->caps()))
                found = d.get();
        return found;
    }

    /// Waits for the udev monitor, then lets the controller take the events.
    bool hotPlugArrives() {
        pollfd p{controller->monitorFd(), POLLIN, 0};
        if (p.fd < 0 || ::poll(&p, 1, 2000) != 1)
            return false;
        controller->onMonitorReadable();
        return true;
    }
};

/// Link query: set-feature, then get-feature of the answer into the same buffer.
bool linkQuery(HidDevice& device, Frame& answer) {
    answer = frame::receiver(0x09);
    return device.setFeature(answer.data(), answer.size()) &&
           device.getFeature(answer.data(), answer.size());
}

} // namespace

// What the station's receiver search sees through sysfs and hidapi: the wired keyboard, and
// the receiver's node split into its two top-level collections, only one of which takes
// commands.
TEST(HidrawBackend, ListsTheKeyboardAndEachReceiverCollection) {
    HidrawRig rig;
    ASSERT_TRUE(rig.hidraw->ok()) << rig.hidraw->error();
    struct Expected {
        const char* path;
        HidAttributes attributes;
        HidCaps caps;
        const char* product;
    };
    const Expected expected[] = {
        {"/dev/hidraw0", {0x1A2C, 0x0002, 0x0110}, {1, 6, 0}, "USB Keyboard"},
        {"/dev/hidraw1", {MakerVendorId, 0x053A, 0xA012}, {1, 2, 8}, "USB 2.4G Wireless Desktop"},
        {"/dev/hidraw1", {MakerVendorId, 0x053A, 0xA012}, {0x0C, 1, 0}, "USB 2.4G Wireless Desktop"},
    };
    ASSERT_EQ(rig.devices.size(), std::size(expected));
    ReceiverIdTable table{};
    presetReceiverIdTable(table);
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        HidDevice& d = *rig.devices[i];
        const Expected& e = expected[i];
        EXPECT_EQ(d.path(), e.path) << i;
        EXPECT_EQ(d.attributes().vendorId, e.attributes.vendorId) << i;
        EXPECT_EQ(d.attributes().productId, e.attributes.productId) << i;
        EXPECT_EQ(d.attributes().version, e.attributes.version) << i;
        EXPECT_EQ(d.caps().usagePage, e.caps.usagePage) << i;
        EXPECT_EQ(d.caps().usage, e.caps.usage) << i;
        EXPECT_EQ(d.caps().featureReportLength, e.caps.featureReportLength) << i;
        EXPECT_EQ(d.productString(), e.product) << i;
        EXPECT_EQ(selection::judge(d.caps(), d.attributes(), table, 0, 0).accepted, i == 1) << i;
    }
}

// The firmware gets the station's 8 bytes as sent, and its answer comes back in the same
// buffer: the EEPROM word read, the write that changes it, the read that shows the change.
TEST(HidrawBackend, FeatureTransfersReachTheFirmwareAndBack) {
    HidrawRig rig;
    HidDevice* receiver = rig.receiver();
    ASSERT_NE(receiver, nullptr);

    Frame f = frame::receiver(0x04, 0x05, 0x12, 0x34);
    ASSERT_TRUE(receiver->setFeature(f.data(), f.size()));
    f = frame::receiver(0x03, 0x05);
    ASSERT_TRUE(receiver->setFeature(f.data(), f.size()));
    ASSERT_TRUE(receiver->getFeature(f.data(), f.size()));
    EXPECT_EQ(f, (Frame{0x12, 0x34, 0, 0, 0, 0, 0, 0xCC}));
    EXPECT_EQ(rig.bench.receiver().eeprom()[5], 0x1234);
    EXPECT_EQ(receiver->openStatus(), OpenStatus::ReadWrite);
    EXPECT_EQ(rig.bench.setFeatures(), 2u);
    EXPECT_EQ(rig.bench.getFeatures(), 1u);

    // Another report ID, or a frame of another length: the firmware stalls it.
    Frame other = frame::receiver(0x09);
    other[0] = 0x02;
    EXPECT_FALSE(receiver->setFeature(other.data(), other.size()));
    std::uint8_t longer[9] = {0x01, 0x09};
    EXPECT_FALSE(receiver->setFeature(longer, sizeof longer));
    EXPECT_EQ(rig.bench.receiver().eeprom()[5], 0x1234);
}

// The node answers as the kernel's hidraw driver does: byte counts with the report ID
// included, a report cut to a short buffer, the kernel's limits, the descriptor and names.
TEST(HidrawBackend, NodeAnswersWithTheKernelsByteCounts) {
    HidrawRig rig;
    const int fd = ::open(rig.hidraw->receiverNode().c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    std::uint8_t buffer[16] = {0x01, 0x09};
    EXPECT_EQ(::ioctl(fd, HIDIOCSFEATURE(8), buffer), 8);
    const struct {
        unsigned size;
        int result;
        int error;
    } reads[] = {{8, 8, 0}, {16, 8, 0}, {4, 4, 0}, {1, -1, EINVAL}};
    for (const auto& r : reads) {
        buffer[0] = 0x01;
        errno = 0;
        EXPECT_EQ(::ioctl(fd, HIDIOCGFEATURE(r.size), buffer), r.result) << r.size;
        EXPECT_EQ(errno, r.error) << r.size;
    }
    int size = 0;
    EXPECT_EQ(::ioctl(fd, HIDIOCGRDESCSIZE, &size), 0);
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<__u32>(size);
    EXPECT_EQ(::ioctl(fd, HIDIOCGRDESC, &descriptor), 0);
    EXPECT_GT(size, 0);
    EXPECT_EQ(descriptor.value[0], 0x06); // a usage page item opens the descriptor
    hidraw_devinfo info{};
    EXPECT_EQ(::ioctl(fd, HIDIOCGRAWINFO, &info), 0);
    EXPECT_EQ(info.bustype, 3u);
    EXPECT_EQ(static_cast<std::uint16_t>(info.product), 0x053A);
    char name[256] = {};
    const int length = ::ioctl(fd, HIDIOCGRAWNAME(sizeof name), name);
    EXPECT_EQ(length, static_cast<int>(std::strlen(name)) + 1);
    EXPECT_NE(std::strstr(name, "USB 2.4G Wireless Desktop"), nullptr);
    ::close(fd);
}

// The faults between the station and the receiver, and what the backend makes of them: the
// reason the station shows (the udev rule for a refused node) and transfers that fail rather
// than pass something else off as the receiver's answer.
TEST(HidrawBackend, PathFaultsFailTransfersWithTheirReason) {
    struct Case {
        const char* name;
        bench::HidrawFaults faults;
        OpenStatus status;
        bool setWorks;
        /// What the failed transfers say: the system's text of the ioctl's errno, the count
        /// of a short answer, or why the node could not be opened.
        const char* setError;
        const char* getError;
    };
    const auto with = [](auto change) {
        bench::HidrawFaults f;
        change(f);
        return f;
    };
    const Case cases[] = {
        {"stall", with([](auto& f) { f.featureIoctlErrno = EPIPE; }), OpenStatus::ReadWrite, false,
         "Broken pipe", "Broken pipe"},
        {"i/o error", with([](auto& f) { f.featureIoctlErrno = EIO; }), OpenStatus::ReadWrite, false,
         "Input/output error", "Input/output error"},
        {"gone", with([](auto& f) { f.featureIoctlErrno = ENODEV; }), OpenStatus::ReadWrite, false,
         "No such device", "No such device"},
        {"short read", with([](auto& f) { f.shortFeatureReadBytes = 3; }), OpenStatus::ReadWrite, true,
         "", "received 3 of 8 bytes"},
        {"gone before open", with([](auto& f) { f.goneBeforeOpen = true; }), OpenStatus::Failed, false,
         "/dev/hidraw1: No such file or directory", "/dev/hidraw1: No such file or directory"},
        // Last: it gives up root's override for good.
        {"no udev rule", with([](auto& f) { f.permissionDenied = true; }), OpenStatus::PermissionDenied, false,
         "/dev/hidraw1: Permission denied", "/dev/hidraw1: Permission denied"},
    };
    for (const Case& c : cases) {
        HidrawRig rig(c.faults);
        ASSERT_TRUE(rig.hidraw->ok()) << c.name << ": " << rig.hidraw->error();
        HidDevice* receiver = rig.receiver();
        ASSERT_NE(receiver, nullptr) << c.name;
        Frame f = frame::receiver(0x09);
        const TransferResult set = receiver->setFeature(f.data(), f.size());
        EXPECT_EQ(set.ok(), c.setWorks) << c.name;
        const TransferResult get = receiver->getFeature(f.data(), f.size());
        EXPECT_FALSE(get) << c.name;
        if (c.setWorks)
            EXPECT_EQ(set.error, "") << c.name;
        else
            EXPECT_NE(set.error.find(c.setError), std::string::npos) << c.name << ": " << set.error;
        EXPECT_NE(get.error.find(c.getError), std::string::npos) << c.name << ": " << get.error;
        EXPECT_EQ(receiver->openStatus(), c.status) << c.name;
    }
}

// A set-feature that the device takes only in part is a failed transfer, whatever the part:
// the count reaches the station, and the firmware never acts on the cut request.
TEST(HidrawBackend, ShortSetFeatureFailsWithTheCount) {
    struct Case {
        std::optional<int> taken; ///< bytes the receiver takes; nullopt: the whole report
        const char* error;
    };
    const Case cases[] = {{std::nullopt, ""},
                          {1, "sent 1 of 8 bytes"},
                          {5, "sent 5 of 8 bytes"},
                          {7, "sent 7 of 8 bytes"}};
    for (const Case& c : cases) {
        const std::string name = c.taken ? std::to_string(*c.taken) : "whole";
        HidrawRig rig;
        ASSERT_TRUE(rig.hidraw->ok()) << rig.hidraw->error();
        bench::BenchFaults faults = rig.bench.faults();
        faults.shortWriteBytes = c.taken;
        rig.bench.setFaults(faults);
        HidDevice* receiver = rig.receiver();
        ASSERT_NE(receiver, nullptr);
        const std::uint16_t before = rig.bench.receiver().eeprom()[0x10];
        const auto value = static_cast<std::uint16_t>(before ^ 0x5A5A);
        Frame f = frame::eepromWrite(0x10, value);
        const TransferResult set = receiver->setFeature(f.data(), f.size());
        EXPECT_EQ(set.ok(), !c.taken) << name;
        EXPECT_EQ(set.bytes, c.taken.value_or(8)) << name;
        EXPECT_EQ(set.error, c.error) << name;
        EXPECT_EQ(set.status, c.taken ? TransferResult::Status::Short : TransferResult::Status::Done)
            << name;
        // Only a whole request reaches the firmware.
        EXPECT_EQ(rig.bench.receiver().eeprom()[0x10], c.taken ? before : value) << name;
    }
}

namespace {

/// Receivers on one emulated bus, one bench each: the main one, then the others in the order
/// they were added. On a gang bench each box names its hub port, 1-1.1 for the first.
struct BusOfReceivers {
    test::RecordingClock clock;
    std::vector<std::unique_ptr<bench::Bench>> benches;
    std::unique_ptr<bench::HidrawBench> hidraw;
    bool allAdded = true;

    BusOfReceivers(int count, bool hubPorts) {
        for (int k = 1; k <= count; ++k) {
            bench::BenchOptions options;
            if (hubPorts)
                options.receiverPortPath = "1-1." + std::to_string(k);
            benches.push_back(std::make_unique<bench::Bench>(clock, options));
            benches.back()->freshUnit(static_cast<std::uint32_t>(40 + k));
        }
        hidraw = std::make_unique<bench::HidrawBench>(*benches[0]);
        for (std::size_t k = 1; k < benches.size(); ++k)
            allAdded = hidraw->addReceiver(*benches[k]) && allAdded;
    }
};

/// The receivers' command collections in the order the controller lists them.
std::vector<HidDevice*> receiversOf(std::vector<std::unique_ptr<HidDevice>>& devices) {
    std::vector<HidDevice*> found;
    for (auto& d : devices)
        if (selection::capabilitiesFit(d->caps()))
            found.push_back(d.get());
    return found;
}

} // namespace

// Every receiver on the bus, up to a full gang station's eight: each is listed and accepted
// on a port and node of its own, in port order as udev lists them, and each node reaches its
// own firmware only.
TEST(HidrawBackend, EachReceiverOnTheBusReachesItsOwnFirmware) {
    struct Case {
        int count;
        bool hubPorts;                   // the boxes name their hub ports, as a gang bench's do
        std::vector<std::string> ports;  // each bench's receiver's port, main one first
        std::vector<std::string> listed; // the receivers' ports in the order they are listed
    };
    // Benches that all name the same port get root ports of their own, passing over the main
    // receiver's; with one other receiver, as with two, the main one is listed last.
    const Case cases[] = {
        {2, false, {"1-4", "1-2"}, {"1-2", "1-4"}},
        {8, false, {"1-4", "1-2", "1-3", "1-5", "1-6", "1-7", "1-8", "1-9"},
         {"1-2", "1-3", "1-4", "1-5", "1-6", "1-7", "1-8", "1-9"}},
        {4, true, {"1-1.1", "1-1.2", "1-1.3", "1-1.4"}, {"1-1.1", "1-1.2", "1-1.3", "1-1.4"}},
        {8, true, {"1-1.1", "1-1.2", "1-1.3", "1-1.4", "1-1.5", "1-1.6", "1-1.7", "1-1.8"},
         {"1-1.1", "1-1.2", "1-1.3", "1-1.4", "1-1.5", "1-1.6", "1-1.7", "1-1.8"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + (c.hubPorts ? " on the hub" : " on root ports"));
        BusOfReceivers bus(c.count, c.hubPorts);
        ASSERT_TRUE(bus.hidraw->ok()) << bus.hidraw->error();
        ASSERT_TRUE(bus.allAdded);
        // Its udev monitor is gone before more receivers come below: none takes their events.
        auto controller = std::make_unique<HidapiController>();
        std::vector<std::unique_ptr<HidDevice>> devices;
        while (auto d = controller->checkOut())
            devices.push_back(std::move(d));
        const std::vector<HidDevice*> receivers = receiversOf(devices);
        std::vector<std::string> listed;
        for (HidDevice* receiver : receivers)
            listed.push_back(receiver->portPath());
        EXPECT_EQ(listed, c.listed);

        std::set<std::string> nodes;
        for (HidDevice* receiver : receivers) {
            nodes.insert(receiver->path());
            // The bench whose port the receiver names answers its transfers, no other bench.
            const auto at = std::find(c.ports.begin(), c.ports.end(), receiver->portPath());
            ASSERT_NE(at, c.ports.end()) << receiver->portPath();
            bench::Bench& own = *bus.benches[static_cast<std::size_t>(at - c.ports.begin())];
            std::vector<std::uint64_t> before;
            for (const auto& b : bus.benches)
                before.push_back(b->featureTransfers());
            Frame answer{};
            ASSERT_TRUE(linkQuery(*receiver, answer)) << receiver->portPath();
            EXPECT_EQ(answer[1], own.receiver().mouseId()) << receiver->portPath();
            for (std::size_t k = 0; k < bus.benches.size(); ++k)
                EXPECT_EQ(bus.benches[k]->featureTransfers(),
                          before[k] + (bus.benches[k].get() == &own ? 2u : 0u))
                    << receiver->portPath() << " bench " << k;
        }
        EXPECT_EQ(nodes.size(), static_cast<std::size_t>(c.count));

        // The bus takes receivers up to eight, and no more.
        devices.clear();
        controller.reset();
        int added = 0;
        for (int i = 0; i < bench::HidrawBench::kMaxReceivers; ++i) {
            bus.benches.push_back(std::make_unique<bench::Bench>(bus.clock));
            added += bus.hidraw->addReceiver(*bus.benches.back()) ? 1 : 0;
        }
        EXPECT_EQ(added, 8 - c.count);
    }
}

// Unplugging and plugging the receiver reach the station as udev events; the old device object
// and a node opened before the unplug fail, the new receiver at the same node works.
TEST(HidrawBackend, ReceiverThatComesAndGoesIsAnnouncedByUdev) {
    HidrawRig rig;
    HidDevice* before = rig.receiver();
    ASSERT_NE(before, nullptr);
    const int fd = ::open(rig.hidraw->receiverNode().c_str(), O_RDWR);
    ASSERT_GE(fd, 0);

    rig.bench.unplugReceiver();
    ASSERT_TRUE(rig.hotPlugArrives());
    EXPECT_EQ(rig.changes, 1);
    EXPECT_FALSE(before->pluggedIn());
    rig.bench.plugReceiver();
    ASSERT_TRUE(rig.hotPlugArrives());
    EXPECT_EQ(rig.changes, 2);

    Frame f = frame::receiver(0x09);
    EXPECT_FALSE(before->setFeature(f.data(), f.size()));
    errno = 0;
    EXPECT_EQ(::ioctl(fd, HIDIOCSFEATURE(8), f.data()), -1);
    EXPECT_EQ(errno, ENODEV);
    ::close(fd);

    rig.takeDevices();
    HidDevice* after = rig.receiver();
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->path(), rig.hidraw->receiverNode());
    Frame answer{};
    EXPECT_TRUE(linkQuery(*after, answer));
}

namespace {

/// One slot of a gang station over the emulated bus: its own controller and udev monitor, and
/// the devices it may use.
struct BusSlot {
    HidapiController controller;
    std::unique_ptr<SlotDevices> devices;
    std::vector<std::unique_ptr<HidDevice>> held;

    /// The ports of the receivers one round of hand-outs gives the slot.
    std::vector<std::string> receiverPorts() {
        held.clear();
        std::vector<std::string> ports;
        for (auto d = devices->checkOut(); d; d = devices->checkOut()) {
            if (selection::capabilitiesFit(d->caps()))
                ports.push_back(d->portPath());
            held.push_back(std::move(d));
        }
        return ports;
    }

    /// Waits for the plug change to reach the slot's monitor, then takes it.
    bool hotPlugArrives() {
        pollfd p{controller.monitorFd(), POLLIN, 0};
        if (p.fd < 0 || ::poll(&p, 1, 2000) != 1)
            return false;
        controller.onMonitorReadable();
        return true;
    }
};

} // namespace

// A gang station's slots take the receivers on the hub in port order, and a receiver unplugged
// and plugged into the same port again returns to its slot, whichever slot and however many
// slots; the other slots keep theirs meanwhile.
TEST(HidrawBackend, ARepluggedReceiverReturnsToItsSlot) {
    struct Case {
        int slots;
        int replugged; // the slot whose receiver is pulled and plugged in again
    };
    const Case cases[] = {{4, 3}, {8, 1}, {8, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.slots) + " slots, slot " + std::to_string(c.replugged));
        BusOfReceivers bus(c.slots, true);
        ASSERT_TRUE(bus.hidraw->ok()) << bus.hidraw->error();
        ASSERT_TRUE(bus.allAdded);
        StationSlots stationSlots;
        stationSlots.count = c.slots;
        stationSlots.ports.assign(static_cast<std::size_t>(c.slots), std::string());
        SlotAssignment assignment(stationSlots);
        std::vector<std::unique_ptr<BusSlot>> slots;
        for (int k = 1; k <= c.slots; ++k) {
            slots.push_back(std::make_unique<BusSlot>());
            slots.back()->devices =
                std::make_unique<SlotDevices>(slots.back()->controller, assignment, k);
        }
        const auto hub = [](int k) { return std::vector<std::string>{"1-1." + std::to_string(k)}; };
        // Slot by slot from the last, so port order, not the order of asking, decides.
        for (int k = c.slots; k >= 1; --k)
            EXPECT_EQ(slots[k - 1]->receiverPorts(), hub(k)) << "slot " << k;

        bench::Bench& box = *bus.benches[static_cast<std::size_t>(c.replugged - 1)];
        BusSlot& mine = *slots[static_cast<std::size_t>(c.replugged - 1)];
        box.unplugReceiver();
        for (auto& slot : slots)
            ASSERT_TRUE(slot->hotPlugArrives());
        EXPECT_EQ(mine.receiverPorts(), std::vector<std::string>{});
        for (int k = 1; k <= c.slots; ++k) {
            if (k != c.replugged) {
                EXPECT_EQ(slots[k - 1]->receiverPorts(), hub(k)) << "slot " << k;
            }
        }

        box.plugReceiver();
        for (auto& slot : slots)
            ASSERT_TRUE(slot->hotPlugArrives());
        EXPECT_EQ(mine.receiverPorts(), hub(c.replugged));
        // It is the replugged box that answers through the slot.
        for (auto& d : mine.held) {
            if (!selection::capabilitiesFit(d->caps()))
                continue;
            Frame answer{};
            ASSERT_TRUE(linkQuery(*d, answer));
            EXPECT_EQ(answer[1], box.receiver().mouseId());
        }
        for (int k = 1; k <= c.slots; ++k)
            EXPECT_EQ(assignment.portOf(k), hub(k).front()) << "slot " << k;
    }
}

// The boxes of a gang bench swapped faster than a station takes their hot-plug events: the
// bench waits for the station's udev monitor instead of overrunning it (umockdev would end the
// process), and each swap still reaches the station.
TEST(HidrawBackend, SwapsFasterThanTheStationReadsAllReachIt) {
    for (const int count : {4, 8}) {
        SCOPED_TRACE(std::to_string(count) + " boxes");
        BusOfReceivers bus(count, true);
        ASSERT_TRUE(bus.hidraw->ok()) << bus.hidraw->error();
        HidapiController controller;
        int changes = 0;
        controller.setDeviceChangeHandler([&] { ++changes; });
        // The station's thread, busy with a unit, takes its events only now and then.
        std::atomic<bool> stop = false;
        std::atomic<int> taken = 0;
        std::thread station([&] {
            while (!stop) {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                pollfd p{controller.monitorFd(), POLLIN, 0};
                if (::poll(&p, 1, 0) == 1) {
                    controller.onMonitorReadable();
                    ++taken;
                }
            }
        });
        constexpr int kRounds = 3;
        for (int round = 0; round < kRounds; ++round)
            for (auto& box : bus.benches)
                box->freshUnit(static_cast<std::uint32_t>(100 + round));
        // The last swap is taken too.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        pollfd p{controller.monitorFd(), POLLIN, 0};
        while (::poll(&p, 1, 0) == 1 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stop = true;
        station.join();
        EXPECT_GT(taken.load(), 1);
        EXPECT_GT(changes, 0);
        std::vector<std::unique_ptr<HidDevice>> devices;
        while (auto d = controller.checkOut())
            devices.push_back(std::move(d));
        std::vector<HidDevice*> receivers = receiversOf(devices);
        ASSERT_EQ(receivers.size(), static_cast<std::size_t>(count));
        for (HidDevice* receiver : receivers) {
            Frame answer{};
            EXPECT_TRUE(linkQuery(*receiver, answer)) << receiver->portPath();
        }
    }
}
