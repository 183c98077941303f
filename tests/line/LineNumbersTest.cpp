// SPDX-License-Identifier: MIT
// A station on a line hands out numbers from the blocks it leased, reading its generators but
// never moving their counters; a unit's result decides what the next unit is handed.
#include "line/LeaseFile.h"
#include "line/LineNumbering.h"

#include "production/RunBench.h"

#include <gtest/gtest.h>

using namespace rfbind;
using namespace rfbind::test;

TEST(LineNumbers, TheLeasesHandOutTheNumbersAndTheResultDecidesTheNext) {
    struct Case {
        const char* name;
        bool drewIds;
        bool passed;
        std::int64_t operatorSetsSerial; ///< the operator starts the serial numbers here; 0: not
        std::int64_t nextSerial;
        std::uint32_t nextR, nextT;
    };
    const Case cases[] = {
        // The generators go on after the unit's values; the panels' read of the next radio
        // ID consumes one.
        {"passed", true, true, 0, 106, 0x123462, 0x34567A},
        // Its serial number goes to the next unit, its radio IDs (it may carry them) do not.
        {"failed after its radio IDs", true, false, 0, 105, 0x123461, 0x345679},
        {"failed before its radio IDs", false, false, 0, 105, 0x123460, 0x345678},
        {"failed, then the serial numbers set anew", false, false, 120, 120, 0x123460, 0x345678},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each counter below its lease but the transmitter's radio ID, inside its lease.
        TProdSN rxSN, txSN;
        TProdRFID rxRFID, txRFID;
        freshStationGenerators(rxSN, txSN, rxRFID, txRFID);
        NumberingGenerators g{rxSN, txSN, rxRFID, txRFID};
        const auto counters = [&] {
            return std::array{rxSN.IncPrevSN(), txSN.IncPrevSN(),
                              std::int64_t{rxRFID.IncPrevRFID()},
                              std::int64_t{txRFID.IncPrevRFID()}};
        };
        const auto before = counters();

        // A ledger that cannot be reached: the station numbers inside the leases it holds.
        TempFolder folder;
        const auto lease = [](std::int64_t id, NumberKind kind, std::int64_t first,
                              std::int64_t last, std::optional<std::int64_t> lastUsed) {
            return Lease{id, "mouse-a", kind, "station-a", first, last, lastUsed};
        };
        ASSERT_TRUE(LeaseFile(std::filesystem::path(folder.path) / "Line-leases.ini")
                        .save({lease(1, NumberKind::RxSerial, 100, 149, 104),
                               lease(4, NumberKind::TxSerial, 200, 249, {}),
                               lease(2, NumberKind::RxRadioId, 0x123460, 0x12347F, {}),
                               lease(3, NumberKind::TxRadioId, 0x345660, 0x34567F, {})}));
        LineConfig config;
        config.database = "postgresql://nobody@127.0.0.1:1/none";
        config.station = "station-a";
        config.product = "mouse-a";
        LineNumbering line(config, folder.path);
        ASSERT_TRUE(line.offline());

        UnitNumbers unit;
        ASSERT_FALSE(line.handOut(UnitRecipe{}, g, unit));
        EXPECT_EQ(unit.pool, "mouse-a");
        EXPECT_EQ(unit.rxSerialValue, 105);
        EXPECT_EQ(unit.rxSerial.text, "00004142-0069");
        EXPECT_EQ(unit.txSerialValue, 200);
        EXPECT_EQ(line.lease(NumberKind::RxSerial)->lastUsed, 105) << "recorded before use";
        if (c.drewIds) {
            line.drawRadioIds(unit, g);
            EXPECT_EQ(unit.ids->R, 0x123460u);
            EXPECT_EQ(unit.ids->T, 0x345678u);
        }
        EXPECT_EQ(counters(), before) << "the line moves no generator's counter";
        if (c.passed) {
            line.unitPassed(unit, g);
            EXPECT_EQ(rxSN.IncCurrentSN(), 105) << "TX.ini goes on after the unit's value";
        } else {
            line.unitFailed(unit);
        }
        if (c.operatorSetsSerial != 0)
            rxSN.SetIncInitSN(c.operatorSetsSerial);

        UnitNumbers next;
        ASSERT_FALSE(line.handOut(UnitRecipe{}, g, next));
        line.drawRadioIds(next, g);
        EXPECT_EQ(next.rxSerialValue, c.nextSerial);
        EXPECT_EQ(next.ids->R, c.nextR);
        EXPECT_EQ(next.ids->T, c.nextT);
    }
}
