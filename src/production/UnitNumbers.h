// SPDX-License-Identifier: MIT
#pragma once

#include "numbering/TProdSN.h"
#include "production/RadioIdPair.h"
#include "production/UnitPlan.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rfbind {

/// Every number one unit carries, as its number source handed them out: the two serial
/// numbers (and the counter values behind them), the radio IDs once the unit reached them, and
/// the pool they come from. The run writes these to the unit and tells the source the unit's
/// result with them; it never reads a number off a generator itself.
struct UnitNumbers {
    UnitSerial rxSerial;
    UnitSerial txSerial;
    /// The incrementing part each serial number was made with, when the generator counts
    /// (serial numbers on, an incrementing part): the value a passed unit advances it past.
    std::optional<std::int64_t> rxSerialValue;
    std::optional<std::int64_t> txSerialValue;
    /// Drawn only by a unit that reached its radio IDs, whatever its result.
    std::optional<RadioIdPair> ids;
    /// The pool, as the unit's journal line names it; empty for a station on its own.
    std::string pool;

    /// The serial number `generator` makes with `value` as its incrementing part, or with the
    /// generator's next value when it does not count (`value` empty).
    static UnitSerial serialOf(const TProdSN& generator, std::optional<std::int64_t> value);
};

} // namespace rfbind
