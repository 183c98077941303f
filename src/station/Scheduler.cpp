// SPDX-License-Identifier: MIT
#include "station/Scheduler.h"

#include <algorithm>

namespace rfbind {

class ClockScheduler::Timer : public StationTimer {
public:
    Timer(ClockScheduler& owner, int intervalMs, std::function<void()> onTimeout)
        : owner_(&owner), intervalMs_(intervalMs), onTimeout_(std::move(onTimeout)) {
        owner_->timers_.push_back(this);
    }
    ~Timer() override {
        if (owner_ != nullptr)
            std::erase(owner_->timers_, this);
    }
    void start() override {
        active_ = true;
        dueAt_ = owner_ ? owner_->clock_.tickMs() + static_cast<std::uint32_t>(intervalMs_) : 0;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    int interval() const override { return intervalMs_; }

    /// Signed distance to the due time, so that the tick's wrap at 2^32 does not matter.
    std::int32_t remaining(std::uint32_t now) const { return static_cast<std::int32_t>(dueAt_ - now); }
    void fire() {
        // A timer whose callback lets pending work run (a run's pauses do) is not fired again
        // from inside its own callback, as a window-system timer is not.
        if (firing_)
            return;
        dueAt_ += static_cast<std::uint32_t>(intervalMs_);
        firing_ = true;
        onTimeout_();
        firing_ = false;
    }
    void orphan() { owner_ = nullptr; }

private:
    ClockScheduler* owner_;
    int intervalMs_;
    std::function<void()> onTimeout_;
    bool active_ = false;
    bool firing_ = false;
    std::uint32_t dueAt_ = 0;
};

ClockScheduler::~ClockScheduler() {
    for (Timer* t : timers_)
        t->orphan();
}

std::unique_ptr<StationTimer> ClockScheduler::createTimer(int intervalMs, std::function<void()> onTimeout) {
    return std::make_unique<Timer>(*this, intervalMs, std::move(onTimeout));
}

void ClockScheduler::post(std::function<void()> action) { posted_.push_back(std::move(action)); }

int ClockScheduler::runDue() {
    int ran = 0;
    auto posted = std::move(posted_);
    posted_.clear();
    for (auto& action : posted) {
        action();
        ++ran;
    }
    const std::uint32_t now = clock_.tickMs();
    std::vector<Timer*> due;
    for (Timer* t : timers_)
        if (t->isActive() && t->remaining(now) <= 0)
            due.push_back(t);
    std::stable_sort(due.begin(), due.end(),
                     [now](Timer* a, Timer* b) { return a->remaining(now) < b->remaining(now); });
    for (Timer* t : due) {
        // A callback before it may have stopped or destroyed this one.
        if (std::find(timers_.begin(), timers_.end(), t) == timers_.end() || !t->isActive())
            continue;
        t->fire();
        ++ran;
    }
    return ran;
}

int ClockScheduler::msUntilNext() {
    if (!posted_.empty())
        return 0;
    const std::uint32_t now = clock_.tickMs();
    int next = -1;
    for (Timer* t : timers_)
        if (t->isActive()) {
            const int left = std::max<std::int32_t>(0, t->remaining(now));
            next = next < 0 ? left : std::min(next, left);
        }
    return next;
}

} // namespace rfbind
