// SPDX-License-Identifier: MIT
#include "HotplugWatch.h"
#include "station/StationThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace rfbind::test {
namespace {

using app::HotplugWatch;
using namespace std::chrono_literals;

/// A descriptor that becomes readable as the kernel's event socket does: one byte per event.
struct EventPipe {
    int fds[2] = {-1, -1};
    // Non-blocking, as the monitor's socket: a drain with nothing pending finds nothing.
    EventPipe() { EXPECT_EQ(::pipe2(fds, O_NONBLOCK), 0); }
    ~EventPipe() {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    void event() { ASSERT_EQ(::write(fds[1], "e", 1), 1); }
    /// Takes every pending event, as a drain does.
    int take() {
        char buffer[64];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        return n > 0 ? static_cast<int>(n) : 0;
    }
};

/// Lets a drain under way go on only when the test says so.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    int entered = 0;
    void pass() {
        std::unique_lock lock(mutex);
        ++entered;
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
    }
    void release() {
        const std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    int enteredCount() {
        const std::lock_guard lock(mutex);
        return entered;
    }
};

bool processUntil(const std::function<bool()>& done, int ms = 2000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void processFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

HotplugWatch::ToStation postTo(StationThread& thread) {
    return [&thread](std::function<void()> work) { thread.post(std::move(work)); };
}

TEST(HotplugWatch, EventsAreDrainedOnTheStationsThreadWithTheNotifierOffUntilTheDrainIsDone) {
    EventPipe pipe;
    Gate gate;
    StationThread station;
    std::atomic<int> drains = 0;
    std::atomic<int> taken = 0;
    std::atomic<bool> allOnStation = true;
    std::atomic<int> announcements = 0;
    station.start();
    HotplugWatch watch(
        HotplugWatch::Source{pipe.fds[0],
                             [&] {
                                 allOnStation = allOnStation && station.onStationThread();
                                 ++drains;
                                 gate.pass();
                                 taken += pipe.take();
                             },
                             [&] {
                                 allOnStation = allOnStation && station.onStationThread();
                                 ++announcements;
                             }},
        postTo(station));
    ASSERT_TRUE(processUntil([&] { return announcements == 1; }));
    EXPECT_TRUE(watch.listening());

    pipe.event();
    ASSERT_TRUE(processUntil([&] { return gate.enteredCount() == 1; }));
    // The event is still unread while the station drains: the window must not hand over
    // another drain for it on every turn of its loop.
    EXPECT_FALSE(watch.listening());
    pipe.event();
    processFor(100);
    EXPECT_EQ(drains, 1);

    gate.release();
    ASSERT_TRUE(processUntil([&] { return watch.listening(); }));
    EXPECT_EQ(taken, 2);
    // Events after the drain reach the station again.
    pipe.event();
    ASSERT_TRUE(processUntil([&] { return taken == 3 && watch.listening(); }));
    EXPECT_EQ(drains, 2);
    EXPECT_EQ(announcements, 1);
    EXPECT_TRUE(allOnStation);
}

// Work handed to the station and not yet begun when the watch goes does nothing: the
// controller's list may be the station's no longer by then.
struct PendingCase {
    const char* name;
    bool event;           // an event arrived (else only the start-up announcement is pending)
    bool watchGoneFirst;  // the watch is destroyed before the station runs what it was handed
    int drains;
    int announcements;
};

class HotplugWatchPending : public ::testing::TestWithParam<PendingCase> {};

TEST_P(HotplugWatchPending, RunsOnlyWhileTheWatchLives) {
    const PendingCase& c = GetParam();
    EventPipe pipe;
    std::vector<std::function<void()>> handed;
    int drains = 0;
    int announcements = 0;
    auto watch = std::make_unique<HotplugWatch>(
        HotplugWatch::Source{pipe.fds[0],
                             [&] {
                                 ++drains;
                                 pipe.take();
                             },
                             [&] { ++announcements; }},
        [&handed](std::function<void()> work) { handed.push_back(std::move(work)); });
    ASSERT_TRUE(processUntil([&] { return !handed.empty(); })); // the announcement
    if (c.event) {
        pipe.event();
        ASSERT_TRUE(processUntil([&] { return handed.size() == 2; }));
    }
    if (c.watchGoneFirst)
        watch.reset();
    for (auto& work : handed)
        work();
    processFor(50); // a switch-on queued to a watch that is gone must not arrive
    EXPECT_EQ(drains, c.drains);
    EXPECT_EQ(announcements, c.announcements);
    if (watch) {
        processUntil([&] { return watch->listening(); });
        EXPECT_TRUE(watch->listening());
    }
}

INSTANTIATE_TEST_SUITE_P(
    HotplugWatch, HotplugWatchPending,
    ::testing::Values(PendingCase{"AnnouncementWhileAlive", false, false, 0, 1},
                      PendingCase{"AnnouncementAfterTheWatch", false, true, 0, 0},
                      PendingCase{"DrainWhileAlive", true, false, 1, 1},
                      PendingCase{"DrainAfterTheWatch", true, true, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The watch goes when the window closes; a drain under way may be asking the window
// something (the hot-key lists of a receiver it just found), which the window must still
// answer while it waits, or neither thread ever goes on.
TEST(HotplugWatch, DestroyingTheWatchWaitsForTheDrainUnderWayAndAnswersItsQuestions) {
    for (const bool drainAsks : {false, true}) {
        SCOPED_TRACE(drainAsks ? "the drain asks the window" : "the drain only reports");
        EventPipe pipe;
        Gate gate;
        StationThread station;
        QObject window;
        std::atomic<bool> drainReturned = false;
        station.start();
        auto watch = std::make_unique<HotplugWatch>(
            HotplugWatch::Source{pipe.fds[0],
                                 [&] {
                                     gate.pass();
                                     pipe.take();
                                     std::this_thread::sleep_for(20ms);
                                     if (drainAsks)
                                         QMetaObject::invokeMethod(
                                             &window, [] {}, Qt::BlockingQueuedConnection);
                                     drainReturned = true;
                                 },
                                 {}},
            postTo(station));
        pipe.event();
        ASSERT_TRUE(processUntil([&] { return gate.enteredCount() == 1; }));
        std::promise<void> destroyed;
        std::thread opener([&gate, ended = destroyed.get_future()] {
            std::this_thread::sleep_for(50ms);
            gate.release();
            // Both threads waiting on each other never end: say so rather than hang the suite.
            if (ended.wait_for(10s) != std::future_status::ready) {
                std::fputs("the watch's destructor and the drain wait on each other\n", stderr);
                std::abort();
            }
        });
        watch.reset();
        destroyed.set_value();
        EXPECT_TRUE(drainReturned);
        opener.join();
        station.stop();
    }
}

} // namespace
} // namespace rfbind::test
