// SPDX-License-Identifier: MIT
#include "DeviceStation.h"
#include "TForm2.h"
#include "widgets/Led.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace rfbind;
using rfbind::test::BenchStation;

namespace {
struct MouseCase {
    const char* name;
    bool on;
    bool moving;
    bool alive;
    bench::AccessMode accessAfter; ///< the second test wakes a still mouse into access mode
};
class CheckTransmitterLinkOnBench : public ::testing::TestWithParam<MouseCase> {};
} // namespace

TEST_P(CheckTransmitterLinkOnBench, FindsATransmitterThatTalks) {
    const auto c = GetParam();
    BenchStation s;
    s.bench.switchMouse(c.on);
    s.bench.setMouseMoving(c.moving);
    auto& form = s.create();
    form.FindReceiver();
    ASSERT_EQ(s.text("edtRX"), "Mouse RX Ready");
    s.child<QLineEdit>("edtTX")->clear();

    EXPECT_EQ(form.CheckTransmitterLink(), c.alive);
    EXPECT_EQ(s.text("edtTX"), c.alive ? "Mouse TX Ready" : "Mouse TX Not Ready");
    EXPECT_EQ(s.child<app::Led>("ledTX")->isOn(), c.alive);
    EXPECT_EQ(s.bench.mouse().accessMode(), c.accessAfter);
}

INSTANTIATE_TEST_SUITE_P(
    TForm1LinkMonitor, CheckTransmitterLinkOnBench,
    ::testing::Values(MouseCase{"MovingMouseNeedsNoAccessCommand", true, true, true, bench::AccessMode::Off},
                      MouseCase{"StillMouseInReach", true, false, true, bench::AccessMode::OnWithoutLed},
                      MouseCase{"SwitchedOffMouse", false, false, false, bench::AccessMode::Off}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TForm1LinkMonitor, AnUnpluggedReceiverShowsNotReadyWithoutATransfer) {
    BenchStation s;
    auto& form = s.create();
    form.FindReceiver();
    s.bench.unplugReceiver(); // not yet delivered: ActiveDevice still points at it
    const auto transfers = s.bench.featureTransfers();
    EXPECT_FALSE(form.CheckTransmitterLink());
    EXPECT_EQ(s.text("edtTX"), "Mouse TX Not Ready");
    EXPECT_EQ(s.bench.featureTransfers(), transfers);
}

TEST(TForm1LinkMonitor, SuspendedPollingSendsNothingAndKeepsTheTimerRunning) {
    BenchStation s;
    s.bench.setMouseMoving(true);
    auto& form = s.create();
    form.FindReceiver();
    ASSERT_TRUE(form.station().linkPolling().isActive());
    form.station().setLinkPollingSuspended(true);
    const auto transfers = s.bench.featureTransfers();
    form.tmrIsTxLinkTimer();
    EXPECT_EQ(s.bench.featureTransfers(), transfers);
    EXPECT_TRUE(form.station().linkPolling().isActive());

    form.station().setLinkPollingSuspended(false);
    s.bench.switchMouse(false);
    form.tmrIsTxLinkTimer();
    EXPECT_GT(s.bench.featureTransfers(), transfers);
    EXPECT_EQ(s.text("edtTX"), "Mouse TX Not Ready");
    EXPECT_TRUE(form.station().linkPolling().isActive());
}

TEST(TForm1LinkMonitor, NothingChangesWhileTheLanguageDialogShows) {
    BenchStation s;
    s.bench.setMouseMoving(true);
    auto& form = s.create();
    form.FindReceiver();
    ASSERT_EQ(s.text("edtTX"), "Mouse TX Ready");
    s.bench.switchMouse(false);
    form.languageDialog()->show();
    const auto transfers = s.bench.featureTransfers();
    EXPECT_FALSE(form.CheckTransmitterLink());
    form.tmrIsTxLinkTimer();
    form.languageDialog()->hide();
    EXPECT_EQ(s.bench.featureTransfers(), transfers);
    EXPECT_EQ(s.text("edtTX"), "Mouse TX Ready");
    EXPECT_TRUE(s.child<app::Led>("ledTX")->isOn());
}

TEST(TForm1LinkMonitor, TheTimerPollsEveryHalfSecondOnceConnected) {
    BenchStation s;
    auto& form = s.create();
    EXPECT_EQ(form.station().linkPolling().interval(), 500);
    EXPECT_FALSE(form.station().linkPolling().isActive());
    EXPECT_EQ(form.station().bindingPolling().interval(), 1000);
    EXPECT_FALSE(form.station().bindingPolling().isActive());
    form.FindReceiver();
    EXPECT_TRUE(form.station().linkPolling().isActive());
    form.ResetLinkStatus();
    EXPECT_FALSE(form.station().linkPolling().isActive());
}
