// SPDX-License-Identifier: MIT
#include "production/NumberingAdvance.h"

#include <cstdio>

namespace rfbind {

std::string NumberingAdvance::hexDigits(std::uint64_t value, int digits) {
    char text[40];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::optional<NumberingAdvance::Shown> NumberingAdvance::serialPassed(TProdSN& generator) {
    const int bytes = generator.IncSNByteCount();
    if (!generator.IsSN() || bytes <= 0)
        return std::nullopt;
    generator.SetIncCurrentSN(generator.IncNextSN());
    return Shown{hexDigits(static_cast<std::uint64_t>(generator.IncCurrentSN()), 2 * bytes),
                 hexDigits(static_cast<std::uint64_t>(generator.IncNextSN()), 2 * bytes)};
}

std::optional<NumberingAdvance::Shown> NumberingAdvance::radioIdPassed(TProdRFID& generator,
                                                                       std::uint32_t unitId) {
    if (generator.IsRandom())
        return std::nullopt;
    generator.SetIncCurrentRFID(static_cast<std::int32_t>(unitId));
    const auto current = static_cast<std::uint32_t>(generator.IncCurrentRFID());
    const auto next = static_cast<std::uint32_t>(generator.NextRFID());
    return Shown{hexDigits(current, 6), hexDigits(next, 6)};
}

} // namespace rfbind
