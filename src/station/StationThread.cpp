// SPDX-License-Identifier: MIT
#include "station/StationThread.h"

#include <chrono>

namespace rfbind {

namespace {
const auto kEpoch = std::chrono::steady_clock::now();
} // namespace

void StationThread::ThreadClock::sleepMs(int ms) {
    if (owner_.time_ != nullptr)
        owner_.time_->sleepMs(ms);
    else if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint32_t StationThread::ThreadClock::tickMs() {
    if (owner_.time_ != nullptr)
        return owner_.time_->tickMs();
    const auto elapsed = std::chrono::steady_clock::now() - kEpoch;
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void StationThread::ThreadClock::pumpMessages() {
    if (owner_.pump_)
        owner_.pump_();
    owner_.runQueued();
    // A run's pauses let the station's own timers tick too (the link polling tests the
    // transmitter while a run waits for it), as the window's message pumping did.
    owner_.scheduler_.runDue();
}

StationThread::StationThread(Clock* time) : time_(time) {}

StationThread::~StationThread() { stop(); }

void StationThread::start(std::function<void()> pumpMessages) {
    pump_ = std::move(pumpMessages);
    stopping_ = false;
    thread_ = std::thread([this] { loop(); });
}

void StationThread::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable() && !onStationThread())
        thread_.join();
}

void StationThread::post(std::function<void()> command) {
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(command));
    }
    wake_.notify_all();
}

std::unique_ptr<StationTimer> StationThread::createTimer(int intervalMs, std::function<void()> onTimeout) {
    return scheduler_.createTimer(intervalMs, std::move(onTimeout));
}

bool StationThread::runQueued() {
    for (;;) {
        std::function<void()> command;
        {
            const std::lock_guard lock(mutex_);
            if (stopping_)
                return false;
            if (queue_.empty())
                return true;
            command = std::move(queue_.front());
            queue_.pop_front();
        }
        ++depth_;
        command();
        --depth_;
        if (depth_ == 0 && !betweenCommands_.empty()) {
            auto due = std::move(betweenCommands_);
            betweenCommands_.clear();
            for (auto& c : due)
                c();
        }
    }
}

void StationThread::whenBetweenCommands(std::function<void()> command) {
    if (depth_ == 0)
        command();
    else
        betweenCommands_.push_back(std::move(command));
}

void StationThread::loop() {
    while (runQueued()) {
        scheduler_.runDue();
        const int waitMs = scheduler_.msUntilNext();
        std::unique_lock lock(mutex_);
        const auto ready = [this] { return stopping_ || !queue_.empty(); };
        if (waitMs < 0)
            wake_.wait(lock, ready);
        else if (waitMs > 0)
            wake_.wait_for(lock, std::chrono::milliseconds(waitMs), ready);
    }
}

} // namespace rfbind
