// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace rfbind {

/// A radio ID as the radio hears it. Both EEPROMs store every ID with bit 23 set: the firmware
/// uses that bit to mark the first byte of an ID, not as part of the address. Two IDs that
/// differ only in bit 23 are therefore the same on air.
constexpr std::uint32_t onAirRadioId(std::uint32_t id) { return id & 0x7FFFFFu; }

/// True when two radio IDs would be the same address on air.
constexpr bool sameOnAir(std::uint32_t a, std::uint32_t b) { return onAirRadioId(a) == onAirRadioId(b); }

/// The transmitter's ID of a unit whose receiver gets `rx`: `tx`, or the value after it when
/// the two would be one address on air, so a receiver is never paired with its own address.
constexpr std::uint32_t transmitterIdApartFrom(std::uint32_t rx, std::uint32_t tx) {
    return sameOnAir(rx, tx) ? tx + 1 : tx;
}

/// A radio ID as the station shows, logs and journals it: six upper-case hex digits of the ID
/// as drawn (without the bit 23 the EEPROMs add).
std::string radioIdText(std::uint32_t id);

} // namespace rfbind
