// SPDX-License-Identifier: MIT
// Binding from the PC: the operator's Connect and the programming run's keyboard binding.
#include "RunStation.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace rfbind;
using test::RunStation;

namespace {

QString caption(const RunStation& rs) {
    return rs.s.child<QPushButton>("btnCombo_Cmd_Soft_Bind_SW")->text();
}
bool shown(const RunStation& rs, const char* picture) {
    return rs.s.child<QWidget>(picture)->isVisibleTo(rs.form);
}

} // namespace

TEST(TForm1Binding, TheOperatorsBindingSucceedsWhenAMousePairs) {
    RunStation rs;
    auto& form = rs.start();
    // The operator switches the mouse on: it pairs during its first seconds.
    rs.s.bench.switchMouse(false);
    rs.s.bench.switchMouse(true);
    const int mouseBefore = rs.s.bench.receiver().mouseId();

    rs.s.child<QPushButton>("btnCombo_Cmd_Soft_Bind_SW")->click();
    EXPECT_TRUE(form.station().bindingPolling().isActive());
    EXPECT_EQ(caption(rs), "&Connecting");
    EXPECT_TRUE(shown(rs, "gifBind"));
    EXPECT_FALSE(form.station().linkPolling().isActive());
    auto* debug = rs.s.child<QListWidget>("lstDebug");
    ASSERT_GT(debug->count(), 0);
    EXPECT_EQ(debug->item(debug->count() - 1)->text(),
              QString("**0--preMseID-%1--preKbdID-%2--channel-%3")
                  .arg(QString::number(mouseBefore, 16).toUpper(),
                       QString::number(rs.s.bench.receiver().keyboardId(), 16).toUpper(),
                       QString::number(rs.s.bench.receiver().channel())));

    rs.tick();
    EXPECT_FALSE(form.station().bindingPolling().isActive());
    ASSERT_EQ(rs.messages().size(), 1u);
    EXPECT_EQ(rs.messages()[0].caption, "Connect");
    EXPECT_EQ(rs.messages()[0].text, "Connect Success");
    EXPECT_EQ(caption(rs), "&Connect");
    EXPECT_TRUE(shown(rs, "imgConnected"));
    EXPECT_FALSE(shown(rs, "gifBind"));
    EXPECT_EQ(form.station().prevMouseId(), rs.s.bench.receiver().mouseId());
    EXPECT_NE(form.station().prevMouseId(), mouseBefore);
    EXPECT_TRUE(form.station().linkPolling().isActive()) << "link polling resumes";
    EXPECT_TRUE(debug->item(debug->count() - 1)->text().startsWith("*2*1--NowMseID-"));
}

TEST(TForm1Binding, TheOperatorsBindingTimesOutOnTheSixteenthTick) {
    RunStation rs;
    auto& form = rs.start();
    // Long after the mouse was switched on: nothing is in pairing mode, nothing pairs.
    rs.s.clock.advance(bench::BenchTransmitter::kMousePairingMs + 1000);
    rs.s.child<QPushButton>("btnCombo_Cmd_Soft_Bind_SW")->click();
    ASSERT_TRUE(form.station().bindingPolling().isActive());
    for (int i = 1; i < 16; ++i) {
        rs.tick();
        ASSERT_TRUE(form.station().bindingPolling().isActive()) << "tick " << i;
    }
    EXPECT_TRUE(rs.messages().empty());
    EXPECT_EQ(caption(rs), "&Connecting");

    rs.tick();
    EXPECT_EQ(form.station().bindTicks(), 16);
    EXPECT_FALSE(form.station().bindingPolling().isActive());
    ASSERT_EQ(rs.messages().size(), 1u);
    EXPECT_EQ(rs.messages()[0].caption, "Connect");
    EXPECT_EQ(rs.messages()[0].text, "Connect Fail");
    EXPECT_EQ(caption(rs), "&Connect");
    EXPECT_TRUE(shown(rs, "imgConnected"));
}

