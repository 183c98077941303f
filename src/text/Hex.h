// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace rfbind {

/// Upper-case hexadecimal of `value` with at least `digits` digits (and at least one), more
/// when the value needs them: a byte as "0A", a radio ID as "12A5B6", a failed read of -1
/// held in 32 bits as "FFFFFFFF". The one spelling of hex numbers the station writes, in its
/// fields, logs, failure reasons and the line's database alike.
std::string hexText(std::uint64_t value, int digits = 2);

/// An EEPROM address as a failure reason names it: "0x" and at least two digits ("0x1C").
std::string hexAddress(std::uint64_t address);

} // namespace rfbind
