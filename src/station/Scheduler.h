// SPDX-License-Identifier: MIT
#pragma once

#include "link/Clock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace rfbind {

/// A repeating timer of the station: the transmitter-link polling and the binding watch.
/// Created stopped; start() arms it for one interval from now, and each time it fires it is
/// armed again until stop().
class StationTimer {
public:
    virtual ~StationTimer() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    /// Milliseconds between two firings.
    virtual int interval() const = 0;
};

/// Where the station's timers and deferred work run: the thread the station works on. The
/// window's program gives one backed by its event loop; the station's own thread and the
/// tests use ClockScheduler.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    /// A stopped timer calling `onTimeout` every `intervalMs` once started. The timer must not
    /// outlive the scheduler.
    virtual std::unique_ptr<StationTimer> createTimer(int intervalMs, std::function<void()> onTimeout) = 0;
    /// Runs `action` once the work now under way has returned (what a click queued behind a
    /// run is given when the run ends).
    virtual void post(std::function<void()> action) = 0;
};

/// A scheduler on the station's clock alone: runDue() fires whatever is due by
/// Clock::tickMs(), in the order it became due. Nothing runs by itself.
class ClockScheduler : public Scheduler {
public:
    explicit ClockScheduler(Clock& clock) : clock_(clock) {}
    ~ClockScheduler() override;

    std::unique_ptr<StationTimer> createTimer(int intervalMs, std::function<void()> onTimeout) override;
    void post(std::function<void()> action) override;

    /// Runs the posted actions, then every timer whose time has come (each at most once).
    /// Returns how many callbacks ran.
    int runDue();
    /// Milliseconds until the next timer is due (0: something is due or posted), or -1 when
    /// nothing is armed.
    int msUntilNext();

private:
    class Timer;
    Clock& clock_;
    std::vector<Timer*> timers_;
    std::vector<std::function<void()>> posted_;
};

} // namespace rfbind
