// SPDX-License-Identifier: MIT
#include "commands/HexText.h"

namespace rfbind {

std::string statusByteText(std::uint8_t value) {
    // The answer fields are hex fields (zero would show as nothing), but an empty field would
    // hide that the answer arrived: a zero byte is spelled out.
    return value == 0 ? std::string("00") : hexText(value, 1);
}

} // namespace rfbind
