// SPDX-License-Identifier: MIT
#include "station/StationThread.h"
#include "support/RecordingClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace rfbind::test {
namespace {

using namespace std::chrono_literals;

/// Runs `work` on the station's thread and waits for it.
template <class F> auto onStation(StationThread& t, F work) {
    std::promise<decltype(work())> done;
    auto result = done.get_future();
    t.post([&] {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            done.set_value();
        } else {
            done.set_value(work());
        }
    });
    EXPECT_EQ(result.wait_for(5s), std::future_status::ready);
    return result.get();
}

TEST(StationThread, CommandsRunOnTheStationsThreadInTheOrderPosted) {
    StationThread t;
    t.start();
    std::vector<int> order;
    std::thread::id where;
    for (int i = 0; i < 5; ++i)
        t.post([&, i] { order.push_back(i); });
    onStation(t, [&] { where = std::this_thread::get_id(); });
    EXPECT_NE(where, std::this_thread::get_id());
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(StationThread, ATimerFiresOnItsOwnWhileTheCallerWaitsForNothing) {
    StationThread t;
    t.start();
    std::atomic<int> ticks = 0;
    auto timer = onStation(t, [&] { return t.createTimer(20, [&] { ++ticks; }); });
    onStation(t, [&] { timer->start(); });
    const auto until = std::chrono::steady_clock::now() + 2s;
    while (ticks < 3 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(5ms);
    EXPECT_GE(ticks.load(), 3);
    onStation(t, [&] {
        timer->stop();
        timer.reset();
    });
}

TEST(StationThread, APumpInTheMiddleOfACommandRunsWhatArrivedMeanwhile) {
    StationThread t;
    int pumped = 0;
    t.start([&] { ++pumped; });
    std::vector<std::string> order;
    std::promise<void> posted;
    std::promise<void> done;
    t.post([&] {
        order.push_back("run begins");
        posted.get_future().wait(); // a click arrives while the run waits for the devices
        t.clock().sleepMs(1);
        t.clock().pumpMessages();
        order.push_back("run ends");
        done.set_value();
    });
    t.post([&] { order.push_back("click"); });
    posted.set_value();
    ASSERT_EQ(done.get_future().wait_for(5s), std::future_status::ready);
    EXPECT_EQ(order, (std::vector<std::string>{"run begins", "click", "run ends"}));
    EXPECT_EQ(onStation(t, [&] { return pumped; }), 1);
}

// A run that waits for the transmitter pauses and pumps; the station's own timers (the link
// polling) tick meanwhile, as they did when the window's message loop was the pump, but a
// timer whose callback pumps is not fired again from inside itself.
TEST(StationThread, APumpInTheMiddleOfACommandLetsDueTimersTickButNotReenter) {
    StationThread t;
    t.start();
    int ticks = 0;
    int deepest = 0;
    int depth = 0;
    std::unique_ptr<StationTimer> timer;
    onStation(t, [&] {
        timer = t.createTimer(10, [&] {
            ++ticks;
            deepest = std::max(deepest, ++depth);
            t.clock().sleepMs(15);
            t.clock().pumpMessages();
            --depth;
        });
    });
    onStation(t, [&] {
        timer->start();
        for (int i = 0; i < 10; ++i) { // a run's pauses, 15 ms each
            t.clock().sleepMs(15);
            t.clock().pumpMessages();
        }
        timer->stop();
    });
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(deepest, 1);
    onStation(t, [&] { timer.reset(); });
}

TEST(StationThread, PausesAndTicksGoThroughTheClockItWasGiven) {
    // The program hands the thread its precise clock, which also adds up the pauses for the
    // bench's figures: a pause taken past it would be missing from them.
    RecordingClock time;
    time.setNow(1000);
    StationThread t(&time);
    t.start();
    const auto tick = onStation(t, [&] {
        t.clock().sleepMs(30);
        t.clock().sleepMs(0);
        return t.clock().tickMs();
    });
    EXPECT_EQ(time.sleptMs(), 30);
    EXPECT_EQ(tick, 1030u);
    // The pump still runs the commands queued meanwhile, not the given clock's own pump.
    EXPECT_EQ(time.pumps(), 0);
}

TEST(StationThread, WorkBetweenCommandsWaitsForTheCommandThatPumped) {
    StationThread t;
    t.start();
    std::vector<std::string> order;
    std::promise<void> posted;
    t.post([&] {
        order.push_back("change begins");
        posted.get_future().wait(); // the window asks whether the station is idle meanwhile
        t.clock().pumpMessages();
        order.push_back("change ends");
    });
    std::promise<void> idle;
    t.post([&] {
        order.push_back("asked");
        t.whenBetweenCommands([&] {
            order.push_back("idle");
            idle.set_value();
        });
    });
    posted.set_value();
    ASSERT_EQ(idle.get_future().wait_for(5s), std::future_status::ready);
    // Taken inside the change's pump, the answer still comes only once the change is done.
    EXPECT_EQ(order, (std::vector<std::string>{"change begins", "asked", "change ends", "idle"}));
}

TEST(StationThread, StoppingDropsWhatIsStillQueued) {
    int ran = 0;
    {
        StationThread t;
        std::promise<void> queued;
        auto bothQueued = queued.get_future().share();
        t.start();
        // The station is closed while a command works: the next one never starts.
        t.post([&t, bothQueued] {
            bothQueued.wait();
            t.stop();
        });
        t.post([&] { ++ran; });
        queued.set_value();
    } // joins
    EXPECT_EQ(ran, 0);
}

} // namespace
} // namespace rfbind::test
