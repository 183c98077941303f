// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace rfbind {

/// A radio ID as the radio hears it. Both EEPROMs store every ID with bit 23 set: the firmware
/// uses that bit to mark the first byte of an ID, not as part of the address. Two IDs that
/// differ only in bit 23 are therefore the same on air.
constexpr std::uint32_t onAirRadioId(std::uint32_t id) { return id & 0x7FFFFFu; }

/// True when two radio IDs would be the same address on air.
constexpr bool sameOnAir(std::uint32_t a, std::uint32_t b) { return onAirRadioId(a) == onAirRadioId(b); }

} // namespace rfbind
