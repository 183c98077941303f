// SPDX-License-Identifier: MIT
#include "production/ProductionRun.h"

#include "commands/DeviceOptions.h"
#include "commands/ProductString.h"
#include "commands/ReceiverEepromMap.h"
#include "commands/ReceiverOperations.h"
#include "commands/RemoteCommands.h"
#include "commands/TransmitterEepromMap.h"
#include "commands/TransmitterOperations.h"
#include "production/AttemptsJournal.h"
#include "production/BindingWatch.h"
#include "production/NumberingAdvance.h"
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

// ---- device steps ----------------------------------------------------------------------

void ProductionRun::noteIfNewlyFailed(bool failedBefore, FailReason reason, int address) {
    if (!failedBefore && link_.CommError && noted_.reason == FailReason::None) {
        // "Not confirmed" says it all for a write the unit did not take; a write that never
        // reached the unit says how the transfer failed.
        const LinkFailure& failure = link_.lastFailure();
        noted_ = {reason, hexAddress(static_cast<unsigned>(address)), failure.transferLevel() ? failure.text : ""};
    }
}

std::string ProductionRun::linkCause() const {
    if (link_.CommError && link_.lastFailure())
        return link_.lastFailure().text;
    return link_.lastTransferFailure().text;
}

void ProductionRun::txByte(int address, int value) {
    display_.showTransmitterEepromWrite(address, value);
    const bool before = link_.CommError;
    TransmitterOperations(link_).verifiedEepromWrite(address, value);
    noteIfNewlyFailed(before, FailReason::TxEepromWrite, address);
}

void ProductionRun::rxWord(int address, int value) {
    const bool before = link_.CommError;
    link_.WriteReceiverEeprom(address, value);
    noteIfNewlyFailed(before, FailReason::RxEepromWrite, address);
}

void ProductionRun::rxByte(int word, int value) {
    display_.showReceiverByte(word, value);
    // The EEPROM page's byte write leaves a vanished receiver alone; the check after the
    // step finds the receiver gone.
    if (link_.ActiveDevice == nullptr)
        return;
    const bool before = link_.CommError;
    ReceiverOperations(link_).writeByte(word, static_cast<std::uint8_t>(value));
    noteIfNewlyFailed(before, FailReason::RxEepromWrite, word);
}

void ProductionRun::txRadioChip(int address, int value) {
    display_.showTransmitterRadioChipWrite(address, value);
    TransmitterOperations(link_).write(remote::kWrtRadioChip, address, value);
}

void ProductionRun::rxRadioChip(int address, int value) {
    display_.showReceiverRadioChip(address, value);
    if (link_.ActiveDevice == nullptr)
        return;
    if (const auto shown =
            ReceiverOperations(link_).writeRadioChipRegister(static_cast<std::uint8_t>(address), value))
        display_.showReceiverRadioChip(address, *shown);
}

void ProductionRun::txPair(std::uint8_t address, std::uint8_t value, std::uint8_t complement,
                           int pauseMs) {
    // The second write is made even when the first failed: the step tests after both.
    txByte(address, value);
    link_.clock().sleepMs(pauseMs);
    txByte(address + 1, complement);
}

void ProductionRun::enterAccess() { TransmitterOperations(link_).enterAccess(false); }
void ProductionRun::leaveAccess() { TransmitterOperations(link_).leaveAccess(); }

bool ProductionRun::receiverGone() const {
    return link_.ActiveDevice == nullptr || !link_.ActiveDevice->pluggedIn();
}

bool ProductionRun::stepFailed() { return link_.CommError || host_.cancelled(); }

