// SPDX-License-Identifier: MIT
#include "production/ProductionRun.h"

#include "commands/ReceiverEepromMap.h"
#include "commands/TransmitterEepromMap.h"
#include "commands/TransmitterOperations.h"
#include "numbering/OnAirId.h"
#include "production/AttemptsJournal.h"
#include "production/BindingWatch.h"
#include "production/NumberingAdvance.h"
#include "production/PairingWindow.h"
#include "production/PlanExecutor.h"
#include "production/ProductionLog.h"
#include "production/RunSteps.h"
#include "production/SoftBinding.h"
#include "text/Hex.h"

#include <chrono>

namespace rfbind {

namespace rs = runsteps;
using Label = RunDisplay::Label;

namespace {

std::int64_t wallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

ProductionRun::ProductionRun(ReceiverLink& link, RunDisplay& display, RunHost& host,
                             Numbering numbering, std::int32_t& sensorCode, int& bindingStatus,
                             UnitRecords& records, NumberSource* numbers)
    : link_(link), display_(display), host_(host), numbering_(numbering), sensorCode_(sensorCode),
      bindingStatus_(bindingStatus), records_(records),
      numbers_(numbers != nullptr ? *numbers : ownNumbers_) {}

// ---- failures ----------------------------------------------------------------------------

bool ProductionRun::receiverGone() const {
    return link_.ActiveDevice == nullptr || !link_.ActiveDevice->pluggedIn();
}

bool ProductionRun::fail(RunOutcome& out, const char* step, FailReason fallback,
                         std::string detail) {
    // The first failure since the unit's last passed check: what the plan left behind, else
    // what the link met since.
    std::optional<PlanExecutor::Failure> first = carried_;
    if (!first && link_.operationFailure())
        first = PlanExecutor::Failure{FailReason::None, 0, link_.operationFailure()};
    PlanExecutor::judgeFailure(out, step, fallback, std::move(detail), host_.cancelled(),
                               receiverGone(), first, link_.lastTransferFailure());
    return false;
}

void ProductionRun::startWatching() {
    link_.beginOperation();
    carried_.reset();
}

// ---- the programming run -----------------------------------------------------------------

RunOutcome ProductionRun::program(const UnitRecipe& recipe, const RunHost::Receiver& receiver) {
    const std::int64_t startedAt = wallClockMs();
    const std::uint32_t start = link_.clock().tickMs();
    RunOutcome out = programUnit(recipe, receiver);
    journal(out, &recipe, startedAt, link_.clock().tickMs() - start);
    return out;
}

RunOutcome ProductionRun::programUnit(const UnitRecipe& recipe, const RunHost::Receiver& receiver) {
    RunOutcome out;
    out.vendorId = receiver.vendorId;
    out.productId = receiver.productId;
    out.version = receiver.version;
    display_.showLabel(Label::Empty);
    display_.showFailReason(-1, {}, {});
    display_.showNextUnitPrompt(false);
    startWatching();

    if (const auto problem = recipe.problem()) {
        // Nothing is sent: a recipe the station would refuse half-way must not leave a unit
        // with new radio IDs and old options.
        fail(out, "recipe", FailReason::RecipeRefused, *problem);
        finish(recipe, out, nullptr);
        return out;
    }
    // Every number the unit will carry is this station's, and recorded as possibly used,
    // before the first byte goes to the unit: a kill after this point leaves a gap, never a
    // number two units share.
    UnitNumbers unit;
    if (const auto refused = numbers_.handOut(recipe, numbering_, unit)) {
        out.failStep = "line";
        out.reason = refused->reason;
        out.detail = refused->detail;
        finish(recipe, out, nullptr);
        return out;
    }
    unitPool_ = unit.pool;
    out.passed = programSteps(recipe, receiver, unit, out);
    finish(recipe, out, &unit);
    return out;
}

bool ProductionRun::programSteps(const UnitRecipe& recipe, const RunHost::Receiver& receiver,
                                 UnitNumbers& unit, RunOutcome& out) {
    PlanExecutor executor(link_, display_, host_, sensorCode_);
    if (!executor.run(
            unitplan::beforeRadioIds(recipe, receiver.version, sensorCode_, unit.txSerial), out))
        return false;
    // Each unit's IDs are drawn once, by a unit that reached them, whatever its result.
    numbers_.drawRadioIds(unit, numbering_);
    out.ids = unit.ids;
    if (!executor.run(unitplan::fromRadioIds(recipe, *out.ids, unit.rxSerial, sensorCode_), out))
        return false;
    // The reload's failure, if any, is what a failed binding below is put down to first.
    link_.beginOperation();
    carried_ = executor.pending();
    return finalLink(recipe, out);
}

bool ProductionRun::finalLink(const UnitRecipe& recipe, RunOutcome& out) {
    Clock& clock = link_.clock();
    // The operator moves the mouse: the link must carry traffic with the new IDs.
    display_.showLabel(Label::Move);
    clock.pumpMessages();
    bool linked = false;
    for (int i = 0; i < rs::kFinalLinkTests && !linked && !host_.cancelled(); ++i)
        linked = host_.checkTransmitterLink();
    if (!linked)
        return fail(out, "final_link", FailReason::NoFinalLink);
    display_.showProgress(rs::kProgressDone);

    if (recipe.settings.KBind && !recipe.settings.MouseOnly)
        return bindKeyboard(out);
    return true;
}

// ---- keyboard binding ----------------------------------------------------------------------

bool ProductionRun::awaitPairingTurn(RunOutcome& out) {
    // On a gang station the slots pair one at a time: a keyboard pressed while another box's
    // receiver listens could pair there. The operator is asked for this slot's keyboard only
    // once its turn has come.
    PairingWindow* pairing = host_.pairingWindow();
    const int slot = host_.slot();
    Clock& clock = link_.clock();
    while (pairing != nullptr && !pairing->request(slot)) {
        clock.sleepMs(rs::kPairingTurnPollMs);
        clock.pumpMessages();
        if (host_.cancelled() || receiverGone()) {
            pairing->release(slot);
            return fail(out, "keyboard_binding",
                        host_.cancelled() ? FailReason::Cancelled : FailReason::ReceiverPulled);
        }
    }
    return true;
}

int ProductionRun::pairedKeyboardWords() {
    int valid = 0;
    for (int w : rxeeprom::kKeyboardIdWords)
        if (SoftBinding::validKeyboardWord(link_.ReadReceiverEeprom(w)))
            ++valid;
    return valid;
}

bool ProductionRun::bindKeyboard(RunOutcome& out) {
    Clock& clock = link_.clock();
    if (!awaitPairingTurn(out))
        return false;
    PairingWindow* pairing = host_.pairingWindow();
    const int slot = host_.slot();
    // Whatever ends the binding, the slot's "Wait" goes before the next slot's turn begins:
    // the operator must see it on one box only.
    struct EndOfTurn {
        PairingWindow* pairing;
        int slot;
        RunDisplay& display;
        ~EndOfTurn() {
            if (pairing == nullptr)
                return;
            display.showLabel(Label::Empty);
            pairing->release(slot);
        }
    } const turn{pairing, slot, display_};
    display_.showKeyboardPrompt(true);
    display_.showLabel(Label::Wait); // the operator presses the keyboard's bind button
    clock.pumpMessages();

    // The binding starts as the Connect button starts one: the receiver is selected anew.
    const RunHost::Receiver receiver = host_.findReceiver();
    host_.stopLinkPolling();
    if (!receiver.found)
        return fail(out, "keyboard_binding", FailReason::NoReceiver);
    BindingWatch watch(link_, display_, true, bindingStatus_);
    if (!watch.start()) {
        host_.resetLinkStatus();
        return fail(out, "keyboard_binding", FailReason::ReceiverNotAnswering);
    }
    host_.noteBoundIds(watch.mouseId(), watch.keyboardId());
    std::uint32_t nextTick = clock.tickMs() + SoftBinding::kWatchIntervalMs;

    // The receiver fills six words with complement words when the keyboard has paired.
    int valid = 0;
    do {
        clock.sleepMs(rs::kBindPollMs);
        clock.pumpMessages();
        if (host_.cancelled()) {
            display_.stopBindingAnimation();
            return fail(out, "keyboard_binding", FailReason::Cancelled);
        }
        // A receiver that left ends the binding at once, not at the watch's next tick.
        if (receiverGone()) {
            display_.stopBindingAnimation();
            return fail(out, "keyboard_binding", FailReason::ReceiverPulled);
        }
        // The watch ticks once a second while the run polls, as its timer would.
        if (watch.state() == BindingWatch::State::Watching &&
            static_cast<std::int32_t>(clock.tickMs() - nextTick) >= 0) {
            const BindingWatch::State state = watch.tick();
            // The next tick comes a full interval after this one ended, as a timer that was
            // held up fires once and not again for each interval it missed: a slow tick (a
            // receiver that needed its retries) makes the time-out later, never earlier.
            nextTick = clock.tickMs() + SoftBinding::kWatchIntervalMs;
            if (state == BindingWatch::State::Lost)
                host_.resetLinkStatus();
            else if (state != BindingWatch::State::Watching)
                host_.noteBoundIds(watch.mouseId(), watch.keyboardId());
        }
        valid = pairedKeyboardWords();
    } while (watch.state() == BindingWatch::State::Watching &&
             valid < static_cast<int>(rxeeprom::kKeyboardIdWords.size()));
    display_.stopBindingAnimation();

    // Only a keyboard that paired passes: a binding that timed out, lost its receiver or
    // could not start at all leaves the unit without its keyboard.
    if (valid == static_cast<int>(rxeeprom::kKeyboardIdWords.size()) ||
        watch.state() == BindingWatch::State::Paired)
        return true;
    if (watch.state() == BindingWatch::State::Lost)
        return fail(out, "keyboard_binding", FailReason::ReceiverNotAnswering);
    return fail(out, "keyboard_binding",
                watch.mousePairedInstead() ? FailReason::MousePairedInstead
                                           : FailReason::KeyboardTimeout);
}

// ---- the ending ---------------------------------------------------------------------------

void ProductionRun::advanceNumbering(const UnitNumbers& unit) {
    using Panel = RunDisplay::Panel;
    const NumberingAdvance::Advanced a = numbers_.unitPassed(unit, numbering_);
    if (a.rxSerial)
        display_.showNumbering(Panel::RxSerial, a.rxSerial->current, a.rxSerial->next);
    if (a.txSerial)
        display_.showNumbering(Panel::TxSerial, a.txSerial->current, a.txSerial->next);
    if (a.rxRadioId)
        display_.showNumbering(Panel::RxRadioId, a.rxRadioId->current, a.rxRadioId->next);
    if (a.txRadioId)
        display_.showNumbering(Panel::TxRadioId, a.txRadioId->current, a.txRadioId->next);
}

void ProductionRun::finish(const UnitRecipe& recipe, RunOutcome& out, const UnitNumbers* unit) {
    Clock& clock = link_.clock();
    const StationSettings& s = recipe.settings;
    clock.pumpMessages();
    if (out.passed && out.ids && unit != nullptr) {
        // A unit passes only on numbers the line confirmed as this station's (a lease a
        // supervisor reclaimed meanwhile is not).
        if (const auto refused = numbers_.confirm(*unit)) {
            out.passed = false;
            out.failStep = "line";
            out.reason = refused->reason;
            out.detail = refused->detail;
        }
    }
    if (out.passed && out.ids && unit != nullptr) {
        // One unit at a time commits its numbers, stores them and logs itself.
        const auto ending = numbers_.unitEnding();
        // The numbers this unit carries are recorded as used and stored before the unit goes
        // into the log: a crash in between leaves a gap in the numbering, never a number
        // handed out twice. The log line is made from the outcome, whatever the window shows
        // by now (a device change clears its fields).
        advanceNumbering(*unit);
        std::string why;
        host_.saveNumbering(why);

        const std::int64_t now = wallClockMs();
        const ProductionLog::Entry entry{UnitRecords::localDateTime(now), radioIdText(out.ids->R),
                                         out.rxSerial, out.txSerial};
        const auto appended = records_.logPassed(entry, now);
        if (!appended.ok) {
            out.logError = appended.error;
            out.logPath = appended.path;
        }
        // The unit is programmed and paired: it passes whether or not its line was written.
        display_.showLabel(Label::Pass);
        if (s.ResetRF && s.RFPower != 0) {
            PlanExecutor restore(link_, display_, host_, sensorCode_);
            restore.run(unitplan::fullPower(), out);
        }
    } else {
        out.passed = false;
        if (unit != nullptr)
            numbers_.unitFailed(*unit);
        if (out.reason == FailReason::None)
            fail(out, "ending", FailReason::ReceiverNotAnswering);
        display_.showLabel(Label::Fail);
        display_.showFailReason(failReasonMessageId(out.reason), out.detail, out.cause);
    }
    TransmitterOperations(link_).leaveAccess();
    clock.sleepMs(rs::kSettleMs);
    display_.showKeyboardPrompt(false);
    display_.showNextUnitPrompt(true);
    clock.pumpMessages();
    if (!out.logError.empty())
        display_.showUnloggedUnit(out);
}

void ProductionRun::journal(const RunOutcome& out, const UnitRecipe* recipe,
                            std::int64_t startedAtMs, std::uint32_t durationMs) {
    AttemptsJournal::Record r;
    r.attemptId = AttemptsJournal::newAttemptId();
    r.startedAt = AttemptsJournal::timestamp(startedAtMs);
    r.durationMs = durationMs;
    r.result = out.passed ? "PASS" : "FAIL";
    r.failStep = out.failStep;
    r.reasonCode = std::string(failReasonCode(out.reason));
    r.reasonText = out.reasonText();
    if (out.ids) {
        r.rxRadioId = radioIdText(out.ids->R);
        r.txRadioId = radioIdText(out.ids->T);
    }
    r.rxSerial = out.rxSerial;
    r.txSerial = out.txSerial;
    if (out.vendorId != 0 || out.productId != 0) {
        r.rxUsb = hexText(static_cast<std::uint16_t>(out.vendorId), 4) + ":" +
                  hexText(static_cast<std::uint16_t>(out.productId), 4);
        r.rxVersion = hexText(static_cast<std::uint16_t>(out.version), 4);
    }
    r.station = records_.station();
    if (recipe != nullptr) {
        r.recipe = recipe->fingerprint();
        r.product = unitPool_ ? *unitPool_ : numbers_.unitPool(*recipe, numbering_);
    }
    unitPool_.reset();
    // The unit's result does not hang on its journal line: a line that cannot be written now
    // waits in memory, and the station programs no further unit until it is written.
    (void)records_.journal(r, startedAtMs);
    // The journal is the line's outbox: what it holds goes to the line now or later.
    numbers_.attemptJournalled();
    display_.showLineOffline(numbers_.offline());
}

// ---- Go ----------------------------------------------------------------------------------

RunOutcome ProductionRun::go(const UnitRecipe& recipe) {
    Clock& clock = link_.clock();
    const std::int64_t startedAt = wallClockMs();
    const std::uint32_t pressed = clock.tickMs();

    if (const auto refusal = numbers_.refusal()) {
        // A line is configured but cannot be used: Go is refused with the reason, and no unit
        // is numbered locally instead. Nothing is searched or touched.
        RunOutcome out;
        out.failStep = "line";
        out.reason = FailReason::LineUnusable;
        out.detail = *refusal;
        display_.clearCycle();
        display_.showLabel(Label::Fail);
        display_.showFailReason(failReasonMessageId(out.reason), out.detail, out.cause);
        journal(out, &recipe, startedAt, clock.tickMs() - pressed);
        return out;
    }
    display_.enableGo(false);
    display_.showProgress(0);
    host_.stopLinkPolling();
    // A failure left from an earlier unit or command must not pass for this attempt's cause.
    startWatching();
    const RunHost::Receiver receiver = host_.findReceiver();
    bool transmitter = false;
    for (int i = 0; i < rs::kGoLinkTests && !transmitter; ++i) {
        transmitter = host_.checkTransmitterLink();
        if (!transmitter) {
            clock.sleepMs(1);
            clock.pumpMessages();
        }
    }
    display_.clearCycle();
    display_.showFailReason(-1, {}, {});
    const std::uint32_t start = clock.tickMs();
    host_.stopLinkPolling(); // the connection started it

    RunOutcome out;
    out.vendorId = receiver.vendorId;
    out.productId = receiver.productId;
    out.version = receiver.version;
    const bool receiverReady = host_.receiverReady();

    if (!(transmitter && receiverReady)) {
        // The receiver found stays selected; nothing was programmed. The reason is judged
        // before the box: a receiver pulled while the box waits for the operator did not
        // fail a unit that was never started.
        fail(out, "check_devices",
             !receiver.found  ? FailReason::NoReceiver
             : !receiverReady ? FailReason::ReceiverNotAnswering
                              : FailReason::TransmitterNotAnswering);
        if (!receiver.found && !host_.cancelled())
            out.reason = FailReason::NoReceiver; // there was nothing to pull
        host_.reportNotReady(!transmitter, !receiverReady);
        display_.enableGo(true);
        display_.showFailReason(failReasonMessageId(out.reason), out.detail, out.cause);
        journal(out, &recipe, startedAt, clock.tickMs() - pressed);
        return out;
    }

    // The search refilled the hot-key lists for a receiver with zoom keys and selected their
    // defaults; the unit gets what the lists now show, not what they showed at the press.
    const UnitRecipe unitRecipe = receiver.zoomKeys ? recipe.withZoomListsRefilled() : recipe;
    out = programUnit(unitRecipe, receiver);
    display_.showDuration(rs::secondsText(clock.tickMs() - start));
    clock.pumpMessages();
    display_.enableGo(true);
    // The calibration program may hold the receiver now: the link polling keeps away from it
    // until the next receiver search.
    host_.suspendLinkPolling();
    if (recipe.settings.EnabledQUVE && out.passed)
        host_.startCalibration();
    host_.releaseReceiver();
    display_.enableGo(true);
    journal(out, &unitRecipe, startedAt, clock.tickMs() - pressed);
    return out;
}

// ---- erase runs --------------------------------------------------------------------------

RunOutcome ProductionRun::eraseTransmitter() {
    return erase(true);
}
RunOutcome ProductionRun::eraseReceiver() {
    return erase(false);
}

RunOutcome ProductionRun::erase(bool transmitter) {
    Clock& clock = link_.clock();
    RunOutcome out;
    display_.clearCycle();
    display_.showFailReason(-1, {}, {});
    const std::uint32_t start = clock.tickMs();
    const RunHost::Receiver receiver = host_.findReceiver();
    out.vendorId = receiver.vendorId;
    out.productId = receiver.productId;
    out.version = receiver.version;
    // The receiver's EEPROM needs no transmitter; for it the tests only refresh the display.
    bool linked = false;
    for (int i = 0; i < rs::kEraseLinkTests && !linked; ++i) {
        linked = host_.checkTransmitterLink();
        if (!linked)
            clock.sleepMs(1);
    }
    const bool receiverReady = host_.receiverReady();
    if ((transmitter && !linked) || !receiverReady) {
        host_.reportNotReady(transmitter && !linked, !receiverReady);
        out.failStep = "check_devices";
        out.reason = !receiver.found  ? FailReason::NoReceiver
                     : !receiverReady ? FailReason::ReceiverNotAnswering
                                      : FailReason::TransmitterNotAnswering;
        if (receiver.found)
            out.cause = link_.lastTransferFailure().text;
        return out;
    }

    host_.stopLinkPolling();
    display_.showLabel(Label::Empty);
    display_.showNextUnitPrompt(false);
    TransmitterOperations(link_).leaveAccess();
    clock.sleepMs(rs::kSettleMs);
    if (transmitter) {
        TransmitterOperations(link_).enterAccess(false);
        clock.sleepMs(rs::kSettleMs);
    }
    display_.showProgress(0);

    // Only the erase's own writes decide its result, not the link tests before it.
    PlanExecutor executor(link_, display_, host_, sensorCode_);
    const int count = transmitter ? txeeprom::kByteCount : rxeeprom::kWordCount;
    for (int a = 0; a < count; ++a) {
        // A write that fails does not stop the erase: the rest of the EEPROM is still cleared.
        executor.perform(unitplan::erase(transmitter, a));
        display_.showProgress(transmitter ? rs::transmitterEraseProgress(a)
                                          : rs::receiverEraseProgress(a));
        clock.sleepMs(rs::kErasePauseMs);
        clock.pumpMessages();
        // A receiver that went away takes the rest of the writes with it.
        if (link_.ActiveDevice == nullptr || host_.cancelled())
            break;
    }
    const bool failed = executor.pending() || link_.ActiveDevice == nullptr || host_.cancelled();
    if (failed)
        executor.judge(out, "erase",
                       transmitter ? FailReason::TxEepromWrite : FailReason::RxEepromWrite);
    out.passed = !failed;

    host_.stopLinkPolling();
    display_.showDuration(rs::secondsText(clock.tickMs() - start));
    clock.pumpMessages();
    host_.releaseReceiver();
    if (failed) {
        display_.showLabel(transmitter ? Label::TxEraseFail : Label::RxEraseFail);
        display_.showFailReason(failReasonMessageId(out.reason), out.detail, out.cause);
    } else {
        display_.showLabel(transmitter ? Label::TxErased : Label::RxErased);
    }
    return out;
}

} // namespace rfbind
