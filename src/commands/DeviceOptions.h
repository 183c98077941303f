// SPDX-License-Identifier: MIT
#pragma once

#include "commands/ReceiverEepromMap.h"
#include "commands/TransmitterEepromMap.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace rfbind::options {

/// The transmitter options chosen with radio buttons; each is written as a complement pair.
/// The enumerators carry the radio buttons' names.
enum class TransmitterOption {
    SwitchCpiEnable,         ///< rbRF_DR_15
    SwitchCpiDisable,        ///< rbRF_DR_1A
    PowerSavingOff,          ///< rbRF_DR_45
    PowerSavingButtonWakeup, ///< rbRF_DR_4A: L+R+M buttons wake it
    PowerSavingOn,           ///< rbRF_DR_4F
    WakeupMotionAndButton,   ///< rbRF_DR_25
    WakeupButtonOnly,        ///< rbRF_DR_2A
    AutoConnectEnable,       ///< rbRF_DR_5A
    AutoConnectDisable,      ///< rbRF_DR_55
};

/// How one option is written: `value` at `address`, a pause of `pauseMs`, then `complement`
/// at address + 1.
struct ComplementPairWrite {
    std::uint8_t address;
    std::uint8_t value;
    std::uint8_t complement;
    int pauseMs;
};

struct TransmitterOptionRow {
    TransmitterOption option;
    std::string_view radioButton; ///< the control's object name
    ComplementPairWrite write;
};

inline constexpr std::array<TransmitterOptionRow, 9> kTransmitterOptions{{
    // The transmitter takes a little longer to settle after enabling the L+R resolution switch.
    {TransmitterOption::SwitchCpiEnable, "rbRF_DR_15", {txeeprom::kSwitchCpi, 0x33, 0xCC, 20}},
    {TransmitterOption::SwitchCpiDisable, "rbRF_DR_1A", {txeeprom::kSwitchCpi, 0xCC, 0x33, 8}},
    {TransmitterOption::PowerSavingOff, "rbRF_DR_45", {txeeprom::kPowerSaving, 0x3C, 0xC3, 8}},
    {TransmitterOption::PowerSavingButtonWakeup, "rbRF_DR_4A", {txeeprom::kPowerSaving, 0xC5, 0x3A, 8}},
    {TransmitterOption::PowerSavingOn, "rbRF_DR_4F", {txeeprom::kPowerSaving, 0xCA, 0x35, 8}},
    {TransmitterOption::WakeupMotionAndButton, "rbRF_DR_25", {txeeprom::kWakeupSource, 0x55, 0xAA, 8}},
    {TransmitterOption::WakeupButtonOnly, "rbRF_DR_2A", {txeeprom::kWakeupSource, 0xAA, 0x55, 8}},
    {TransmitterOption::AutoConnectEnable, "rbRF_DR_5A", {txeeprom::kAutoConnect, 0x5A, 0xA5, 8}},
    {TransmitterOption::AutoConnectDisable, "rbRF_DR_55", {txeeprom::kAutoConnect, 0x55, 0xAA, 8}},
}};

/// The write of one transmitter option.
constexpr ComplementPairWrite transmitterOptionWrite(TransmitterOption option) {
    for (const auto& row : kTransmitterOptions)
        if (row.option == option)
            return row.write;
    return kTransmitterOptions[0].write; // unreachable: every enumerator has a row
}

/// Resolution levels of the "Setup CPI" choice (sent with C_RF_SETUP_CPI).
inline constexpr int kCpiLow = 0;
inline constexpr int kCpiHigh = 1;

/// Receiver type words for EEPROM word 56.
constexpr std::uint16_t receiverTypeWord(bool mouseOnly) {
    return mouseOnly ? rxeeprom::kMouseOnly : rxeeprom::kKeyboardAndMouse;
}

/// Battery-low level code b for the index of the battery list (0: 2.2 V, 1: 2.0 V, 2: 1.8 V).
/// Any other index, including none selected (-1), gives the 2.0 V code.
constexpr std::uint8_t batteryLevelCode(int index) {
    switch (index) {
    case 0: return 0x40;
    case 2: return 0x00;
    default: return 0x20;
    }
}

/// Pause after each of the two transmitter battery writes, in ms.
inline constexpr int kBatteryPauseMs = 20;

/// The new byte of receiver word 47 from the word read (`readWord`, -1 when the read failed)
/// and the level code b: bits 4..0 stay as read, bits 6..5 carry the level, bit 7 is cleared.
/// A failed read keeps all five low bits set (0x1F), as the receiver's erased default would.
constexpr std::uint8_t batteryByte(int readWord, std::uint8_t levelCode) {
    return static_cast<std::uint8_t>(((readWord & 0x1F00) >> 8) | levelCode);
}

/// RF power code (ARF2496K register 1) for the index of the RF power list "0", "-5", "-10",
/// "-20" dBm; any other index gives the -20 dBm code.
constexpr std::uint8_t rfPowerCode(int index) {
    switch (index) {
    case 0: return 0x1B;
    case 1: return 0x13;
    case 2: return 0x0B;
    default: return 0x03;
    }
}
/// Full power (0 dBm), restored at the end of a run when so configured.
inline constexpr std::uint8_t kFullRfPower = 0x1B;
inline constexpr int kDefaultRfPowerIndex = 3;

/// USB suspend spin-edit ranges.
inline constexpr int kSleepPeriodMin = 0, kSleepPeriodMax = 240, kSleepPeriodDefault = 56;
inline constexpr int kWakeupPeriodMin = 3, kWakeupPeriodMax = 19, kWakeupPeriodDefault = 15;

/// A number in the shortest general decimal form with up to 15 significant digits and a '.'
/// as decimal separator whatever the locale (2340.3008, 1.6, 8).
std::string generalDecimal(double value);

/// Label of the sleep period: (256 − v) × 9.1418 ms to one decimal, e.g. "1828.4ms" for 56.
std::string sleepPeriodLabel(int value);

/// Label of the wake-up period: (v + 1) × 400 / 1000 ms, e.g. "6.4ms" for 15.
std::string wakeupPeriodLabel(int value);

} // namespace rfbind::options
