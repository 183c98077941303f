// SPDX-License-Identifier: MIT
#pragma once

#include "link/Clock.h"

#include <functional>
#include <string>
#include <vector>

namespace rfbind::test {

/// A clock whose time only moves when the station sleeps. Every sleep and message pump is
/// appended to a shared event log, so a test can assert frames and pauses in their order.
class RecordingClock : public Clock {
public:
    explicit RecordingClock(std::vector<std::string>* log = nullptr) : log_(log) {}

    void sleepMs(int ms) override {
        if (log_)
            log_->push_back("sleep " + std::to_string(ms));
        if (ms > 0) {
            now_ += static_cast<std::uint32_t>(ms);
            slept_ += ms;
        }
        if (onSleep)
            onSleep(ms);
    }
    std::uint32_t tickMs() override { return now_; }
    void pumpMessages() override {
        if (log_)
            log_->push_back("pump");
        ++pumps_;
        if (onPump)
            onPump();
    }

    /// Moves time without a sleep, as a slow transfer would.
    void advance(std::uint32_t ms) { now_ += ms; }
    void setNow(std::uint32_t ms) { now_ = ms; }

    long long sleptMs() const { return slept_; }
    int pumps() const { return pumps_; }

    /// Called on every pump: what a pending window message would do (an unplug, a click).
    std::function<void()> onPump;
    std::function<void(int)> onSleep;

private:
    std::vector<std::string>* log_;
    std::uint32_t now_ = 0;
    long long slept_ = 0;
    int pumps_ = 0;
};

} // namespace rfbind::test