bool ProductionRun::fail(RunOutcome& out, const char* step, FailReason fallback, std::string detail) {
    out.failStep = step;
    // What went wrong is judged from the outside in: a closing station or a pulled receiver
    // explains any failed transfer; otherwise the first transfer that failed says why.
    if (host_.cancelled()) {
        out.reason = FailReason::Cancelled;
    } else if (receiverGone()) {
        out.reason = FailReason::ReceiverPulled;
    } else if (fallback != FailReason::TxEepromWrite && fallback != FailReason::RxEepromWrite) {
        out.reason = fallback;
        out.detail = std::move(detail);
        // A device that does not answer may not have been reached at all: the link says why.
        if (fallback == FailReason::ReceiverNotAnswering ||
            fallback == FailReason::TransmitterNotAnswering)
            out.cause = linkCause();
    } else if (noted_.reason != FailReason::None) {
        out.reason = noted_.reason;
        out.detail = noted_.detail;
        out.cause = noted_.cause;
    } else {
        // A write step failed without a write that said so: a read inside it went unanswered.
        out.reason = FailReason::ReceiverNotAnswering;
        out.cause = linkCause();
    }
    return false;
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
    link_.CommError = false;
    noted_ = {};

    if (const auto problem = recipe.problem()) {
        // Nothing is sent: a recipe the station would refuse half-way must not leave a unit
        // with new radio IDs and old options.
        fail(out, "recipe", FailReason::RecipeRefused, *problem);
        finish(recipe, out);
        return out;
    }
    // Every number the unit will carry is this station's, and recorded as possibly used,
    // before the first byte goes to the unit: a kill after this point leaves a gap, never a
    // number two units share.
    if (const auto refused = numbers_.prepareUnit(recipe, numbering_)) {
        out.failStep = "line";
        out.reason = refused->reason;
        out.detail = refused->detail;
        finish(recipe, out);
        return out;
    }
    out.passed = programSteps(recipe, receiver, out);
    finish(recipe, out);
    return out;
}

bool ProductionRun::waitForTransmitter(int& failures) {
    // The link tests may leave CommError behind (a sensor read that went unanswered); only a
    // transmitter that never answers within the limit fails the run.
    const bool before = link_.CommError;
    while (!host_.checkTransmitterLink()) {
        ++failures;
        link_.clock().sleepMs(rs::kLinkWaitPauseMs);
        if (failures >= rs::kLinkWaitFailures) {
            link_.CommError = true;
            return false;
        }
        if (host_.cancelled())
            return false;
    }
    link_.CommError = before;
    return true;
}

