// SPDX-License-Identifier: MIT
#include "link/ReceiverLink.h"
#include "support/FakeHidDevice.h"
#include "support/RecordingClock.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

using namespace rfbind;
using rfbind::test::FakeHidDevice;
using rfbind::test::RecordingClock;
using Log = std::vector<std::string>;

namespace {

/// A receiver with a word EEPROM that answers reads with the stored word and acknowledges.
struct EepromReceiver {
    std::array<int, 64> words{};
    std::optional<Frame> operator()(const Frame& r) {
        Frame a = r;
        if (r[1] == 0x04 && r[2] < 64)
            words[r[2]] = r[3] * 256 + r[4];
        if (r[1] == 0x03)
            a = Frame{static_cast<std::uint8_t>(words[r[2] % 64] >> 8),
                      static_cast<std::uint8_t>(words[r[2] % 64] & 0xFF), 0, 0, 0, 0, 0, 0};
        a[7] = frame::kAck;
        return a;
    }
};

struct Bench {
    Log log;
    RecordingClock clock{&log};
    FakeHidDevice device{&log};
    ReceiverLink link{clock};
    Bench() { link.ActiveDevice = &device; }
};

int count(const Log& log, const std::string& prefix) {
    int n = 0;
    for (const auto& e : log)
        n += e.rfind(prefix, 0) == 0;
    return n;
}

} // namespace

TEST(ReceiverLink, WriteReceiverEepromSendsPreludeWriteThenVerifiedRead) {
    Bench b;
    b.device.answer = EepromReceiver{};
    b.link.WriteReceiverEeprom(0x10, 0x1234);
    EXPECT_EQ(b.log, (Log{"set 01 01 07 08 05 00 00 00", "pump", "set 01 04 10 12 34 00 00 00",
                          "sleep 20", "set 01 03 10 00 00 00 00 00", "get", "pump"}));
    EXPECT_FALSE(b.link.CommError);
}

TEST(ReceiverLink, ReadReceiverEepromReturnsPositionZeroAndOneAsWord) {
    Bench b;
    b.device.answer = [](const Frame&) { return Frame{0x04, 0xFB, 0, 0, 0, 0, 0, 0xCC}; };
    EXPECT_EQ(b.link.ReadReceiverEeprom(15), 0x04FB);
    EXPECT_EQ(b.log, (Log{"set 01 03 0F 00 00 00 00 00", "get", "pump"}));
    EXPECT_EQ(b.device.lengths, (std::vector<std::size_t>{8, 8}));
}

// Whatever positions 0 and 1 hold, only 0xCC at position 7 makes an answer valid.
class UnacknowledgedAnswer : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(UnacknowledgedAnswer, IsNeverAcceptedAndCostsExactlyThirtyReads) {
    Bench b;
    const std::uint8_t mark = GetParam();
    b.device.answer = [mark](const Frame&) { return Frame{0x12, 0x34, 0, 0, 0, 0, 0, mark}; };
    EXPECT_EQ(b.link.ReadReceiverEeprom(0x10), -1);
    EXPECT_TRUE(b.link.CommError);
    EXPECT_EQ(count(b.log, "set 01 03 10"), 30);
    EXPECT_EQ(b.device.gets, 30);
    EXPECT_EQ(b.clock.sleptMs(), 0) << "reads are paced by the transfers alone";
}

INSTANTIATE_TEST_SUITE_P(ReceiverLink, UnacknowledgedAnswer,
                         ::testing::Values(0x00, 0x01, 0xCB, 0xCD, 0x33, 0xFF));

TEST(ReceiverLink, SilentReceiverCostsThirtyWritesOfThirtyReadsEach) {
    Bench b;
    b.device.answer = [](const Frame& r) { return std::optional<Frame>(r); }; // echo, no mark
    b.link.WriteReceiverEeprom(3, 0x23DC);
    EXPECT_TRUE(b.link.CommError);
    EXPECT_EQ(count(b.log, "set 01 04 03 23 DC"), 30);
    EXPECT_EQ(count(b.log, "set 01 03 03"), 900);
    EXPECT_EQ(count(b.log, "sleep 20"), 30);
}

