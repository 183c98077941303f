// SPDX-License-Identifier: MIT
#include "link/HidapiController.h"
#include "ReportDescriptorSamples.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace rfbind;
namespace fs = std::filesystem;
namespace samples = rfbind::test::samples;

namespace {

/// A sysfs tree in a temporary folder, laid out as the kernel does: class/hidraw/<node>/device
/// is a link to the HID device folder ("0003:VVVV:PPPP.NNNN") holding report_descriptor.
class FakeSysfs {
public:
    FakeSysfs() {
        std::string pattern = (fs::temp_directory_path() / "rfbind-sysfs-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
    }
    ~FakeSysfs() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string root() const { return root_.string(); }

    void plug(const std::string& node, const std::string& hidDevice,
              const std::vector<std::uint8_t>& descriptor) {
        const fs::path device = root_ / "devices" / hidDevice;
        fs::create_directories(device);
        std::ofstream(device / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(descriptor.data()),
                   static_cast<std::streamsize>(descriptor.size()));
        fs::create_directories(root_ / "class" / "hidraw" / node);
        unplug(node);
        fs::create_directory_symlink(device, root_ / "class" / "hidraw" / node / "device");
    }
    void unplug(const std::string& node) {
        std::error_code ec;
        fs::remove(root_ / "class" / "hidraw" / node / "device", ec);
    }

private:
    fs::path root_;
};

HidNodeInfo node(const std::string& path, std::uint16_t usagePage = 1, std::uint16_t usage = 2,
                 std::wstring product = L"2.4G Receiver") {
    return HidNodeInfo{path, HidAttributes{0x1D57, 0x053A, 0xA012}, std::move(product), usagePage,
                       usage};
}

struct Station {
    FakeSysfs sysfs;
    std::vector<HidNodeInfo> nodes;
    std::unique_ptr<HidapiController> controller;
    int events = 0;
    std::vector<std::unique_ptr<HidDevice>> list; // the station's device list

    void start() {
        HidapiController::Options options;
        options.sysfsRoot = sysfs.root();
        options.enumerate = [this] { return nodes; };
        options.watchHotplug = false;
        controller = std::make_unique<HidapiController>(options);
        // Rebuild the list as the station does on every device change: release all, hand out all.
        controller->setDeviceChangeHandler([this] {
            ++events;
            list.clear();
            while (auto d = controller->checkOut())
                list.push_back(std::move(d));
        });
        controller->rescan(true);
        events = 0;
    }
};

std::string capsOf(const std::vector<std::unique_ptr<HidDevice>>& list) {
    std::string s;
    for (const auto& d : list)
        s += d->path() + "{" + std::to_string(d->caps().usagePage) + "," +
             std::to_string(d->caps().usage) + "," + std::to_string(d->caps().featureReportLength) +
             "}";
    return s;
}

} // namespace

TEST(HidapiController, PresentsOneDevicePerTopLevelCollection) {
    Station s;
    s.sysfs.plug("hidraw0", "0003:1D57:053A.0001", samples::compositeReceiver());
    s.sysfs.plug("hidraw1", "0003:1D57:053A.0002", samples::bootMouse());
    // hidapi lists a node once per usage; the copies must not multiply the devices.
    s.nodes = {node("/dev/hidraw0", 1, 2), node("/dev/hidraw0", 1, 6),
               node("/dev/hidraw0", 0x0C, 1), node("/dev/hidraw1")};
    s.start();
    EXPECT_EQ(capsOf(s.list), "/dev/hidraw0{1,2,8}/dev/hidraw0{1,6,0}/dev/hidraw0{12,1,0}"
                              "/dev/hidraw0{65280,1,8}/dev/hidraw1{1,2,0}");
    EXPECT_EQ(s.list[0]->attributes().version, 0xA012);
    EXPECT_EQ(s.list[0]->productString(), "2.4G Receiver");
    EXPECT_EQ(s.controller->checkOut(), nullptr); // all handed out
}

TEST(HidapiController, NodeWithUnusableDescriptorIsListedOnceWithoutFeatureLength) {
    Station s;
    s.sysfs.plug("hidraw1", "0003:1D57:053A.0002", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01});
    s.nodes = {node("/dev/hidraw0", 1, 2), node("/dev/hidraw0", 1, 6), node("/dev/hidraw1", 1, 6)};
    s.start();
    ASSERT_EQ(capsOf(s.list), "/dev/hidraw0{1,2,0}/dev/hidraw1{1,6,0}");
    auto* missing = dynamic_cast<HidapiDevice*>(s.list[0].get());
    auto* unclosed = dynamic_cast<HidapiDevice*>(s.list[1].get());
    EXPECT_NE(missing->descriptorError().find("cannot read"), std::string::npos);
    EXPECT_NE(unclosed->descriptorError().find("never closed"), std::string::npos);
}

