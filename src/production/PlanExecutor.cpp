// SPDX-License-Identifier: MIT
#include "production/PlanExecutor.h"

#include "commands/ProductString.h"
#include "commands/ReceiverOperations.h"
#include "commands/RemoteCommands.h"
#include "commands/TransmitterOperations.h"
#include "text/Hex.h"

namespace rfbind {

namespace rs = runsteps;
using Op = UnitStep::Op;

bool PlanExecutor::run(const UnitPlan& plan, RunOutcome& out) {
    for (const UnitStep& step : plan) {
        if (step.op != Op::Check) {
            perform(step);
            // The outcome names the serial numbers the unit was shown to get.
            if (step.op == Op::ShowTxSerial)
                out.txSerial = step.text;
            else if (step.op == Op::ShowRxSerial)
                out.rxSerial = step.text;
            continue;
        }
        if (pending_ || host_.cancelled()) {
            judge(out, step.stage, step.reason);
            return false;
        }
    }
    return true;
}

void PlanExecutor::perform(const UnitStep& step) {
    if (step.untilFailure && pending_)
        return;
    link_.beginOperation();
    switch (step.op) {
    case Op::EnterAccess:
    case Op::LeaveAccess:
    case Op::TxEeprom:
    case Op::TxRadioChip:
    case Op::TxCommandRegister:
    case Op::TxCpi:
        performOnTransmitter(step);
        break;
    case Op::ReadSensor:
        readSensor();
        break;
    case Op::WaitForTransmitter:
        // The link tests may fail on their way (a sensor read that went unanswered); only a
        // transmitter that never answers within the budget fails the step.
        if (!waitForTransmitter() && !pending_)
            pending_ = Failure{FailReason::None, 0, link_.operationFailure()};
        break;
    case Op::RxWord:
    case Op::RxByte:
    case Op::RxRadioChip:
    case Op::RxBatteryLevel:
    case Op::RxProductString:
    case Op::RxUpdateCustKey:
    case Op::RxReload:
    case Op::RadioSetting:
        performOnReceiver(step);
        break;
    case Op::ForgetFailures:
        pending_.reset();
        break;
    default:
        performOnDisplay(step);
        break;
    }
    if (step.op != Op::WaitForTransmitter && link_.operationFailure())
        note(step, link_.operationFailure());
    if (step.pauseMs > 0)
        link_.clock().sleepMs(step.pauseMs);
    if (step.pumpAfter)
        link_.clock().pumpMessages();
}

void PlanExecutor::performOnTransmitter(const UnitStep& step) {
    TransmitterOperations transmitter(link_);
    switch (step.op) {
    case Op::EnterAccess:
        transmitter.enterAccess(false);
        break;
    case Op::LeaveAccess:
        transmitter.leaveAccess();
        break;
    case Op::TxEeprom:
        display_.showTransmitterEepromWrite(step.address, step.value);
        transmitter.verifiedEepromWrite(step.address, step.value);
        break;
    case Op::TxRadioChip:
        display_.showTransmitterRadioChipWrite(step.address, step.value);
        transmitter.write(remote::kWrtRadioChip, step.address, step.value);
        break;
    case Op::TxCommandRegister:
        display_.showTransmitterDirectRegisterWrite(step.address, step.value);
        transmitter.write(remote::kWrtDirectReg, step.address, step.value);
        break;
    case Op::TxCpi:
        display_.showCpiLevel(step.value);
        transmitter.setupCpi(step.value);
        break;
    default:
        break;
    }
}

void PlanExecutor::performOnReceiver(const UnitStep& step) {
    ReceiverOperations receiver(link_);
    const bool present = link_.ActiveDevice != nullptr;
    switch (step.op) {
    case Op::RxWord:
        link_.WriteReceiverEeprom(step.address, step.value);
        break;
    case Op::RxByte:
        // The EEPROM page's byte write leaves a vanished receiver alone; the check after the
        // stage finds the receiver gone.
        display_.showReceiverByte(step.address, step.value);
        if (present)
            receiver.writeByte(step.address, static_cast<std::uint8_t>(step.value));
        break;
    case Op::RxRadioChip:
        display_.showReceiverRadioChip(step.address, step.value);
        if (!present)
            break;
        if (const auto shown = receiver.writeRadioChipRegister(static_cast<std::uint8_t>(step.address), step.value))
            display_.showReceiverRadioChip(step.address, *shown);
        break;
    case Op::RxBatteryLevel:
        receiver.writeBatteryLevel(static_cast<std::uint8_t>(step.value));
        break;
    case Op::RxProductString:
        if (!present)
            break;
        display_.showProductLengthWord(productstring::lengthField(static_cast<int>(step.text.size())));
        receiver.writeProductString(step.text);
        break;
    case Op::RxUpdateCustKey:
        receiver.updateCustKey();
        break;
    case Op::RxReload:
        receiver.reloadParameter();
        break;
    case Op::RadioSetting:
        // The receiver takes these radio settings without an answer worth checking.
        link_.SendReport(step.report.b1, step.report.b2, step.report.b3, step.report.b4);
        break;
    default:
        break;
    }
}

void PlanExecutor::performOnDisplay(const UnitStep& step) {
    switch (step.op) {
    case Op::Pump:
        link_.clock().pumpMessages();
        break;
    case Op::Progress:
        display_.showProgress(step.value);
        break;
    case Op::ShowTxSerial:
        display_.showTxSerial(step.text);
        break;
    case Op::ShowRxSerial:
        display_.showRxSerial(step.text);
        break;
    case Op::ShowRadioId:
        display_.showRadioId(step.text);
        break;
    case Op::DebugLine:
        display_.addDebugLine(step.text);
        break;
    case Op::ClearUsbIds:
        display_.clearUsbIds();
        break;
    default: // a pause is the step's own pauseMs
        break;
    }
}

bool PlanExecutor::waitForTransmitter() {
    while (!host_.checkTransmitterLink()) {
        ++linkFailures_;
        link_.clock().sleepMs(rs::kLinkWaitPauseMs);
        if (linkFailures_ >= rs::kLinkWaitFailures)
            return false;
        if (host_.cancelled())
            return false;
    }
    return true;
}

void PlanExecutor::readSensor() {
    const int sensor = TransmitterOperations(link_).read(remote::kRdSensor, 0x00);
    display_.showSensorRead(0x00, sensor);
    // Kept only from a read that was answered, so one bad read cannot mark every later
    // receiver.
    if (!link_.operationFailure())
        sensorCode_ = rs::sensorCode(sensor);
}

void PlanExecutor::note(const UnitStep& step, LinkFailure failure) {
    if (!pending_)
        pending_ = Failure{step.reason, step.reasonAddress, std::move(failure)};
}

bool PlanExecutor::receiverGone() const {
    return link_.ActiveDevice == nullptr || !link_.ActiveDevice->pluggedIn();
}

void PlanExecutor::judge(RunOutcome& out, const std::string& stage, FailReason fallback) {
    judgeFailure(out, stage, fallback, {}, host_.cancelled(), receiverGone(), pending_,
                 link_.lastTransferFailure());
}

void PlanExecutor::judgeFailure(RunOutcome& out, const std::string& stage, FailReason fallback,
                                std::string detail, bool cancelled, bool receiverGone,
                                const std::optional<Failure>& first, const LinkFailure& lastTransfer) {
    out.failStep = stage;
    const auto linkCause = [&] { return first && first->link ? first->link.text : lastTransfer.text; };
    if (cancelled) {
        out.reason = FailReason::Cancelled;
    } else if (receiverGone) {
        out.reason = FailReason::ReceiverPulled;
    } else if (fallback != FailReason::TxEepromWrite && fallback != FailReason::RxEepromWrite) {
        out.reason = fallback;
        out.detail = std::move(detail);
        // A device that does not answer may not have been reached at all: the link says why.
        if (fallback == FailReason::ReceiverNotAnswering || fallback == FailReason::TransmitterNotAnswering)
            out.cause = linkCause();
    } else if (first && first->reason != FailReason::None) {
        // "Not confirmed" says it all for a write the unit did not take; a write that never
        // reached the unit says how the transfer failed.
        out.reason = first->reason;
        out.detail = hexAddress(static_cast<unsigned>(first->address));
        out.cause = first->link.transferLevel() ? first->link.text : "";
    } else {
        // A write stage failed without a write that said so: a read inside it went unanswered.
        out.reason = FailReason::ReceiverNotAnswering;
        out.cause = linkCause();
    }
}

} // namespace rfbind
