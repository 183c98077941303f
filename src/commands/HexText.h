// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace rfbind {

/// Upper-case hexadecimal of a 32-bit value with at least `minDigits` digits: the form the
/// station's read fields show (a byte as "0A", a failed read of -1 as "FFFFFFFF").
std::string hexText(std::uint32_t value, int minDigits = 2);

/// A status answer byte as its field shows it: zero as "00", anything else without a leading
/// zero ("5", "A0", "BB").
std::string statusByteText(std::uint8_t value);

} // namespace rfbind
