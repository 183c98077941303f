// SPDX-License-Identifier: MIT
#include "numbering/TProdRFID.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <set>

using namespace rfbind;

namespace {

// Plays back a fixed list of draws and counts the reseeds.
struct ScriptedRandom : RfidRandomSource {
    std::deque<std::uint32_t> draws;
    int* reseeds;
    ScriptedRandom(std::deque<std::uint32_t> d, int* r) : draws(std::move(d)), reseeds(r) {}
    void reseed() override { ++*reseeds; }
    std::uint32_t draw24() override {
        const auto v = draws.front();
        draws.pop_front();
        return v;
    }
};

TProdRFID sequential() {
    TProdRFID g;
    g.SetIsRandom(false);
    return g;
}

bool hasReservedByte(std::uint32_t byte) {
    static const std::set<std::uint32_t> reserved{0x00, 0x0F, 0x55, 0x5A, 0xA5, 0xAA, 0xF0, 0xFF};
    return reserved.count(byte) != 0;
}

} // namespace

TEST(TProdRFID, NewGeneratorIsRandomWithZeroCounters) {
    TProdRFID g;
    EXPECT_TRUE(g.IsRandom());
    EXPECT_EQ(g.IncInitRFID(), 0);
    EXPECT_EQ(g.IncPrevRFID(), 0);
    EXPECT_EQ(g.IncCurrentRFID(), 0);
    g.SetIsRandom(false);
    EXPECT_EQ(g.NextRFID(), 0x000101);
}

struct SequentialRead {
    bool viaInit; // IncInitRFID := start, else IncPrevRFID := start
    std::int32_t start;
    std::int32_t id;
    std::int32_t counterAfter;
};

class TProdRFIDSequential : public testing::TestWithParam<SequentialRead> {};

TEST_P(TProdRFIDSequential, WalksPastRejectedValues) {
    const auto& c = GetParam();
    TProdRFID g = sequential();
    if (c.viaInit)
        g.SetIncInitRFID(c.start);
    else
        g.SetIncPrevRFID(c.start);
    EXPECT_EQ(g.NextRFID(), c.id);
    EXPECT_EQ(g.IncPrevRFID(), c.counterAfter);
}

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Rows, TProdRFIDSequential,
    testing::Values(
        SequentialRead{false, 0, 0x000101, 0x000101},        // middle byte 00 all rejected
        SequentialRead{false, 0x1100FF, 0x120101, 0x110101}, // accepted 11 moved to 12
        SequentialRead{false, 0x24FFFF, 0x260101, 0x260101}, // high byte 25 rejected whole
        SequentialRead{false, 0x1BFFFF, 0x1D0101, 0x1C0101},
        SequentialRead{true, 0x123456, 0x123456, 0x123456},
        SequentialRead{true, 0x123455, 0x123456, 0x123456}, // low byte 55 reserved
        SequentialRead{true, 0x000055, 0x000101, 0x000101},
        SequentialRead{true, 0x290101, 0x2A0101, 0x290101}, // moved, not tested again
        SequentialRead{true, 0x6FFFFE, 0x710101, 0x710101}, // 70 (F0 with bit 7) rejected
        SequentialRead{true, 0, 0x000101, 0x000101},
        // Past 2^24 the IDs start over.
        SequentialRead{true, 0xFFFFFF, 0x000101, 0x1000101},
        // The 32-bit counter wraps without undefined behaviour and keeps the 2^24 period.
        SequentialRead{false, std::numeric_limits<std::int32_t>::max(), 0x000101, kMin32 + 0x101},
        SequentialRead{false, -1, 0x000101, 0x000101},
        SequentialRead{false, -0x1000000 + 0x123455, 0x123456, -0x1000000 + 0x123456}));

TEST(TProdRFID, EveryReadConsumesAnId) {
    TProdRFID g = sequential();
    g.SetIncInitRFID(0x123456);
    EXPECT_EQ(g.NextRFID(), 0x123456);
    EXPECT_EQ(g.NextRFID(), 0x123457);
    g.SetIncCurrentRFID(0x123460);
    EXPECT_EQ(g.IncPrevRFID(), 0x123460);
    EXPECT_EQ(g.NextRFID(), 0x123461);
    EXPECT_EQ(g.NextRFID(), 0x123462);
}

