// SPDX-License-Identifier: MIT
#pragma once

#include "line/LineLedger.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace rfbind {

/// The thread that owns a station's connection to its line's ledger and runs the station's
/// ledger work on it, one job after the other in the order posted: recording a number as
/// used, leasing the next block, claiming radio IDs ahead, sending the attempts journal. The
/// station posts this work and goes on with the unit; it waits only when it needs an answer
/// it does not have yet (`call`), and each such wait is counted (`waits`), so that a test can
/// hold the station to what a distant line may cost it per unit.
///
/// Every call of the ledger keeps its deadline (`kLineCallDeadline`): a job never takes
/// longer than that against a server that hangs. Stopping (`stop`, the destructor) lets the
/// queue finish while the line answers (the last attempts reach it), but abandons the jobs not
/// yet begun as soon as a call finds the line gone, or one deadline after the stop began; a
/// station's exit against a hung server waits no longer than the one call under way. Work abandoned so is safe to lose: a use is
/// recorded in `Line-leases.ini` first, claims and leases lost are gaps, and the journal is
/// the outbox the next start sends.
///
/// `post`, `call`, `settle`, `stop` from the station's thread; the jobs run on the worker's.
class LineWorker {
public:
    using Job = std::function<void(LineLedger&)>;

    explicit LineWorker(LineLedger ledger);
    ~LineWorker();
    LineWorker(const LineWorker&) = delete;
    LineWorker& operator=(const LineWorker&) = delete;

    /// Queues `job`; returns at once. Ignored after `stop`.
    void post(Job job);

    /// Queues `job` and waits until it has run (after every job posted before it). Counted as
    /// one wait. Returns false when the worker was stopped before the job ran.
    bool call(Job job);

    /// Waits until every job posted so far has run (a station at rest, and tests).
    void settle();

    /// Finishes the queue while the line answers, else abandons the jobs not begun, and waits
    /// for the one under way; idempotent.
    void stop();

    /// Whether the ledger's last call reached the server (any thread).
    bool online() const { return online_.load(); }

    /// How often the station waited for the ledger (`call`), and for an answer it had asked
    /// for ahead that had not arrived yet (`waited`).
    std::size_t waits() const { return waits_.load(); }
    void waited() { ++waits_; }

private:
    void loop();

    LineLedger ledger_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    bool busy_ = false;
    bool closing_ = false;
    bool stopping_ = false;
    std::atomic<bool> online_{false};
    std::atomic<std::size_t> waits_{0};
    std::thread thread_;
};

} // namespace rfbind
