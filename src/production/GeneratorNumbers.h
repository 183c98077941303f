// SPDX-License-Identifier: MIT
#pragma once

#include "production/NumberSource.h"

namespace rfbind {

/// A station on its own: every number straight from its generators, as before any line
/// existed. A failed unit leaves the serial counters where they were, so the next unit gets
/// its serial numbers; the radio-ID counters stay where its draw moved them.
class GeneratorNumbers final : public NumberSource {
public:
    std::optional<std::string> refusal() const override { return std::nullopt; }
    std::optional<Refused> handOut(const UnitRecipe& recipe, NumberingGenerators& generators,
                                   UnitNumbers& unit) override;
    void drawRadioIds(UnitNumbers& unit, NumberingGenerators& generators) override;
    void attemptJournalled() override {}
    bool offline() const override { return false; }
};

} // namespace rfbind
