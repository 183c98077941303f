// SPDX-License-Identifier: MIT
#include "widgets/THexEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>
#include <optional>

using rfbind::app::THexEdit;

namespace {

struct Reading {
    const char* text;
    std::optional<std::int32_t> value32;
    std::optional<std::int64_t> value64;
};

void PrintTo(const Reading& r, std::ostream* os) {
    *os << '"' << r.text << '"';
}

class THexEditValue : public ::testing::TestWithParam<Reading> {};

TEST_P(THexEditValue, ReadsTheTextAsHexWithDollarZeroInFront) {
    THexEdit edit;
    edit.setText(GetParam().text);
    EXPECT_EQ(edit.value(), GetParam().value32) << GetParam().text;
    EXPECT_EQ(edit.value64(), GetParam().value64) << GetParam().text;
}

constexpr std::nullopt_t bad = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    THexEdit, THexEditValue,
    ::testing::Values(
        Reading{"", 0, 0}, Reading{"0", 0, 0}, Reading{"1A", 26, 26}, Reading{"1a", 26, 26},
        Reading{"00FF", 255, 255}, Reading{"7FFFFFFF", 0x7FFFFFFF, 0x7FFFFFFF},
        // Eight digits fill the 32 bits; the top half reads negative, as a cast would.
        Reading{"FFFFFFFF", -1, 0xFFFFFFFFLL}, Reading{"80000000", INT32_MIN, 0x80000000LL},
        // Leading zeros do not count towards the width.
        Reading{"000000000001", 1, 1}, Reading{"100000000", bad, 0x100000000LL},
        Reading{"FFFFFFFFFFFFFFFF", bad, -1}, Reading{"10000000000000000", bad, bad},
        Reading{" 1", bad, bad}, Reading{"1 ", bad, bad}, Reading{"-1", bad, bad},
        Reading{"0x10", bad, bad}, Reading{"$10", bad, bad}, Reading{"G", bad, bad},
        Reading{"HHHHHH-HHHHHH", bad, bad}, Reading{"１２", bad, bad}));

struct Shown {
    std::int64_t value;
    const char* text;
};

void PrintTo(const Shown& s, std::ostream* os) {
    *os << s.value;
}

class THexEditSetValue : public ::testing::TestWithParam<Shown> {};

TEST_P(THexEditSetValue, ShowsUpperCaseWithoutLeadingZerosAndNothingForZeroOrLess) {
    THexEdit edit;
    edit.setText("junk");
    edit.setValue(GetParam().value);
    EXPECT_EQ(edit.text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(THexEdit, THexEditSetValue,
                         ::testing::Values(Shown{0, ""}, Shown{-1, ""}, Shown{-255, ""},
                                           Shown{5, "5"}, Shown{0xA0, "A0"}, Shown{0xff, "FF"},
                                           Shown{0x04F3, "4F3"},
                                           Shown{0x123456789ALL, "123456789A"},
                                           Shown{INT64_MAX, "7FFFFFFFFFFFFFFF"}));

struct Typing {
    bool filter;
    bool upper;
    const char* typed;
    const char* shown;
};

void PrintTo(const Typing& t, std::ostream* os) {
    *os << '"' << t.typed << '"';
}

class THexEditTyping : public ::testing::TestWithParam<Typing> {};

TEST_P(THexEditTyping, FilterKeepsHexDigitsAndUpperCaseRaisesLetters) {
    const Typing t = GetParam();
    THexEdit edit;
    edit.setHexFilter(t.filter);
    edit.setUpperCase(t.upper);
    QTest::keyClicks(&edit, t.typed);
    EXPECT_EQ(edit.text(), t.shown);
}

INSTANTIATE_TEST_SUITE_P(THexEdit, THexEditTyping,
                         ::testing::Values(Typing{true, true, "1g2Z-a f", "12AF"},
                                           Typing{true, false, "1g2Z-af", "12af"},
                                           Typing{false, true, "ab-x 1", "AB-X 1"},
                                           Typing{false, false, "ab-x 1", "ab-x 1"},
                                           Typing{true, true, "0123456789abcdefABCDEF",
                                                  "0123456789ABCDEFABCDEF"}));

TEST(THexEdit, FilterRefusesAPasteWithAnythingButHexDigits) {
    THexEdit edit;
    edit.setHexFilter(true);
    edit.setUpperCase(true);
    QApplication::clipboard()->setText("ab12");
    edit.paste();
    EXPECT_EQ(edit.text(), "AB12");
    QApplication::clipboard()->setText("34 x");
    edit.paste();
    EXPECT_EQ(edit.text(), "AB12") << "a paste with a blank and a letter beyond F is refused";
}

TEST(THexEdit, TextSetByTheProgramIsNotFilteredAndReportsItsError) {
    THexEdit edit;
    edit.setHexFilter(true);
    edit.setUpperCase(true);
    edit.setText("ffffff");
    EXPECT_EQ(edit.text(), "FFFFFF");
    edit.setText("xyz");
    EXPECT_EQ(edit.text(), "xyz");
    EXPECT_EQ(edit.value(), std::nullopt);
    EXPECT_EQ(edit.conversionErrorText(), "'$0xyz' is not a valid integer value");
}

TEST(THexEdit, SwitchingToUpperCaseRaisesTheTextAlreadyThere) {
    THexEdit edit;
    edit.setText("ab-c");
    edit.setUpperCase(true);
    EXPECT_EQ(edit.text(), "AB-C");
    edit.setUpperCase(false);
    QTest::keyClicks(&edit, "d");
    EXPECT_EQ(edit.text(), "AB-Cd") << "the ASCII mode of a fixed part keeps the letter case";
}

TEST(THexEdit, AssigningTheValueItAlreadyShowsFiresNoChange) {
    THexEdit edit;
    edit.setUpperCase(true);
    QSignalSpy changes(&edit, &QLineEdit::textChanged);
    edit.setValue(0x1A);
    edit.setValue(0x1A);
    edit.setValue(0);
    edit.setValue(-3);
    EXPECT_EQ(changes.count(), 2);
}

} // namespace
