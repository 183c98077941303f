// SPDX-License-Identifier: MIT
// The station on its own thread, as the programs run it: on the simulated bench in real time,
// with an operator who moves the mouse when asked.
#include "StationFixture.h"
#include "bench/Bench.h"
#include "bench/BenchController.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QDate>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using namespace rfbind;

namespace {

/// A unit takes a few seconds on the bench in real time; far beyond that it has hung.
constexpr int kUnitDeadlineMs = 60000;

/// The station window on its own thread over the bench, with a unit fresh from assembly. The
/// bench's device changes reach the window through the event loop, as in the bench program.
struct ThreadedBench {
    ThreadedBench() {
        bench.freshUnit(11);
        station.stationThread = true;
    }

    app::TForm1& start() {
        auto& form = station.create();
        // The operator, every few milliseconds: moves the mouse when the station asks for it.
        operatorTimer.setInterval(5);
        QObject::connect(&operatorTimer, &QTimer::timeout, [this] {
            if (result() == "Move")
                bench.setMouseMoving(true);
        });
        operatorTimer.start();
        // The receiver's arrival reaches the station before anyone presses Go.
        settle(form);
        return form;
    }

    /// Lets the window run until the station has done all it was handed.
    void settle(app::TForm1& form) {
        bool idle = false;
        form.whenStationIdle([&idle] { idle = true; });
        ASSERT_TRUE(QTest::qWaitFor([&idle] { return idle; }, kUnitDeadlineMs));
    }

    QString result() const { return station.child<QLabel>("lblResult")->text(); }
    /// Lines in today's production log.
    qsizetype loggedUnits() const {
        const auto log =
            station.fileBytes("Log/" + QDate::currentDate().toString("yyyy-MM-dd") + ".txt");
        return log ? log->count("\r\n") : 0;
    }

    app::QtClock clock;
    bench::Bench bench{clock};
    bench::BenchController controller{
        bench, [](bench::BenchController::Task task) { QTimer::singleShot(0, qApp, std::move(task)); }};
    test::StationFixture station{&controller};
    QTimer operatorTimer;
};

} // namespace

TEST(TForm1StationThread, GoReturnsAtOnceAndTheUnitEndsWithPassShown) {
    ThreadedBench tb;
    auto& form = tb.start();
    auto* go = tb.station.child<QPushButton>("btnGo");
    ASSERT_TRUE(go->isEnabled());

    QElapsedTimer click;
    click.start();
    go->click();
    // The unit takes seconds; the click hands it to the station and returns.
    EXPECT_LT(click.elapsed(), 500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.runActive(); }, 5000));

    tb.settle(form);
    EXPECT_FALSE(form.runActive());
    EXPECT_EQ(tb.result(), "PASS");
    ASSERT_TRUE(form.lastOutcome().has_value());
    EXPECT_TRUE(form.lastOutcome()->passed);
    EXPECT_TRUE(go->isEnabled());
}

TEST(TForm1StationThread, PageDownAndGoDuringARunDoNothing) {
    ThreadedBench tb;
    auto& form = tb.start();
    auto* go = tb.station.child<QPushButton>("btnGo");
    go->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.runActive(); }, 5000));
    const auto framesBefore = tb.bench.featureTransfers();

    // PageDown during the run is the run's: swallowed, and no second unit starts.
    EXPECT_TRUE(form.FormKeyDown(Qt::Key_PageDown));
    form.btnGoClick();
    tb.settle(form);
    EXPECT_EQ(tb.result(), "PASS");
    EXPECT_GT(tb.bench.featureTransfers(), framesBefore);

    EXPECT_EQ(tb.loggedUnits(), 1);
}

TEST(TForm1StationThread, ClosingDuringARunEndsItAsFailAndThenCloses) {
    ThreadedBench tb;
    auto& form = tb.start();
    tb.station.child<QPushButton>("btnGo")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.runActive(); }, 5000));

    form.close();
    // The window stays until the run has ended at its next step.
    EXPECT_FALSE(tb.station.quitCode.has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tb.station.quitCode.has_value(); }, kUnitDeadlineMs));
    EXPECT_EQ(*tb.station.quitCode, 0);
    ASSERT_TRUE(form.lastOutcome().has_value());
    EXPECT_FALSE(form.lastOutcome()->passed);
    EXPECT_EQ(tb.result(), "FAIL");
    // Nothing logged for the cancelled unit; the settings were saved on the way out.
    EXPECT_EQ(tb.loggedUnits(), 0);
    EXPECT_TRUE(tb.station.fileBytes("TX.ini").has_value());
}

