// SPDX-License-Identifier: MIT
#include "production/UnitNumbers.h"

namespace rfbind {

UnitSerial UnitNumbers::serialOf(const TProdSN& generator, std::optional<std::int64_t> value) {
    const std::int64_t inc = value ? *value : generator.IncNextSN();
    UnitSerial serial{generator.GetSNText(inc), std::nullopt};
    if (generator.IsSN())
        serial.bytes = generator.GetSNBytes(inc);
    return serial;
}

} // namespace rfbind
