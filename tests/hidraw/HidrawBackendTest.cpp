// SPDX-License-Identifier: MIT
// The station's Linux backend (hidapi's hidraw backend, libudev, the descriptor from sysfs)
// against the bench firmware behind emulated hidraw nodes.
#include "bench/Bench.h"
#include "bench/hidraw/HidrawBench.h"
#include "commands/ReceiverSelection.h"
#include "link/Frame.h"
#include "link/HidapiController.h"
#include "support/RecordingClock.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <optional>
#include <string>
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

// Two receivers: both are listed and accepted, each node reaches its own firmware, and the main
// one comes last, so the station's search ends on it.
TEST(HidrawBackend, TwoReceiversEachReachTheirOwnFirmware) {
    test::RecordingClock otherClock;
    bench::Bench other(otherClock);
    other.freshUnit(8);
    HidrawRig rig({}, &other);
    std::vector<HidDevice*> receivers;
    for (auto& d : rig.devices)
        if (selection::capabilitiesFit(d->caps()))
            receivers.push_back(d.get());
    ASSERT_EQ(receivers.size(), 2u);
    EXPECT_EQ(receivers[1]->path(), rig.hidraw->receiverNode());
    EXPECT_NE(receivers[0]->path(), receivers[1]->path());
    // Each receiver names the port it is plugged into, as sysfs shows it: the main one where
    // its bench put it, the other (its bench naming the same port) on a port of its own.
    EXPECT_EQ(receivers[1]->portPath(), "1-4");
    EXPECT_EQ(receivers[0]->portPath(), "1-2");

    Frame answer{};
    ASSERT_TRUE(linkQuery(*receivers[0], answer));
    EXPECT_EQ(other.featureTransfers(), 2u);
    EXPECT_EQ(rig.bench.featureTransfers(), 0u);
    ASSERT_TRUE(linkQuery(*receivers[1], answer));
    EXPECT_EQ(rig.bench.featureTransfers(), 2u);
    EXPECT_EQ(answer[1], rig.bench.receiver().mouseId());
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
