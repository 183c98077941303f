// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

namespace rfbind::bench {

/// A 24-bit radio ID as both firmwares keep it: three bytes, most significant first.
using RadioId = std::array<std::uint8_t, 3>;

/// The receiver's complement word for a byte v: v in the high half, v xor 0xFF in the low half.
constexpr std::uint16_t complementWord(std::uint8_t v) {
    return static_cast<std::uint16_t>(v * 256 + (v ^ 0xFF));
}

/// The byte a receiver EEPROM word carries in its high half (what the firmware loads).
constexpr std::uint8_t highByte(std::uint16_t word) { return static_cast<std::uint8_t>(word >> 8); }

} // namespace rfbind::bench
