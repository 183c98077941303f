// SPDX-License-Identifier: MIT
#include "text/DisplayWidth.h"

#include <gtest/gtest.h>

using namespace rfbind;

namespace {

TEST(DisplayWidth, CountsTheColumnsATerminalShows) {
    const struct {
        const char* text;
        std::size_t columns;
    } cases[] = {
        {"", 0},
        {"station-3", 9},
        {"Prüfplatz", 9},            // ü: two bytes, one column
        {"工位3", 5},                 // CJK: two columns each
        {"조립", 4},                  // Hangul
        {"ＡＢ", 4},                  // full-width forms
        {"e\xCC\x81", 1},            // e and a combining acute accent
        {"\xFF" "a", 2},             // a byte that is not UTF-8 shows as one sign
        {"\xE5\xB7", 2},             // a character cut off at the end: one sign per byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(displayWidth(c.text), c.columns) << c.text;
    EXPECT_EQ(padToWidth("工位", 6), "工位  ");
    EXPECT_EQ(padToWidth("ü", 3, true), "  ü");
    EXPECT_EQ(padToWidth("station", 3), "station");
}

TEST(DisplayWidth, WrappedLinesFitAndKeepEveryCharacter) {
    const struct {
        std::string text;
        std::size_t width;
        std::vector<std::string> lines;
    } cases[] = {
        {"short", 10, {"short"}},
        {"", 10, {""}},
        // Cut after a separator where there is one...
        {"assembly-hall-2-station-17", 12, {"assembly-", "hall-2-", "station-17"}},
        {"line two station three", 10, {"line two", "station", "three"}},
        // ...else between characters, never inside one.
        {"abcdefghij", 4, {"abcd", "efgh", "ij"}},
        {"工位工位工", 4, {"工位", "工位", "工"}},
        {"工位工位", 3, {"工", "位", "工", "位"}},
    };
    for (const auto& c : cases) {
        const auto lines = wrapToWidth(c.text, c.width);
        EXPECT_EQ(lines, c.lines) << c.text;
        for (const auto& l : lines)
            EXPECT_LE(displayWidth(l), c.width) << c.text;
    }
}

} // namespace
