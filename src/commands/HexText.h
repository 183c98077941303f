// SPDX-License-Identifier: MIT
#pragma once

#include "text/Hex.h"

#include <cstdint>
#include <string>

namespace rfbind {

/// A status answer byte as its field shows it: zero as "00", anything else without a leading
/// zero ("5", "A0", "BB").
std::string statusByteText(std::uint8_t value);

} // namespace rfbind
