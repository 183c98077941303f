// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rfbind::productstring {

/// The receiver reports its product string as a USB string descriptor built from EEPROM
/// words 19 (length field) and 20..42 (two single-byte characters per word, first in the
/// high half). It stores bytes, not characters, so only printable ASCII survives the trip.
inline constexpr int kMaxLength = 46;

/// True for characters the receiver can store and report unchanged: ' ' .. '~'.
constexpr bool isStorableChar(char c) { return c >= 0x20 && c <= 0x7E; }

/// Why a text cannot be written to the receiver.
enum class Problem { None, TooLong, NotPrintableAscii };

/// Checks a text (bytes, UTF-8 where it is not ASCII) against what the receiver can store.
Problem check(std::string_view text);

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

/// Words 20, 21, … holding `text`: characters 2k and 2k+1 in word k, the low half 0 after an
/// odd last character. The caller makes sure the text passes check().
std::vector<std::uint16_t> pack(std::string_view text);

/// Number of words read for n characters: ⌈n / 2⌉.
constexpr int wordCount(int characters) { return (characters + 1) / 2; }

/// The n characters held in `words` (as read from words 20, 21, …).
std::string unpack(const std::vector<std::uint16_t>& words, int characters);

} // namespace rfbind::productstring
