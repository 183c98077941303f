// SPDX-License-Identifier: MIT
#include "ReceiverModel.h"
#include "commands/HexText.h"
#include "commands/TransmitterOperations.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace rfbind;
using rfbind::test::ModelBench;
using Log = std::vector<std::string>;

TEST(TransmitterOperations, VerifiedWriteSendsPreludeWriteThreeTimesThenReadsBack) {
    ModelBench b;
    const int r = TransmitterOperations(b.link).verifiedEepromWrite(0x1A, 0x40);
    EXPECT_EQ(r, 0x40);
    EXPECT_EQ(b.sets(""), (std::vector<std::string>{
                              "01 01 07 08 03 00 00 00", "01 21 AA 1A 40 00 00 00",
                              "01 21 AA 1A 40 00 00 00", "01 21 AA 1A 40 00 00 00",
                              "01 01 07 08 03 00 00 00", "01 24 AA 1A 00 00 00 00"}));
    // The byte gets its programming time between the writes and the read-back.
    const auto settle = std::find(b.log.begin(), b.log.end(), "sleep 40");
    const auto read = std::find(b.log.begin(), b.log.end(), "set 01 24 AA 1A 00 00 00 00");
    EXPECT_LT(settle, read);
    EXPECT_FALSE(b.link.CommError);
}

TEST(TransmitterOperations, VerifiedWriteRetriesUntilTheByteSticks) {
    ModelBench b;
    b.model.txIgnoresWritesUntil = 3 * 2; // two writes of three frames each are lost
    EXPECT_EQ(TransmitterOperations(b.link).verifiedEepromWrite(26, 0x20), 0x20);
    EXPECT_EQ(b.sets("01 24 ").size(), 3u);
    EXPECT_FALSE(b.link.CommError);
}

TEST(TransmitterOperations, VerifiedWriteGivesUpAfterElevenCyclesWithCommError) {
    ModelBench b;
    b.model.txIgnoresWritesUntil = 1000;
    b.model.txEeprom[26] = 0x11;
    EXPECT_EQ(TransmitterOperations(b.link).verifiedEepromWrite(26, 0x20), 0x11);
    EXPECT_EQ(b.sets("01 21 ").size(), 33u);
    EXPECT_EQ(b.sets("01 24 ").size(), 11u);
    EXPECT_TRUE(b.link.CommError);
}

TEST(TransmitterOperations, UnreachableTransmitterReadsAsFailureShownAsFFFFFFFF) {
    ModelBench b;
    b.model.txReachable = false;
    const int r = TransmitterOperations(b.link).verifiedEepromWrite(26, 0x20);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(hexText(static_cast<std::uint32_t>(r)), "FFFFFFFF");
    EXPECT_EQ(b.sets("01 21 ").size(), 33u);
    EXPECT_TRUE(b.link.CommError);
}

TEST(TransmitterOperations, WithoutReceiverTheVerifiedWriteStillMakesItsElevenCycles) {
    ModelBench b;
    b.link.ActiveDevice = nullptr;
    EXPECT_EQ(TransmitterOperations(b.link).verifiedEepromWrite(26, 0x20), -1);
    EXPECT_EQ(b.count("sleep 40"), 11);
    EXPECT_TRUE(b.link.CommError);
}

struct CommandCase {
    const char* name;
    void (*run)(TransmitterOperations&);
    const char* frame;
};

class RemoteCommandFrames : public ::testing::TestWithParam<CommandCase> {};

TEST_P(RemoteCommandFrames, AreSentThreeTimes) {
    ModelBench b;
    TransmitterOperations ops(b.link);
    GetParam().run(ops);
    EXPECT_EQ(b.sets(""), std::vector<std::string>(3, GetParam().frame));
}

INSTANTIATE_TEST_SUITE_P(
    TransmitterOperations, RemoteCommandFrames,
    ::testing::Values(
        CommandCase{"EnterWithLed", [](TransmitterOperations& o) { o.enterAccess(true); },
                    "01 2B AA 5A CC 00 00 00"},
        CommandCase{"EnterWithoutLed", [](TransmitterOperations& o) { o.enterAccess(false); },
                    "01 2B AA 5A 33 00 00 00"},
        CommandCase{"Leave", [](TransmitterOperations& o) { o.leaveAccess(); },
                    "01 2C AA 00 00 00 00 00"},
        CommandCase{"CpiLevelThree", [](TransmitterOperations& o) { o.setupCpi(3); },
                    "01 2F AA 03 CC 00 00 00"},
        CommandCase{"JumpToPor", [](TransmitterOperations& o) { o.send(remote::jumpToPor()); },
                    "01 23 AA FF 3C 00 00 00"},
        CommandCase{"FastReload", [](TransmitterOperations& o) { o.send(remote::fastReload()); },
                    "01 23 AA FF 3D 00 00 00"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransmitterOperations, AccessCommandsWithoutReceiverDoNothingAtAll) {
    ModelBench b;
    b.link.ActiveDevice = nullptr;
    TransmitterOperations ops(b.link);
    ops.enterAccess(true);
    ops.leaveAccess();
    EXPECT_TRUE(b.log.empty());
    EXPECT_FALSE(b.link.CommError);
    ops.setupCpi(1); // the resolution leaves the failure to the primitive
    EXPECT_TRUE(b.link.CommError);
}
