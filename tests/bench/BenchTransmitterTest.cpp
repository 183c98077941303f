// SPDX-License-Identifier: MIT
#include "bench/BenchTransmitter.h"

#include <gtest/gtest.h>

using namespace rfbind::bench;

namespace {

struct SpaceRow {
    std::uint8_t write;
    std::uint8_t read;
    std::uint8_t address;
    std::uint8_t value;
};

class RemoteSpace : public ::testing::TestWithParam<SpaceRow> {};

} // namespace

TEST_P(RemoteSpace, ReadsBackWhatWasWritten) {
    const auto& row = GetParam();
    BenchTransmitter tx(TransmitterKind::Mouse, 0x29);
    EXPECT_EQ(tx.handleRemote(row.write, row.address, row.value), std::nullopt);
    EXPECT_EQ(tx.handleRemote(row.read, row.address, 0), row.value);
    EXPECT_EQ(tx.handleRemote(row.read, static_cast<std::uint8_t>(row.address + 1), 0), 0)
        << "the neighbour is untouched";
}

INSTANTIATE_TEST_SUITE_P(BenchTransmitter, RemoteSpace,
                         ::testing::Values(SpaceRow{0x21, 0x24, 0x1C, 0x24},
                                           SpaceRow{0x21, 0x24, 0x7E, 0xFF},
                                           SpaceRow{0x22, 0x25, 0x80, 0x11},
                                           SpaceRow{0x23, 0x26, 0x10, 0x22},
                                           SpaceRow{0x27, 0x28, 0x01, 0x1B},
                                           SpaceRow{0x29, 0x2A, 0x05, 0x33}));

TEST(BenchTransmitter, EepromEndsAtByte127) {
    BenchTransmitter tx(TransmitterKind::Mouse, 0x29);
    tx.handleRemote(0x21, 0x80, 0x55);
    EXPECT_EQ(tx.handleRemote(0x24, 0x80, 0), 0);
    EXPECT_EQ(tx.handleRemote(0x24, 0x00, 0), 0) << "no wrap-around into byte 0";
}

TEST(BenchTransmitter, AccessModeFollowsOnlyItsKeyedCommands) {
    struct Row {
        std::uint8_t cmd, address, value;
        AccessMode after;
    };
    BenchTransmitter tx(TransmitterKind::Mouse, 0x29);
    for (const Row& row : {Row{0x2B, 0x5A, 0x33, AccessMode::OnWithoutLed},
                           Row{0x2B, 0x5A, 0xCC, AccessMode::OnWithLed},
                           Row{0x2B, 0x5B, 0x33, AccessMode::OnWithLed},
                           Row{0x2C, 0x00, 0x00, AccessMode::Off},
                           Row{0x2B, 0x5A, 0x00, AccessMode::Off}}) {
        tx.handleRemote(row.cmd, row.address, row.value);
        EXPECT_EQ(tx.accessMode(), row.after) << int(row.cmd) << " " << int(row.value);
    }
}

TEST(BenchTransmitter, ResolutionLevelNeedsKeyAndRange) {
    BenchTransmitter tx(TransmitterKind::Mouse, 0x29);
    tx.handleRemote(0x2F, 3, 0xCC);
    EXPECT_EQ(tx.resolutionLevel(), 3);
    tx.handleRemote(0x2F, 4, 0xCC);
    tx.handleRemote(0x2F, 1, 0x00);
    EXPECT_EQ(tx.resolutionLevel(), 3);
}

TEST(BenchTransmitter, CommandRegisterReloadsIds) {
    struct Row {
        std::uint8_t address, value;
        bool reloads;
    };
    for (const Row& row : {Row{0xFF, 0x3C, true}, Row{0xFF, 0x3D, true}, Row{0xFF, 0x3E, false},
                           Row{0xFE, 0x3D, false}}) {
        BenchTransmitter tx(TransmitterKind::Mouse, 0x29);
        tx.switchOn(0);
        for (std::uint8_t i = 0; i < 3; ++i) {
            tx.handleRemote(0x21, 8 + i, 0xB4 + i);
            tx.handleRemote(0x21, 12 + i, 0x92 + i);
        }
        tx.handleRemote(0x23, row.address, row.value);
        EXPECT_EQ(tx.ownId() == (RadioId{0xB4, 0xB5, 0xB6}), row.reloads);
        EXPECT_EQ(tx.partnerId() == (RadioId{0x92, 0x93, 0x94}), row.reloads);
    }
}

TEST(BenchTransmitter, MousePairsOnlyInItsFirstFiveSeconds) {
    BenchTransmitter mouse(TransmitterKind::Mouse, 0x29);
    EXPECT_FALSE(mouse.inPairingMode(0)) << "switched off";
    mouse.switchOn(0xFFFFF000u); // across the tick counter's wrap
    EXPECT_TRUE(mouse.inPairingMode(0xFFFFF000u + 4999));
    EXPECT_FALSE(mouse.inPairingMode(0xFFFFF000u + 5000));
    mouse.switchOff();
    mouse.switchOn(100);
    mouse.pairWith(RadioId{1, 2, 3});
    EXPECT_FALSE(mouse.inPairingMode(200)) << "paired once per switch-on";
    EXPECT_EQ(mouse.eeprom()[12], 1) << "the pairing is kept in EEPROM 12..14";
}

TEST(BenchTransmitter, KeyboardPairsAfterItsBindButton) {
    BenchTransmitter kbd(TransmitterKind::Keyboard, 0x29);
    kbd.pressBindButton();
    kbd.switchOn(0);
    EXPECT_FALSE(kbd.inPairingMode(0)) << "a press while off is lost";
    kbd.pressBindButton();
    EXPECT_TRUE(kbd.inPairingMode(60000));
    kbd.pairWith(RadioId{1, 2, 3});
    EXPECT_FALSE(kbd.inPairingMode(60000));
}