TEST(ReceiverLink, WriteReceiverEepromRetriesUntilTheReadBackMatches) {
    Bench b;
    int writes = 0;
    EepromReceiver eeprom;
    // The first two writes do not take: the EEPROM keeps its old word.
    b.device.answer = [&](const Frame& r) {
        if (r[1] == 0x04 && ++writes <= 2)
            return std::optional<Frame>(Frame{r[0], r[1], r[2], r[3], r[4], 0, 0, 0xCC});
        return eeprom(r);
    };
    b.link.WriteReceiverEeprom(56, 0x5AA5);
    EXPECT_FALSE(b.link.CommError);
    EXPECT_EQ(count(b.log, "set 01 04 38 5A A5"), 3);
    EXPECT_EQ(eeprom.words[56], 0x5AA5);
}

TEST(ReceiverLink, ReadBackThatNeverMatchesSetsCommErrorAfterThirtyWrites) {
    Bench b;
    b.device.answer = [](const Frame&) { return Frame{0x00, 0x00, 0, 0, 0, 0, 0, 0xCC}; };
    b.link.WriteReceiverEeprom(2, 0x1AE5);
    EXPECT_TRUE(b.link.CommError);
    EXPECT_EQ(count(b.log, "set 01 04 02 1A E5"), 30);
    EXPECT_EQ(count(b.log, "set 01 03 02"), 30);
}

TEST(ReceiverLink, WriteReportThatCannotBeSentEndsAtOnce) {
    Bench b;
    b.device.failAfter = 1; // the prelude goes out, the write does not
    b.link.WriteReceiverEeprom(0, 0x00FF);
    EXPECT_TRUE(b.link.CommError);
    EXPECT_EQ(b.log, (Log{"set 01 01 07 08 05 00 00 00", "pump"}));
}

TEST(ReceiverLink, FailedTransferInReadEndsAtOnce) {
    for (int okTransfers : {0, 1}) { // the set fails; the set succeeds and the get fails
        Bench b;
        b.device.failAfter = okTransfers;
        EXPECT_EQ(b.link.ReadReceiverEeprom(5), -1);
        EXPECT_TRUE(b.link.CommError);
        EXPECT_EQ(b.device.lengths.size(), static_cast<std::size_t>(okTransfers + 1));
    }
}

TEST(ReceiverLink, RemoteReadSendsPreludeThenRequestAndReturnsPositionZero) {
    Bench b;
    b.device.answer = [](const Frame& r) {
        if (r[1] == 0x24)
            return std::optional<Frame>(Frame{0x40, 0, 0, 0, 0, 0, 0, 0xCC});
        return std::optional<Frame>(r);
    };
    EXPECT_EQ(b.link.RemoteRead(0x24, 0x1A), 0x40);
    EXPECT_EQ(b.log, (Log{"set 01 01 07 08 03 00 00 00", "set 01 24 AA 1A 00 00 00 00", "sleep 16",
                          "get", "sleep 8", "pump"}));
    EXPECT_FALSE(b.link.CommError);
}

TEST(ReceiverLink, RemoteReadOfSilentTransmitterGivesUpAfterThirtyAttempts) {
    Bench b;
    b.device.answer = [](const Frame& r) { return std::optional<Frame>(r); };
    EXPECT_EQ(b.link.RemoteRead(0x2A, 0), -1);
    EXPECT_TRUE(b.link.CommError);
    EXPECT_EQ(count(b.log, "set 01 2A AA 00"), 30);
    EXPECT_EQ(b.clock.sleptMs(), 30 * 24);
}

TEST(ReceiverLink, RemoteReadStopsAfterOneSecondButAcceptsTheAnswerOfTheLastAttempt) {
    struct Case {
        int ackOnAttempt; // 0 = never
        int expected;
        int attempts;
    };
    // Each attempt costs 24 ms of sleeps and 76 ms of slow transfer: 100 ms. The attempt that
    // ends past 1000 ms (the 11th) is the last one.
    for (Case c : {Case{0, -1, 11}, Case{11, 0x5A, 11}, Case{3, 0x5A, 3}}) {
        Bench b;
        int attempt = 0;
        b.device.answer = [&](const Frame& r) {
            if (r[1] != 0x28)
                return std::optional<Frame>(r);
            b.clock.advance(76);
            if (++attempt == c.ackOnAttempt)
                return std::optional<Frame>(Frame{0x5A, 0, 0, 0, 0, 0, 0, 0xCC});
            return std::optional<Frame>(r);
        };
        EXPECT_EQ(b.link.RemoteRead(0x28, 1), c.expected) << c.ackOnAttempt;
        EXPECT_EQ(count(b.log, "set 01 28 AA 01"), c.attempts) << c.ackOnAttempt;
        EXPECT_EQ(b.link.CommError, c.expected == -1);
    }
}

