// SPDX-License-Identifier: MIT
#pragma once

#include "link/Clock.h"

#include <QElapsedTimer>

#include <atomic>

namespace rfbind::app {

/// The station's real clock: sleeps block the user-interface thread, pumping runs pending
/// window messages, as the receiver protocol expects.
class QtClock : public Clock {
public:
    QtClock();
    void sleepMs(int ms) override;
    std::uint32_t tickMs() override;
    void pumpMessages() override;

private:
    QElapsedTimer elapsed_;
};

/// Wraps another clock and adds up the pauses the station asked for (the protocol floor of a
/// cycle, reported by the bench program). The station pauses on its thread while the bench
/// program reads the sum on the window's.
class CountingClock : public Clock {
public:
    explicit CountingClock(Clock& inner) : inner_(inner) {}
    void sleepMs(int ms) override {
        if (ms > 0)
            sleptMs_ += ms;
        inner_.sleepMs(ms);
    }
    std::uint32_t tickMs() override { return inner_.tickMs(); }
    void pumpMessages() override { inner_.pumpMessages(); }

    long long sleptMs() const { return sleptMs_; }

private:
    Clock& inner_;
    std::atomic<long long> sleptMs_ = 0;
};

} // namespace rfbind::app
