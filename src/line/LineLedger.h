// SPDX-License-Identifier: MIT
#pragma once

#include "line/Lease.h"
#include "line/LineConfig.h"
#include "line/LineResult.h"
#include "numbering/OnAirId.h"
#include "production/AttemptRecord.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rfbind {

/// A station's connection to the line's ledger: the PostgreSQL database every station of a
/// line shares, through which numbers are handed out so that none is ever handed out twice.
///
/// Who may do what: the station logs in as its own role (`rfbind-line add-station`), a member
/// of the stations' group, and that login is its name on the line (`Station=` must match it).
/// It may read the ledger's tables but change them only through the owner's functions
/// (open_pool, lease_block, mark_used, claim_radio_id, record_attempt), which record the
/// caller's login as the station and only move forward; the schema itself belongs to the
/// administrator who runs `rfbind-line setup`. So no station can write in another's name,
/// move a counter back, or undo a claim.
///
/// How no number is handed out twice:
/// - **Sequential numbers** (serial numbers, sequential radio IDs) come from leases. A pool
///   has one counter row per kind. `leaseBlock` locks that row (`SELECT ... FOR UPDATE`),
///   moves it forward by the block and records the lease, all in one short transaction: two
///   stations leasing at once are serialised by the row lock, and a station killed before the
///   commit leaves nothing behind. The counter never moves back, so blocks never overlap. The
///   values of a block belong to its station alone, so the station uses them with no further
///   round trip, and goes on using them while the database is down.
/// - **Resuming.** `markUsed` records, when a value is about to go into a unit, the highest value
///   the station may have used; it only ever grows. A restarted station asks `currentLease`
///   for its oldest lease with values left and goes on after max(`Lease::lastUsed`, the value
///   it kept itself). The station's own record matters after an outage: values used while
///   offline reach the ledger only with the next `markUsed`.
/// - **Reclaiming** is a supervisor's command (`reclaimIdle`), never automatic. It ends idle
///   leases and *retires* their unused values: they are never leased again. Handing them out
///   anew would be unsafe, because the ledger cannot know what a station cut off from it has
///   written since its last `markUsed`; a retired tail costs at most one block of numbers. The
///   station learns of it at its next `markUsed` (kind `Refused`) and must lease a new block.
/// - **Random radio IDs** are claimed (`claimRandomRadioId`, or a few at once ahead of the
///   units with `claimRadioIds`) before they are written. The key is the on-air ID (bit 23 cleared) and it is unique across all pools, not
///   per pool: units of different products still hear each other, so a repeat between products
///   is as harmful as one within a product. Offline, no ID can be claimed: a station either
///   refuses random-ID units then, or claims a reserve of IDs ahead while it is online.
/// - **Sequential radio IDs share that table.** Their counter values are on-air IDs, and a
///   lease of them claims every ID of its block in the same transaction; a block that holds an
///   ID claimed already is stepped over. So random and sequential stations can share a line,
///   the receiver and transmitter counters of a pool never overlap, and a station uses its
///   block while offline knowing no random draw can land in it.
/// - **Attempts** are stored with their attempt ID as the key and `ON CONFLICT DO NOTHING`,
///   so sending a journal line again (after a lost answer or a kill) stores it once.
/// - One station login, one connection: `connect` refuses while an older session of the same
///   login is on the line's database, so two stations given one copied Line.ini cannot both
///   resume one lease. No other login can hold that place for it.
///
/// Error contract: nothing throws; every call returns a `LineResult` whose error carries the
/// server's own message (database errors), or a sentence (refusals). When the connection
/// breaks, the call returns kind `Unreachable` and a later call connects again
/// (`setReconnectInterval`). Values are the generators' counter values (64-bit), block sizes
/// are counts of values, times are the server's. A request
/// whose commit was cut off may or may not have been stored; every call is safe to repeat
/// (a lease stored unseen is found by `currentLease`, a claim stored unseen is taken by this
/// station and merely lost, an attempt is stored once).
///
/// One connection per object; not thread-safe (use one ledger per thread).
class LineLedger {
public:
    /// The state of a pool's counter for one kind.
    struct Counter {
        std::int64_t next = 0;              ///< the first value no lease covers yet
        std::optional<std::int64_t> end;    ///< the first value beyond the pool, if bounded
    };

    enum class ClaimOutcome : std::uint8_t {
        Claimed,      ///< the ID is this station's; write it
        AlreadyTaken, ///< some unit already has it on air: draw again
    };

    /// What `connect` does when no server answers.
    enum class WhenUnreachable : std::uint8_t {
        Fail,         ///< return the `Unreachable` error
        StartOffline, ///< return a ledger that is offline (`online()` false) and tries to
                      ///< connect again at each call: a station restarted during an outage
                      ///< goes on with the lease it keeps itself (`LeaseFile`)
    };

