// SPDX-License-Identifier: MIT
#include "production/GeneratorNumbers.h"

namespace rfbind {

namespace {

std::optional<std::int64_t> countedValue(const TProdSN& generator) {
    if (!generator.IsSN() || generator.IncSNByteCount() <= 0)
        return std::nullopt;
    return generator.IncNextSN();
}

} // namespace

std::optional<NumberSource::Refused>
GeneratorNumbers::handOut(const UnitRecipe& recipe, NumberingGenerators& g, UnitNumbers& unit) {
    (void)recipe;
    unit = UnitNumbers{};
    unit.rxSerialValue = countedValue(g.rxSN);
    unit.txSerialValue = countedValue(g.txSN);
    unit.rxSerial = UnitNumbers::serialOf(g.rxSN, unit.rxSerialValue);
    unit.txSerial = UnitNumbers::serialOf(g.txSN, unit.txSerialValue);
    return std::nullopt;
}

void GeneratorNumbers::drawRadioIds(UnitNumbers& unit, NumberingGenerators& g) {
    // Drawing moves the sequential counters for good: a unit that fails after this may carry
    // the IDs, so they are not handed out again.
    const auto r = static_cast<std::uint32_t>(g.rxRFID.NextRFID());
    const auto t = static_cast<std::uint32_t>(g.txRFID.NextRFID());
    unit.ids = RadioIdPair::fromNextIds(r, t);
}

} // namespace rfbind
