// SPDX-License-Identifier: MIT
#include "bench/BenchReceiver.h"
#include "support/FakeHidDevice.h"

#include <gtest/gtest.h>

using namespace rfbind;
using namespace rfbind::bench;
using rfbind::test::hex;

namespace {

Frame bytes(std::initializer_list<std::uint8_t> b) {
    Frame f{};
    std::copy(b.begin(), b.end(), f.begin());
    return f;
}

/// A receiver with word 5 = 0x1234, radio-chip register 3 = 0x5A, direct register 0x10 = 0x77.
BenchReceiver loadedReceiver() {
    BenchReceiver rx;
    rx.loadEepromWord(5, 0x1234);
    rx.handle(bytes({0x01, 0x07, 0x03, 0x5A}), 0);
    rx.handle(bytes({0x01, 0x12, 0x10, 0x77}), 0);
    return rx;
}

struct AnswerRow {
    const char* what;
    Frame request;
    const char* answer;
};

class ReceiverAnswer : public ::testing::TestWithParam<AnswerRow> {};

} // namespace

TEST_P(ReceiverAnswer, MatchesTheFirmwareTable) {
    BenchReceiver rx = loadedReceiver();
    EXPECT_EQ(hex(rx.handle(GetParam().request, 0)), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    BenchReceiver, ReceiverAnswer,
    ::testing::Values(
        AnswerRow{"word read", bytes({1, 0x03, 0x05}), "12 34 00 00 00 00 00 CC"},
        AnswerRow{"word beyond 63", bytes({1, 0x03, 0x40}), "00 00 00 00 00 00 00 CC"},
        AnswerRow{"word write", bytes({1, 0x04, 0x05, 0xAB, 0xCD}), "01 04 05 AB CD 00 00 CC"},
        AnswerRow{"radio chip read at 1", bytes({1, 0x06, 0x03}), "00 5A 00 00 00 00 00 CC"},
        AnswerRow{"direct read at 0", bytes({1, 0x14, 0x10}), "77 00 00 00 00 00 00 CC"},
        AnswerRow{"link query", bytes({1, 0x09}), "20 00 00 00 00 00 00 CC"},
        AnswerRow{"binding status", bytes({1, 0x14, 0xFF, 0xAA, 0x04}), "00 BB 00 00 00 00 00 CC"},
        AnswerRow{"unknown status", bytes({1, 0x14, 0xFF, 0xAA, 0x02}), "01 14 FF AA 02 00 00 CC"},
        AnswerRow{"prelude", bytes({1, 0x01, 0x07, 0x08, 0x05}), "01 01 07 08 05 00 00 CC"},
        AnswerRow{"device type", bytes({1, 0x17, 0x3C, 0x5A, 0x01}), "01 17 3C 5A 01 00 00 CC"},
        AnswerRow{"remote, no mouse", bytes({1, 0x24, 0xAA, 0x08}), "00 00 00 00 00 00 00 00"},
        AnswerRow{"remote code without mark", bytes({1, 0x24, 0x00, 0x08}),
                  "01 24 00 08 00 00 00 CC"}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (auto& c : n)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return n;
    });

TEST(BenchReceiver, WordWriteBeyondTheEepromChangesNothing) {
    BenchReceiver rx = loadedReceiver();
    const auto before = rx.eeprom();
    rx.handle(bytes({1, 0x04, 0x40, 0xAB, 0xCD}), 0);
    EXPECT_EQ(rx.eeprom(), before);
}

// Reload and restart act only on their exact key bytes: a stray frame must not swap the IDs.
TEST(BenchReceiver, ReloadNeedsItsKey) {
    struct Row {
        Frame request;
        bool reloads;
    };
    for (const Row& row : {Row{bytes({1, 0x0F, 0xCC, 0x33, 0x55}), true},
                           Row{bytes({1, 0x0E, 0x55, 0xAA, 0xCC}), true},
                           Row{bytes({1, 0x0F, 0xCC, 0x33, 0x54}), false},
                           Row{bytes({1, 0x0E, 0x55, 0xAA, 0x00}), false}}) {
        BenchReceiver rx;
        for (std::size_t i = 0; i < 3; ++i) {
            rx.loadEepromWord(i, complementWord(static_cast<std::uint8_t>(0x91 + i)));
            rx.loadEepromWord(51 + i, complementWord(static_cast<std::uint8_t>(0xA1 + i)));
        }
        rx.handle(row.request, 0);
        EXPECT_EQ(rx.ownId() == (RadioId{0x91, 0x92, 0x93}), row.reloads) << hex(row.request);
        EXPECT_EQ(rx.partnerMouseId() == (RadioId{0xA1, 0xA2, 0xA3}), row.reloads);
    }
}

TEST(BenchReceiver, PowerOnClearsRegistersAndKeepsTheEeprom) {
    BenchReceiver rx = loadedReceiver();
    rx.loadEepromWord(43, complementWord(0x42));
    rx.powerOn();
    EXPECT_EQ(rx.radioChipRegisters()[3], 0);
    EXPECT_EQ(rx.directRegisters()[0x10], 0);
    EXPECT_EQ(rx.eeprom()[5], 0x1234);
    EXPECT_EQ(rx.partnerKeyboardId()[0], 0x42) << "keyboard pairing survives power-off";
}
