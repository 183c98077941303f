// SPDX-License-Identifier: MIT
#include "benchapp/HeadlessRun.h"

#include "QtClock.h"
#include "TForm1.h"
#include "bench/Bench.h"
#include "bench/BenchTransmitter.h"
#include "production/RunOutcome.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextStream>

#include <algorithm>

namespace rfbind::app {

namespace {

/// The heartbeat that measures how long the event loop was kept from running.
constexpr int kHeartbeatMs = 5;
/// How much longer than the mouse's pairing period the operator takes to pick up the keyboard.
constexpr int kPickUpMarginMs = 300;
/// A unit still in the station after this long is reported as it stands.
constexpr qint64 kLongestCycleMs = 120000;

} // namespace

HeadlessRun::HeadlessRun(TForm1& form, bench::Bench& bench, CountingClock& stationClock,
                         std::uint32_t seed, QTextStream& out)
    : form_(form), bench_(bench), clock_(stationClock), seed_(seed), out_(out),
      // Looked up once: the heartbeat reads the prompt every few milliseconds of a cycle.
      lblResult_(form.findChild<QLabel*>("lblResult")) {
    heartbeat_.setInterval(kHeartbeatMs);
    heartbeat_.setTimerType(Qt::PreciseTimer);
    connect(&heartbeat_, &QTimer::timeout, this, &HeadlessRun::heartbeat);
    if (auto* go = form.findChild<QWidget*>("btnGo"))
        go->installEventFilter(this);
}

void HeadlessRun::heartbeat() {
    if (inCycle_) {
        tally_.stalled(sinceBeat_.elapsed());
        // The operator: moves the mouse when asked, presses the keyboard's bind button once.
        const QString prompt = lblResult_->text();
        if (prompt == "Move")
            bench_.setMouseMoving(true);
        else if (prompt == "Wait" && !bindPressed_) {
            bench_.pressKeyboardBindButton();
            bindPressed_ = true;
        }
    }
    sinceBeat_.restart();
}

QStringList HeadlessRun::shown() const {
    return {lblResult_->text(), form_.findChild<QLineEdit*>("edtRX_SN")->text(),
            form_.findChild<QLineEdit*>("edtTX_SN")->text()};
}

bool HeadlessRun::eventFilter(QObject* watched, QEvent* event) {
    if (inCycle_ && event->type() == QEvent::EnabledChange) {
        const bool enabled = static_cast<QWidget*>(watched)->isEnabled();
        if (!enabled)
            goTaken_ = true;
        else if (goTaken_ && !shownAtGo_)
            shownAtGo_ = shown();
    }
    return QObject::eventFilter(watched, event);
}

void HeadlessRun::runUnits(int units) {
    heartbeat_.start();
    for (int unit = 1; unit <= units; ++unit)
        runUnit(unit);
    heartbeat_.stop();
}

void HeadlessRun::runUnit(int unit) {
    bench_.freshUnit(seed_ + static_cast<std::uint32_t>(unit));
    bench_.setMouseMoving(false);
    bindPressed_ = false;
    // The unit's plug-in reaches the station as a device change through the event loop.
    QApplication::processEvents();
    QApplication::processEvents();
    // The station takes the plug-in before the operator presses anything.
    bool pluggedIn = false;
    form_.whenStationIdle([&pluggedIn] { pluggedIn = true; });
    while (!pluggedIn)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The operator switched the mouse on when placing the unit; a keyboard unit is started
    // only once they have picked up the keyboard, after the mouse's own pairing period, or
    // the mouse would pair in the keyboard's place.
    const StationSettings settings = form_.unitRecipe().settings;
    if (settings.KBind && !settings.MouseOnly) {
        QElapsedTimer placed;
        placed.start();
        while (placed.elapsed() <= bench::BenchTransmitter::kMousePairingMs + kPickUpMarginMs)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    auto* btnGo = form_.findChild<QPushButton*>("btnGo");
    const QStringList logBefore = todaysLogLines();
    const long long slept0 = clock_.sleptMs();
    const std::uint64_t frames0 = bench_.featureTransfers();

    QElapsedTimer cycle;
    cycle.start();
    if (!wall_.isValid())
        wall_.start();
    shownAtGo_.reset();
    goTaken_ = false;
    inCycle_ = true;
    sinceBeat_.restart();
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &form_;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    // The station runs the unit on its own thread: the unit has ended once the station is
    // idle again and the window has shown everything it reported.
    bool ended = false;
    form_.whenStationIdle([&ended] { ended = true; });
    // Waiting for events, not spinning: the window's thread leaves the processor to the
    // station's, and the heartbeat wakes it every few milliseconds.
    while ((!ended || !btnGo->isEnabled()) && cycle.elapsed() < kLongestCycleMs)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 cycleMs = cycle.elapsed();
    lastEndMs_ = wall_.elapsed();
    inCycle_ = false;

    // What shows now, unless a device change after the run cleared it: then what showed when
    // the run gave Go back.
    QStringList shownAtEnd = shown();
    if (shownAtEnd[0].isEmpty() && shownAtGo_)
        shownAtEnd = *shownAtGo_;
    const QString& result = shownAtEnd[0];
    const QStringList logAfter = todaysLogLines();

    // The station's link polling goes on talking to the receiver while the unit is read.
    const auto benchHeld = bench_.hold();
    QJsonObject line;
    line["unit"] = unit;
    line["result"] = result;
    line["cycle_ms"] = cycleMs;
    line["sleep_ms"] = clock_.sleptMs() - slept0;
    UnitTally::addDevices(line, bench_);
    line["rx_sn"] = shownAtEnd[1];
    line["tx_sn"] = shownAtEnd[2];
    line["log_line"] = logAfter.size() > logBefore.size() ? QJsonValue(logAfter.last())
                                                          : QJsonValue(QJsonValue::Null);
    line["frames"] = static_cast<qint64>(bench_.featureTransfers() - frames0);
    tally_.unitEnded(line, result, form_.lastOutcome(), cycleMs, clock_.sleptMs() - slept0, out_);
}

void HeadlessRun::printSummary() {
    // Placing each unit is part of the station's hour, as on a gang station.
    const QJsonObject s = tally_.summary(lastEndMs_);
    out_ << QJsonDocument(s).toJson(QJsonDocument::Compact) << '\n';
    out_.flush();
}

} // namespace rfbind::app
