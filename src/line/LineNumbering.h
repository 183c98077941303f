// SPDX-License-Identifier: MIT
#pragma once

#include "line/AttemptsOutbox.h"
#include "line/Lease.h"
#include "line/LeaseFile.h"
#include "line/LineConfig.h"
#include "line/LineLedger.h"
#include "line/LineWorker.h"
#include "production/NumberSource.h"

#include <array>
#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace rfbind {

/// A station numbering from its line: the generators' counters are kept inside blocks leased
/// from the line's ledger, random radio IDs are claimed there, and every attempt the journal
/// holds is sent there.
///
/// Per unit, before anything is written to it (`handOut`):
/// 1. the pool is the configured product, or the one derived from the recipe;
/// 2. for each sequential generator (serial numbers with an incrementing part, sequential
///    radio IDs) the value after the generator's counter is the unit's when it lies in the
///    station's lease for that kind; when it does not, the unit gets the lease's next unused
///    value, and when the lease is used up the unit goes on in the block leased ahead (or a
///    new block is leased then). The generator's counter is not moved: it goes on after the
///    unit's value when the unit passes. A station restarted resumes its own lease (its
///    `Line-leases.ini` and the ledger's, the higher use of the two);
/// 3. the value is recorded as possibly used, first in `Line-leases.ini` (before the unit is
///    touched), then in the ledger, in the background; the unit passes only once the ledger
///    has confirmed it (`confirm`): a lease a supervisor reclaimed meanwhile fails the unit,
///    and the next unit is numbered from a new block above it. Offline the ledger learns of
///    the use with the next record that reaches it;
/// 4. random radio IDs come from a small stock claimed in the ledger ahead of the units, a
///    batch in one round trip; a batch is claimed while the unit waits only when the stock
///    is empty (the first unit).
///
/// The ledger's work runs on a worker thread of its own (`LineWorker`), in order: recording
/// uses, leasing the next block when the current one is half used, refilling the stock of
/// radio IDs, sending the attempts journal. In the steady state a unit waits for the ledger
/// at most once before its first byte (a lease or a batch of IDs not yet there) and never
/// after its last: the answers it needs at its end arrived while it was programmed. The first
/// unit of a pool after start-up resumes or leases its blocks, as the start does.
///
/// A sequential radio ID is used on the line only when the generator hands out its counter
/// value unchanged (no moved high byte) and below bit 23, so that a lease of counter values is
/// a lease of on-air IDs: the moved high bytes would otherwise hand out IDs of another
/// station's block. The ledger claims a block's IDs on air with its lease, so random draws,
/// the other counter and other pools keep out of it.
///
/// A serial number handed to a unit that then failed goes to the next unit, as on a station
/// on its own, but only within the same run of the program: after a restart the station goes
/// on after the last value it recorded. A sequential radio ID a failed unit drew does not.
///
/// On a gang station (`handOutForSlots`) several units are out at once: each unit's values
/// are confirmed on their own (a unit passes only once the ledger confirmed every sequential
/// value it carries, and fails when any lies in a lease found reclaimed), and a value below
/// the lease's last use is handed out again only when a failed unit of this run gave it back.
/// Blocks leased ahead and radio IDs claimed ahead that a station never used (it was closed,
/// or changed pool) are gaps, never handed out again.
///
/// Offline (the ledger unreachable) the station keeps numbering inside its leases and from
/// its stock of radio IDs; when a lease is used up, or the stock is, the unit is refused with
/// `FailReason::LineOffline`. The journal's backlog is sent after every attempt, in the
/// background; a failure there never fails a unit.
class LineNumbering final : public NumberSource {
public:
    /// Connects to the line of `config` for the station whose working folder is `folder`.
    /// Never fails: a line that cannot be used (a login refused, a bad URI, a station name
    /// already connected, an unreadable `Line-leases.ini`) makes `refusal()` say why. A server
    /// that does not answer is no refusal: the station starts offline with its own leases.
    /// Online, the journal's backlog is sent at once.
    LineNumbering(LineConfig config, std::filesystem::path folder);

    /// A line that cannot be used at all, e.g. a Line.ini that cannot be parsed: every Go is
    /// refused with `why`.
    explicit LineNumbering(std::string why);

    ~LineNumbering() override;

