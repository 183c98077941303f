// SPDX-License-Identifier: MIT
#include "production/RadioIdPair.h"

#include <gtest/gtest.h>

using rfbind::RadioIdPair;

TEST(RadioIdPair, BytesCarryTheTopBitsAndTheChecksumsCoverEachId) {
    const auto p = RadioIdPair::fromNextIds(0x123456, 0x345678);
    EXPECT_EQ(p.bytes(), (std::array<std::uint8_t, 6>{0x92, 0x34, 0x56, 0xB4, 0x56, 0x78}));
    EXPECT_EQ(p.receiverIdChecksum(), 0x0F);    // 92 ^ 34 ^ 56 ^ FF
    EXPECT_EQ(p.transmitterIdChecksum(), 0x65); // B4 ^ 56 ^ 78 ^ FF
}

TEST(RadioIdPair, IdsTheSameOnAirGiveTheTransmitterTheNextValue) {
    struct Case {
        std::uint32_t rx, tx, r, t;
    };
    for (Case c : {Case{0x120101, 0x120101, 0x120101, 0x120102},
                   Case{0x120101, 0x120102, 0x120101, 0x120102},
                   Case{0x000101, 0x7E0101, 0x000101, 0x7E0101},
                   // Both are written with bit 23 set: these two are one address on air.
                   Case{0x012345, 0x812345, 0x012345, 0x812346},
                   Case{0x812345, 0x012345, 0x812345, 0x012346}}) {
        const auto p = RadioIdPair::fromNextIds(c.rx, c.tx);
        EXPECT_EQ(p.R, c.r);
        EXPECT_EQ(p.T, c.t);
        const auto b = p.bytes();
        EXPECT_FALSE(b[0] == b[3] && b[1] == b[4] && b[2] == b[5]) << "receiver and transmitter differ on air";
    }
}
