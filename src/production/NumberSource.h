// SPDX-License-Identifier: MIT
#pragma once

#include "production/NumberingAdvance.h"
#include "production/NumberingGenerators.h"
#include "production/RunOutcome.h"
#include "production/UnitNumbers.h"
#include "production/UnitRecipe.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace rfbind {

/// Where a unit's numbers come from, and where its attempts go: the station's generators alone
/// for a station on its own (`GeneratorNumbers`), the blocks leased from the line's ledger for
/// a station on a line. The runs call it at these points of every unit: before anything is
/// written to the unit (its numbers are handed out), where the radio IDs are drawn, when the
/// unit's result is known (PASS commits its numbers, FAIL gives them back), and after the
/// attempt is journalled.
class NumberSource {
public:
    virtual ~NumberSource() = default;

    /// Why no unit may be programmed at all (a line configured but unusable), checked when Go
    /// is pressed; nothing when units may be programmed.
    virtual std::optional<std::string> refusal() const = 0;

    /// A refused unit: the reason and its detail.
    struct Refused {
        FailReason reason = FailReason::None;
        std::string detail;
    };

    /// Before the first byte is written to a unit: hands out the unit's serial numbers and
    /// pool into `unit`, and makes every number the unit will draw this station's to use (and
    /// recorded as possibly used). The generators' counters are read, never moved here: a
    /// passed unit moves them past its numbers (`unitPassed`). A refusal means nothing may be
    /// written to the unit.
    virtual std::optional<Refused> handOut(const UnitRecipe& recipe,
                                           NumberingGenerators& generators, UnitNumbers& unit) = 0;

    /// The unit's receiver and transmitter radio IDs into `unit.ids`, once the unit reached
    /// them. Only after a `handOut` that did not refuse.
    virtual void drawRadioIds(UnitNumbers& unit, NumberingGenerators& generators) = 0;

    /// The unit was programmed and paired, and is about to pass: whether every number it
    /// carries is confirmed this station's. A source that records uses while the unit runs
    /// answers here what it was told; a refusal makes the unit FAIL with that reason (its
    /// numbers are then given back as for any failed unit). Called after the last byte was
    /// written, so it should not have to wait.
    virtual std::optional<Refused> confirm(const UnitNumbers& unit) {
        (void)unit;
        return std::nullopt;
    }

    /// The unit passed: the generators go on after the numbers it carries (the caller stores
    /// them before the unit is logged). What the numbering panels now show.
    virtual NumberingAdvance::Advanced unitPassed(const UnitNumbers& unit,
                                                  NumberingGenerators& generators) {
        return NumberingAdvance::unitPassed(unit, generators);
    }

    /// The unit failed: its serial numbers are handed out again to the next unit. Radio IDs it
    /// drew are not: it may carry them.
    virtual void unitFailed(const UnitNumbers& unit) { (void)unit; }

    /// The pool a unit of `recipe` is numbered from, as its journal line names it; empty for a
    /// station on its own, which numbers from no pool, and for a line that cannot be used.
    virtual std::string unitPool(const UnitRecipe& recipe,
                                 const NumberingGenerators& generators) const {
        (void)recipe;
        (void)generators;
        return {};
    }

    /// Held while a passed unit's numbers are committed, stored and logged: on a gang station
    /// the slots' units end one after the other, so the log and the journal get whole lines
    /// in the order units end. Nothing to hold for a station on its own.
    virtual std::unique_lock<std::mutex> unitEnding() { return {}; }

    /// From now on several units may be out at once (the slots of a gang station), each
    /// handed out, confirmed and ended on its own, with every call made by one thread at a
    /// time. Called once, before the first unit.
    virtual void handOutForSlots() {}

    /// After an attempt's journal line was written. Never fails the unit.
    virtual void attemptJournalled() = 0;

    /// True while a configured line cannot be reached (what the operator is shown).
    virtual bool offline() const = 0;
};

} // namespace rfbind