    std::optional<std::string> refusal() const override { return refusal_; }
    std::optional<Refused> handOut(const UnitRecipe& recipe, NumberingGenerators& generators,
                                   UnitNumbers& unit) override;
    void drawRadioIds(UnitNumbers& unit, NumberingGenerators& generators) override;
    std::optional<Refused> confirm(const UnitNumbers& unit) override;
    void unitFailed(const UnitNumbers& unit) override;
    void handOutForSlots() override { slots_ = true; }
    NumberingAdvance::Advanced unitPassed(const UnitNumbers& unit,
                                          NumberingGenerators& generators) override;
    void attemptJournalled() override;
    bool offline() const override;
    std::string unitPool(const UnitRecipe& recipe,
                         const NumberingGenerators& generators) const override;

    /// The pool numbers come from for `recipe`: the configured product, or the derived one as
    /// the ledger names it (up to a zero byte of an ASCII fixed part).
    std::string poolFor(const UnitRecipe& recipe, const NumberingGenerators& generators) const;

    /// After a connection attempt found no server, how long the ledger waits before it tries
    /// again (`LineLedger::setReconnectInterval`).
    void setReconnectInterval(std::chrono::milliseconds interval);

    /// Waits until the ledger's work posted so far is done (a station at rest; tests).
    void settle();

    /// How often the station has waited for its ledger so far (`LineWorker::waits`).
    std::size_t ledgerWaits() const { return worker_ ? worker_->waits() : 0; }

    /// The lease held for `kind`, if any (for display and tests).
    const std::optional<Lease>& lease(NumberKind kind) const;

    /// Tries of drawing a random radio ID that the ledger reports taken before giving up.
    static constexpr int kClaimTries = 64;
    /// Random radio IDs drawn per generator and claimed in one round trip; the stock is
    /// refilled when it holds fewer than `kClaimLowWater`.
    static constexpr std::size_t kClaimBatch = 4;
    static constexpr std::size_t kClaimLowWater = 2;

private:
    /// The ledger's answer to a recorded use: none is an error.
    using MarkAnswer = std::optional<LineError>;
    /// A batch of random radio IDs claimed, per generator (receiver, transmitter), as drawn.
    struct ClaimAnswer {
        std::string pool;
        std::array<std::vector<std::uint32_t>, 2> ids;
        std::optional<LineError> error;
    };

    /// A record of a use sent to the ledger: the lease, the value recorded, and the answer.
    struct Mark {
        std::int64_t lease = 0;
        std::int64_t upTo = 0;
        std::shared_future<MarkAnswer> answer;
    };
    /// What the ledger answered to the uses recorded on one lease, for the units carrying
    /// its values to look up when they are to pass.
    struct Heard {
        Lease lease;
        /// The highest use the ledger confirmed (or that went unheard while it was offline:
        /// such a unit passes offline).
        std::optional<std::int64_t> confirmedUpTo;
        /// The lease was found reclaimed: none of its values may pass.
        std::optional<Refused> reclaimed;
        /// The highest use the ledger would not record, and why.
        std::optional<std::pair<std::int64_t, Refused>> failedUpTo;
    };

    struct Held {
        std::optional<Lease> lease;
        bool resumeChecked = false; ///< the ledger was asked for this station's lease once
        bool markedHere = false;    ///< lastUsed was recorded by this run of the program
        bool ledgerBehind = false;  ///< lastUsed may be higher than the ledger's (offline use)
        std::string openedPool;     ///< the pool whose counter this run has opened
        /// Records of uses sent to the ledger whose answers were not looked at yet, oldest
        /// first (the worker answers them in this order).
        std::deque<Mark> marks;
        /// The leases this run recorded uses on, and what the ledger said of them.
        std::deque<Heard> heard;
        /// Values of the current lease that failed units gave back and no unit holds now
        /// (several units out at once only).
        std::set<std::int64_t> givenBack;
        /// The next block, leased in the background before this one runs out.
        std::optional<std::shared_future<LineResult<Lease>>> ahead;
    };

    using UsableFrom = std::optional<std::int64_t> (*)(std::int64_t from, std::int64_t last);

