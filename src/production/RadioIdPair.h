// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

namespace rfbind {

/// The radio IDs a unit receives: the receiver's `R` and the transmitter's `T` (24 bits each),
/// and the six ID bytes B0..B5 both EEPROMs carry.
struct RadioIdPair {
    std::uint32_t R = 0;
    std::uint32_t T = 0;

    /// Draws the pair from the two generators' next IDs: when both are the same on air (equal
    /// but for bit 23, which both EEPROMs set) the transmitter gets the next value, so a
    /// receiver is never paired with its own address.
    static RadioIdPair fromNextIds(std::uint32_t rxNext, std::uint32_t txNext);

    /// B0..B5: R most significant first, then T; the top bit of B0 and of B3 set, as the
    /// firmware marks the first byte of an ID.
    std::array<std::uint8_t, 6> bytes() const;

    /// Checksum bytes the transmitter keeps beside each ID: (B0 ^ B1 ^ B2) ^ 0xFF for the
    /// partner (receiver) ID and (B3 ^ B4 ^ B5) ^ 0xFF for its own. Where each of these bytes
    /// goes is the EEPROM maps' business.
    std::uint8_t receiverIdChecksum() const;
    std::uint8_t transmitterIdChecksum() const;
};

} // namespace rfbind
