// SPDX-License-Identifier: MIT
#include "production/BindingWatch.h"

#include "RunBench.h"

#include <gtest/gtest.h>

using namespace rfbind;
using namespace rfbind::test;

TEST(BindingWatch, ThePairingStatusLastHeardStandsWhenTheReceiverLeavesTheQueryUnanswered) {
    const struct {
        const char* name;
        int statusBefore;  ///< what the receiver said last, before this binding
        bool unanswered;   ///< the receiver leaves the pairing-status query unanswered
        bool mousePairs;   ///< a transmitter pairs during the binding
        BindingWatch::State end;
        int ticks;
    } rows[] = {
        {"idle said before, pairs", 0xBB, true, true, BindingWatch::State::Paired, 1},
        {"never said, pairs unheard", -1, true, true, BindingWatch::State::TimedOut, 16},
        {"never said, nothing pairs", -1, true, false, BindingWatch::State::TimedOut, 16},
        {"answered, pairs", -1, false, true, BindingWatch::State::Paired, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        BenchRig rig;
        RecordingDisplay display;
        rig.bench.setFaults({.pairingStatusUnanswered = row.unanswered});
        int status = row.statusBefore;
        BindingWatch watch(rig.link, display, false, status);
        ASSERT_TRUE(watch.start());
        if (row.mousePairs) {
            rig.bench.switchMouse(false);
            rig.bench.switchMouse(true);
        }
        while (watch.state() == BindingWatch::State::Watching && watch.ticks() < 40)
            watch.tick();
        EXPECT_EQ(watch.state(), row.end);
        EXPECT_EQ(watch.ticks(), row.ticks);
        if (row.unanswered)
            EXPECT_EQ(status, row.statusBefore) << "an unanswered query changes nothing";
        else
            EXPECT_TRUE(status == SoftBinding::kPairingStatus || status == SoftBinding::kIdleStatus)
                << "the answer is kept for the next binding";
    }
}
