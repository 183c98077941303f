// SPDX-License-Identifier: MIT
#include "numbering/OnAirId.h"

#include <gtest/gtest.h>

using namespace rfbind;

TEST(OnAirId, ATransmitterIdTheSameOnAirAsItsReceiversMovesOnByOne) {
    struct Case {
        std::uint32_t rx, tx, expected;
    };
    for (Case c : {Case{0x120101, 0x120101, 0x120102}, Case{0x120101, 0x120102, 0x120102},
                   // Bit 23 is set in both EEPROMs: these are one address on air.
                   Case{0x012345, 0x812345, 0x812346}, Case{0x812345, 0x012345, 0x012346},
                   Case{0x000101, 0x7E0101, 0x7E0101}}) {
        const std::uint32_t tx = transmitterIdApartFrom(c.rx, c.tx);
        EXPECT_EQ(tx, c.expected) << std::hex << c.rx << " " << c.tx;
        EXPECT_FALSE(sameOnAir(c.rx, tx));
    }
}

TEST(OnAirId, TextIsSixUpperCaseDigitsOfTheIdAsDrawn) {
    EXPECT_EQ(radioIdText(0x00ABCD), "00ABCD");
    EXPECT_EQ(radioIdText(0x812345), "812345");
    EXPECT_EQ(radioIdText(0), "000000");
}
