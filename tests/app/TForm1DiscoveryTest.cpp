// SPDX-License-Identifier: MIT
#include "DeviceStation.h"
#include "widgets/Led.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace rfbind;
using rfbind::test::BenchStation;
using rfbind::test::FakeDeviceList;
using rfbind::test::NamedFakeDevice;
using rfbind::test::StationFixture;

namespace {

struct IdentityCase {
    const char* name;
    void (*change)(bench::BenchOptions&);
    bool accepted;
};

class FindReceiverIdentity : public ::testing::TestWithParam<IdentityCase> {};

/// A receiver for a FakeDeviceList: IDs, version and capabilities of the bench's receiver.
FakeDeviceList::Recipe receiverRecipe(std::vector<std::string>* log, std::string path,
                                      std::uint16_t productId,
                                      OpenStatus status = OpenStatus::ReadWrite) {
    return [=] {
        auto d = std::make_unique<NamedFakeDevice>(log, path, status);
        d->attrs = {MakerVendorId, productId, 0xA012};
        return d;
    };
}

FakeDeviceList::Recipe keyboardRecipe(std::vector<std::string>* log, std::string path,
                                      OpenStatus status = OpenStatus::ReadWrite) {
    return [=] {
        auto d = std::make_unique<NamedFakeDevice>(log, path, status);
        d->attrs = {0x1A2C, 0x0002, 0x0110};
        d->capabilities = {1, 6, 0};
        d->product = "USB Keyboard";
        return d;
    };
}

} // namespace

