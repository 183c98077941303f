// SPDX-License-Identifier: MIT
#include "commands/ProductString.h"

#include "text/Hex.h"

#include <optional>

namespace rfbind::productstring {

namespace {

// The next code point of `text` from `pos` (advanced past it); nothing for bytes that are
// not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    int extra = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (pos + static_cast<std::size_t>(extra) >= text.size())
        return std::nullopt; // cut off at the end
    for (int k = 1; k <= extra; ++k) {
        const unsigned char b = byte(pos + static_cast<std::size_t>(k));
        if ((b & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    pos += static_cast<std::size_t>(extra) + 1;
    return c;
}

std::string codePointName(char32_t c) { return "U+" + hexText(static_cast<std::uint32_t>(c), 4); }

} // namespace

Refusal explain(std::string_view utf8) {
    Refusal r;
    int characters = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const auto c = nextCodePoint(utf8, pos);
        if (!c) {
            r.problem = Problem::NotLatin1;
            r.reason = "it holds bytes that are not text (not UTF-8); the receiver can store "
                       "only Latin-1 characters.";
            return r;
        }
        if (!isStorable(*c)) {
            r.problem = Problem::NotLatin1;
            r.character = std::string(utf8.substr(start, pos - start));
            const bool control = *c < 0x20 || (*c >= 0x7F && *c <= 0x9F);
            r.reason = (control ? "it holds a control character (" + codePointName(*c) + ")"
                                : "\"" + r.character + "\" (" + codePointName(*c) +
                                      ") is not a Latin-1 character") +
                       "; the receiver stores one byte per character, so only letters, digits, "
                       "blanks and signs of Latin-1 can be used.";
            return r;
        }
        ++characters;
    }
    if (characters > kMaxLength) {
        r.problem = Problem::TooLong;
        r.reason = "it has " + std::to_string(characters) + " characters; the receiver stores "
                   "at most " + std::to_string(kMaxLength) + ".";
    }
    return r;
}

Problem check(std::string_view utf8) { return explain(utf8).problem; }

std::string toReceiverBytes(std::string_view utf8) {
    std::string bytes;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto c = nextCodePoint(utf8, pos);
        if (!c)
            break; // outside the precondition: nothing sensible follows
        bytes.push_back(static_cast<char>(static_cast<unsigned char>(*c)));
    }
    return bytes;
}

std::string fromReceiverBytes(std::string_view bytes) {
    std::string text;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            text.push_back(ch);
        } else {
            text.push_back(static_cast<char>(0xC0 | (b >> 6)));
            text.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return text;
}

std::vector<std::uint16_t> pack(std::string_view bytes) {
    std::vector<std::uint16_t> words;
    words.reserve(static_cast<std::size_t>(wordCount(static_cast<int>(bytes.size()))));
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const auto high = static_cast<std::uint8_t>(bytes[i]);
        const auto low = i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[i + 1]) : 0;
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
