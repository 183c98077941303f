// SPDX-License-Identifier: MIT
// The window as a view of its station: what the station reports shows in the controls, and
// each run handler reaches the station (and nothing else) once.
#include "DeviceStation.h"

#include "widgets/Led.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>

namespace rfbind::test {
namespace {

TEST(TForm1StationView, ShowsTheReceiverTheStationFindsAndLoses) {
    BenchStation s;
    auto& form = s.create();
    EXPECT_EQ(s.child<QListWidget>("DevListBox")->count(),
              static_cast<int>(form.station().deviceList().size()));

    form.station().findReceiver(ReceiverFilter{}); // the station alone, no handler
    EXPECT_TRUE(s.child<app::Led>("ledRX")->isOn());
    EXPECT_EQ(s.text("edtRX"), "Mouse RX Ready");
    EXPECT_EQ(s.text("edtPID"), "053A");
    EXPECT_EQ(s.child<app::Led>("ledTX")->isOn(), form.station().checkTransmitterLink());

    form.station().resetLinkStatus();
    EXPECT_FALSE(s.child<app::Led>("ledRX")->isOn());
    EXPECT_EQ(s.text("edtRX"), "Mouse RX Not Ready");
    EXPECT_TRUE(s.text("edtPID").isEmpty());
}

TEST(TForm1StationView, EachRunHandlerReachesTheStation) {
    struct Row {
        const char* handler;
        std::function<void(app::TForm1&, BenchStation&)> press;
        bool outcome; ///< the handler leaves a run's outcome behind
    };
    // An erase run needs its page's confirmation ticked and a receiver found first.
    const auto erase = [](const char* confirmation, void (app::TForm1::*handler)()) {
        return [=](app::TForm1& f, BenchStation& s) {
            f.FindReceiver();
            s.child<QCheckBox>(confirmation)->setChecked(true);
            (f.*handler)();
        };
    };
    const Row rows[] = {
        {"btnGoClick", [](app::TForm1& f, BenchStation&) { f.btnGoClick(); }, true},
        {"btnSetTXClick",
         [](app::TForm1& f, BenchStation&) {
             f.FindReceiver();
             f.btnSetTXClick();
         },
         true},
        {"suiButton1Click (Erase RX)", erase("RX_Erased", &app::TForm1::suiButton1Click), true},
        {"suiButton2Click (Erase TX)", erase("TX_Erased", &app::TForm1::suiButton2Click), true},
        {"btnCombo_Cmd_Soft_Bind_SWClick",
         [](app::TForm1& f, BenchStation&) { f.btnCombo_Cmd_Soft_Bind_SWClick(); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.handler);
        BenchStation s;
        auto& form = s.create();
        const auto transfers = s.bench.featureTransfers();
        row.press(form, s);
        EXPECT_GT(s.bench.featureTransfers(), transfers) << "the station talked to the devices";
        EXPECT_EQ(form.lastOutcome().has_value(), row.outcome);
        EXPECT_EQ(&form.lastOutcome(), &form.station().lastOutcome()) << "the window keeps no copy";
        EXPECT_FALSE(form.runActive());
    }
}

TEST(TForm1StationView, ConnectShowsTheWatchTheStationRuns) {
    BenchStation s;
    auto& form = s.create();
    form.btnCombo_Cmd_Soft_Bind_SWClick();
    ASSERT_TRUE(form.station().bindingPolling().isActive());
    EXPECT_TRUE(form.bindTimerRunning());
    EXPECT_EQ(s.child<QPushButton>("btnCombo_Cmd_Soft_Bind_SW")->text(), form.MessageText(4));
    form.ResetLinkStatus();
    EXPECT_FALSE(form.station().bindingPolling().isActive());
    EXPECT_FALSE(form.bindTimerRunning());
    EXPECT_EQ(s.child<QPushButton>("btnCombo_Cmd_Soft_Bind_SW")->text(), form.MessageText(3));
}

} // namespace
} // namespace rfbind::test
