// SPDX-License-Identifier: MIT
#include "commands/DeviceOptions.h"
#include "commands/HexText.h"
#include "commands/HotKeys.h"
#include "commands/ProductString.h"
#include "commands/ReceiverEepromMap.h"

#include <gtest/gtest.h>

#include <set>

using namespace rfbind;

TEST(Encodings, ComplementWordAndItsValidity) {
    EXPECT_EQ(rxeeprom::complementWord(0x12), 0x12ED);
    EXPECT_EQ(rxeeprom::complementWord(0x00), 0x00FF);
    EXPECT_EQ(rxeeprom::complementWord(0xFF), 0xFF00);
    EXPECT_TRUE(rxeeprom::isComplementWord(0x5EA1));
    EXPECT_FALSE(rxeeprom::isComplementWord(0x0000)); // an erased word is no valid byte
    EXPECT_FALSE(rxeeprom::isComplementWord(0xFFFF));
    EXPECT_EQ(rxeeprom::complementWordByte(0x04FB), 0x04);
}

struct LabelCase {
    bool sleep;
    int value;
    const char* text;
};

class SpinLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(SpinLabels, ShowShortestDecimalAndMs) {
    const auto c = GetParam();
    EXPECT_EQ(c.sleep ? options::sleepPeriodLabel(c.value) : options::wakeupPeriodLabel(c.value),
              c.text);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SpinLabels,
                         ::testing::Values(LabelCase{true, 0, "2340.3ms"},
                                           LabelCase{true, 240, "146.3ms"},
                                           LabelCase{true, 56, "1828.4ms"},
                                           LabelCase{true, 255, "9.1ms"},
                                           LabelCase{true, 246, "91.4ms"},
                                           LabelCase{false, 3, "1.6ms"},
                                           LabelCase{false, 19, "8ms"},
                                           LabelCase{false, 15, "6.4ms"}));

TEST(Encodings, OptionTableRowsMatchTheirRadioButtons) {
    const auto w = options::transmitterOptionWrite(options::TransmitterOption::PowerSavingButtonWakeup);
    EXPECT_EQ(w.address, 22);
    EXPECT_EQ(w.value, 0xC5);
    EXPECT_EQ(w.complement, 0x3A);
    EXPECT_EQ(options::transmitterOptionWrite(options::TransmitterOption::SwitchCpiEnable).pauseMs, 20);
    EXPECT_EQ(options::transmitterOptionWrite(options::TransmitterOption::SwitchCpiDisable).pauseMs, 8);
    std::set<std::string_view> names;
    for (const auto& row : options::kTransmitterOptions)
        names.insert(row.radioButton);
    EXPECT_EQ(names.size(), options::kTransmitterOptions.size());
}

TEST(Encodings, BatteryAndRfPowerCodesWithTheirFallbacks) {
    EXPECT_EQ(options::batteryLevelCode(0), 0x40);
    EXPECT_EQ(options::batteryLevelCode(1), 0x20);
    EXPECT_EQ(options::batteryLevelCode(2), 0x00);
    EXPECT_EQ(options::batteryLevelCode(-1), 0x20);
    EXPECT_EQ(options::batteryByte(0x9F60, 0x20), 0x3F);
    EXPECT_EQ(options::batteryByte(-1, 0x40), 0x5F);
    const int codes[] = {0x1B, 0x13, 0x0B, 0x03, 0x03};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(options::rfPowerCode(i), codes[i]) << i;
}

TEST(Encodings, HotKeyListsHold24Or26ItemsWithTheirDefaults) {
    const auto plain = hotkeys::hotKeyList(false);
    EXPECT_EQ(plain.items.size(), 24u);
    EXPECT_EQ(plain.items[static_cast<std::size_t>(plain.default1)].text, "WWW HOME");
    EXPECT_EQ(plain.items[static_cast<std::size_t>(plain.default2)].text, "MAIL");
    const auto zoom = hotkeys::hotKeyList(true);
    EXPECT_EQ(zoom.items.size(), 26u);
    EXPECT_EQ(zoom.default1, 24);
    EXPECT_EQ(zoom.default2, 25);
    EXPECT_EQ(zoom.items[24].code, 0x22E);
}

