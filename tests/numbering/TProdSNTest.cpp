// SPDX-License-Identifier: MIT
#include "numbering/TProdSN.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>

using namespace rfbind;

namespace {

LocalDateSource on(int y, int m, int d) {
    return [=] { return LocalDate{y, m, d}; };
}

// A generator on 1 January 2009 (date code 0x1201) with the given layout.
TProdSN layout(bool date, int fixCount) {
    TProdSN g(on(2009, 1, 1));
    g.SetIsDate(date);
    g.SetFixSNByteCount(fixCount);
    return g;
}

} // namespace

TEST(TProdSN, NewGeneratorHasTheBatchDefaults) {
    TProdSN g(on(2009, 1, 1));
    EXPECT_FALSE(g.IsSN());
    EXPECT_TRUE(g.IsDate());
    EXPECT_EQ(g.FixSNByteCount(), 2);
    EXPECT_EQ(g.IncSNByteCount(), 2);
    EXPECT_EQ(g.FixSN(), 0);
    EXPECT_TRUE(g.IsFixAscii());
    EXPECT_EQ(g.IncInitSN(), 0);
    EXPECT_EQ(g.IncPrevSN(), -1);
    EXPECT_EQ(g.IncCurrentSN(), 0);
    EXPECT_EQ(g.IncNextSN(), 0);
    EXPECT_EQ(g.GetSNText(), "");
    g.SetIsSN(true);
    EXPECT_EQ(g.GetSNText(), "1201-0000-0000");
}

struct DateSwitch {
    bool dateBefore;
    int fixBefore;
    bool dateAfter;
    int fixAfter, incAfter;
};

class TProdSNDateSwitch : public testing::TestWithParam<DateSwitch> {};

TEST_P(TProdSNDateSwitch, KeepsSixBytes) {
    const auto& c = GetParam();
    TProdSN g = layout(c.dateBefore, c.fixBefore);
    ASSERT_EQ(g.FixSNByteCount(), c.fixBefore);
    g.SetIsDate(c.dateAfter);
    EXPECT_EQ(g.FixSNByteCount(), c.fixAfter);
    EXPECT_EQ(g.IncSNByteCount(), c.incAfter);
}

INSTANTIATE_TEST_SUITE_P(Rows, TProdSNDateSwitch,
                         testing::Values(DateSwitch{true, 2, false, 4, 2}, // fixed part takes both
                                         DateSwitch{false, 4, true, 2, 2}, // and gives them back
                                         DateSwitch{false, 1, true, 1, 3}, // F < 2: from I
                                         DateSwitch{false, 2, true, 0, 4}, // F = 2 gives both
                                         DateSwitch{false, 0, true, 0, 4},
                                         DateSwitch{false, 6, true, 4, 0},
                                         DateSwitch{true, 0, false, 2, 4},
                                         DateSwitch{true, 2, true, 2, 2})); // no change, no effect

struct CountChange {
    bool date;
    bool fixSetter; // else IncSNByteCount
    int n;
    int fixAfter, incAfter;
};

class TProdSNCountChange : public testing::TestWithParam<CountChange> {};