TEST(HidapiController, ReleasedDeviceIsHandedOutAgainWhilePresent) {
    Station s;
    s.sysfs.plug("hidraw0", "0003:1D57:053A.0001", samples::bootMouse());
    s.nodes = {node("/dev/hidraw0")};
    s.start();
    ASSERT_EQ(s.list.size(), 1u);
    EXPECT_EQ(s.controller->checkOut(), nullptr);
    s.list.clear();
    auto again = s.controller->checkOut();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->path(), "/dev/hidraw0");
}

TEST(HidapiController, EventOnlyWhenTheSetChangesOrForced) {
    Station s;
    s.sysfs.plug("hidraw0", "0003:1D57:053A.0001", samples::compositeReceiver());
    s.nodes = {node("/dev/hidraw0")};
    s.start();

    s.controller->rescan(false);
    EXPECT_EQ(s.events, 0);
    s.controller->rescan(true);
    EXPECT_EQ(s.events, 1);

    s.sysfs.plug("hidraw1", "0003:1D57:053A.0002", samples::bootMouse());
    s.nodes.push_back(node("/dev/hidraw1"));
    s.controller->rescan(false);
    EXPECT_EQ(s.events, 2);
    EXPECT_EQ(s.list.size(), 5u);

    // Unplugged while the station holds it: the object stays, but is marked and fails.
    std::unique_ptr<HidDevice> held = std::move(s.list.back());
    s.list.pop_back();
    s.nodes.pop_back();
    s.sysfs.unplug("hidraw1");
    s.controller->rescan(false);
    EXPECT_EQ(s.events, 3);
    EXPECT_EQ(s.list.size(), 4u);
    EXPECT_FALSE(held->pluggedIn());
    const std::uint8_t frame[8] = {0x01, 0x09};
    EXPECT_FALSE(held->setFeature(frame, sizeof frame));
    EXPECT_EQ(held->openStatus(), OpenStatus::Failed);
    EXPECT_TRUE(s.list.front()->pluggedIn());
}

// A different receiver (or the same one replugged) may get the node name of the one before;
// the kernel's HID device name tells them apart.
TEST(HidapiController, ReplugAtTheSameNodeIsANewDevice) {
    Station s;
    s.sysfs.plug("hidraw0", "0003:1D57:053A.0001", samples::bootMouse());
    s.nodes = {node("/dev/hidraw0")};
    s.start();
    std::unique_ptr<HidDevice> old = std::move(s.list.front());
    s.list.clear();

    s.sysfs.plug("hidraw0", "0003:1D57:053A.0002", samples::bootMouse());
    s.controller->rescan(false);
    EXPECT_EQ(s.events, 1);
    EXPECT_FALSE(old->pluggedIn());
    ASSERT_EQ(s.list.size(), 1u);
    EXPECT_TRUE(s.list.front()->pluggedIn());
}

TEST(HidapiController, ProductStringIsUtf8CutAt254Utf16Units) {
    const struct {
        std::wstring product;
        std::string expected;
    } cases[] = {
        {L"Receiver", "Receiver"},
        {L"R\u00e9cepteur \u65e0\u7ebf", "R\xc3\xa9"
                                         "cepteur \xe6\x97\xa0\xe7\xba\xbf"},
        {std::wstring(300, L'A'), std::string(254, 'A')},
        // A character beyond the basic plane takes two units and is never cut in half.
        {std::wstring(253, L'A') + L"\U0001F600", std::string(253, 'A')},
        {std::wstring(252, L'A') + L"\U0001F600", std::string(252, 'A') + "\xf0\x9f\x98\x80"},
        {std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x", "\xef\xbf\xbdx"},
    };
    for (const auto& c : cases) {
        Station s;
        s.nodes = {node("/dev/hidraw0", 1, 2, c.product)};
        s.start();
        ASSERT_EQ(s.list.size(), 1u);
        EXPECT_EQ(s.list.front()->productString(), c.expected);
    }
}

TEST(HidapiController, HandedOutDeviceOutlivesController) {
    Station s;
    s.nodes = {node("/dev/hidraw0")};
    s.start();
    std::unique_ptr<HidDevice> held = std::move(s.list.front());
    s.list.clear();
    s.controller.reset();
    std::uint8_t frame[8] = {0x01};
    EXPECT_FALSE(held->getFeature(frame, sizeof frame)); // no such node here; must not crash
}

// The machine the tests run on has no hidraw nodes and no udev daemon.
TEST(HidapiController, RealBackendWithoutDevicesIsEmptyAndStillRaisesForcedEvent) {
    HidapiController controller;
    int events = 0;
    controller.setDeviceChangeHandler([&] { ++events; });
    std::error_code ec;
    const bool noNodes = fs::is_empty("/sys/class/hidraw", ec) || ec;
    if (noNodes) {
        EXPECT_EQ(controller.checkOut(), nullptr);
    }
    controller.rescan(false);
    controller.onMonitorReadable();
    if (noNodes) {
        EXPECT_EQ(events, 0);
    }
    controller.rescan(true);
    EXPECT_GE(events, 1);
    EXPECT_GE(controller.monitorFd(), -1);
}