TEST(TProdRFID, ConsumeThenRewindIsStableExceptAfterTheMoveOf29) {
    // Saving reads the next ID and restarts the counter there; doing it twice must not skip.
    TProdRFID g = sequential();
    g.SetIncInitRFID(0x123456);
    g.SetIncInitRFID(g.NextRFID());
    g.SetIncInitRFID(g.NextRFID());
    EXPECT_EQ(g.IncInitRFID(), 0x123456);

    g.SetIncInitRFID(0x290101); // hands out 2A0101, and 2A is rejected on the next read
    g.SetIncInitRFID(g.NextRFID());
    EXPECT_EQ(g.IncInitRFID(), 0x2A0101);
    EXPECT_EQ(g.NextRFID(), 0x2B0101);
}

TEST(TProdRFID, HighBytesRejectedWithBitSevenForced) {
    const std::set<std::uint32_t> rejected{0x25, 0x2A, 0x70, 0x7F, 0xA5, 0xAA, 0xF0, 0xFF};
    for (std::uint32_t h = 0; h < 0x100; ++h)
        EXPECT_EQ(TProdRFID::IsAcceptable((h << 16) | 0x1234), rejected.count(h) == 0)
            << std::hex << h;
    for (std::uint32_t b = 0; b < 0x100; ++b) {
        EXPECT_EQ(TProdRFID::IsAcceptable(0x120034 | (b << 8)), !hasReservedByte(b)) << b;
        EXPECT_EQ(TProdRFID::IsAcceptable(0x123400 | b), !hasReservedByte(b)) << b;
    }
}

TEST(TProdRFID, MovesSixHighBytesUpByOne) {
    for (std::uint32_t h = 0; h < 0x100; ++h) {
        const bool moved =
            h == 0x11 || h == 0x15 || h == 0x19 || h == 0x1C || h == 0x21 || h == 0x29;
        EXPECT_EQ(TProdRFID::MoveHighByte((h << 16) | 0xBEEF), ((moved ? h + 1 : h) << 16) | 0xBEEF)
            << std::hex << h;
    }
}

TEST(TProdRFID, RandomReseedsOncePerReadAndRedrawsRejects) {
    int reseeds = 0;
    auto source = std::make_unique<ScriptedRandom>(
        std::deque<std::uint32_t>{0x000000, 0x251234, 0x291234, 0xFF123456}, &reseeds);
    TProdRFID g(std::move(source));
    g.SetIncPrevRFID(77);
    EXPECT_EQ(g.NextRFID(), 0x2A1234);
    EXPECT_EQ(reseeds, 1);
    EXPECT_EQ(g.NextRFID(), 0x123456) << "bits above 24 are not part of a draw";
    EXPECT_EQ(reseeds, 2);
    EXPECT_EQ(g.IncPrevRFID(), 77) << "random mode leaves the counter alone";
}

TEST(TProdRFID, RandomIdsNeverCarryReservedBytes) {
    const std::set<std::uint32_t> badHigh{0x11, 0x15, 0x19, 0x1C, 0x21, 0x25,
                                          0x70, 0x7F, 0xA5, 0xAA, 0xF0, 0xFF};
    TProdRFID g;
    std::set<std::int32_t> distinct;
    for (int i = 0; i < 100000; ++i) {
        const std::int32_t id = g.NextRFID();
        ASSERT_GE(id, 0);
        ASSERT_LE(id, 0xFFFFFF);
        const auto v = static_cast<std::uint32_t>(id);
        ASSERT_FALSE(hasReservedByte((v >> 8) & 0xFF)) << std::hex << v;
        ASSERT_FALSE(hasReservedByte(v & 0xFF)) << std::hex << v;
        ASSERT_EQ(badHigh.count(v >> 16), 0u) << std::hex << v;
        distinct.insert(id);
    }
    // About 330 repeats are expected among 100000 uniform draws from 2^24 values; many more
    // would mean reseeding from the clock keeps restarting the same sequence.
    EXPECT_GT(distinct.size(), 99000u);
}
