// SPDX-License-Identifier: MIT
#pragma once

#include "numbering/TProdRFID.h"
#include "numbering/TProdSN.h"
#include "production/NumberingGenerators.h"
#include "production/UnitNumbers.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rfbind {

/// What a passed unit does to the numbering generators, and the texts the numbering panels
/// then show. A failed unit never comes here: its serial numbers are handed out again and
/// only the radio-ID counters (moved by drawing the unit's IDs) stay advanced.
class NumberingAdvance {
public:
    /// The two read-only fields of a panel row: the value the unit used and the next one.
    struct Shown {
        std::string current;
        std::string next;
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    /// Serial number: when it is on and has an incrementing part, `IncCurrentSN` takes the
    /// value the unit received (`IncNextSN` before the call), so the next unit gets the one
    /// after it. Both shown as 2×I upper-case hex digits. Nothing otherwise (no change).
    static std::optional<Shown> serialPassed(TProdSN& generator);

    /// The same for a unit whose serial number was made with `unitValue`: the generator goes
    /// on after the value the unit carries, wherever its counter stood.
    static std::optional<Shown> serialPassed(TProdSN& generator, std::int64_t unitValue);

    /// Radio ID in sequential mode: `IncCurrentRFID` := the ID the unit received, and the next
    /// ID is read for the panel, which consumes it (the next unit receives the one after it).
    /// Both as six hex digits. Nothing in random mode (no change).
    static std::optional<Shown> radioIdPassed(TProdRFID& generator, std::uint32_t unitId);

    /// What the four panels show after a passed unit; empty for a generator that did not move.
    struct Advanced {
        std::optional<Shown> rxSerial;
        std::optional<Shown> txSerial;
        std::optional<Shown> rxRadioId;
        std::optional<Shown> txRadioId;
    };

    /// All four generators past the numbers `unit` carries (its serial values, its radio IDs
    /// when it drew them).
    static Advanced unitPassed(const UnitNumbers& unit, const NumberingGenerators& generators);
};

} // namespace rfbind
