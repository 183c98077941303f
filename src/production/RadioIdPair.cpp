// SPDX-License-Identifier: MIT
#include "production/RadioIdPair.h"

#include "numbering/OnAirId.h"

namespace rfbind {

RadioIdPair RadioIdPair::fromNextIds(std::uint32_t rxNext, std::uint32_t txNext) {
    return RadioIdPair{rxNext, transmitterIdApartFrom(rxNext, txNext)};
}

std::array<std::uint8_t, 6> RadioIdPair::bytes() const {
    const std::uint64_t v = (static_cast<std::uint64_t>(R & 0xFFFFFF) << 24) | (T & 0xFFFFFF);
    std::array<std::uint8_t, 6> b{};
    for (int i = 0; i < 6; ++i)
        b[i] = static_cast<std::uint8_t>(v >> (8 * (5 - i)));
    b[0] |= 0x80;
    b[3] |= 0x80;
    return b;
}

std::uint8_t RadioIdPair::receiverIdChecksum() const {
    const auto b = bytes();
    return static_cast<std::uint8_t>(b[0] ^ b[1] ^ b[2] ^ 0xFF);
}

std::uint8_t RadioIdPair::transmitterIdChecksum() const {
    const auto b = bytes();
    return static_cast<std::uint8_t>(b[3] ^ b[4] ^ b[5] ^ 0xFF);
}

} // namespace rfbind
