// SPDX-License-Identifier: MIT
#include "production/UnitPlan.h"

#include "commands/DeviceOptions.h"
#include "commands/HotKeys.h"
#include "commands/ReceiverEepromMap.h"
#include "commands/RemoteCommands.h"
#include "commands/TransmitterEepromMap.h"
#include "text/Hex.h"

namespace rfbind::unitplan {

namespace rs = runsteps;
using Op = UnitStep::Op;

namespace {

/// Appends steps to a plan; each helper says one thing the unit gets.
class PlanWriter {
public:
    explicit PlanWriter(UnitPlan& plan) : plan_(plan) {}

    UnitStep& add(Op op, int address = 0, int value = 0) {
        UnitStep s;
        s.op = op;
        s.address = address;
        s.value = value;
        plan_.push_back(std::move(s));
        return plan_.back();
    }
    UnitStep& show(Op op, std::string text) {
        UnitStep& s = add(op);
        s.text = std::move(text);
        return s;
    }
    void settle(Op access) { add(access).pauseMs = rs::kSettleMs; }
    void progress(int value, bool pump = false) {
        add(Op::Progress, 0, value).pumpAfter = pump;
    }
    void check(const char* stage, FailReason reason) {
        UnitStep& s = add(Op::Check);
        s.stage = stage;
        s.reason = reason;
    }
    UnitStep& txByte(int address, int value) {
        UnitStep& s = add(Op::TxEeprom, address, value);
        s.reason = FailReason::TxEepromWrite;
        s.reasonAddress = address;
        return s;
    }
    UnitStep& rxWord(int address, int value) {
        UnitStep& s = add(Op::RxWord, address, value);
        s.reason = FailReason::RxEepromWrite;
        s.reasonAddress = address;
        return s;
    }
    UnitStep& rxByte(int address, int value) {
        UnitStep& s = rxWord(address, value);
        s.op = Op::RxByte;
        return s;
    }
    /// A transmitter option: value, pause, complement; both are written before the test.
    void txPair(int address, int value, int complement, int pauseMs) {
        txByte(address, value).pauseMs = pauseMs;
        txByte(address + 1, complement);
    }
    void option(options::TransmitterOption o) {
        const auto w = options::transmitterOptionWrite(o);
        txPair(w.address, w.value, w.complement, w.pauseMs);
    }

private:
    UnitPlan& plan_;
};

void radioPower(PlanWriter& w, const UnitRecipe& recipe, std::uint16_t version) {
    // The station works at short range, so both radio chips go down to the chosen power
    // while the unit is programmed.
    const std::uint8_t power = options::rfPowerCode(recipe.settings.RFPower);
    w.settle(Op::LeaveAccess);
    w.settle(Op::EnterAccess);
    w.add(Op::RxRadioChip, rs::kPowerRegister, power);
    w.settle(Op::EnterAccess);
    w.add(Op::TxRadioChip, rs::kPowerRegister, power);
    w.add(Op::TxRadioChip, rs::kTxRadioRegister0F, 0x00).pauseMs = rs::kSettleMs;
    w.add(Op::RadioSetting).report = rs::firstRadioSetting(version);
}

void linkWaits(PlanWriter& w, std::uint16_t version, std::int32_t sensorCode) {
    // Three link waits share one budget of negative tests.
    w.add(Op::WaitForTransmitter);
    w.check("link_wait", FailReason::TransmitterNotAnswering);
    w.progress(1);
    w.settle(Op::EnterAccess);
    w.add(Op::WaitForTransmitter);
    w.check("link_wait", FailReason::TransmitterNotAnswering);
    w.progress(1);
    w.add(Op::TxRadioChip, rs::kTxRadioRegister0A, 0x00).pauseMs = rs::kSettleMs;
    w.add(Op::RadioSetting).report = rs::secondRadioSetting(version);
    w.add(Op::WaitForTransmitter);
    w.check("link_wait", FailReason::TransmitterNotAnswering);
    w.progress(1);
    // The sensor class is the same for a whole batch: read once per program start.
    if (sensorCode == 0)
        w.add(Op::ReadSensor);
    w.check("sensor", FailReason::TransmitterNotAnswering);
}

void transmitterOptions(PlanWriter& w, const StationSettings& s) {
    using O = options::TransmitterOption;
    const auto checked = [&w] { w.check("options", FailReason::TxEepromWrite); };
    w.option(O::AutoConnectDisable); // automatic connection after power-on: always off at the station
    checked();
    w.progress(2, true);
    w.option(s.SoftISS ? O::SwitchCpiEnable : O::SwitchCpiDisable);
    checked();
    w.progress(3, true);
    w.add(Op::TxCpi, 0, s.CPI == 1 ? options::kCpiHigh : options::kCpiLow);
    checked();
    w.progress(4);
    w.option(s.PowerSaving == 0   ? O::PowerSavingOff
             : s.PowerSaving == 1 ? O::PowerSavingButtonWakeup
                                  : O::PowerSavingOn);
    checked();
    w.progress(5, true);
    const std::uint8_t lrm = rs::lrmBindingByte(s.LRMBinding);
    w.txByte(txeeprom::kLrmBinding, lrm);
    w.txByte(txeeprom::kLrmBinding + 1, lrm ^ 0xFF);
    w.option(s.Wakeup == 0 ? O::WakeupMotionAndButton : O::WakeupButtonOnly);
    checked();
    w.progress(6, true);
    // The battery level goes to both devices: the receiver keeps the other bits of its byte.
    const std::uint8_t code = options::batteryLevelCode(s.BTY);
    w.txByte(txeeprom::kBatteryLevel, code).pauseMs = options::kBatteryPauseMs;
    w.txByte(txeeprom::kBatteryLevel + 1, txeeprom::complementOf(code)).pauseMs = options::kBatteryPauseMs;
    UnitStep& receiver = w.add(Op::RxBatteryLevel, rxeeprom::kBatteryLevel, code);
    receiver.reason = FailReason::RxEepromWrite;
    receiver.reasonAddress = rxeeprom::kBatteryLevel;
    checked();
}

void transmitterSerial(PlanWriter& w, const UnitSerial& serial) {
    w.progress(7);
    w.settle(Op::EnterAccess);
    // The serial number, and the two bytes after it that mark it as written.
    if (serial.bytes) {
        w.show(Op::ShowTxSerial, serial.text);
        for (int k = 0; k < 6; ++k)
            w.txByte(txeeprom::kSerialFirst + k, (*serial.bytes)[static_cast<std::size_t>(k)])
                .untilFailure = true;
        w.txByte(txeeprom::kSerialTail, 0xFF);
        w.check("tx_serial", FailReason::TxEepromWrite);
        w.txByte(txeeprom::kSerialTail + 1, 0xFF);
        w.check("tx_serial", FailReason::TxEepromWrite);
    }
    w.check("tx_serial", FailReason::TxEepromWrite);
    w.progress(8, true);
}


} // namespace

UnitPlan beforeRadioIds(const UnitRecipe& recipe, std::uint16_t receiverVersion,
                        std::int32_t sensorCode, const UnitSerial& txSerial) {
    UnitPlan plan;
    PlanWriter w(plan);
    radioPower(w, recipe, receiverVersion);
    linkWaits(w, receiverVersion, sensorCode);
    transmitterOptions(w, recipe.settings);
    transmitterSerial(w, txSerial);
    return plan;
}

namespace {

void transmitterRadioIds(PlanWriter& w, const RadioIdPair& ids) {
    const auto idBytes = ids.bytes();
    w.show(Op::ShowRadioId, {});
    std::string shownId;
    for (std::size_t i = 0; i < idBytes.size(); ++i) {
        // A series that stops at its first failure; its first write is always made.
        const bool series = i > 0;
        if (i <= 2) {
            // The field shows the receiver ID as it was drawn, before its top bit is set.
            shownId += hexText(static_cast<std::uint8_t>(ids.R >> (16 - 8 * i)), 2);
            w.show(Op::ShowRadioId, shownId).untilFailure = series;
        }
        w.show(Op::DebugLine, hexText(idBytes[i], 2)).untilFailure = series;
        UnitStep& write = w.txByte(txeeprom::kRadioIdBytes[i], idBytes[i]);
        write.pumpAfter = true;
        write.untilFailure = series;
    }
    w.txByte(txeeprom::kPartnerRadioIdCheck, ids.receiverIdChecksum()).pumpAfter = true;
    w.check("tx_radio_ids", FailReason::TxEepromWrite);
    w.txByte(txeeprom::kOwnRadioIdCheck, ids.transmitterIdChecksum());
    w.check("tx_radio_ids", FailReason::TxEepromWrite);
    w.progress(9);
    // The transmitter takes its new IDs.
    w.add(Op::TxCommandRegister, remote::kCommandRegister, remote::kFastReload).pauseMs = rs::kSettleMs;
    w.settle(Op::LeaveAccess);
}

void receiverRadioIds(PlanWriter& w, const RadioIdPair& ids, std::int32_t sensorCode) {
    // The receiver's copy of the IDs. A failure here does not count yet: the same words are
    // written again below, and checked there.
    const auto idBytes = ids.bytes();
    for (std::size_t i = 0; i < idBytes.size(); ++i) {
        const bool series = i > 0;
        w.add(Op::Pump).untilFailure = series;
        w.show(Op::DebugLine, hexText(idBytes[i], 2)).untilFailure = series;
        w.rxWord(rxeeprom::kRadioIdWords[i], rxeeprom::complementWord(idBytes[i])).untilFailure = series;
    }
    w.add(Op::ForgetFailures);
    w.rxWord(rxeeprom::kSensorCode, rxeeprom::complementWord(static_cast<std::uint8_t>(sensorCode)));
    w.check("rx_radio_ids", FailReason::RxEepromWrite);
    w.progress(10);
    w.progress(11);
}

void receiverOptions(PlanWriter& w, const UnitRecipe& recipe) {
    w.rxWord(rxeeprom::kReceiverType, options::receiverTypeWord(recipe.settings.MouseOnly));
    w.progress(12);
    for (int slot = 1; slot <= 2; ++slot) {
        const hotkeys::HotKeyWords words = hotkeys::hotKeyWords(slot, recipe.hotKeyCode(slot));
        // Either word of a hot key that fails is reported at its first word.
        w.rxWord(words.lowAddress, words.low);
        w.rxWord(words.highAddress, words.high).reasonAddress = words.lowAddress;
        w.add(Op::RxUpdateCustKey);
        w.check("hot_keys", FailReason::RxEepromWrite);
        w.progress(12 + slot);
    }
    w.progress(15);
}

void receiverIdentity(PlanWriter& w, const UnitRecipe& recipe) {
    const StationSettings& s = recipe.settings;
    // USB identity: both IDs or none.
    if (s.VID >= 1 && s.PID >= 1) {
        w.rxByte(rxeeprom::kVidHigh, s.VID / 256);
        w.rxByte(rxeeprom::kVidLow, s.VID % 256);
        w.rxByte(rxeeprom::kPidHigh, s.PID / 256);
        w.rxByte(rxeeprom::kPidLow, s.PID % 256);
    } else {
        for (int word = rxeeprom::kVidHigh; word <= rxeeprom::kPidLow; ++word)
            w.rxWord(word, 0);
        w.add(Op::ClearUsbIds);
    }
    w.check("usb_ids", FailReason::RxEepromWrite);
    w.progress(16);
    const std::string product = recipe.productBytes();
    if (product.find_first_not_of(' ') == std::string::npos) {
        w.rxWord(rxeeprom::kStringLength, 0);
    } else {
        UnitStep& write = w.rxWord(rxeeprom::kStringLength, 0);
        write.op = Op::RxProductString;
        write.text = product;
    }
    w.check("product_string", FailReason::RxEepromWrite);
    w.progress(17);
}

void receiverSerialAndWords(PlanWriter& w, const UnitRecipe& recipe, const RadioIdPair& ids,
                            const UnitSerial& serial) {
    const StationSettings& s = recipe.settings;
    w.show(Op::ShowRxSerial, serial.text);
    if (serial.bytes) {
        const auto& b = *serial.bytes;
        w.rxWord(rxeeprom::kSerialGuard, 0);
        for (std::size_t k = 0; k < 3; ++k)
            w.rxWord(rxeeprom::kSerialFirst + static_cast<int>(k), b[2 * k] * 256 + b[2 * k + 1]);
    }
    w.check("rx_serial", FailReason::RxEepromWrite);
    w.progress(18);
    const auto idBytes = ids.bytes();
    for (std::size_t i = 0; i < idBytes.size(); ++i)
        w.rxWord(rxeeprom::kRadioIdWords[i], rxeeprom::complementWord(idBytes[i])).untilFailure = true;
    // Cleared so that a keyboard binding shows itself by filling them.
    for (int word : rxeeprom::kKeyboardIdWords)
        w.rxWord(word, 0);
    w.rxWord(rxeeprom::kSleepPeriod, rxeeprom::complementWord(static_cast<std::uint8_t>(s.Sleep)));
    w.check("rx_words", FailReason::RxEepromWrite);
    w.rxWord(rxeeprom::kWakeupPeriod, rxeeprom::complementWord(static_cast<std::uint8_t>(s.WakeupPeriod)));
    w.check("periods", FailReason::RxEepromWrite);
    w.progress(19);
    w.add(Op::RxReload);
    w.add(Op::RxReload);
}

} // namespace

UnitPlan fromRadioIds(const UnitRecipe& recipe, const RadioIdPair& ids, const UnitSerial& rxSerial,
                      std::int32_t sensorCode) {
    UnitPlan plan;
    PlanWriter w(plan);
    transmitterRadioIds(w, ids);
    receiverRadioIds(w, ids, sensorCode);
    receiverOptions(w, recipe);
    receiverIdentity(w, recipe);
    receiverSerialAndWords(w, recipe, ids, rxSerial);
    return plan;
}

UnitPlan fullPower() {
    UnitPlan plan;
    PlanWriter w(plan);
    w.settle(Op::EnterAccess);
    w.add(Op::TxRadioChip, rs::kPowerRegister, options::kFullRfPower).pauseMs = rs::kPowerRestoreGapMs;
    w.add(Op::RxRadioChip, rs::kPowerRegister, options::kFullRfPower);
    return plan;
}

UnitStep erase(bool transmitter, int address) {
    UnitPlan plan;
    PlanWriter w(plan);
    if (transmitter)
        w.txByte(address, 0x00);
    else
        w.rxWord(address, 0);
    return plan.front();
}

} // namespace rfbind::unitplan
