// SPDX-License-Identifier: MIT
#pragma once

#include "line/NumberKind.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rfbind {

/// A block of counter values [first, last] of one pool and kind, held by one station. Values
/// are the generator's counter (the incrementing part of a serial number, the radio-ID
/// counter), not the text or ID derived from it; the station applies its own rules (skipped
/// IDs, date code) to each value inside the block.
struct Lease {
    std::int64_t id = 0;
    std::string pool;
    NumberKind kind = NumberKind::RxSerial;
    std::string station;
    std::int64_t first = 0;
    std::int64_t last = 0;
    /// The highest value the station has said it may have written into a unit; none yet when
    /// empty.
    std::optional<std::int64_t> lastUsed;

    /// The first value not yet used: where a station resuming this lease goes on.
    std::int64_t nextUnused() const { return lastUsed ? *lastUsed + 1 : first; }
    /// How many values are left after `lastUsed`.
    std::int64_t remaining() const { return last - nextUnused() + 1; }
    bool usedUp() const { return remaining() <= 0; }
    bool contains(std::int64_t value) const { return value >= first && value <= last; }
};

} // namespace rfbind