TEST_P(FindReceiverIdentity, AcceptsOnlyTheReceiversItKnows) {
    bench::BenchOptions options;
    GetParam().change(options);
    BenchStation s(options);
    auto& form = s.create();
    form.FindReceiver();
    EXPECT_EQ(form.station().link().ActiveDevice != nullptr, GetParam().accepted);
    EXPECT_EQ(s.text("edtRX"), GetParam().accepted ? "Mouse RX Ready" : "Mouse RX Not Ready");
    EXPECT_EQ(s.child<app::Led>("ledRX")->isOn(), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    TForm1Discovery, FindReceiverIdentity,
    ::testing::Values(
        IdentityCase{"VersionA000", [](bench::BenchOptions& o) { o.receiverVersion = 0xA000; }, true},
        IdentityCase{"VersionAFFF", [](bench::BenchOptions& o) { o.receiverVersion = 0xAFFF; }, true},
        IdentityCase{"Version9FFF", [](bench::BenchOptions& o) { o.receiverVersion = 0x9FFF; }, false},
        IdentityCase{"VersionB000", [](bench::BenchOptions& o) { o.receiverVersion = 0xB000; }, false},
        IdentityCase{"UsagePage12", [](bench::BenchOptions& o) { o.receiverUsagePage = 12; }, false},
        IdentityCase{"UsageKeyboard", [](bench::BenchOptions& o) { o.receiverUsage = 6; }, true},
        IdentityCase{"UsagePointer", [](bench::BenchOptions& o) { o.receiverUsage = 1; }, false},
        IdentityCase{"FeatureLength9", [](bench::BenchOptions& o) { o.receiverFeatureReportLength = 9; }, false},
        IdentityCase{"UnknownProduct", [](bench::BenchOptions& o) { o.receiverProductId = 0x0999; }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TForm1Discovery, SetFieldsAcceptAReceiverOutsideTheTableButNotWhenEmpty) {
    bench::BenchOptions options;
    options.receiverProductId = 0x0999;
    BenchStation s(options);
    auto& form = s.create();
    s.child<QLineEdit>("edtVID_SET")->clear();
    s.child<QLineEdit>("edtPID_SET")->clear();
    form.FindReceiver();
    EXPECT_EQ(form.station().link().ActiveDevice, nullptr);

    s.child<QLineEdit>("edtVID_SET")->setText(QString::number(MakerVendorId, 16));
    s.child<QLineEdit>("edtPID_SET")->setText("0999");
    form.FindReceiver();
    EXPECT_NE(form.station().link().ActiveDevice, nullptr);
    EXPECT_EQ(s.text("edtPID"), "0999");
}

TEST(TForm1Discovery, TwoReceiversAreBothQueriedAndTheSecondIsKept) {
    std::vector<std::string> first, second;
    FakeDeviceList devices;
    devices.recipes = {receiverRecipe(&first, "/dev/hidraw1", 0x053A),
                       receiverRecipe(&second, "/dev/hidraw2", 0x05AA)};
    StationFixture f(&devices);
    auto& form = f.create();
    form.FindReceiver();
    EXPECT_NE(std::find(first.begin(), first.end(), "set 01 09 00 00 00 00 00 00"), first.end());
    EXPECT_NE(std::find(second.begin(), second.end(), "set 01 09 00 00 00 00 00 00"), second.end());
    EXPECT_EQ(form.station().link().ActiveDevice, devices.handedOut[1]);
    EXPECT_EQ(f.child<QLineEdit>("edtPID")->text(), "05AA");
    EXPECT_EQ(form.station().receiverVersion(), 0xA012);
}

TEST(TForm1Discovery, PluggingAnUnrelatedDeviceDropsTheReceiver) {
    std::vector<std::string> log;
    FakeDeviceList devices;
    devices.recipes = {receiverRecipe(&log, "/dev/hidraw1", 0x053A)};
    StationFixture f(&devices);
    auto& form = f.create();
    form.FindReceiver();
    ASSERT_EQ(f.child<QLineEdit>("edtRX")->text(), "Mouse RX Ready");

    devices.recipes.push_back(keyboardRecipe(&log, "/dev/hidraw2"));
    devices.replug();
    EXPECT_EQ(form.station().link().ActiveDevice, nullptr);
    EXPECT_EQ(f.child<QListWidget>("DevListBox")->count(), 2);
    EXPECT_EQ(f.child<QLineEdit>("edtRX")->text(), "Mouse RX Not Ready");
    EXPECT_EQ(f.child<QLineEdit>("edtTX")->text(), "Mouse TX Not Ready");
    EXPECT_FALSE(f.child<app::Led>("ledRX")->isOn());
    EXPECT_FALSE(form.station().linkPolling().isActive());
    EXPECT_FALSE(f.child<QRadioButton>("rbMSE")->isEnabled());
}

TEST(TForm1Discovery, AFailingLinkQueryShowsTheIdsButLeavesTheReceiverNotReady) {
    std::vector<std::string> log;
    FakeDeviceList devices;
    devices.recipes = {[&] {
        auto d = receiverRecipe(&log, "/dev/hidraw1", 0x05CA)();
        d->answer = [](const Frame&) { return std::optional<Frame>(); }; // get-feature fails
        return d;
    }};
    StationFixture f(&devices);
    auto& form = f.create();
    form.FindReceiver();
    EXPECT_EQ(f.child<QLineEdit>("edtRX")->text(), "Mouse RX Not Ready");
    EXPECT_EQ(f.child<QLineEdit>("edtPID")->text(), "05CA");
    EXPECT_TRUE(f.child<QRadioButton>("rbMSE")->isEnabled());
    EXPECT_TRUE(f.child<QPushButton>("btnCombo_Cmd_Soft_Bind_SW")->isEnabled());
    EXPECT_FALSE(form.station().linkPolling().isActive());
    EXPECT_TRUE(f.dialogs.messages.empty()) << "an opened receiver needs no rule";
}

TEST(TForm1Discovery, AReceiverThatMayNotBeOpenedIsExplainedOncePerPlugIn) {
    std::vector<std::string> log;
    FakeDeviceList devices;
    devices.recipes = {keyboardRecipe(&log, "/dev/hidraw0", OpenStatus::PermissionDenied),
                       receiverRecipe(&log, "/dev/hidraw1", 0x053A, OpenStatus::PermissionDenied)};
    StationFixture f(&devices);
    auto& form = f.create();
    form.FindReceiver();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_TRUE(f.dialogs.messages[0].text.contains("70-rfbind.rules"));
    EXPECT_TRUE(f.dialogs.messages[0].text.contains("sudo cp 70-rfbind.rules /etc/udev/rules.d/"));
    EXPECT_TRUE(f.dialogs.messages[0].text.contains("/dev/hidraw1"));
    EXPECT_EQ(f.child<QLineEdit>("edtRX")->text(), "Mouse RX Not Ready");

    form.FindReceiver();
    devices.replug(); // another device came or went; the receiver stayed
    form.FindReceiver();
    EXPECT_EQ(f.dialogs.messages.size(), 1u);

    devices.recipes.pop_back(); // unplugged …
    devices.replug();
    devices.recipes.push_back(receiverRecipe(&log, "/dev/hidraw1", 0x053A, OpenStatus::PermissionDenied));
    devices.replug(); // … and plugged in again
    form.FindReceiver();
    EXPECT_EQ(f.dialogs.messages.size(), 2u);
}

TEST(TForm1Discovery, AnUnrelatedDeviceThatMayNotBeOpenedIsNoConcern) {
    std::vector<std::string> log;
    FakeDeviceList devices;
    devices.recipes = {keyboardRecipe(&log, "/dev/hidraw0", OpenStatus::PermissionDenied)};
    StationFixture f(&devices);
    f.create().FindReceiver();
    EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(TForm1Discovery, UnpluggingAndPluggingTheBenchReceiverRebuildsTheListAndConnectsAgain) {
    BenchStation s;
    auto& form = s.create();
    EXPECT_EQ(s.child<QListWidget>("DevListBox")->count(), 2);
    form.FindReceiver();
    ASSERT_EQ(s.text("edtRX"), "Mouse RX Ready");

    s.bench.unplugReceiver();
    s.deliver();
    EXPECT_EQ(s.child<QListWidget>("DevListBox")->count(), 1);
    EXPECT_EQ(s.text("edtRX"), "Mouse RX Not Ready");

    s.bench.plugReceiver();
    s.deliver();
    EXPECT_EQ(s.child<QListWidget>("DevListBox")->count(), 2);
    EXPECT_EQ(s.text("edtRX"), "Mouse RX Not Ready");

    s.bench.setMouseMoving(true);
    s.child<QPushButton>("btnCombo_Cmd_Soft_Bind_SW")->click(); // "Connect" searches first
    EXPECT_NE(form.station().link().ActiveDevice, nullptr);
    EXPECT_EQ(s.text("edtRX"), "Mouse RX Ready");
    EXPECT_EQ(s.text("edtTX"), "Mouse TX Ready");
    EXPECT_EQ(s.text("edtVID"), QString("%1").arg(MakerVendorId, 4, 16, QChar('0')).toUpper());
}

TEST(TForm1Discovery, AnUnplugDuringTheSearchEndsItWithoutAReceiver) {
    bench::BenchOptions options;
    options.receiverProductId = 0x05CF;
    BenchStation s(options);
    auto& form = s.create();
    // The zoom receiver was just accepted; the hot-key lists let messages run, and the unplug
    // arrives there, before the receiver is connected.
    s.clock.onPump = [&] {
        if (form.station().zoomKeysAvailable() && s.bench.receiverPlugged()) {
            s.bench.unplugReceiver();
            s.deliver();
        }
    };
    form.FindReceiver();
    s.clock.onPump = nullptr;
    EXPECT_EQ(form.station().link().ActiveDevice, nullptr);
    EXPECT_EQ(s.text("edtRX"), "Mouse RX Not Ready");
}

TEST(TForm1Discovery, AZoomReceiverOffersTheZoomHotKeys) {
    bench::BenchOptions options;
    options.receiverProductId = 0x05CF;
    BenchStation s(options);
    auto& form = s.create();
    ASSERT_EQ(s.child<QComboBox>("cbCustKey1")->count(), 24);
    form.FindReceiver();
    EXPECT_TRUE(form.station().zoomKeysAvailable());
    EXPECT_EQ(s.child<QComboBox>("cbCustKey1")->count(), 26);
    EXPECT_EQ(s.child<QComboBox>("cbCustKey2")->currentText(), "Zoom In");
    EXPECT_EQ(form.defaultCustKey1(), 24);
}