TEST(ReceiverLink, RemoteReadCountsAFailedSendAsUnansweredAttempt) {
    Bench b;
    b.device.failAfter = 0;
    EXPECT_EQ(b.link.RemoteRead(0x24, 8), -1);
    EXPECT_TRUE(b.link.CommError);
    EXPECT_EQ(b.device.gets, 0) << "no answer is fetched for a request that did not go out";
    EXPECT_EQ(count(b.log, "sleep 8"), 30);
    EXPECT_EQ(count(b.log, "sleep 16"), 0);
}

TEST(ReceiverLink, RemoteWriteSendsTheSameFrameThreeTimesWithoutReading) {
    Bench b;
    b.link.RemoteWrite(0x2B, 0x5A, 0xCC);
    const std::string f = "set 01 2B AA 5A CC 00 00 00";
    EXPECT_EQ(b.log, (Log{"sleep 8", f, "sleep 8", f, "sleep 8", f, "sleep 8"}));
    EXPECT_EQ(b.device.gets, 0);
    EXPECT_FALSE(b.link.CommError);
}

TEST(ReceiverLink, RemoteCommandsUseReportLengthAndEepromPrimitivesUseEight) {
    Bench b;
    b.link.ReportLength = 5;
    b.link.RemoteWrite(0x2C, 0, 0);
    b.link.SendReport(0x0A, 0, 0, 0);
    EXPECT_EQ(b.device.lengths, (std::vector<std::size_t>{5, 5, 5, 8}));
}

TEST(ReceiverLink, WithoutReceiver) {
    Log log;
    RecordingClock clock{&log};
    ReceiverLink link{clock};

    EXPECT_FALSE(link.SendReport(1, 2, 3, 4));
    EXPECT_FALSE(link.CommError) << "SendReport never touches CommError";

    EXPECT_EQ(link.ReadReceiverEeprom(0), -1);
    EXPECT_TRUE(link.CommError);

    link.CommError = false;
    EXPECT_EQ(link.RemoteRead(0x24, 0), -1);
    EXPECT_TRUE(link.CommError);

    link.CommError = false;
    log.clear();
    link.RemoteWrite(0x21, 0, 0);
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(log, (Log{"sleep 8"})) << "RemoteWrite waits its first 8 ms before failing";

    link.CommError = false;
    log.clear();
    link.WriteReceiverEeprom(0, 0);
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(log, (Log{"pump"}));
}

TEST(ReceiverLink, CommErrorStaysSetThroughLaterSuccesses) {
    Bench b;
    EepromReceiver eeprom;
    bool silent = true;
    b.device.answer = [&](const Frame& r) {
        return silent ? std::optional<Frame>(r) : eeprom(r);
    };
    EXPECT_EQ(b.link.ReadReceiverEeprom(1), -1);
    silent = false;
    b.link.WriteReceiverEeprom(1, 0x12ED);
    EXPECT_EQ(b.link.ReadReceiverEeprom(1), 0x12ED);
    EXPECT_NE(b.link.RemoteRead(0x24, 0), -1);
    EXPECT_TRUE(b.link.CommError);
}

TEST(ReceiverLink, ReceiverDroppedWhileMessagesRunFailsInOrder) {
    Bench b;
    b.device.answer = EepromReceiver{};
    // A device change arrives during the first message pump and deselects the receiver.
    b.clock.onPump = [&] { b.link.ActiveDevice = nullptr; };
    b.link.WriteReceiverEeprom(4, 0x02FD);
    EXPECT_TRUE(b.link.CommError);
    EXPECT_EQ(count(b.log, "set 01 04"), 0);
}

