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
                         ::testing::Values(LabelCase{true, 0, "2340.3008ms"},
                                           LabelCase{true, 240, "146.2688ms"},
                                           LabelCase{true, 56, "1828.36ms"},
                                           LabelCase{true, 255, "9.1418ms"},
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
    EXPECT_EQ(productstring::check("USB 2.4G Wireless Desktop ~!"), Problem::None);
    EXPECT_EQ(productstring::check(std::string(46, 'a')), Problem::None);
    EXPECT_EQ(productstring::check(std::string(47, 'a')), Problem::TooLong);
    EXPECT_EQ(productstring::check("Maus \xC3\xA4"), Problem::NotPrintableAscii);
    EXPECT_EQ(productstring::check("tab\there"), Problem::NotPrintableAscii);
    EXPECT_EQ(productstring::characterCount(12), 5);
    EXPECT_EQ(productstring::characterCount(13), 5);
    EXPECT_EQ(productstring::characterCount(1), 0); // (1 - 2) / 2 truncates to 0
    EXPECT_EQ(productstring::characterCount(94), 46);
    EXPECT_EQ(productstring::characterCount(0xFF), 46);
    EXPECT_EQ(productstring::pack("ABC"), (std::vector<std::uint16_t>{0x4142, 0x4300}));
    EXPECT_EQ(productstring::unpack({0x4142, 0x4300}, 3), "ABC");
}

TEST(Encodings, HexTexts) {
    EXPECT_EQ(hexText(0x0A), "0A");
    EXPECT_EQ(hexText(0xFFFFFFFFu), "FFFFFFFF");
    EXPECT_EQ(hexText(0xFFFFFFFFu >> 8), "FFFFFF");
    EXPECT_EQ(statusByteText(0x00), "00");
    EXPECT_EQ(statusByteText(0xBB), "BB");
    EXPECT_EQ(statusByteText(0x01), "1");
}
