// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rfbind::productstring {

/// The receiver reports its product string as a USB string descriptor built from EEPROM
/// words 19 (length field) and 20..42 (two single-byte characters per word, first in the
/// high half). It stores one byte per character and reports each byte as the character of
/// that number, so exactly the characters of Latin-1 survive the trip; of those, the control
/// characters are refused as well.
inline constexpr int kMaxLength = 46;

/// True for the characters the receiver can store and report unchanged: U+0020..U+007E and
/// U+00A0..U+00FF, the printable characters that are one byte in Latin-1.
constexpr bool isStorable(char32_t c) {
    return (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF);
}

/// Why a text cannot be written to the receiver.
enum class Problem { None, TooLong, NotLatin1 };

/// Checks a text in UTF-8 against what the receiver can store: every character storable
/// (else NotLatin1, also for bytes that are not UTF-8), at most kMaxLength characters (not
/// bytes; else TooLong). A character problem is reported before the length.
Problem check(std::string_view utf8);

/// What check() found, with the first character refused and a reason in plain English for
/// the person who typed or stored the text.
struct Refusal {
    Problem problem = Problem::None;
    std::string character; ///< the first refused character in UTF-8; empty unless NotLatin1
    std::string reason;    ///< one sentence; empty when problem is None
};

/// check() with its explanation.
Refusal explain(std::string_view utf8);

/// The bytes the receiver stores for a text: one Latin-1 byte per character.
/// Precondition: check(utf8) == Problem::None.
std::string toReceiverBytes(std::string_view utf8);

/// The text (UTF-8) of bytes the receiver reported: each byte is the Latin-1 character of
/// that number.
std::string fromReceiverBytes(std::string_view bytes);

/// Length field L = 2 + 2n for n characters (the length of a string descriptor).
constexpr int lengthField(int characters) { return 2 + 2 * characters; }

/// Characters described by a length field: (L − 2) / 2 truncated toward zero, at most 46;
/// 0 when that is not positive.
constexpr int characterCount(int lengthField) {
    const int n = (lengthField - 2) / 2;
    if (n <= 0)
        return 0;
    return n > kMaxLength ? kMaxLength : n;
}

/// Words 20, 21, … holding the receiver bytes `bytes` (see toReceiverBytes): characters 2k
/// and 2k+1 in word k, the low half 0 after an odd last character.
std::vector<std::uint16_t> pack(std::string_view bytes);

/// Number of words read for n characters: ⌈n / 2⌉.
constexpr int wordCount(int characters) { return (characters + 1) / 2; }

/// The n character bytes held in `words` (as read from words 20, 21, …).
std::string unpack(const std::vector<std::uint16_t>& words, int characters);

} // namespace rfbind::productstring