// Each primitive that sets CommError says why, in the words the unit's FAIL reason will carry:
// the system's text of a failed transfer, the count of a short one, the tries that went
// unacknowledged, a word that never read back.
TEST(ReceiverLink, PrimitivesSayWhyTheyFailed) {
    using Kind = LinkFailure::Kind;
    const auto silent = [](const Frame& r) { return std::optional<Frame>(r); }; // no ack
    const auto stuckAtZero = [](const Frame& r) {
        Frame a = r[1] == 0x03 ? Frame{} : r;
        a[7] = frame::kAck;
        return std::optional<Frame>(a);
    };
    struct Case {
        const char* name;
        std::function<void(Bench&)> setUp;
        std::function<void(ReceiverLink&)> call;
        Kind kind;
        std::string text;
    };
    const auto failing = [](int after, TransferResult result) {
        return [after, result](Bench& b) {
            b.device.failAfter = after;
            b.device.failure = result;
        };
    };
    const auto readWord = [](ReceiverLink& l) { l.ReadReceiverEeprom(0x10); };
    const auto writeWord = [](ReceiverLink& l) { l.WriteReceiverEeprom(0x10, 0x1234); };
    const auto remoteRead = [](ReceiverLink& l) { l.RemoteRead(0x24, 8); };
    const Case cases[] = {
        {"read, i/o error", failing(0, TransferResult::failed("Input/output error")), readWord,
         Kind::TransferFailed, "feature report transfer failed (Input/output error)"},
        {"read, answer short", failing(1, TransferResult::shortTransfer(false, 3, 8)), readWord,
         Kind::ShortTransfer, "feature report transfer failed (received 3 of 8 bytes)"},
        {"read, unacknowledged", [&](Bench& b) { b.device.answer = silent; }, readWord,
         Kind::NotAcknowledged, "receiver did not acknowledge after 30 tries"},
        {"read, device gone", failing(0, TransferResult::noDevice("device unplugged")), readWord,
         Kind::NoReceiver, "receiver cannot be reached (device unplugged)"},
        // The prelude goes out, the write itself is cut short.
        {"write, short", failing(1, TransferResult::shortTransfer(true, 5, 8)), writeWord,
         Kind::ShortTransfer, "feature report transfer failed (sent 5 of 8 bytes)"},
        {"write, never confirmed", [&](Bench& b) { b.device.answer = stuckAtZero; }, writeWord,
         Kind::NotConfirmed, "read back 0x0000 after 30 writes"},
        {"remote read, stall", failing(1, TransferResult::failed("Broken pipe")), remoteRead,
         Kind::TransferFailed, "feature report transfer failed (Broken pipe)"},
        {"remote read, unanswered", [&](Bench& b) { b.device.answer = silent; }, remoteRead,
         Kind::NotAcknowledged, "transmitter did not answer after 30 tries"},
        {"remote write, no receiver", [](Bench& b) { b.link.ActiveDevice = nullptr; },
         [](ReceiverLink& l) { l.RemoteWrite(0x21, 0, 0); }, Kind::NoReceiver,
         "no receiver selected"},
    };
    for (const Case& c : cases) {
        Bench b;
        c.setUp(b);
        c.call(b.link);
        EXPECT_TRUE(b.link.CommError) << c.name;
        EXPECT_EQ(b.link.lastFailure().kind, c.kind) << c.name;
        EXPECT_EQ(b.link.lastFailure().text, c.text) << c.name;
    }
}

// The failure kept is the first since CommError was last cleared: a later failure does not
// replace it, and clearing CommError lets the next one be reported.
TEST(ReceiverLink, KeepsTheFirstFailureUntilCommErrorIsCleared) {
    Bench b;
    b.device.failAfter = 0;
    b.device.failure = TransferResult::failed("Input/output error");
    b.link.ReadReceiverEeprom(1);
    b.device.failure = TransferResult::failed("Broken pipe");
    b.link.ReadReceiverEeprom(1);
    EXPECT_EQ(b.link.lastFailure().text, "feature report transfer failed (Input/output error)");

    b.link.CommError = false;
    EXPECT_FALSE(b.link.lastFailure()) << "cleared with CommError";
    b.link.ReadReceiverEeprom(1);
    EXPECT_EQ(b.link.lastFailure().text, "feature report transfer failed (Broken pipe)");

    // A caller that sets CommError itself gives no reason; the next primitive's failure is the
    // first one with a reason and is kept.
    b.link.CommError = false;
    b.link.CommError = true;
    EXPECT_FALSE(b.link.lastFailure());
    b.link.ReadReceiverEeprom(1);
    EXPECT_EQ(b.link.lastFailure().kind, LinkFailure::Kind::TransferFailed);
}