TEST(TForm1Binding, WithoutAReceiverNothingStartsAndALostReceiverEndsTheWatchSilently) {
    RunStation rs;
    auto& form = rs.start();
    rs.s.bench.unplugReceiver();
    rs.s.deliver();
    rs.s.child<QPushButton>("btnCombo_Cmd_Soft_Bind_SW")->click();
    EXPECT_FALSE(form.station().bindingPolling().isActive());
    EXPECT_EQ(rs.text("edtRX"), "Mouse RX Not Ready");

    rs.nextUnit(5);
    rs.s.child<QPushButton>("btnCombo_Cmd_Soft_Bind_SW")->click();
    ASSERT_TRUE(form.station().bindingPolling().isActive());
    // Pulled out between two ticks, before the station heard of it.
    rs.s.bench.unplugReceiver();
    rs.tick();
    EXPECT_FALSE(form.station().bindingPolling().isActive());
    EXPECT_TRUE(rs.messages().empty()) << "neither success nor failure is claimed";
}

TEST(TForm1Binding, TheRunsKeyboardBindingWaitsForTheKeyboardNotTheMouse) {
    // At "Wait" the operator switches the mouse off and on instead of pressing the keyboard's
    // bind button: the mouse pairs, the keyboard does not, and the run must not pass.
    RunStation rs;
    auto& form = rs.start();
    test::StationChoice c;
    c.mouseOnly = false;
    c.keyboardBinding = true;
    c.rxFirstId = 0x123456;
    c.txFirstId = 0x345678;
    test::applyChoice(form, c);
    rs.pressBindButton = false;
    int mouseAtWait = -1;
    bool sawWaitPrompt = false;
    rs.duringRun = [&] {
        if (rs.result() == "Wait" && mouseAtWait < 0) {
            sawWaitPrompt = rs.s.child<QWidget>("Image2")->isVisibleTo(&form);
            mouseAtWait = rs.s.bench.receiver().mouseId();
            rs.s.bench.switchMouse(false);
            rs.s.bench.switchMouse(true);
        }
    };
    const int keyboardBefore = rs.s.bench.receiver().keyboardId();

    rs.pressGo();

    EXPECT_TRUE(sawWaitPrompt);
    EXPECT_NE(rs.s.bench.receiver().mouseId(), mouseAtWait) << "the mouse did pair";
    EXPECT_EQ(rs.s.bench.receiver().keyboardId(), keyboardBefore);
    EXPECT_EQ(rs.result(), "FAIL");
    ASSERT_TRUE(form.lastOutcome());
    EXPECT_EQ(form.lastOutcome()->reason, FailReason::MousePairedInstead);
    EXPECT_TRUE(rs.messages().empty()) << "the run shows its result on the label only";
    EXPECT_TRUE(RunStation::logLines().isEmpty());
    EXPECT_FALSE(form.station().bindFromRun());
    EXPECT_FALSE(form.station().bindingPolling().isActive());
    EXPECT_FALSE(rs.s.child<QWidget>("Image2")->isVisibleTo(&form));
    EXPECT_EQ(form.station().runMode(), 0);
}

TEST(TForm1Binding, TheWatchRunsOnItsOwnTimerInRealTime) {
    // The one binding on the real clock: the watch must tick by itself, once a second.
    app::QtClock clock;
    bench::Bench bench(clock);
    bench::BenchController controller(bench, [](bench::BenchController::Task task) {
        QTimer::singleShot(0, qApp, std::move(task));
    });
    bench.freshUnit(9); // the mouse is switched on now and pairs within its first seconds
    test::StationFixture station(&controller, &clock);
    auto& form = station.create();
    form.findChild<QPushButton*>("btnCombo_Cmd_Soft_Bind_SW")->click();
    ASSERT_TRUE(form.station().bindingPolling().isActive());
    QElapsedTimer waited;
    waited.start();
    while (station.dialogs.messages.empty() && waited.elapsed() < 5000)
        QTest::qWait(20);
    ASSERT_EQ(station.dialogs.messages.size(), 1u);
    EXPECT_EQ(station.dialogs.messages[0].text, "Connect Success");
    EXPECT_EQ(form.station().bindTicks(), 1);
}
