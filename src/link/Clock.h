// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace rfbind {

/// The station's sense of time. Every pause of the receiver protocol and every "let pending
/// window messages run" goes through one of these, so that the window stays responsive on the
/// line and tests can assert the exact pauses without waiting for them.
class Clock {
public:
    virtual ~Clock() = default;

    /// Blocks the calling (user-interface) thread for `ms` milliseconds. ms <= 0 returns at once.
    virtual void sleepMs(int ms) = 0;

    /// A millisecond tick counter that wraps at 2^32, like the platform's tick count.
    virtual std::uint32_t tickMs() = 0;

    /// Runs pending window messages once (timers, clicks, device changes) and returns.
    virtual void pumpMessages() = 0;
};

} // namespace rfbind
