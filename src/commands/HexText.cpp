// SPDX-License-Identifier: MIT
#include "commands/HexText.h"

#include <cstdio>

namespace rfbind {

std::string hexText(std::uint32_t value, int minDigits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", minDigits < 1 ? 1 : minDigits > 8 ? 8 : minDigits,
                  static_cast<unsigned>(value));
    return buffer;
}

std::string statusByteText(std::uint8_t value) {
    // The answer fields are hex fields (zero would show as nothing), but an empty field would
    // hide that the answer arrived: a zero byte is spelled out.
    return value == 0 ? std::string("00") : hexText(value, 1);
}

} // namespace rfbind
