// SPDX-License-Identifier: MIT
#include "ReceiverModel.h"
#include "commands/DeviceOptions.h"
#include "commands/HotKeys.h"
#include "commands/ProductString.h"
#include "commands/ReceiverOperations.h"

#include <gtest/gtest.h>

using namespace rfbind;
using rfbind::test::ModelBench;
using Log = std::vector<std::string>;

namespace {
/// The EEPROM words written, as "addr=word" in hex, in order.
std::vector<std::string> wordWrites(const ModelBench& b) {
    std::vector<std::string> out;
    for (const auto& s : b.sets("01 04 "))
        out.push_back(s.substr(6, 2) + "=" + s.substr(9, 2) + s.substr(12, 2));
    return out;
}
} // namespace

TEST(ReceiverOperations, ByteWordsCarryTheirComplement) {
    ModelBench b;
    ReceiverOperations ops(b.link);
    ops.writeByte(2, 0x1A);
    ops.writeByte(15, 0x00);
    EXPECT_EQ(wordWrites(b), (std::vector<std::string>{"02=1AE5", "0F=00FF"}));
    EXPECT_EQ(b.model.words[2], 0x1AE5);
    EXPECT_FALSE(b.link.CommError);
}

TEST(ReceiverOperations, ProductStringOfFiveCharactersFillsThreeWordsAndTheLength) {
    ModelBench b;
    ReceiverOperations(b.link).writeProductString("ABCDE");
    EXPECT_EQ(wordWrites(b),
              (std::vector<std::string>{"13=0CF3", "14=4142", "15=4344", "16=4500"}));
}

// Ten characters: L = 2 + 2 * 10 = 0x16, a string descriptor's length.
TEST(ReceiverOperations, ProductStringWithLatin1CharactersIsWrittenByteForByte) {
    ModelBench b;
    ReceiverOperations(b.link).writeProductString(
        productstring::toReceiverBytes("Souris \xC3\xA9t\xC3\xA9"));
    EXPECT_EQ(wordWrites(b), (std::vector<std::string>{"13=16E9", "14=536F", "15=7572",
                                                       "16=6973", "17=20E9", "18=74E9"}));
}

TEST(ReceiverOperations, ProductStringOfFortySixCharactersEndsAtWordFortyTwo) {
    ModelBench b;
    ReceiverOperations(b.link).writeProductString(std::string(46, 'x'));
    const auto writes = wordWrites(b);
    ASSERT_EQ(writes.size(), 24u);
    EXPECT_EQ(writes.front(), "13=5EA1");
    EXPECT_EQ(writes.back(), "2A=7878"); // word 42
}

struct StringReadCase {
    int lengthByte;
    std::string expected;
    int wordsRead; ///< words 20.. read
};

class ProductStringRead : public ::testing::TestWithParam<StringReadCase> {};

TEST_P(ProductStringRead, TakesItsLengthFromTheHighHalfOfWordNineteen) {
    const auto c = GetParam();
    ModelBench b;
    b.model.words[19] = rxeeprom::complementWord(static_cast<std::uint8_t>(c.lengthByte));
    for (int k = 0; k < 23; ++k)
        b.model.words[20 + k] = ('a' + (2 * k) % 26) * 256 + ('a' + (2 * k + 1) % 26);
    const auto read = ReceiverOperations(b.link).readProductString();
    ASSERT_TRUE(read.text.has_value());
    EXPECT_EQ(*read.text, c.expected);
    EXPECT_EQ(b.count("set 01 03 "), 1 + c.wordsRead);
}

INSTANTIATE_TEST_SUITE_P(
    ReceiverOperations, ProductStringRead,
    ::testing::Values(StringReadCase{12, "abcde", 3}, StringReadCase{0, "", 0},
                      StringReadCase{2, "", 0}, StringReadCase{13, "abcde", 3},
                      StringReadCase{94, "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrst", 23},
                      StringReadCase{0xFF, "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrst", 23}));

TEST(ReceiverOperations, ProductStringReadThatFailsGivesNoTextInsteadOfFailureBytes) {
    ModelBench b;
    b.model.words[19] = rxeeprom::complementWord(12);
    b.device.failAfter = 2 * 2; // word 19 and word 20 answer, word 21 does not
    const auto read = ReceiverOperations(b.link).readProductString();
    EXPECT_FALSE(read.text.has_value());
    EXPECT_TRUE(b.link.CommError);

    ModelBench silent;
    silent.model.ack = false;
    const auto none = ReceiverOperations(silent.link).readProductString();
    EXPECT_EQ(none.lengthWord, -1);
    EXPECT_FALSE(none.text.has_value());
}

