// SPDX-License-Identifier: MIT
#include "benchapp/GangHeadlessRun.h"

#include "QtClock.h"
#include "SlotPanel.h"
#include "SlotStrip.h"
#include "TForm1.h"
#include "bench/Bench.h"
#include "bench/BenchTransmitter.h"
#include "numbering/OnAirId.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTextStream>

#include <algorithm>

namespace rfbind::app {

namespace {

/// The heartbeat that measures how long the event loop was kept from running, and at which
/// the operator looks along the boxes.
constexpr int kHeartbeatMs = 5;
// Between two box swaps, as a person needs them: each swap is two hot-plug events for every
// slot's udev monitor, which the slots' stations take through the window's event loop.
constexpr int kSwapSpacingMs = 20;
// From placing a mouse unit to its Go: the slot's station has taken the box's swap by then.
constexpr int kPlugSettleMs = 150;
/// How much longer than the mouse's pairing period the operator takes to pick up a keyboard.
constexpr int kPickUpMarginMs = 300;
/// A slot still working its unit after this long is reported as it stands.
constexpr qint64 kLongestCycleMs = 120000;

} // namespace

GangHeadlessRun::GangHeadlessRun(TForm1& form, std::vector<Box> boxes, std::uint32_t seed,
                                 QTextStream& out)
    : form_(form), seed_(seed), out_(out) {
    for (const Box& b : boxes) {
        Slot slot;
        slot.box = b;
        slots_.push_back(slot);
    }
    heartbeat_.setInterval(kHeartbeatMs);
    heartbeat_.setTimerType(Qt::PreciseTimer);
    connect(&heartbeat_, &QTimer::timeout, this, &GangHeadlessRun::heartbeat);
}

bool GangHeadlessRun::keyboardUnits() const {
    const StationSettings settings = form_.unitRecipe().settings;
    return settings.KBind && !settings.MouseOnly;
}

void GangHeadlessRun::runUnits(int units) {
    units_ = units;
    wall_.start();
    sinceBeat_.start();
    heartbeat_.start();
    for (std::size_t k = 1; k <= slots_.size(); ++k)
        placeInTurn(static_cast<int>(k));
    const auto busy = [this] {
        return std::any_of(slots_.begin(), slots_.end(),
                           [](const Slot& s) { return s.phase != Phase::Done; });
    };
    // Waiting for events, not spinning: the slots' stations have the processor, and the
    // heartbeat wakes the window's thread every few milliseconds.
    while (busy())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    heartbeat_.stop();
}

void GangHeadlessRun::place(int k) {
    Slot& s = slots_[static_cast<std::size_t>(k - 1)];
    if (nextUnit_ > units_) {
        s.phase = Phase::Done;
        return;
    }
    s.unit = nextUnit_++;
    s.phase = Phase::Placing;
    s.bindPressed = false;
    s.box.bench->freshUnit(seed_ + static_cast<std::uint32_t>(s.unit));
    s.box.bench->setMouseMoving(false);
    s.placed.start();
    // The plug-in reaches the slot's station through the event loop (behind hidraw from the
    // window's socket notifier on to the station's thread): the operator picks the unit up a
    // moment after placing it, once the slot is idle.
    QTimer::singleShot(0, this, [this, k] {
        form_.slotStrip()->whenSlotIdle(k, [this, k](const std::optional<RunOutcome>&) {
            slots_[static_cast<std::size_t>(k - 1)].phase = Phase::PickingUp;
        });
    });
}

void GangHeadlessRun::placeInTurn(int k) {
    slots_[static_cast<std::size_t>(k - 1)].phase = Phase::Placing;
    toPlace_.push_back(k);
}

void GangHeadlessRun::start(int k) {
    Slot& s = slots_[static_cast<std::size_t>(k - 1)];
    s.phase = Phase::Running;
    s.slept0 = s.box.clock->sleptMs();
    s.frames0 = s.box.bench->featureTransfers();
    s.cycle.start();
    if (firstGoMs_ < 0)
        firstGoMs_ = wall_.elapsed();
    SlotStrip* strip = form_.slotStrip();
    strip->go(k, form_.unitRecipe());
    strip->whenSlotIdle(k, [this, k](const std::optional<RunOutcome>& outcome) { ended(k, outcome); });
}

void GangHeadlessRun::heartbeat() {
    tally_.stalled(sinceBeat_.elapsed());
    sinceBeat_.restart();
    if (!toPlace_.empty() && (!sinceSwap_.isValid() || sinceSwap_.elapsed() >= kSwapSpacingMs)) {
        sinceSwap_.start();
        const int k = toPlace_.front();
        toPlace_.pop_front();
        place(k);
    }
    int waiting = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& s = slots_[i];
        const int k = static_cast<int>(i + 1);
        // A mouse is switched on as the unit goes in; a keyboard unit starts once the operator
        // has picked up its keyboard, after the mouse's own pairing period.
        const qint64 pickUpAfterMs =
            keyboardUnits() ? bench::BenchTransmitter::kMousePairingMs + kPickUpMarginMs
                            : kPlugSettleMs;
        if (s.phase == Phase::PickingUp && s.placed.elapsed() > pickUpAfterMs)
            start(k);
        if (s.phase != Phase::Running)
            continue;
        const QString prompt = form_.slotStrip()->panel(k)->resultText();
        if (prompt == "Move")
            s.box.bench->setMouseMoving(true);
        else if (prompt == "Wait") {
            ++waiting;
            if (!s.bindPressed) {
                s.box.bench->pressKeyboardBindButton();
                s.bindPressed = true;
            }
        }
        if (s.cycle.elapsed() > kLongestCycleMs)
            ended(k, std::nullopt);
    }
    mostWaiting_ = std::max(mostWaiting_, waiting);
}

