// SPDX-License-Identifier: MIT
#pragma once

#include "production/NumberingGenerators.h"
#include "production/RunOutcome.h"
#include "production/UnitRecipe.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace rfbind {

/// Where a station's numbers come from beyond its own generators, and where its attempts go:
/// nothing more for a station on its own (`NullNumberSource`), the line's ledger for a station
/// on a line. The runs call it at three points of every unit: before anything is written to
/// the unit, where the radio IDs are drawn, and after the attempt is journalled.
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

    /// Before the first byte is written to a unit: makes every number the unit will draw this
    /// station's to use (and recorded as possibly used), moving the generators where needed.
    /// A refusal means nothing may be written to the unit.
    virtual std::optional<Refused> prepareUnit(const UnitRecipe& recipe,
                                               NumberingGenerators& generators) = 0;

    /// The unit's receiver and transmitter radio IDs, as `TProdRFID::NextRFID` gives them.
    /// Only after a `prepareUnit` that did not refuse.
    virtual std::pair<std::uint32_t, std::uint32_t> drawRadioIds(NumberingGenerators& generators) = 0;

    /// The pool a unit of `recipe` is numbered from, as its journal line names it; empty for a
    /// station on its own, which numbers from no pool, and for a line that cannot be used.
    virtual std::string unitPool(const UnitRecipe& recipe,
                                 const NumberingGenerators& generators) const {
        (void)recipe;
        (void)generators;
        return {};
    }

    /// After an attempt's journal line was written. Never fails the unit.
    virtual void attemptJournalled() = 0;

    /// True while a configured line cannot be reached (what the operator is shown).
    virtual bool offline() const = 0;
};

} // namespace rfbind
