// SPDX-License-Identifier: MIT
#include "commands/ProductString.h"

namespace rfbind::productstring {

Problem check(std::string_view text) {
    for (char c : text)
        if (!isStorableChar(c))
            return Problem::NotPrintableAscii;
    if (text.size() > static_cast<std::size_t>(kMaxLength))
        return Problem::TooLong;
    return Problem::None;
}

std::vector<std::uint16_t> pack(std::string_view text) {
    std::vector<std::uint16_t> words;
    words.reserve(static_cast<std::size_t>(wordCount(static_cast<int>(text.size()))));
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto high = static_cast<std::uint8_t>(text[i]);
        const auto low = i + 1 < text.size() ? static_cast<std::uint8_t>(text[i + 1]) : 0;
        words.push_back(static_cast<std::uint16_t>(high * 256 + low));
    }
    return words;
}

std::string unpack(const std::vector<std::uint16_t>& words, int characters) {
    std::string text;
    for (int k = 0; k < characters; ++k) {
        const auto w = static_cast<std::size_t>(k / 2) < words.size() ? words[k / 2] : 0;
        text.push_back(static_cast<char>(k % 2 == 0 ? w >> 8 : w & 0xFF));
    }
    return text;
}

} // namespace rfbind::productstring
