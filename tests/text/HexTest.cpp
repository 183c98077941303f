// SPDX-License-Identifier: MIT
#include "text/Hex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace rfbind;

namespace {

struct HexCase {
    std::uint64_t value;
    int digits;
    const char* text;
};

TEST(HexText, PadsToTheDigitsAndNeverCutsAValue) {
    const HexCase cases[] = {
        {0x0, 2, "00"},
        {0xA, 2, "0A"},            // upper case, zero-padded
        {0xab, 2, "AB"},
        {0x1ff, 2, "1FF"},         // a value wider than asked keeps every digit
        {0x0, 0, "0"},             // zero digits still shows one
        {0x0, -3, "0"},
        {0x5, 1, "5"},
        {0x12a5b6, 6, "12A5B6"},   // a radio ID
        {0x5, 4, "0005"},          // a serial number's counter
        {0x0102, 4, "0102"},       // a receiver version
        {0xFFFFFFFFu, 2, "FFFFFFFF"},
        {0xFFFFFFFFFFFFFFFFull, 2, "FFFFFFFFFFFFFFFF"}, // -1 stored in 64 bits
        {0x123456789ABCull, 16, "0000123456789ABC"},
        {0x1, 20, "00000000000000000001"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hexText(c.value, c.digits), c.text) << c.value << " in " << c.digits << " digits";
    EXPECT_EQ(hexText(0x7), "07") << "a byte is two digits unless told otherwise";
}

TEST(HexText, AddressesAsFailureReasonsNameThem) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0x00, "0x00"}, {0x1C, "0x1C"}, {0x7F, "0x7F"}, {0x13, "0x13"}, {0x1FF, "0x1FF"}};
    for (const auto& [address, text] : cases)
        EXPECT_EQ(hexAddress(address), text);
}

} // namespace
