// SPDX-License-Identifier: MIT
#include "line/LineWorker.h"

#include "line/LineConnection.h"

#include <future>
#include <memory>

namespace rfbind {

LineWorker::LineWorker(LineLedger ledger) : ledger_(std::move(ledger)) {
    online_ = ledger_.online();
    thread_ = std::thread([this] { loop(); });
}

LineWorker::~LineWorker() { stop(); }

void LineWorker::post(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

bool LineWorker::call(Job job) {
    ++waits_;
    auto done = std::make_shared<std::promise<void>>();
    auto ran = done->get_future();
    // Only the job holds the promise: a job dropped unrun breaks it.
    post([job = std::move(job), done = std::move(done)](LineLedger& ledger) {
        job(ledger);
        done->set_value();
    });
    // A job abandoned by `stop` breaks its promise: the caller learns it did not run.
    try {
        ran.get();
        return true;
    } catch (const std::future_error&) {
        return false;
    }
}

void LineWorker::settle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return (queue_.empty() && !busy_) || stopping_; });
}

void LineWorker::stop() {
    std::deque<Job> abandoned;
    {
        std::unique_lock lock(mutex_);
        // What the line still answers is finished (the last attempts reach it); once a call
        // finds the line gone, or after one deadline, the rest is abandoned.
        closing_ = true;
        idle_.wait_for(lock, kLineCallDeadline, [this] {
            return (queue_.empty() && !busy_) || stopping_ || !online_.load();
        });
        stopping_ = true;
        abandoned.swap(queue_);
    }
    wake_.notify_all();
    idle_.notify_all();
    abandoned.clear(); // outside the lock: a dropped call's promise wakes its caller
    if (thread_.joinable())
        thread_.join();
}

void LineWorker::loop() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            busy_ = false;
            idle_.notify_all();
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            // Closing, a line found gone is not asked again: the rest is abandoned.
            if (stopping_ || (closing_ && !online_.load()))
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        job(ledger_);
        online_ = ledger_.online();
    }
}

} // namespace rfbind