TEST_P(TProdSNCountChange, TakesOnlyCountsThatFit) {
    const auto& c = GetParam();
    TProdSN g = layout(c.date, c.date ? 2 : 3);
    if (c.fixSetter)
        g.SetFixSNByteCount(c.n);
    else
        g.SetIncSNByteCount(c.n);
    EXPECT_EQ(g.FixSNByteCount(), c.fixAfter);
    EXPECT_EQ(g.IncSNByteCount(), c.incAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TProdSNCountChange,
    testing::Values(CountChange{true, true, 5, 2, 2}, CountChange{true, true, -1, 2, 2},
                    CountChange{true, true, 4, 4, 0}, CountChange{true, false, 4, 0, 4},
                    CountChange{true, false, 5, 2, 2}, CountChange{false, true, 6, 6, 0},
                    CountChange{false, true, 7, 3, 3}, CountChange{false, false, 6, 0, 6},
                    CountChange{false, false, -2, 3, 3}));

TEST(TProdSN, CounterSettersAndWrapAround) {
    TProdSN g(on(2009, 1, 1));
    g.SetIncInitSN(0x10);
    EXPECT_EQ(g.IncPrevSN(), 0x0F);
    EXPECT_EQ(g.IncNextSN(), 0x10);
    g.SetIncCurrentSN(0x10);
    EXPECT_EQ(g.IncPrevSN(), 0x10);
    EXPECT_EQ(g.IncNextSN(), 0x11);
    EXPECT_EQ(g.IncNextSN(), 0x11) << "reading must not move the counter";

    g.SetIncCurrentSN(0xFFFF); // I = 2 wraps with no carry into the fixed part
    EXPECT_EQ(g.IncNextSN(), 0);
    g.SetIncSNByteCount(1);
    g.SetIncPrevSN(0xFF);
    EXPECT_EQ(g.IncNextSN(), 0);
    g.SetIncSNByteCount(0);
    g.SetIncPrevSN(41);
    EXPECT_EQ(g.IncNextSN(), 0);
}

TEST(TProdSN, ExtremeCountersWrapAsSixtyFourBits) {
    TProdSN g(on(2009, 1, 1));
    g.SetIncInitSN(std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(g.IncPrevSN(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(g.IncNextSN(), 0);
    // A negative counter keeps its sign, and its low bytes are still the right serial bytes.
    g.SetIncPrevSN(-5);
    EXPECT_EQ(g.IncNextSN(), -4);
    EXPECT_EQ(g.GetSNByte(4), 0xFF);
    EXPECT_EQ(g.GetSNByte(5), 0xFC);
}

struct Serial {
    bool date;
    int fixCount;
    std::int64_t fixSN;
    std::int64_t prev;
    std::array<std::uint8_t, 6> bytes;
    const char* text;
};

class TProdSNSerial : public testing::TestWithParam<Serial> {};

TEST_P(TProdSNSerial, BytesAndText) {
    const auto& c = GetParam();
    TProdSN g = layout(c.date, c.fixCount);
    g.SetIsSN(true);
    g.SetFixSN(c.fixSN);
    g.SetIncPrevSN(c.prev);
    EXPECT_EQ(g.GetSNBytes(), c.bytes);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(g.GetSNByte(i), c.bytes[static_cast<std::size_t>(i)]) << "byte " << i;
    EXPECT_EQ(g.GetSNText(), c.text);

    // The same serial number from a generator whose counter stands elsewhere, given the
    // value (as a line hands out a value from its lease): the counter stays where it was.
    g.SetIncPrevSN(c.prev + 1000);
    EXPECT_EQ(g.GetSNBytes(c.prev + 1), c.bytes);
    EXPECT_EQ(g.GetSNText(c.prev + 1), c.text);
    EXPECT_EQ(g.IncPrevSN(), c.prev + 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TProdSNSerial,
    testing::Values(
        Serial{true, 2, 0x4142, 4, {0x12, 0x01, 0x41, 0x42, 0x00, 0x05}, "1201-4142-0005"},
        Serial{false, 2, 0x4142, 0x122, {0x41, 0x42, 0x00, 0x00, 0x01, 0x23}, "4142-00000123"},
        Serial{true, 0, 0, 0x12344, {0x12, 0x01, 0x00, 0x01, 0x23, 0x45}, "1201-00012345"},
        Serial{true, 4, 0x41424344, 7, {0x12, 0x01, 0x41, 0x42, 0x43, 0x44}, "1201-41424344"},
        Serial{false, 3, 0xABCDEF, 0xFF, {0xAB, 0xCD, 0xEF, 0x00, 0x01, 0x00}, "ABCDEF-000100"},
        // Bits above the fixed part's bytes are ignored; no dash after byte 0.
        Serial{false, 1, 0x1FF, 9, {0xFF, 0x00, 0x00, 0x00, 0x00, 0x0A}, "FF000000000A"},
        Serial{false, 0, 0, 0, {0, 0, 0, 0, 0, 1}, "000000000001"},
        // All fixed: no dash after the last byte.
        Serial{false, 6, 0x414243444546, 0, {0x41, 0x42, 0x43, 0x44, 0x45, 0x46}, "414243444546"}));

TEST(TProdSN, ByteOutsideTheSerialReadsAsZero) {
    TProdSN g(kAllZeroState, on(2009, 1, 1));
    g.SetIsDate(true); // counts stay 0: only the two date bytes exist
    g.SetIsSN(true);
    EXPECT_EQ(g.GetSNByte(0), 0x12);
    EXPECT_EQ(g.GetSNByte(5), 0);
    EXPECT_EQ(g.GetSNByte(-1), 0);
    EXPECT_EQ(g.GetSNByte(6), 0);
    EXPECT_EQ(g.GetSNText(), "1201-00000000");
}

struct FixText {
    bool ascii;
    int fixCount;
    std::int64_t fixSN;
    std::string text;
};

class TProdSNFixText : public testing::TestWithParam<FixText> {};

TEST_P(TProdSNFixText, AsThePanelShowsIt) {
    const auto& c = GetParam();
    TProdSN g = layout(false, c.fixCount);
    g.SetIsFixAscii(c.ascii);
    g.SetFixSN(c.fixSN);
    EXPECT_EQ(g.GetFixSNText(), c.text);
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    Rows, TProdSNFixText,
    testing::Values(FixText{true, 2, 0x4142, "AB"},
                    FixText{true, 2, 0x0041, "\0A"s}, // zero byte kept
                    FixText{true, 3, 0x4142, "\0AB"s}, FixText{true, 4, 0xC1000000, "\xC1\0\0\0"s},
                    FixText{true, 0, 0x41, ""}, FixText{false, 2, 0x4142, "4142"},
                    FixText{false, 3, 0x41, "000041"},
                    FixText{false, 1, 0x1234, "1234"}, // wider: all digits
                    FixText{false, 2, -1, "FFFFFFFFFFFFFFFF"}, FixText{false, 0, 0x41, ""}));

struct DateRow {
    LocalDate date;
    std::uint16_t code;
    const char* text;
};

class TProdSNDate : public testing::TestWithParam<DateRow> {};

TEST_P(TProdSNDate, CodeAndText) {
    const auto& c = GetParam();
    TProdSN g([d = c.date] { return d; });
    EXPECT_EQ(g.GetDateCode(), c.code);
    EXPECT_EQ(g.GetDateText(), c.text);
    g.SetIsDate(false);
    EXPECT_EQ(g.GetDateText(), "");
}

INSTANTIATE_TEST_SUITE_P(Rows, TProdSNDate,
                         testing::Values(DateRow{{2009, 1, 1}, 0x1201, "2009.01.01"},
                                         DateRow{{2023, 3, 1}, 23 * 512 + 60, "2023.03.01"},
                                         DateRow{{2024, 3, 1}, 24 * 512 + 61, "2024.03.01"},
                                         // The leap day counts from March on, not in February.
                                         DateRow{{2024, 2, 1}, 24 * 512 + 32, "2024.02.01"},
                                         DateRow{{2024, 2, 29}, 24 * 512 + 60, "2024.02.29"},
                                         DateRow{{2100, 3, 1}, 0 * 512 + 60, "2100.03.01"},
                                         DateRow{{2000, 2, 29}, 0 * 512 + 60, "2000.02.29"},
                                         DateRow{{2000, 3, 1}, 0 * 512 + 61, "2000.03.01"},
                                         DateRow{{2024, 12, 31}, 24 * 512 + 366, "2024.12.31"},
                                         DateRow{{2099, 12, 31}, 99 * 512 + 365, "2099.12.31"},
                                         DateRow{{2100, 12, 31}, 0 * 512 + 365, "2100.12.31"},
                                         DateRow{{2000, 12, 31}, 0 * 512 + 366, "2000.12.31"}));