// The receiver is replugged while the station is busy, and Go is pressed before the station
// has taken the change: the unit is run on the rebuilt device list, not on the old one whose
// receiver has gone.
TEST(TForm1StationThread, GoPressedWhileADeviceChangeIsBeingTakenWaitsForTheRebuiltList) {
    ThreadedBench tb;
    auto& form = tb.start();
    auto* go = tb.station.child<QPushButton>("btnGo");

    // The station is busy with something else while the replug and Go reach it, so that both
    // wait in its queue, the device changes ahead of Go.
    std::mutex mutex;
    std::condition_variable changed;
    bool busy = true;
    bool holding = false;
    form.toStation([&] {
        std::unique_lock lock(mutex);
        holding = true;
        changed.notify_all();
        changed.wait(lock, [&] { return !busy; });
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return holding; });
    }
    tb.bench.unplugReceiver();
    tb.bench.plugReceiver();
    // The controller's events reach the window, which hands them to the station.
    QTest::qWait(50);
    go->click();
    {
        const std::lock_guard lock(mutex);
        busy = false;
    }
    changed.notify_all();

    ASSERT_TRUE(QTest::qWaitFor([&] { return form.lastOutcome().has_value(); }, kUnitDeadlineMs));
    tb.settle(form);
    EXPECT_EQ(tb.result(), "PASS");
    EXPECT_TRUE(form.lastOutcome()->passed);
    EXPECT_EQ(tb.loggedUnits(), 1);
}

namespace {

/// Keeps the station's thread busy until released, so that what the window hands it meanwhile
/// waits in its queue.
struct StationHold {
    explicit StationHold(app::TForm1& form) {
        form.toStation([this] {
            std::unique_lock lock(mutex);
            holding = true;
            changed.notify_all();
            changed.wait(lock, [this] { return !busy; });
        });
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return holding; });
    }
    void release() {
        {
            const std::lock_guard lock(mutex);
            busy = false;
        }
        changed.notify_all();
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool busy = true;
    bool holding = false;
};

} // namespace

// The numbering panels change the station's generators as station commands, in the order the
// station takes its commands: a change made after Go was pressed applies from the next unit,
// even while Go is still on its way to the station; the unit keeps the numbers it started with.
TEST(TForm1StationThread, ANumberingChangeDuringAUnitAppliesFromTheNextUnit) {
    ThreadedBench tb;
    auto& form = tb.start();
    tb.station.child<QCheckBox>("cbRX_IsSN")->setChecked(true);
    tb.station.child<QSpinBox>("edtRX_IncByteCount")->setValue(2);
    tb.station.child<QLineEdit>("edtRX_IncInitSN")->setText("0100");
    tb.settle(form);

    // Go is pressed, and the initial value typed while Go is still on its way to the station;
    // the station takes Go first. The handler waits for the unit's end, the window answering
    // meanwhile (it lets the station go on).
    StationHold hold(form);
    tb.station.child<QPushButton>("btnGo")->click();
    QTimer::singleShot(100, [&hold] { hold.release(); });
    tb.station.child<QLineEdit>("edtRX_IncInitSN")->setText("0500");
    tb.settle(form);
    ASSERT_TRUE(form.lastOutcome().has_value());
    ASSERT_TRUE(form.lastOutcome()->passed);
    const std::string first = form.lastOutcome()->rxSerial;
    EXPECT_NE(first.find("0100"), std::string::npos) << first;

    tb.bench.freshUnit(12);
    tb.settle(form);
    tb.station.child<QPushButton>("btnGo")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.runActive(); }, 5000));
    tb.settle(form);
    ASSERT_TRUE(form.lastOutcome()->passed);
    const std::string second = form.lastOutcome()->rxSerial;
    EXPECT_NE(second.find("0500"), std::string::npos) << second;
}
