// SPDX-License-Identifier: MIT
#include "production/NumberingAdvance.h"
#include "production/RunSteps.h"

#include <gtest/gtest.h>

namespace rs = rfbind::runsteps;
using rfbind::NumberingAdvance;

TEST(RunSteps, DurationsShowSecondsWithThreeDigitsOfMilliseconds) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {12045, "12.045"}, {9, "0.009"}, {0, "0.000"}, {60000, "60.000"}, {1500, "1.500"}};
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(rs::secondsText(ms), text) << ms;
}

TEST(RunSteps, EraseProgressEndsAtTwenty) {
    EXPECT_EQ(rs::transmitterEraseProgress(0), 0);
    EXPECT_EQ(rs::transmitterEraseProgress(63), 10);
    EXPECT_EQ(rs::transmitterEraseProgress(127), 20);
    EXPECT_EQ(rs::receiverEraseProgress(0), 0);
    EXPECT_EQ(rs::receiverEraseProgress(61), 19);
    EXPECT_EQ(rs::receiverEraseProgress(62), 20);
    EXPECT_EQ(rs::receiverEraseProgress(63), 20);
}

TEST(NumberingAdvance, APassedUnitRecordsItsSerialNumber) {
    rfbind::TProdSN sn;
    EXPECT_FALSE(NumberingAdvance::serialPassed(sn)) << "serial number off";
    EXPECT_EQ(sn.IncCurrentSN(), 0);

    sn.SetIsSN(true);
    sn.SetIncInitSN(0x0100);
    EXPECT_EQ(NumberingAdvance::serialPassed(sn), (NumberingAdvance::Shown{"0100", "0101"}));
    EXPECT_EQ(sn.IncNextSN(), 0x0101);

    sn.SetIsDate(false);
    sn.SetIncSNByteCount(4);
    EXPECT_EQ(NumberingAdvance::serialPassed(sn), (NumberingAdvance::Shown{"00000101", "00000102"}));

    sn.SetFixSNByteCount(6); // no incrementing part left: nothing to advance
    EXPECT_FALSE(NumberingAdvance::serialPassed(sn));
}

TEST(NumberingAdvance, APassedUnitRecordsItsRadioIdAndConsumesTheNextOne) {
    rfbind::TProdRFID id;
    EXPECT_FALSE(NumberingAdvance::radioIdPassed(id, 0x123456)) << "random mode";
    EXPECT_EQ(id.IncCurrentRFID(), 0);

    id.SetIsRandom(false);
    EXPECT_EQ(NumberingAdvance::radioIdPassed(id, 0x123456),
              (NumberingAdvance::Shown{"123456", "123457"}));
    EXPECT_EQ(id.IncCurrentRFID(), 0x123456);
    EXPECT_EQ(id.NextRFID(), 0x123458) << "the ID shown as next was consumed";
}
