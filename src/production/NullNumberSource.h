// SPDX-License-Identifier: MIT
#pragma once

#include "production/NumberSource.h"

namespace rfbind {

/// A station on its own: its generators alone, as before any line existed.
class NullNumberSource final : public NumberSource {
public:
    std::optional<std::string> refusal() const override { return std::nullopt; }
    std::optional<Refused> prepareUnit(const UnitRecipe&, NumberingGenerators&) override { return std::nullopt; }
    std::pair<std::uint32_t, std::uint32_t> drawRadioIds(NumberingGenerators& g) override {
        const auto r = static_cast<std::uint32_t>(g.rxRFID.NextRFID());
        const auto t = static_cast<std::uint32_t>(g.txRFID.NextRFID());
        return {r, t};
    }
    void attemptJournalled() override {}
    bool offline() const override { return false; }
};

} // namespace rfbind
