// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

namespace rfbind::rxeeprom {

/// The receiver's EEPROM: 64 words of 16 bits. Unless noted, a word holds one byte as a
/// complement word (see complementWord).
inline constexpr int kWordCount = 64;

inline constexpr int kDongleMseAd0 = 0;  ///< C_DongleMseAd0_AD: receiver radio ID, MSB first (0..2)
inline constexpr int kDongleMseAd1 = 1;  ///< C_DongleMseAd1_AD
inline constexpr int kDongleMseAd2 = 2;  ///< C_DongleMseAd2_AD
inline constexpr int kHotKey1Low = 3;    ///< hot key 1 usage code, low byte
inline constexpr int kHotKey1High = 4;   ///< hot key 1 usage code, high byte
inline constexpr int kHotKey2Low = 5;    ///< hot key 2 usage code, low byte
inline constexpr int kHotKey2High = 6;   ///< hot key 2 usage code, high byte
inline constexpr int kVidHigh = 15;      ///< C_VID_H_AD
inline constexpr int kVidLow = 16;       ///< C_VID_L_AD
inline constexpr int kPidHigh = 17;      ///< C_PID_H_AD
inline constexpr int kPidLow = 18;       ///< C_PID_L_AD
inline constexpr int kStringLength = 19; ///< C_Str_Length_AD: L = 2 + 2n for n characters
inline constexpr int kStringFirst = 20;  ///< C_String_AD: character pairs, first in the high half
inline constexpr int kStringLast = 42;
inline constexpr int kKeyboardIdFirst = 43;  ///< 43..45 filled by the receiver at keyboard binding
inline constexpr int kSensorCode = 46;       ///< transmitter sensor class code
inline constexpr int kBatteryLevel = 47;     ///< bits 6..5 of the byte: battery-low level code
inline constexpr int kKeyboardId2First = 48; ///< 48..50, as 43..45
inline constexpr int kTxRadioIdFirst = 51;   ///< 51..53: the transmitter's radio ID, MSB first
inline constexpr int kReceiverType = 56;     ///< raw word: 0x5AA5 mouse only, 0xFFFF keyboard + mouse
inline constexpr int kSleepPeriod = 57;      ///< USB suspend sleep period setting, 0..240
inline constexpr int kWakeupPeriod = 58;     ///< USB suspend wake-up period setting, 3..19
inline constexpr int kSerialFirst = 60;      ///< 60..62 raw: serial number bytes, two per word
inline constexpr int kSerialGuard = 63;      ///< raw, cleared before the serial number is written

/// Where the unit's radio ID bytes B0..B5 go: the receiver's own ID, then its transmitter's.
inline constexpr std::array<int, 6> kRadioIdWords = {
    kDongleMseAd0, kDongleMseAd1, kDongleMseAd2, kTxRadioIdFirst, kTxRadioIdFirst + 1, kTxRadioIdFirst + 2};
/// The words the receiver fills with complement words when a keyboard pairs; a run clears them
/// first so that the binding shows itself.
inline constexpr std::array<int, 6> kKeyboardIdWords = {
    kKeyboardIdFirst, kKeyboardIdFirst + 1, kKeyboardIdFirst + 2,
    kKeyboardId2First, kKeyboardId2First + 1, kKeyboardId2First + 2};

/// Receiver type words (raw, no complement).
inline constexpr std::uint16_t kMouseOnly = 0x5AA5;
inline constexpr std::uint16_t kKeyboardAndMouse = 0xFFFF;

/// A byte as the receiver stores it: v in the high half, its one's complement in the low half
/// (0x12 → 0x12ED, 0x00 → 0x00FF).
constexpr std::uint16_t complementWord(std::uint8_t v) {
    return static_cast<std::uint16_t>(v * 256 + (v ^ 0xFF));
}

/// True when the high half equals the low half xor 0xFF.
constexpr bool isComplementWord(std::uint16_t word) {
    return (word >> 8) == ((word & 0xFF) ^ 0xFF);
}

/// The byte a complement word carries (its high half).
constexpr std::uint8_t complementWordByte(std::uint16_t word) {
    return static_cast<std::uint8_t>(word >> 8);
}

} // namespace rfbind::rxeeprom
