// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

namespace rfbind::txeeprom {

/// The transmitter's EEPROM: 128 bytes. Options are complement pairs: the value at the even
/// address, its one's complement at the next one.
inline constexpr int kByteCount = 128;

inline constexpr int kOwnRadioId = 8;        ///< 8..10: own radio ID, MSB first
inline constexpr int kOwnRadioIdCheck = 11;  ///< (B3 ^ B4 ^ B5) ^ 0xFF
inline constexpr int kPartnerRadioId = 12;   ///< 12..14: the receiver's radio ID
inline constexpr int kPartnerRadioIdCheck = 15; ///< (B0 ^ B1 ^ B2) ^ 0xFF
inline constexpr int kSwitchCpi = 18;        ///< 18, 19: L+R switches the resolution
inline constexpr int kWakeupSource = 20;     ///< 20, 21
inline constexpr int kPowerSaving = 22;      ///< 22, 23: power saving while not linked
inline constexpr int kAutoConnect = 24;      ///< 24, 25: connect automatically after power-on
inline constexpr int kBatteryLevel = 26;     ///< 26, 27: battery-low level code
inline constexpr int kLrmBinding = 28;       ///< 28, 29: L+R+M binding flags
inline constexpr int kSerialFirst = 120;     ///< 120..125: serial number bytes 0..5
inline constexpr int kSerialTail = 126;      ///< 126, 127: 0xFF each

/// Where the unit's radio ID bytes B0..B5 go: the partner (receiver) ID, then the own one.
inline constexpr std::array<int, 6> kRadioIdBytes = {
    kPartnerRadioId, kPartnerRadioId + 1, kPartnerRadioId + 2, kOwnRadioId, kOwnRadioId + 1, kOwnRadioId + 2};

/// The complement a pair stores at its odd address.
constexpr std::uint8_t complementOf(std::uint8_t value) {
    return static_cast<std::uint8_t>(value ^ 0xFF);
}

/// True when the two bytes of a pair belong together.
constexpr bool isComplementPair(std::uint8_t value, std::uint8_t complement) {
    return complement == complementOf(value);
}

} // namespace rfbind::txeeprom
