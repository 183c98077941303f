// SPDX-License-Identifier: MIT
#include "text/Hex.h"

namespace rfbind {

std::string hexText(std::uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

std::string hexAddress(std::uint64_t address) { return "0x" + hexText(address, 2); }

} // namespace rfbind