bool ProductionRun::programSteps(const UnitRecipe& recipe, const RunHost::Receiver& receiver,
                                 RunOutcome& out) {
    Clock& clock = link_.clock();
    const StationSettings& s = recipe.settings;
    const auto progress = [this](int value) { display_.showProgress(value); };
    const auto sendReport = [this](rs::ReportBytes r) {
        // The receiver takes these radio settings without an answer worth checking.
        link_.SendReport(r.b1, r.b2, r.b3, r.b4);
    };

    // Radio power: the station works at short range, so both radio chips go down to the
    // chosen power while the unit is programmed.
    leaveAccess();
    clock.sleepMs(rs::kSettleMs);
    enterAccess();
    clock.sleepMs(rs::kSettleMs);
    const std::uint8_t power = options::rfPowerCode(s.RFPower);
    rxRadioChip(rs::kPowerRegister, power);
    enterAccess();
    clock.sleepMs(rs::kSettleMs);
    txRadioChip(rs::kPowerRegister, power);
    txRadioChip(rs::kTxRadioRegister0F, 0x00);
    clock.sleepMs(rs::kSettleMs);
    sendReport(rs::firstRadioSetting(receiver.version));

    // Three link waits share one budget of negative tests.
    int linkFailures = 0;
    if (!waitForTransmitter(linkFailures) || stepFailed())
        return fail(out, "link_wait", FailReason::TransmitterNotAnswering);
    progress(1);
    enterAccess();
    clock.sleepMs(rs::kSettleMs);
    if (!waitForTransmitter(linkFailures) || stepFailed())
        return fail(out, "link_wait", FailReason::TransmitterNotAnswering);
    progress(1);
    txRadioChip(rs::kTxRadioRegister0A, 0x00);
    clock.sleepMs(rs::kSettleMs);
    sendReport(rs::secondRadioSetting(receiver.version));
    if (!waitForTransmitter(linkFailures) || stepFailed())
        return fail(out, "link_wait", FailReason::TransmitterNotAnswering);
    progress(1);

    // The sensor class is the same for a whole batch: read once per program start, and kept
    // only from a read that was answered, so one bad read cannot mark every later receiver.
    if (sensorCode_ == 0) {
        const int sensor = TransmitterOperations(link_).read(remote::kRdSensor, 0x00);
        display_.showSensorRead(0x00, sensor);
        if (!link_.CommError)
            sensorCode_ = rs::sensorCode(sensor);
    }
    if (stepFailed())
        return fail(out, "sensor", FailReason::TransmitterNotAnswering);

    // Options.
    const auto option = [this](options::TransmitterOption o) {
        const auto w = options::transmitterOptionWrite(o);
        txPair(w.address, w.value, w.complement, w.pauseMs);
    };
    using O = options::TransmitterOption;
    option(O::AutoConnectDisable); // automatic connection after power-on: always off at the station
    if (stepFailed())
        return fail(out, "options", FailReason::TxEepromWrite);
    progress(2);
    clock.pumpMessages();
    option(s.SoftISS ? O::SwitchCpiEnable : O::SwitchCpiDisable);
    if (stepFailed())
        return fail(out, "options", FailReason::TxEepromWrite);
    progress(3);
    clock.pumpMessages();
    const int cpi = s.CPI == 1 ? options::kCpiHigh : options::kCpiLow;
    display_.showCpiLevel(cpi);
    TransmitterOperations(link_).setupCpi(cpi);
    if (stepFailed())
        return fail(out, "options", FailReason::TxEepromWrite);
    progress(4);
    option(s.PowerSaving == 0 ? O::PowerSavingOff
                              : s.PowerSaving == 1 ? O::PowerSavingButtonWakeup : O::PowerSavingOn);
    if (stepFailed())
        return fail(out, "options", FailReason::TxEepromWrite);
    progress(5);
    clock.pumpMessages();
    const std::uint8_t lrm = rs::lrmBindingByte(s.LRMBinding);
    txByte(txeeprom::kLrmBinding, lrm);
    txByte(txeeprom::kLrmBinding + 1, lrm ^ 0xFF);
    option(s.Wakeup == 0 ? O::WakeupMotionAndButton : O::WakeupButtonOnly);
    if (stepFailed())
        return fail(out, "options", FailReason::TxEepromWrite);
    progress(6);
    clock.pumpMessages();
    {
        const std::uint8_t code = options::batteryLevelCode(s.BTY);
        txPair(txeeprom::kBatteryLevel, code, txeeprom::complementOf(code), options::kBatteryPauseMs);
        clock.sleepMs(options::kBatteryPauseMs);
        const bool before = link_.CommError;
        ReceiverOperations(link_).writeBatteryLevel(code);
        noteIfNewlyFailed(before, FailReason::RxEepromWrite, rxeeprom::kBatteryLevel);
    }
    if (stepFailed())
        return fail(out, "options", FailReason::TxEepromWrite);

    progress(7);
    enterAccess();
    clock.sleepMs(rs::kSettleMs);

    // Transmitter serial number, and the two bytes after it that mark it as written.
    TProdSN& txSN = numbering_.txSN;
    if (txSN.IsSN()) {
        out.txSerial = txSN.GetSNText();
        display_.showTxSerial(out.txSerial);
        const auto serial = txSN.GetSNBytes();
        for (int k = 0; k < 6 && !link_.CommError; ++k)
            txByte(txeeprom::kSerialFirst + k, serial[static_cast<std::size_t>(k)]);
        txByte(txeeprom::kSerialTail, 0xFF);
        if (stepFailed())
            return fail(out, "tx_serial", FailReason::TxEepromWrite);
        txByte(txeeprom::kSerialTail + 1, 0xFF);
        if (stepFailed())
            return fail(out, "tx_serial", FailReason::TxEepromWrite);
    }
    if (stepFailed())
        return fail(out, "tx_serial", FailReason::TxEepromWrite);
    progress(8);
    clock.pumpMessages();

    // Radio IDs: the receiver's from its generator, then the transmitter's; each unit's IDs
    // are drawn once, whatever the unit's result.
    const auto [r, t] = numbers_.drawRadioIds(numbering_);
    out.ids = RadioIdPair::fromNextIds(r, t);
    const auto idBytes = out.ids->bytes();
    display_.showRadioId({});
    std::string shownId;
    for (std::size_t i = 0; i < idBytes.size(); ++i) {
        if (i <= 2) {
            // The field shows the receiver ID as it was drawn, before its top bit is set.
            shownId += hexText(static_cast<std::uint8_t>(out.ids->R >> (16 - 8 * i)), 2);
            display_.showRadioId(shownId);
        }
        display_.addDebugLine(hexText(idBytes[i], 2));
        txByte(txeeprom::kRadioIdBytes[i], idBytes[i]);
        clock.pumpMessages();
        if (link_.CommError)
            break;
    }
    txByte(txeeprom::kPartnerRadioIdCheck, out.ids->receiverIdChecksum());
    clock.pumpMessages();
    if (stepFailed())
        return fail(out, "tx_radio_ids", FailReason::TxEepromWrite);
    txByte(txeeprom::kOwnRadioIdCheck, out.ids->transmitterIdChecksum());
    if (stepFailed())
        return fail(out, "tx_radio_ids", FailReason::TxEepromWrite);

    progress(9);
    // The transmitter takes its new IDs.
    display_.showTransmitterDirectRegisterWrite(remote::kCommandRegister, remote::kFastReload);
    TransmitterOperations(link_).write(remote::kWrtDirectReg, remote::kCommandRegister, remote::kFastReload);
    clock.sleepMs(rs::kSettleMs);
    leaveAccess();
    clock.sleepMs(rs::kSettleMs);

    // The receiver's copy of the IDs. A failure here does not count yet: the same words are
    // written again below, and checked there.
    for (std::size_t i = 0; i < idBytes.size(); ++i) {
        clock.pumpMessages();
        display_.addDebugLine(hexText(idBytes[i], 2));
        rxWord(rxeeprom::kRadioIdWords[i], rxeeprom::complementWord(idBytes[i]));
        if (link_.CommError)
            break;
    }
    link_.CommError = false;
    noted_ = {};

    rxWord(rxeeprom::kSensorCode, rxeeprom::complementWord(static_cast<std::uint8_t>(sensorCode_)));
    if (stepFailed())
        return fail(out, "rx_radio_ids", FailReason::RxEepromWrite);

    progress(10);
    progress(11);
    {
        const bool before = link_.CommError;
        ReceiverOperations(link_).writeReceiverType(s.MouseOnly);
        noteIfNewlyFailed(before, FailReason::RxEepromWrite, rxeeprom::kReceiverType);
    }
    progress(12);
    for (int slot = 1; slot <= 2; ++slot) {
        const bool before = link_.CommError;
        ReceiverOperations receiverOps(link_);
        receiverOps.writeHotKey(slot, recipe.hotKeyCode(slot));
        receiverOps.updateCustKey();
        noteIfNewlyFailed(before, FailReason::RxEepromWrite,
                          slot == 2 ? rxeeprom::kHotKey2Low : rxeeprom::kHotKey1Low);
        if (stepFailed())
            return fail(out, "hot_keys", FailReason::RxEepromWrite);
        progress(12 + slot);
    }
    progress(15);

    // USB identity: both IDs or none.
    if (s.VID >= 1 && s.PID >= 1) {
        rxByte(rxeeprom::kVidHigh, s.VID / 256);
        rxByte(rxeeprom::kVidLow, s.VID % 256);
        rxByte(rxeeprom::kPidHigh, s.PID / 256);
        rxByte(rxeeprom::kPidLow, s.PID % 256);
    } else {
        for (int w = rxeeprom::kVidHigh; w <= rxeeprom::kPidLow; ++w)
            rxWord(w, 0);
        display_.clearUsbIds();
    }
    if (stepFailed())
        return fail(out, "usb_ids", FailReason::RxEepromWrite);
    progress(16);
    const std::string product = recipe.productBytes();
    if (product.find_first_not_of(' ') == std::string::npos) {
        rxWord(rxeeprom::kStringLength, 0);
    } else if (link_.ActiveDevice != nullptr) {
        display_.showProductLengthWord(productstring::lengthField(static_cast<int>(product.size())));
        const bool before = link_.CommError;
        ReceiverOperations(link_).writeProductString(product);
        noteIfNewlyFailed(before, FailReason::RxEepromWrite, rxeeprom::kStringLength);
    }
    if (stepFailed())
        return fail(out, "product_string", FailReason::RxEepromWrite);

    progress(17);
    TProdSN& rxSN = numbering_.rxSN;
    out.rxSerial = rxSN.GetSNText();
    display_.showRxSerial(out.rxSerial);
    if (rxSN.IsSN()) {
        rxWord(rxeeprom::kSerialGuard, 0);
        const auto serial = rxSN.GetSNBytes();
        for (int k = 0; k < 3; ++k)
            rxWord(rxeeprom::kSerialFirst + k, serial[static_cast<std::size_t>(2 * k)] * 256 +
                                                 serial[static_cast<std::size_t>(2 * k + 1)]);
    }
    if (stepFailed())
        return fail(out, "rx_serial", FailReason::RxEepromWrite);
    progress(18);
    for (std::size_t i = 0; i < idBytes.size() && !link_.CommError; ++i)
        rxWord(rxeeprom::kRadioIdWords[i], rxeeprom::complementWord(idBytes[i]));
    // Cleared so that a keyboard binding shows itself by filling them.
    for (int w : rxeeprom::kKeyboardIdWords)
        rxWord(w, 0);
    rxWord(rxeeprom::kSleepPeriod, rxeeprom::complementWord(static_cast<std::uint8_t>(s.Sleep)));
    if (stepFailed())
        return fail(out, "rx_words", FailReason::RxEepromWrite);
    rxWord(rxeeprom::kWakeupPeriod, rxeeprom::complementWord(static_cast<std::uint8_t>(s.WakeupPeriod)));
    if (stepFailed())
        return fail(out, "periods", FailReason::RxEepromWrite);

    progress(19);
    ReceiverOperations(link_).reloadParameter();
    ReceiverOperations(link_).reloadParameter();

    // The operator moves the mouse: the link must carry traffic with the new IDs.
    display_.showLabel(Label::Move);
    clock.pumpMessages();
    bool linked = false;
    for (int i = 0; i < rs::kFinalLinkTests && !linked && !host_.cancelled(); ++i)
        linked = host_.checkTransmitterLink();
    if (!linked)
        return fail(out, "final_link", FailReason::NoFinalLink);
    progress(rs::kProgressDone);

    if (s.KBind && !s.MouseOnly)
        return bindKeyboard(out);
    return true;
}

