// SPDX-License-Identifier: MIT
// A station on its own: what a unit's result does to the numbers the next unit is handed.
#include "production/GeneratorNumbers.h"

#include "RunBench.h"

#include <gtest/gtest.h>

using namespace rfbind;

TEST(GeneratorNumbers, AUnitsResultDecidesWhatTheNextUnitIsHanded) {
    struct Case {
        const char* name;
        bool drewIds;
        bool passed;
        const char* nextSerial;
        std::uint32_t nextR, nextT;
    };
    const Case cases[] = {
        // A pass goes on after the unit's numbers; the panel's read of the next radio ID
        // consumes it, so the next unit gets the one after.
        {"passed", true, true, "00004142-0006", 0x123458, 0x34567A},
        // Its serial number goes to the next unit; the IDs it drew it may carry, so not them.
        {"failed after its radio IDs", true, false, "00004142-0005", 0x123457, 0x345679},
        {"failed before its radio IDs", false, false, "00004142-0005", 0x123456, 0x345678},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TProdSN rxSN, txSN;
        TProdRFID rxRFID, txRFID;
        test::freshStationGenerators(rxSN, txSN, rxRFID, txRFID);
        txSN.SetIsSN(false);
        NumberingGenerators g{rxSN, txSN, rxRFID, txRFID};
        GeneratorNumbers source;

        UnitNumbers unit;
        ASSERT_FALSE(source.handOut(UnitRecipe{}, g, unit));
        EXPECT_EQ(unit.rxSerial.text, "00004142-0005");
        EXPECT_EQ(unit.rxSerialValue, 5);
        EXPECT_FALSE(unit.txSerialValue) << "a generator that is off does not count";
        if (c.drewIds)
            source.drawRadioIds(unit, g);
        if (c.passed)
            EXPECT_EQ(source.unitPassed(unit, g).rxSerial->current, "0005");
        else
            source.unitFailed(unit);

        UnitNumbers next;
        ASSERT_FALSE(source.handOut(UnitRecipe{}, g, next));
        source.drawRadioIds(next, g);
        EXPECT_EQ(next.rxSerial.text, c.nextSerial);
        EXPECT_EQ(next.ids->R, c.nextR);
        EXPECT_EQ(next.ids->T, c.nextT);
    }
}
