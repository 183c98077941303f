// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace rfbind::app {

/// How long the machine itself held the program back: one thread per processor, held to it,
/// asks only to wake every millisecond; when it wakes late, nothing at all ran on that
/// processor meanwhile (a virtual machine's host held that processor back, or other work took
/// it). The bench reports the longest such time beside the window's longest stall.
class MachineStalls {
public:
    MachineStalls();
    ~MachineStalls();
    MachineStalls(const MachineStalls&) = delete;
    MachineStalls& operator=(const MachineStalls&) = delete;

    /// Now, in ms of the watches' clock.
    std::int64_t now() const { return clock_.elapsed(); }
    /// Milliseconds of [from, to] in which processor `cpu` ran nothing (0 for an unknown one).
    std::int64_t lostBetween(int cpu, std::int64_t from, std::int64_t to) const;
    /// The longest time any processor ran nothing.
    std::int64_t longest() const;

private:
    /// A wake this much later than asked counts as time the machine took.
    static constexpr std::int64_t kLateMs = 4;

    struct Watch {
        mutable std::mutex mutex;
        std::vector<std::pair<std::int64_t, std::int64_t>> lost; ///< [from, to], in order
        std::thread thread;
    };
    void watch(Watch& w);

    QElapsedTimer clock_;
    std::atomic<bool> stopping_{false};
    std::vector<std::unique_ptr<Watch>> watches_; ///< one per processor, by number
};

} // namespace rfbind::app
