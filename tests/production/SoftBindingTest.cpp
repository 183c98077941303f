// SPDX-License-Identifier: MIT
#include "production/SoftBinding.h"

#include "bench/BenchRig.h"
#include "support/FakeHidDevice.h"
#include "support/RecordingClock.h"

#include <gtest/gtest.h>

using rfbind::Frame;
using rfbind::SoftBinding;
using Verdict = rfbind::SoftBinding::Verdict;
using Ids = rfbind::SoftBinding::Ids;

TEST(SoftBinding, VerdictOfATick) {
    struct Case {
        const char* name;
        bool fromRun;
        std::optional<Ids> now;
        int ticks;
        Verdict expected;
    };
    // The receiver reported mouse 5 and keyboard 9 when the binding started.
    const Case cases[] = {
        {"operator, nothing changed", false, Ids{0x20, 5, 9}, 3, Verdict::Watching},
        {"operator, mouse paired", false, Ids{0x20, 6, 9}, 3, Verdict::Paired},
        {"operator, keyboard paired", false, Ids{0x20, 5, 10}, 3, Verdict::Paired},
        {"run, mouse paired instead of the keyboard", true, Ids{0x20, 6, 9}, 3, Verdict::Watching},
        {"run, keyboard paired", true, Ids{0x20, 5, 10}, 3, Verdict::Paired},
        {"a change on the sixteenth tick still counts", false, Ids{0x20, 6, 9}, 16, Verdict::Paired},
        {"sixteenth tick without a change", false, Ids{0x20, 5, 9}, 16, Verdict::TimedOut},
        {"run, sixteenth tick with only the mouse changed", true, Ids{0x20, 6, 9}, 16,
         Verdict::TimedOut},
        {"no valid answer is no change", false, std::nullopt, 4, Verdict::Watching},
        {"no valid answer on the sixteenth tick", false, std::nullopt, 16, Verdict::TimedOut},
        {"a tick after a sixteenth that ended early", false, Ids{0x20, 5, 9}, 17,
         Verdict::EndedLate},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SoftBinding::judge(c.fromRun, 5, 9, c.now, c.ticks), c.expected) << c.name;
}

TEST(SoftBinding, ReadsTheIdsTheReceiverReportsAndWritesTheDebugLines) {
    rfbind::test::BenchRig rig;
    const auto start = SoftBinding::readAtStart(rig.link);
    ASSERT_TRUE(start.ids);
    EXPECT_EQ(start.ids->mouseId, rig.bench.receiver().mouseId());
    EXPECT_EQ(start.ids->keyboardId, rig.bench.receiver().keyboardId());
    EXPECT_EQ(start.ids->channel, rig.bench.receiver().channel());
    EXPECT_EQ(SoftBinding::startLine(0, Ids{0x20, 0xAB, 0x0C}),
              "**0--preMseID-AB--preKbdID-C--channel-32");

    const auto tick = SoftBinding::readTick(rig.link, 3);
    EXPECT_FALSE(tick.lost);
    ASSERT_TRUE(tick.ids);
    ASSERT_EQ(tick.debugLines.size(), 2u);
    EXPECT_EQ(tick.debugLines[0], SoftBinding::readLine(1, 3, *tick.ids));
    EXPECT_EQ(SoftBinding::readLine(1, 3, Ids{0x20, 0, 0x1F}),
              "*1*3--NowMseID-0--NowKbdID-1F--channel-32");
    EXPECT_EQ(SoftBinding::readLine(2, 12, Ids{2, 0xFF, 0}),
              "*2*12--NowMseID-FF--NowKbdID-0--channel-2");
}

TEST(SoftBinding, AReceiverThatStopsAnsweringEndsTheReadingsWithoutIds) {
    rfbind::test::BenchRig rig;
    rig.bench.unplugReceiver();
    const auto start = SoftBinding::readAtStart(rig.link);
    EXPECT_FALSE(start.ids);
    EXPECT_EQ(rig.bench.setFeatures(), 19u) << "the start reading is bounded like a tick";

    // A failed first query leaves both noted values at 0: the tick ends at once, but it has
    // nothing to compare and must not be taken for a paired transmitter.
    const auto tick = SoftBinding::readTick(rig.link, 1);
    EXPECT_FALSE(tick.lost);
    EXPECT_FALSE(tick.ids);
    EXPECT_EQ(SoftBinding::judge(false, 5, 9, tick.ids, 1), Verdict::Watching);
}

TEST(SoftBinding, IdsThatNeverSettleLoseTheReceiverOnTheTwentiethAttempt) {
    rfbind::test::RecordingClock clock;
    rfbind::test::FakeHidDevice device;
    int answers = 0;
    // Every answer is valid, but the mouse ID never repeats.
    device.answer = [&](const Frame&) {
        return std::optional<Frame>(Frame{0x20, static_cast<std::uint8_t>(++answers), 0, 0, 0, 0, 0, 0});
    };
    rfbind::ReceiverLink link(clock);
    link.ActiveDevice = &device;
    const auto tick = SoftBinding::readTick(link, 2);
    EXPECT_TRUE(tick.lost);
    EXPECT_EQ(device.sent.size(), 2u * 19u);
    // 10 + 5 + 10 ms per attempt.
    EXPECT_EQ(clock.sleptMs(), 19 * 25);

    answers = 0;
    EXPECT_FALSE(SoftBinding::readAtStart(link).ids);
    EXPECT_EQ(device.sent.size(), 2u * 19u * 2u);
}

TEST(SoftBinding, BindCommandCarriesTheLastAnswersTail) {
    const Frame answer{0x20, 1, 2, 0, 0, 0x55, 0x66, 0xCC};
    EXPECT_EQ(SoftBinding::bindCommand(answer), (Frame{0x01, 0x08, 0x00, 0x01, 0x00, 0x55, 0x66, 0xCC}));
}