// ---- keyboard binding ----------------------------------------------------------------------

bool ProductionRun::bindKeyboard(RunOutcome& out) {
    Clock& clock = link_.clock();
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
        valid = 0;
        for (int w : rxeeprom::kKeyboardIdWords)
            if (SoftBinding::validKeyboardWord(link_.ReadReceiverEeprom(w)))
                ++valid;
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
    return fail(out, "keyboard_binding", watch.mousePairedInstead() ? FailReason::MousePairedInstead
                                                                    : FailReason::KeyboardTimeout);
}

// ---- the ending ---------------------------------------------------------------------------

void ProductionRun::advanceNumbering(const RadioIdPair& ids) {
    using Panel = RunDisplay::Panel;
    if (const auto shown = NumberingAdvance::serialPassed(numbering_.rxSN))
        display_.showNumbering(Panel::RxSerial, shown->current, shown->next);
    if (const auto shown = NumberingAdvance::serialPassed(numbering_.txSN))
        display_.showNumbering(Panel::TxSerial, shown->current, shown->next);
    if (const auto shown = NumberingAdvance::radioIdPassed(numbering_.rxRFID, ids.R))
        display_.showNumbering(Panel::RxRadioId, shown->current, shown->next);
    if (const auto shown = NumberingAdvance::radioIdPassed(numbering_.txRFID, ids.T))
        display_.showNumbering(Panel::TxRadioId, shown->current, shown->next);
}

