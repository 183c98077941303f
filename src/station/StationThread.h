// SPDX-License-Identifier: MIT
#pragma once

#include "link/Clock.h"
#include "station/Scheduler.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace rfbind {

/// The thread a station works on, so that no device transfer and no protocol pause ever
/// holds up the window. Work reaches it as commands (post()); its timers and deferred work run
/// on its own ClockScheduler.
///
/// Its clock is the station's clock on this thread: sleeps block this thread only, and
/// pumpMessages() runs the commands that arrived meanwhile, as the window's message loop
/// used to run clicks in the middle of a run (the one-run guard refuses a second run then).
///
/// post() may be called from any thread; everything else from the station's thread only.
/// The destructor stops the thread after the command under way has returned.
class StationThread : public Scheduler {
public:
    /// `time`, when given, is where the thread's clock takes its pauses and ticks from (the
    /// program's precise clock, which also adds up the pauses); it must outlive the thread and
    /// may be used from any thread. Without it the thread sleeps and counts on its own.
    explicit StationThread(Clock* time = nullptr);
    ~StationThread() override;
    StationThread(const StationThread&) = delete;
    StationThread& operator=(const StationThread&) = delete;

    /// Starts the loop. `pumpMessages` is what the station's clock adds to running the queued
    /// commands (e.g. the bench's own events); may be empty.
    void start(std::function<void()> pumpMessages = {});
    /// Stops the loop and joins it; commands still queued are dropped.
    void stop();

    /// Queues `command` to run on the station's thread, in the order posted.
    void post(std::function<void()> command) override;
    std::unique_ptr<StationTimer> createTimer(int intervalMs, std::function<void()> onTimeout) override;

    /// Runs `command` once the command under way (and every command it pumped) has returned,
    /// never inside a pump: work that must see the station between two commands, such as
    /// the end of a device change. Station's thread only.
    void whenBetweenCommands(std::function<void()> command);

    /// The station's clock on its thread.
    Clock& clock() { return clock_; }
    /// True on the station's own thread.
    bool onStationThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    class ThreadClock : public Clock {
    public:
        explicit ThreadClock(StationThread& owner) : owner_(owner) {}
        void sleepMs(int ms) override;
        std::uint32_t tickMs() override;
        void pumpMessages() override;

    private:
        StationThread& owner_;
    };

    void loop();
    /// Runs every command queued now; false once the loop is to end.
    bool runQueued();

    Clock* time_;
    ThreadClock clock_{*this};
    ClockScheduler scheduler_{clock_};
    std::function<void()> pump_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    /// Commands under way: more than one while a command pumps.
    int depth_ = 0;
    std::vector<std::function<void()>> betweenCommands_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace rfbind