void GangHeadlessRun::ended(int k, const std::optional<RunOutcome>& outcome) {
    Slot& s = slots_[static_cast<std::size_t>(k - 1)];
    if (s.phase != Phase::Running)
        return;
    const qint64 cycleMs = s.cycle.elapsed();
    lastEndMs_ = wall_.elapsed();
    SlotPanel* panel = form_.slotStrip()->panel(k);
    const QString result = panel->resultText();

    bench::Bench& bench = *s.box.bench;
    const auto benchHeld = bench.hold();
    // Units end in any order: the unit's own line is the one with its radio ID.
    QJsonValue logLine = QJsonValue::Null;
    if (outcome && outcome->passed && outcome->ids) {
        const QString id = QString::fromStdString(radioIdText(outcome->ids->R));
        for (const QString& line : todaysLogLines())
            if (line.contains(id))
                logLine = line;
    }

    QJsonObject line;
    line["unit"] = s.unit;
    line["slot"] = k;
    line["result"] = result;
    line["cycle_ms"] = cycleMs;
    line["sleep_ms"] = s.box.clock->sleptMs() - s.slept0;
    UnitTally::addDevices(line, bench);
    line["rx_sn"] = panel->findChild<QLineEdit*>("edtRX_SN")->text();
    line["tx_sn"] = panel->findChild<QLineEdit*>("edtTX_SN")->text();
    line["log_line"] = logLine;
    line["frames"] = static_cast<qint64>(bench.featureTransfers() - s.frames0);
    tally_.unitEnded(line, result, outcome, cycleMs, s.box.clock->sleptMs() - s.slept0, out_);
    ++s.units;
    placeInTurn(k);
}

void GangHeadlessRun::printSummary() {
    // From the first Go to the end of the last unit: the station's output while it works.
    QJsonObject s = tally_.summary(firstGoMs_ < 0 ? 0 : lastEndMs_ - firstGoMs_);
    s["slots"] = static_cast<int>(slots_.size());
    QJsonArray perSlot;
    for (const Slot& slot : slots_)
        perSlot.append(slot.units);
    s["units_per_slot"] = perSlot;
    s["most_slots_waiting"] = mostWaiting_;
    out_ << QJsonDocument(s).toJson(QJsonDocument::Compact) << '\n';
    out_.flush();
}

} // namespace rfbind::app
