// SPDX-License-Identifier: MIT
#include "production/NumberingAdvance.h"

#include "numbering/OnAirId.h"
#include "text/Hex.h"

namespace rfbind {

std::optional<NumberingAdvance::Shown> NumberingAdvance::serialPassed(TProdSN& generator) {
    return serialPassed(generator, generator.IncNextSN());
}

std::optional<NumberingAdvance::Shown> NumberingAdvance::serialPassed(TProdSN& generator,
                                                                      std::int64_t unitValue) {
    const int bytes = generator.IncSNByteCount();
    if (!generator.IsSN() || bytes <= 0)
        return std::nullopt;
    generator.SetIncCurrentSN(unitValue);
    return Shown{hexText(static_cast<std::uint64_t>(generator.IncCurrentSN()), 2 * bytes),
                 hexText(static_cast<std::uint64_t>(generator.IncNextSN()), 2 * bytes)};
}

std::optional<NumberingAdvance::Shown> NumberingAdvance::radioIdPassed(TProdRFID& generator,
                                                                       std::uint32_t unitId) {
    if (generator.IsRandom())
        return std::nullopt;
    generator.SetIncCurrentRFID(static_cast<std::int32_t>(unitId));
    const auto current = static_cast<std::uint32_t>(generator.IncCurrentRFID());
    const auto next = static_cast<std::uint32_t>(generator.NextRFID());
    return Shown{radioIdText(current), radioIdText(next)};
}

NumberingAdvance::Advanced NumberingAdvance::unitPassed(const UnitNumbers& unit,
                                                        const NumberingGenerators& g) {
    Advanced a;
    if (unit.rxSerialValue)
        a.rxSerial = serialPassed(g.rxSN, *unit.rxSerialValue);
    if (unit.txSerialValue)
        a.txSerial = serialPassed(g.txSN, *unit.txSerialValue);
    if (unit.ids) {
        a.rxRadioId = radioIdPassed(g.rxRFID, unit.ids->R);
        a.txRadioId = radioIdPassed(g.txRFID, unit.ids->T);
    }
    return a;
}

} // namespace rfbind