    /// Connects to `config.database` as the station `config.station`. Never changes the
    /// schema. Errors: `Config` for an unusable URI or no station name; `LoginRejected` when
    /// the server refuses the role, password or database; `Unreachable` when no server answers
    /// (unless `StartOffline`); `Refused` when the database was not set up or has another
    /// schema version than this program, when the login is not `config.station`, or when the
    /// station is already connected.
    static LineResult<LineLedger> connect(const LineConfig& config,
                                          WhenUnreachable whenUnreachable = WhenUnreachable::Fail);

    LineLedger(LineLedger&&) noexcept;
    LineLedger& operator=(LineLedger&&) noexcept;
    ~LineLedger();

    const LineConfig& config() const;

    /// Whether the last call reached the server (false after an `Unreachable` error).
    bool online() const;

    /// After a connection attempt found no server, calls within this interval (default 10 s)
    /// return `Unreachable` at once instead of trying again: an offline station must not wait
    /// for a connect timeout on every unit. A connection that breaks while open is retried at
    /// the next call.
    void setReconnectInterval(std::chrono::milliseconds interval);

    /// Creates the pool's counter for `kind` starting at `firstValue` if it does not exist yet,
    /// and returns the counter as it is (a counter another station created keeps its values).
    /// `endValue`: the first value beyond the pool, e.g. 256^n for an n-byte incrementing
    /// part, so the generator never wraps round to values already handed out.
    LineResult<Counter> openPool(std::string_view pool, NumberKind kind, std::int64_t firstValue,
                                 std::optional<std::int64_t> endValue);

    /// Leases the next `blockSize` values (1 .. `LineConfig::kMaxBlockSize`) of the pool's
    /// counter to this station, in one transaction. A bounded pool gives a shorter last block;
    /// a used-up pool, or one never opened, is `Refused`. For the radio-ID kinds the values are
    /// on-air IDs (below 0x800000): the block's IDs are claimed with it, and blocks holding an
    /// ID claimed already are stepped over (their IDs are never leased).
    LineResult<Lease> leaseBlock(std::string_view pool, NumberKind kind, std::int32_t blockSize);

    /// The oldest lease of `station` for the pool and kind that still has values left and was
    /// not reclaimed; nothing when there is none (lease a new block).
    LineResult<std::optional<Lease>> currentLease(std::string_view pool, NumberKind kind,
                                                  std::string_view station);

    /// Records that values up to `value` of `lease` may be in units (call it before writing
    /// `value`). Never lowers what is recorded; updates `lease.lastUsed`. `Refused` when the
    /// lease was reclaimed, is another station's, or does not hold `value`.
    LineResult<LineDone> markUsed(Lease& lease, std::int64_t value);

    /// A lease as a supervisor sees it.
    struct LeaseStatus {
        Lease lease;
        std::string updatedAt;   ///< when its station last recorded a use (server time, text)
        std::string reclaimedAt; ///< when a supervisor reclaimed it; empty if not
    };

    /// Every lease of `pool` (every pool when empty) that still has values left, reclaimed ones
    /// included, oldest first. A reader's command: `databaseUri` logs in as a reader or a
    /// supervisor, on a connection of its own.
    static LineResult<std::vector<LeaseStatus>> openLeases(const std::string& databaseUri,
                                                           std::string_view pool);

    /// A supervisor's command (`databaseUri` logs in as a supervisor): ends every lease of the
    /// pool whose station has not recorded a use for `olderThan` and that still has values
    /// left; those values are retired. Returns the leases ended, as they were.
    static LineResult<std::vector<Lease>> reclaimIdle(const std::string& databaseUri,
                                                      std::string_view pool,
                                                      std::chrono::seconds olderThan);

    /// Claims an on-air radio ID (0 .. 0x7FFFFF: the 24-bit ID without bit 23, see
    /// `onAirRadioId`) for this station in `pool`. Must come before the ID is written into a
    /// unit. `station` must be this ledger's station: the claim is recorded for its login.
    LineResult<ClaimOutcome> claimRandomRadioId(std::string_view pool, std::uint32_t onAirId,
                                                std::string_view station);

    /// Claims, in one round trip, each of `onAirIds` (0 .. 0x7FFFFF) that no unit has on air
    /// yet, for this station in `pool`; returns those claimed, in the order given. A station
    /// claims a few ahead of its units this way; an ID it claimed and never wrote is a gap.
    LineResult<std::vector<std::uint32_t>> claimRadioIds(std::string_view pool,
                                                         const std::vector<std::uint32_t>& onAirIds);

    /// Stores one attempt; true when it was new, false when its attempt ID was stored before
    /// (nothing is changed then). A record that does not hold a valid attempt is `Refused`.
    /// The ledger stores it under this station's login, with its radio IDs as on-air IDs.
    LineResult<bool> recordAttempt(const AttemptRecord& record);

    /// Stores every record in one transaction, all or none; returns how many were new.
    LineResult<std::size_t> recordAttempts(const std::vector<AttemptRecord>& records);

    /// The on-air identity of a 24-bit radio ID (the numbering's one rule).
    static constexpr std::uint32_t onAirRadioId(std::uint32_t id) { return rfbind::onAirRadioId(id); }

private:
    struct Impl;
    explicit LineLedger(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace rfbind
