// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <functional>
#include <vector>

namespace rfbind {

/// Keeps the station to one production run at a time and hands it back idle however a run
/// ends.
///
/// The runs (Go, Set TX, Connect, the two erases) let window messages run while they wait for
/// the devices, so a click can arrive in the middle of one. A run takes the station's busy
/// flag through a guard; a second guard made while the flag is taken is not acquired, and its
/// run does nothing. When an acquired guard ends (return, early exit or exception), it runs
/// the restore actions added with atExit(), last added first, and frees the flag.
///
/// The flag must outlive the guard. Guards are made on the station's own thread only; the
/// window may read the flag from its thread at any time.
class RunGuard {
public:
    explicit RunGuard(std::atomic<bool>& busy) : busy_(busy), acquired_(!busy) {
        if (acquired_)
            busy_ = true;
    }
    ~RunGuard();
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

    /// False when another run holds the station: the caller must do nothing.
    bool acquired() const { return acquired_; }

    /// Adds an action that puts the station back in its idle state when the guard ends.
    /// Ignored when the guard was not acquired. Actions must not throw.
    void atExit(std::function<void()> restore);

private:
    std::atomic<bool>& busy_;
    bool acquired_;
    std::vector<std::function<void()>> restores_;
};

} // namespace rfbind
