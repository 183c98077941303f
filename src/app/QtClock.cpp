// SPDX-License-Identifier: MIT
#include "QtClock.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace rfbind::app {

namespace {

/// How long before the end of a pause the thread stops sleeping and watches the clock
/// instead. The kernel wakes a sleeping thread a little late, about 0.1 to 0.3 ms on a
/// station PC, and a unit's cycle makes hundreds of pauses: left alone, that lateness adds
/// tens of milliseconds to every unit.
constexpr auto kWakeMargin = std::chrono::microseconds(300);

} // namespace

QtClock::QtClock() { elapsed_.start(); }

void QtClock::sleepMs(int ms) {
    if (ms <= 0)
        return;
    // A pause is the least time the receiver needs between two transfers, so it never ends
    // early; it only should not end much later than asked.
    using Steady = std::chrono::steady_clock;
    const auto end = Steady::now() + std::chrono::milliseconds(ms);
    if (std::chrono::milliseconds(ms) > kWakeMargin)
        std::this_thread::sleep_until(end - kWakeMargin);
    while (Steady::now() < end)
        std::this_thread::yield();
}

std::uint32_t QtClock::tickMs() { return static_cast<std::uint32_t>(elapsed_.elapsed()); }

void QtClock::pumpMessages() { QCoreApplication::processEvents(); }

} // namespace rfbind::app
