// SPDX-License-Identifier: MIT
#include "BenchRig.h"
#include "bench/BenchHidDevice.h"

#include <gtest/gtest.h>

using namespace rfbind;
using namespace rfbind::bench;
using rfbind::test::BenchRig;

namespace {

struct IdentityRow {
    BenchEndpoint endpoint;
    HidAttributes attributes;
    HidCaps caps;
    const char* product;
    const char* portPath;
};

class HandedOutIdentity : public ::testing::TestWithParam<IdentityRow> {};

std::unique_ptr<HidDevice> takeFirst(BenchController& c, BenchEndpoint which) {
    for (auto d = c.checkOut(); d; d = c.checkOut())
        if (static_cast<BenchHidDevice&>(*d).endpoint() == which)
            return d;
    return nullptr;
}

} // namespace

TEST_P(HandedOutIdentity, IsWhatTheStationSees) {
    const auto& row = GetParam();
    test::RecordingClock clock;
    Bench bench(clock);
    BenchController controller(bench, [](BenchController::Task) {});
    auto d = takeFirst(controller, row.endpoint);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->attributes().vendorId, row.attributes.vendorId);
    EXPECT_EQ(d->attributes().productId, row.attributes.productId);
    EXPECT_EQ(d->attributes().version, row.attributes.version);
    EXPECT_EQ(d->caps().usagePage, row.caps.usagePage);
    EXPECT_EQ(d->caps().usage, row.caps.usage);
    EXPECT_EQ(d->caps().featureReportLength, row.caps.featureReportLength);
    EXPECT_EQ(d->productString(), row.product);
    EXPECT_EQ(d->portPath(), row.portPath);
}

TEST(BenchController, AGangBenchsReceiverIsOnItsSlotsHubPort) {
    test::RecordingClock clock;
    BenchOptions options;
    options.receiverPortPath = "1-1.3";
    Bench bench(clock, options);
    BenchController controller(bench, [](BenchController::Task) {});
    auto d = takeFirst(controller, BenchEndpoint::Receiver);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->portPath(), "1-1.3");
}

INSTANTIATE_TEST_SUITE_P(
    BenchController, HandedOutIdentity,
    ::testing::Values(IdentityRow{BenchEndpoint::Receiver,
                                  {MakerVendorId, 0x053A, 0xA012},
                                  {1, 2, 8},
                                  "USB 2.4G Wireless Desktop",
                                  "1-4"},
                      IdentityRow{BenchEndpoint::UnrelatedKeyboard,
                                  {0x1A2C, 0x0002, 0x0110},
                                  {1, 6, 0},
                                  "USB Keyboard",
                                  "1-1"}));

TEST(BenchController, HandsOutEachPresentDeviceOnceUntilReturned) {
    BenchRig rig;
    ASSERT_EQ(rig.devices.size(), 2u);
    EXPECT_EQ(rig.controller.checkOut(), nullptr);
    rig.link.ActiveDevice = nullptr;
    rig.devices.pop_back(); // the receiver goes back
    auto again = rig.controller.checkOut();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->caps().usage, 2);
    EXPECT_EQ(rig.controller.checkOut(), nullptr);
}

TEST(BenchController, UnrelatedKeyboardRefusesTransfers) {
    BenchRig rig;
    auto& keyboard = *rig.devices.front();
    Frame f = frame::eepromRead(0);
    EXPECT_FALSE(keyboard.setFeature(f.data(), 8));
    EXPECT_FALSE(keyboard.getFeature(f.data(), 8));
    EXPECT_TRUE(keyboard.pluggedIn());
}

TEST(BenchController, PlugChangesArePostedNotRaised) {
    BenchRig rig;
    rig.bench.unplugReceiver();
    EXPECT_EQ(rig.deviceChanges, 0);
    rig.runPosted();
    EXPECT_EQ(rig.deviceChanges, 1);
    rig.bench.plugReceiver();
    rig.runPosted();
    EXPECT_EQ(rig.deviceChanges, 2);
    rig.bench.freshUnit(1); // unplug and plug in one go
    rig.runPosted();
    EXPECT_EQ(rig.deviceChanges, 3);
}

TEST(BenchController, RescanRaisesOnChangeOrWhenForced) {
    BenchRig rig;
    rig.controller.rescan(false);
    EXPECT_EQ(rig.deviceChanges, 0);
    rig.controller.rescan(true);
    EXPECT_EQ(rig.deviceChanges, 1);
    rig.bench.unplugReceiver();
    rig.controller.rescan(false);
    EXPECT_EQ(rig.deviceChanges, 2);
    rig.runPosted();
    EXPECT_EQ(rig.deviceChanges, 2) << "the change was announced already";
}

TEST(BenchController, ObjectOfAnUnpluggedReceiverFailsEvenAfterReplug) {
    BenchRig rig;
    HidDevice* old = rig.link.ActiveDevice;
    rig.bench.unplugReceiver();
    rig.bench.plugReceiver();
    EXPECT_FALSE(old->pluggedIn());
    EXPECT_EQ(rig.link.ReadReceiverEeprom(0), -1);
    EXPECT_EQ(old->openStatus(), OpenStatus::Failed);
    rig.runPosted();
    rig.connect();
    rig.link.CommError = false;
    EXPECT_EQ(rig.link.ReadReceiverEeprom(0), 0);
    EXPECT_FALSE(rig.link.CommError);
}

TEST(BenchController, UnplugAfterTimeRaisesOneChangeLaterAndFailsTransfers) {
    BenchFaults faults;
    faults.unplugAfterMs = 500;
    BenchOptions options;
    options.faults = faults;
    BenchRig rig(options);
    rig.bench.freshUnit(4); // plugged in at 0 ms
    rig.runPosted();
    const int before = rig.deviceChanges;
    rig.connect();

    EXPECT_EQ(rig.link.RemoteRead(0x2A, 0), 0x29);
    rig.clock.onPump = [&] { EXPECT_EQ(rig.deviceChanges, before) << "never inside a transfer"; };
    rig.clock.sleepMs(500);
    EXPECT_EQ(rig.link.ReadReceiverEeprom(0), -1);
    EXPECT_TRUE(rig.link.CommError);
    EXPECT_FALSE(rig.link.ActiveDevice->pluggedIn());
    EXPECT_FALSE(rig.bench.receiverPlugged());
    EXPECT_EQ(rig.deviceChanges, before);
    EXPECT_EQ(rig.posted.size(), 1u);

    rig.runPosted();
    rig.controller.rescan(false);
    EXPECT_EQ(rig.deviceChanges, before + 1);
    EXPECT_FALSE(rig.link.SendReport(0x09, 0, 0, 0));
    rig.connect();
    EXPECT_EQ(rig.link.ActiveDevice, nullptr) << "only the keyboard is handed out";
}

TEST(BenchController, TasksOfADestroyedControllerDoNothing) {
    test::RecordingClock clock;
    Bench bench(clock);
    std::vector<BenchController::Task> posted;
    int changes = 0;
    {
        BenchController controller(bench, [&](BenchController::Task t) { posted.push_back(t); });
        controller.setDeviceChangeHandler([&] { ++changes; });
        bench.unplugReceiver();
    }
    bench.plugReceiver(); // no listener left
    ASSERT_EQ(posted.size(), 1u);
    posted.front()();
    EXPECT_EQ(changes, 0);
}
