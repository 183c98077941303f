// SPDX-License-Identifier: MIT
#include "station/Scheduler.h"
#include "support/RecordingClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rfbind::test {
namespace {

TEST(ClockScheduler, TimersFireOnTheClockInTheOrderTheyFellDue) {
    RecordingClock clock;
    ClockScheduler scheduler(clock);
    std::vector<std::string> fired;
    auto slow = scheduler.createTimer(1200, [&] { fired.push_back("slow"); });
    auto fast = scheduler.createTimer(500, [&] { fired.push_back("fast"); });
    EXPECT_FALSE(slow->isActive());
    EXPECT_EQ(scheduler.msUntilNext(), -1) << "nothing armed";

    slow->start();
    fast->start();
    EXPECT_EQ(scheduler.msUntilNext(), 500);
    clock.advance(499);
    EXPECT_EQ(scheduler.runDue(), 0);
    clock.advance(1);
    EXPECT_EQ(scheduler.runDue(), 1);
    clock.advance(500);
    EXPECT_EQ(scheduler.runDue(), 1);
    clock.advance(500); // the slow one fell due at 1200, the fast one at 1500
    EXPECT_EQ(scheduler.runDue(), 2);
    EXPECT_EQ(fired, (std::vector<std::string>{"fast", "fast", "slow", "fast"}));
}

TEST(ClockScheduler, ACallbackMayStopOrDestroyATimerDueWithIt) {
    RecordingClock clock;
    ClockScheduler scheduler(clock);
    int secondFired = 0;
    std::unique_ptr<StationTimer> second;
    auto first = scheduler.createTimer(100, [&] { second.reset(); });
    second = scheduler.createTimer(100, [&] { ++secondFired; });
    first->start();
    second->start();
    clock.advance(100);
    scheduler.runDue();
    EXPECT_EQ(secondFired, 0);
}

TEST(ClockScheduler, PostedWorkRunsOnceBeforeTheTimersAndAcrossTheTickWrap) {
    RecordingClock clock;
    clock.setNow(0xFFFFFF00u);
    ClockScheduler scheduler(clock);
    std::vector<std::string> order;
    auto timer = scheduler.createTimer(0x200, [&] { order.push_back("timer"); });
    timer->start();
    scheduler.post([&] { order.push_back("posted"); });
    EXPECT_EQ(scheduler.msUntilNext(), 0);
    clock.advance(0x200); // past 2^32
    EXPECT_EQ(scheduler.runDue(), 2);
    EXPECT_EQ(scheduler.runDue(), 0);
    EXPECT_EQ(order, (std::vector<std::string>{"posted", "timer"}));
}

} // namespace
} // namespace rfbind::test