struct RegisterCase {
    const char* name;
    bool radioChip;
    std::uint8_t expected;
};

class RegisterRead : public ::testing::TestWithParam<RegisterCase> {};

TEST_P(RegisterRead, TakesItsAnswerPosition) {
    const auto c = GetParam();
    ModelBench b;
    b.model.direct[0x42] = 0xD0; // lands in position 0
    b.model.rfic[0x42] = 0xF1;   // lands in position 1
    ReceiverOperations ops(b.link);
    const auto value = c.radioChip ? ops.readRadioChipRegister(0x42) : ops.readDirectRegister(0x42);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, c.expected);
    EXPECT_EQ(b.log, (Log{c.radioChip ? "set 01 06 42 00 00 00 00 00" : "set 01 14 42 00 00 00 00 00",
                          "sleep 2", "get", "sleep 2", "pump"}));
}

INSTANTIATE_TEST_SUITE_P(ReceiverOperations, RegisterRead,
                         ::testing::Values(RegisterCase{"direct", false, 0xD0},
                                           RegisterCase{"radioChip", true, 0xF1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiverOperations, UnansweredRegisterReadCostsRetryCountAttemptsAndSetsCommError) {
    ModelBench b;
    b.model.ack = false;
    EXPECT_FALSE(ReceiverOperations(b.link).readDirectRegister(1).has_value());
    EXPECT_EQ(b.count("set "), 30);
    EXPECT_TRUE(b.link.CommError);
}

TEST(ReceiverOperations, RegistersWithoutReceiverSendNothingAndLeaveCommErrorAlone) {
    ModelBench b;
    b.link.ActiveDevice = nullptr;
    ReceiverOperations ops(b.link);
    EXPECT_FALSE(ops.readRadioChipRegister(1).has_value());
    EXPECT_FALSE(ops.writeRadioChipRegister(1, 0x1B).has_value());
    ops.writeDirectRegister(1, 2);
    EXPECT_TRUE(b.log.empty());
    EXPECT_FALSE(b.link.CommError);
}

TEST(ReceiverOperations, RadioChipWriteRepeatsUntilTheRegisterReadsBack) {
    ModelBench b;
    b.model.rfic[1] = 0x03;
    b.model.rficIgnoresWritesUntil = 2;
    EXPECT_EQ(ReceiverOperations(b.link).writeRadioChipRegister(1, 0x1B), 0x1B);
    EXPECT_EQ(b.sets("01 07 ").size(), 3u);
    EXPECT_EQ(b.sets("01 07 ").front(), "01 07 01 1B 00 00 00 00");
    EXPECT_EQ(b.log[1], "sleep 15");
    EXPECT_FALSE(b.link.CommError);
}

TEST(ReceiverOperations, RadioChipWriteThatNeverSticksEndsSilentlyAfterRetryCount) {
    ModelBench b;
    b.model.rfic[1] = 0x03;
    b.model.rficIgnoresWritesUntil = 1000;
    EXPECT_EQ(ReceiverOperations(b.link).writeRadioChipRegister(1, 0x1B), 0x03);
    EXPECT_EQ(b.sets("01 07 ").size(), 30u);
    EXPECT_FALSE(b.link.CommError);
}

TEST(ReceiverOperations, RadioChipWriteWithUnansweredReadBackStopsAtOnce) {
    ModelBench b;
    b.model.ack = false;
    EXPECT_FALSE(ReceiverOperations(b.link).writeRadioChipRegister(1, 0x1B).has_value());
    EXPECT_EQ(b.sets("01 07 ").size(), 1u);
    EXPECT_TRUE(b.link.CommError);
}

TEST(ReceiverOperations, StatusQueryReturnsTheAcknowledgedAnswerWithoutPumping) {
    ModelBench b;
    b.model.status = Frame{0x00, 0xBB, 0x01, 0, 0, 0, 0, 0xCC};
    const auto answer = ReceiverOperations(b.link).statusQuery(4);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(test::hex(*answer), "00 BB 01 00 00 00 00 CC");
    EXPECT_EQ(b.log, (Log{"set 01 14 FF AA 04 00 00 00", "sleep 8", "get"}));
}

TEST(ReceiverOperations, StatusQueryGivesUpAfterThirtyAttemptsOrOneSecond) {
    ModelBench b;
    b.model.ack = false;
    EXPECT_FALSE(ReceiverOperations(b.link).statusQuery(1).has_value());
    EXPECT_EQ(b.count("set "), 30);
    EXPECT_EQ(b.count("pump"), 0);
    EXPECT_FALSE(b.link.CommError);

    ModelBench slow; // 8 ms pause + 100 ms transfer: the tenth attempt crosses one second
    slow.model.ack = false;
    slow.clock.onSleep = [&](int) { slow.clock.advance(100); };
    EXPECT_FALSE(ReceiverOperations(slow.link).statusQuery(1).has_value());
    EXPECT_EQ(slow.count("set "), 10);
}

TEST(ReceiverOperations, RestartAndReloadAreSentOnceAndAFailedTransferSetsCommError) {
    ModelBench b;
    ReceiverOperations ops(b.link);
    ops.jumpToPor();
    ops.reloadParameter();
    ops.updateCustKey();
    EXPECT_EQ(b.log, (Log{"set 01 0E 55 AA CC 00 00 00", "set 01 0F CC 33 55 00 00 00",
                          "set 01 08 0B 00 00 00 00 00"}));
    EXPECT_FALSE(b.link.CommError);
    b.device.failAfter = 0;
    ops.reloadParameter();
    EXPECT_TRUE(b.link.CommError);
}

TEST(ReceiverOperations, LinkQueryReportsMouseAndKeyboardId) {
    ModelBench b;
    b.device.answer = [](const Frame&) { return Frame{0x21, 0x5C, 0x7D, 0, 0, 0, 0, 0}; };
    const auto ids = ReceiverOperations(b.link).linkQuery();
    ASSERT_TRUE(ids.has_value()) << "the link query needs no acknowledgement";
    EXPECT_EQ(ids->mouseId, 0x5C);
    EXPECT_EQ(ids->keyboardId, 0x7D);
    EXPECT_EQ(b.log.front(), "set 01 09 00 00 00 00 00 00");

    ModelBench failing;
    failing.device.failAfter = 1; // the request goes out, the answer never comes
    EXPECT_FALSE(ReceiverOperations(failing.link).linkQuery().has_value());
}

struct BatteryCase {
    int index;
    int storedWord; ///< -1: the read fails
    std::string written;
};

class BatteryWord : public ::testing::TestWithParam<BatteryCase> {};

TEST_P(BatteryWord, KeepsTheLowFiveBitsAndClearsBitSeven) {
    const auto c = GetParam();
    ModelBench b;
    b.model.words[47] = c.storedWord < 0 ? 0 : c.storedWord;
    bool written = false;
    if (c.storedWord < 0) // the first read fails; the write and its read-back go through
        b.device.answer = [&](const Frame& r) {
            auto a = b.model(r);
            written = written || r[1] == 0x04;
            if (r[1] == 0x03 && !written)
                (*a)[7] = 0;
            return a;
        };
    ReceiverOperations(b.link).writeBatteryLevel(options::batteryLevelCode(c.index));
    EXPECT_EQ(wordWrites(b), std::vector<std::string>{"2F=" + c.written});
}

INSTANTIATE_TEST_SUITE_P(ReceiverOperations, BatteryWord,
                         ::testing::Values(BatteryCase{1, 0x9F60, "3FC0"},
                                           BatteryCase{0, 0x0000, "40BF"},
                                           BatteryCase{2, 0xFF00, "1FE0"},
                                           BatteryCase{-1, -1, "3FC0"}));

TEST(ReceiverOperations, HotKeysAndReceiverTypeWords) {
    ModelBench b;
    ReceiverOperations ops(b.link);
    ops.writeHotKey(1, hotkeys::kHotKeys[hotkeys::kWwwHome].code);
    ops.writeHotKey(2, hotkeys::kHotKeys[hotkeys::kMail].code);
    ops.writeHotKey(1, hotkeys::kHotKeys[0].code);
    ops.writeReceiverType(true);
    ops.writeReceiverType(false);
    EXPECT_EQ(wordWrites(b), (std::vector<std::string>{"03=23DC", "04=02FD", "05=8A75", "06=01FE",
                                                       "03=00FF", "04=00FF", "38=5AA5", "38=FFFF"}));
}
