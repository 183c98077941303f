// SPDX-License-Identifier: MIT
#include "MachineStalls.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>

namespace rfbind::app {

MachineStalls::MachineStalls() {
    clock_.start();
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned cpu = 0; cpu < processors; ++cpu) {
        watches_.push_back(std::make_unique<Watch>());
        Watch& w = *watches_.back();
        w.thread = std::thread([this, &w] { watch(w); });
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(cpu, &set);
        pthread_setaffinity_np(w.thread.native_handle(), sizeof set, &set);
    }
}

MachineStalls::~MachineStalls() {
    stopping_ = true;
    for (auto& w : watches_)
        w->thread.join();
}

void MachineStalls::watch(Watch& w) {
    std::int64_t last = clock_.elapsed();
    while (!stopping_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const std::int64_t woke = clock_.elapsed();
        if (woke - last > 1 + kLateMs) {
            const std::lock_guard lock(w.mutex);
            w.lost.emplace_back(last + 1, woke);
        }
        last = woke;
    }
}

std::int64_t MachineStalls::lostBetween(int cpu, std::int64_t from, std::int64_t to) const {
    if (cpu < 0 || static_cast<std::size_t>(cpu) >= watches_.size())
        return 0;
    const Watch& w = *watches_[static_cast<std::size_t>(cpu)];
    const std::lock_guard lock(w.mutex);
    std::int64_t lost = 0;
    for (const auto& [a, b] : w.lost)
        lost += std::max<std::int64_t>(0, std::min(b, to) - std::max(a, from));
    return lost;
}

std::int64_t MachineStalls::longest() const {
    std::int64_t longest = 0;
    for (const auto& w : watches_) {
        const std::lock_guard lock(w->mutex);
        for (const auto& [a, b] : w->lost)
            longest = std::max(longest, b - a);
    }
    return longest;
}

} // namespace rfbind::app