TEST(Encodings, ProductStringRules) {
    using productstring::Problem;
    const struct {
        std::string text;
        Problem problem;
        const char* refused; // first refused character, UTF-8
    } rows[] = {
        {"USB 2.4G Wireless Desktop ~!", Problem::None, ""},
        {std::string(46, 'a'), Problem::None, ""},
        {std::string(47, 'a'), Problem::TooLong, ""},
        // Characters, not bytes: 46 two-byte characters still fit.
        {[] { std::string s; for (int i = 0; i < 46; ++i) s += "\xC3\xA9"; return s; }(),
         Problem::None, ""},
        {"Souris \xC3\xA9t\xC3\xA9", Problem::None, ""},
        {"\xC2\xA0\xC3\xBF", Problem::None, ""},          // U+00A0 and U+00FF, the ends
        {"Maus \xE2\x82\xAC", Problem::NotLatin1, "\xE2\x82\xAC"}, // euro sign
        {"M\xC3\xA4us\xE2\x82\xAC \xE7\x84\xA1\xE7\xB7\x9A", Problem::NotLatin1,
         "\xE2\x82\xAC"},
        {"tab\there", Problem::NotLatin1, "\t"},
        {"x\xC2\x9Fy", Problem::NotLatin1, "\xC2\x9F"}, // a C1 control character
        {"x\x7Fy", Problem::NotLatin1, "\x7F"},
        {"Souris \xE9t\xE9", Problem::NotLatin1, ""}, // Latin-1 bytes are not UTF-8 text
        {"\xC3\xA9" + std::string(46, 'a'), Problem::TooLong, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const productstring::Refusal r = productstring::explain(row.text);
        EXPECT_EQ(productstring::check(row.text), row.problem);
        EXPECT_EQ(r.problem, row.problem);
        EXPECT_EQ(r.character, row.refused);
        EXPECT_EQ(r.reason.empty(), row.problem == Problem::None);
        if (std::string_view(row.refused) == "\xE2\x82\xAC") {
            EXPECT_NE(r.reason.find(row.refused), std::string::npos) << r.reason;
        }
    }
    EXPECT_EQ(productstring::characterCount(12), 5);
    EXPECT_EQ(productstring::characterCount(13), 5);
    EXPECT_EQ(productstring::characterCount(1), 0); // (1 - 2) / 2 truncates to 0
    EXPECT_EQ(productstring::characterCount(94), 46);
    EXPECT_EQ(productstring::characterCount(0xFF), 46);
    EXPECT_EQ(productstring::pack("ABC"), (std::vector<std::uint16_t>{0x4142, 0x4300}));
    EXPECT_EQ(productstring::unpack({0x4142, 0x4300}, 3), "ABC");
}

TEST(Encodings, ProductStringsGoToTheReceiverOneLatin1BytePerCharacter) {
    const std::string text = "Souris \xC3\xA9t\xC3\xA9";
    const std::string bytes = productstring::toReceiverBytes(text);
    EXPECT_EQ(bytes, "Souris \xE9t\xE9");
    EXPECT_EQ(productstring::pack(bytes),
              (std::vector<std::uint16_t>{0x536F, 0x7572, 0x6973, 0x20E9, 0x74E9}));
    EXPECT_EQ(productstring::fromReceiverBytes(bytes), text);
    std::string all;
    for (int c = 0xA0; c <= 0xFF; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(productstring::toReceiverBytes(productstring::fromReceiverBytes(all)), all);
}

TEST(Encodings, HexTexts) {
    EXPECT_EQ(hexText(0x0A), "0A");
    EXPECT_EQ(hexText(0xFFFFFFFFu), "FFFFFFFF");
    EXPECT_EQ(hexText(0xFFFFFFFFu >> 8), "FFFFFF");
    EXPECT_EQ(statusByteText(0x00), "00");
    EXPECT_EQ(statusByteText(0xBB), "BB");
    EXPECT_EQ(statusByteText(0x01), "1");
}