    std::optional<Refused> handOutUnit(const UnitRecipe& recipe, NumberingGenerators& generators,
                                       UnitNumbers& unit);
    /// Once per run of the program and kind: takes up this station's lease as the ledger
    /// holds it (the higher use of the ledger's and Line-leases.ini's).
    void resumeOnce(NumberKind kind, const std::string& pool, Held& h);
    /// The unit's random radio IDs from the stock claimed ahead (apart from a sequential one
    /// of the other device, receiver first), and the stock's refill when it runs low.
    std::optional<Refused>
    handOutRandom(const std::string& pool, NumberingGenerators& g,
                  const std::array<std::optional<std::uint32_t>, 2>& sequential);
    std::optional<Refused> secure(NumberKind kind, const std::string& pool,
                                  std::int64_t candidate, std::int64_t end, UsableFrom usable,
                                  std::int64_t& chosen);
    std::optional<Refused> record(Held& held, std::int64_t value);
    /// Takes in the answers to `held`'s records of uses that have arrived, oldest first; with
    /// `wait`, the oldest one too, arrived or not.
    void hear(Held& held, bool wait);
    void heard(Held& held, const Mark& mark, const MarkAnswer& answer);
    /// Whether `value` of `pool` may pass by what the ledger answered so far: nothing when it
    /// has not said yet, else the refusal (empty for a pass).
    std::optional<std::optional<Refused>> verdict(const Held& held, const std::string& pool,
                                                  std::int64_t value) const;
    /// Whether a unit carrying `value` of `kind` may pass, waiting for the answers it needs.
    std::optional<Refused> confirmValue(NumberKind kind, const std::string& pool,
                                        std::int64_t value);
    /// A value a unit no longer holds is handed out again (several units out at once only).
    void giveBack(NumberKind kind, const std::string& pool, std::int64_t value);
    void adopt(Held& held, const Lease& lease);
    void leaseAhead(NumberKind kind, const std::string& pool, Held& held, std::int64_t used);
    std::optional<Refused> saveLeases();
    std::optional<Refused> takeRandom(const std::string& pool, NumberingGenerators& generators,
                                      int role, std::optional<std::uint32_t> avoid,
                                      std::uint32_t& id);
    std::function<ClaimAnswer(LineLedger&)> claimBatch(const std::string& pool,
                                                       NumberingGenerators& generators);
    std::optional<LineError> stockUp(const ClaimAnswer& answer);
    Refused refusedBy(const LineError& error, const std::string& what) const;
    Held& held(NumberKind kind);

    /// Runs `call` on the worker and waits for it.
    template <typename T>
    LineResult<T> ledgerCall(const std::function<LineResult<T>(LineLedger&)>& call);
    /// Posts `job` to the worker; its answer comes later.
    template <typename T>
    std::shared_future<T> ask(std::function<T(LineLedger&)> job);
    /// The answer of `future`, counted as a wait when it has not arrived yet; `ifAbandoned`
    /// when the worker stopped before it ran.
    template <typename T>
    T await(const std::shared_future<T>& future, T ifAbandoned);

    /// Where this station goes on for a sequential kind while no unit has passed since: the
    /// value a failed unit was given (or after the radio ID it drew), as long as the
    /// generator still stands where it stood then (an operator who sets it anew is obeyed).
    struct Kept {
        std::int64_t fromGenerator = 0;
        std::int64_t next = 0;
    };
    std::int64_t candidate(NumberKind kind, std::int64_t fromGenerator) const;
    void keep(NumberKind kind, std::int64_t fromGenerator, std::int64_t next);

    LineConfig config_;
    std::filesystem::path folder_;
    std::optional<LeaseFile> leaseFile_;
    std::optional<std::string> refusal_;
    std::array<Held, 4> held_{};
    std::array<std::optional<Kept>, 4> kept_{};
    /// Several units are out at once (the slots of a gang station): no Kept, and a value below
    /// a lease's last use only when a failed unit gave it back.
    bool slots_ = false;
    std::optional<std::uint32_t> pendingRx_;
    std::optional<std::uint32_t> pendingTx_;
    /// Random radio IDs claimed ahead, per generator (receiver, transmitter), and the pool
    /// they were claimed in.
    std::array<std::deque<std::uint32_t>, 2> stock_;
    std::string stockPool_;
    std::optional<std::shared_future<ClaimAnswer>> refill_;
    /// An outbox sync is queued and has not started yet.
    std::shared_ptr<std::atomic<bool>> syncQueued_ = std::make_shared<std::atomic<bool>>(false);
    /// Last: stopped first, before the state its answers are read into.
    std::unique_ptr<LineWorker> worker_;
};

} // namespace rfbind