void ProductionRun::finish(const UnitRecipe& recipe, RunOutcome& out) {
    Clock& clock = link_.clock();
    const StationSettings& s = recipe.settings;
    clock.pumpMessages();
    if (out.passed && out.ids) {
        // The numbers this unit carries are recorded as used and stored before the unit goes
        // into the log: a crash in between leaves a gap in the numbering, never a number
        // handed out twice. The log line is made from the outcome, whatever the window shows
        // by now (a device change clears its fields).
        advanceNumbering(*out.ids);
        std::string why;
        host_.saveNumbering(why);

        const std::int64_t now = wallClockMs();
        const ProductionLog::Entry entry{UnitRecords::localDateTime(now),
                                         hexText(out.ids->R, 6), out.rxSerial,
                                         out.txSerial};
        const auto appended = records_.logPassed(entry, now);
        if (!appended.ok) {
            out.logError = appended.error;
            out.logPath = appended.path;
        }
        // The unit is programmed and paired: it passes whether or not its line was written.
        display_.showLabel(Label::Pass);
        if (s.ResetRF && s.RFPower != 0) {
            enterAccess();
            clock.sleepMs(rs::kSettleMs);
            txRadioChip(rs::kPowerRegister, options::kFullRfPower);
            clock.sleepMs(rs::kPowerRestoreGapMs);
            rxRadioChip(rs::kPowerRegister, options::kFullRfPower);
        }
    } else {
        out.passed = false;
        if (out.reason == FailReason::None)
            fail(out, "ending", FailReason::ReceiverNotAnswering);
        display_.showLabel(Label::Fail);
        display_.showFailReason(failReasonMessageId(out.reason), out.detail, out.cause);
    }
    leaveAccess();
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
        r.rxRadioId = hexText(out.ids->R, 6);
        r.txRadioId = hexText(out.ids->T, 6);
    }
    r.rxSerial = out.rxSerial;
    r.txSerial = out.txSerial;
    if (out.vendorId != 0 || out.productId != 0) {
        r.rxUsb = hexText(static_cast<std::uint16_t>(out.vendorId), 4) + ":" + hexText(static_cast<std::uint16_t>(out.productId), 4);
        r.rxVersion = hexText(static_cast<std::uint16_t>(out.version), 4);
    }
    r.station = records_.station();
    if (recipe != nullptr) {
        r.recipe = recipe->fingerprint();
        r.product = numbers_.unitPool(*recipe, numbering_);
    }
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
    link_.CommError = false;
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
             !receiver.found      ? FailReason::NoReceiver
             : !receiverReady     ? FailReason::ReceiverNotAnswering
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

RunOutcome ProductionRun::eraseTransmitter() { return erase(true); }
RunOutcome ProductionRun::eraseReceiver() { return erase(false); }

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
        out.reason = !receiver.found    ? FailReason::NoReceiver
                     : !receiverReady   ? FailReason::ReceiverNotAnswering
                                        : FailReason::TransmitterNotAnswering;
        if (receiver.found)
            out.cause = link_.lastTransferFailure().text;
        return out;
    }

    host_.stopLinkPolling();
    display_.showLabel(Label::Empty);
    display_.showNextUnitPrompt(false);
    leaveAccess();
    clock.sleepMs(rs::kSettleMs);
    if (transmitter) {
        enterAccess();
        clock.sleepMs(rs::kSettleMs);
    }
    display_.showProgress(0);

    // Only the erase's own writes decide its result, not the link tests before it.
    link_.CommError = false;
    noted_ = {};
    const int count = transmitter ? txeeprom::kByteCount : rxeeprom::kWordCount;
    for (int a = 0; a < count; ++a) {
        if (transmitter)
            txByte(a, 0x00);
        else
            rxWord(a, 0);
        display_.showProgress(transmitter ? rs::transmitterEraseProgress(a) : rs::receiverEraseProgress(a));
        clock.sleepMs(rs::kErasePauseMs);
        clock.pumpMessages();
        // A receiver that went away takes the rest of the writes with it.
        if (link_.ActiveDevice == nullptr || host_.cancelled())
            break;
    }
    const bool failed = link_.CommError || link_.ActiveDevice == nullptr || host_.cancelled();
    if (failed)
        fail(out, "erase", transmitter ? FailReason::TxEepromWrite : FailReason::RxEepromWrite);
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
