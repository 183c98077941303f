// SPDX-License-Identifier: MIT
#include "line/LineLedger.h"

#include "line/AttemptColumns.h"
#include "line/AttemptsJournalReader.h"
#include "line/LineConnection.h"
#include "line/LineMigrations.h"
#include "line/PqxxFailure.h"
#include "line/RedactSecrets.h"

#include <pqxx/pqxx>

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

namespace rfbind {

namespace {

/// How long a station waits for its name to be released by its own ended session.
constexpr int kNameLockAttempts = 10;
constexpr std::chrono::milliseconds kNameLockPause{200};

// Class key of the session advisory locks on station names (the second key is the name's
// hash); apart from the migration lock's single 64-bit key.
constexpr int kStationLockClass = 0x7266;

// The first value beyond the on-air radio IDs (23 bits: bit 23 is set in every EEPROM).
constexpr std::int64_t kOnAirIdEnd = 0x800000;

// How many blocks of radio IDs in a row a lease steps over because they hold IDs already on
// air, before it gives up: only a counter set into a stretch of random draws or another
// counter's blocks meets more than a few.
constexpr int kMaxSkippedBlocks = 200;

std::string kindText(NumberKind kind) { return std::string(numberKindName(kind)); }

constexpr const char* kLeaseColumns =
    "lease_id, pool, kind, station, first_value, last_value, last_used";

Lease leaseFromRow(const pqxx::row& row) {
    Lease lease;
    lease.id = row[0].as<std::int64_t>();
    lease.pool = row[1].as<std::string>();
    lease.kind = numberKindFromName(row[2].as<std::string>()).value_or(NumberKind::RxSerial);
    lease.station = row[3].as<std::string>();
    lease.first = row[4].as<std::int64_t>();
    lease.last = row[5].as<std::int64_t>();
    if (!row[6].is_null())
        lease.lastUsed = row[6].as<std::int64_t>();
    return lease;
}

LineError refused(std::string message) { return {LineErrorKind::Refused, std::move(message)}; }

} // namespace

struct LineLedger::Impl {
    LineConfig config;
    std::unique_ptr<pqxx::connection> connection;
    bool online = false;
    std::chrono::milliseconds reconnectInterval{10000};
    std::optional<std::chrono::steady_clock::time_point> lastConnectFailure;
    LineError lastConnectError;

    // Opens the connection if there is none: log in, update the schema, lock the station name.
    std::optional<LineError> ensureConnected() {
        if (connection && connection->is_open())
            return std::nullopt;
        connection.reset();
        const auto now = std::chrono::steady_clock::now();
        if (lastConnectFailure && now - *lastConnectFailure < reconnectInterval)
            return lastConnectError;
        std::unique_ptr<pqxx::connection> c;
        try {
            c = openLineConnection(config.database, LineSession::Station);
        } catch (const std::exception& e) {
            online = false;
            LineError error = lineErrorFromConnectFailure(e, config.database);
            if (error.kind == LineErrorKind::Unreachable) {
                lastConnectFailure = now;
                lastConnectError = error;
            }
            return error;
        }
        lastConnectFailure.reset();
        // The station's name lock belongs to this session: a connection libpqxx restored on
        // its own would have lost it without a word, so a broken connection stays broken and
        // this class opens the next one itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        c->inhibit_reactivation(true);
#pragma GCC diagnostic pop
        auto schema = LineMigrations::apply(*c);
        if (!schema) {
            online = schema.error().kind != LineErrorKind::Unreachable;
            LineError error = schema.error();
            error.message = redactSecrets(error.message, config.database);
            return error;
        }
        try {
            pqxx::nontransaction tx(*c);
            // A station started again at once may find the name still held by its own
            // previous session, whose server process ends a moment after the old connection
            // closed: the lock is tried for a short while before the name counts as taken.
            bool locked = false;
            for (int attempt = 0; attempt < kNameLockAttempts && !locked; ++attempt) {
                if (attempt > 0)
                    std::this_thread::sleep_for(kNameLockPause);
                locked = tx.exec_params1("SELECT pg_try_advisory_lock($1, hashtext($2))",
                                         kStationLockClass, config.station)[0]
                             .as<bool>();
            }
            if (!locked) {
                online = true;
                return refused("station name \"" + config.station +
                               "\" is already connected to the line's database: give each "
                               "station its own Station= in Line.ini (if this station was just "
                               "cut off, the server has not yet noticed; try again shortly)");
            }
        } catch (const std::exception& e) {
            online = false;
            return lineErrorFromPqxx(e, "locking the station name", config.database);
        }
        connection = std::move(c);
        online = true;
        return std::nullopt;
    }

    // Runs `body` on an open connection; a broken connection is dropped so the next call
    // connects again.
    template <typename T, typename Body>
    LineResult<T> run(const std::string& context, Body&& body) {
        if (auto error = ensureConnected())
            return *error;
        LineCallDeadline deadline(*connection);
        try {
            LineResult<T> result = body(*connection);
            deadline.stop();
            online = true;
            return result;
        } catch (const std::exception& e) {
            deadline.stop();
            LineError error = lineErrorFromPqxx(e, context, config.database);
            if (deadline.passed())
                error = {LineErrorKind::Unreachable,
                         context + ": the line's database did not answer within " +
                             std::to_string(kLineCallDeadline.count() / 1000) + " s"};
            if (error.kind == LineErrorKind::Unreachable || !connection->is_open()) {
                connection.reset();
                online = false;
            }
            return error;
        }
    }
};

LineLedger::LineLedger(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
LineLedger::LineLedger(LineLedger&&) noexcept = default;
LineLedger& LineLedger::operator=(LineLedger&&) noexcept = default;
LineLedger::~LineLedger() = default;

LineResult<LineLedger> LineLedger::connect(const LineConfig& config,
                                           WhenUnreachable whenUnreachable) {
    if (const auto bad = LineConfig::checkDatabaseUri(config.database))
        return LineError{LineErrorKind::Config, *bad};
    if (config.station.empty())
        return LineError{LineErrorKind::Config, "no station name"};
    auto impl = std::make_unique<Impl>();
    impl->config = config;
    if (auto error = impl->ensureConnected()) {
        if (!(error->kind == LineErrorKind::Unreachable &&
              whenUnreachable == WhenUnreachable::StartOffline))
            return *error;
    }
    return LineLedger(std::move(impl));
}

const LineConfig& LineLedger::config() const { return impl_->config; }

bool LineLedger::online() const { return impl_->online; }

void LineLedger::setReconnectInterval(std::chrono::milliseconds interval) {
    impl_->reconnectInterval = interval;
}

LineResult<LineLedger::Counter> LineLedger::openPool(std::string_view pool, NumberKind kind,
                                                     std::int64_t firstValue,
                                                     std::optional<std::int64_t> endValue) {
    if (pool.empty())
        return refused("no pool name");
    if (endValue && *endValue < firstValue)
        return refused("the pool's end " + std::to_string(*endValue) + " lies before its start " +
                       std::to_string(firstValue));
    const std::string end = endValue ? std::to_string(*endValue) : std::string();
    return impl_->run<Counter>("opening pool " + std::string(pool), [&](pqxx::connection& c) {
        pqxx::work tx(c);
        tx.exec_params("INSERT INTO rfbind.pools (pool) VALUES ($1) ON CONFLICT DO NOTHING",
                       std::string(pool));
        tx.exec_params("INSERT INTO rfbind.counters (pool, kind, next_value, end_value)"
                       " VALUES ($1, $2, $3, $4::bigint) ON CONFLICT DO NOTHING",
                       std::string(pool), kindText(kind), firstValue,
                       endValue ? end.c_str() : nullptr);
        const auto row = tx.exec_params1(
            "SELECT next_value, end_value FROM rfbind.counters WHERE pool = $1 AND kind = $2",
            std::string(pool), kindText(kind));
        tx.commit();
        Counter counter;
        counter.next = row[0].as<std::int64_t>();
        if (!row[1].is_null())
            counter.end = row[1].as<std::int64_t>();
        return LineResult<Counter>(counter);
    });
}

LineResult<Lease> LineLedger::leaseBlock(std::string_view pool, NumberKind kind,
                                         std::int32_t blockSize) {
    if (blockSize < 1 || blockSize > LineConfig::kMaxBlockSize)
        return refused("a block holds 1 to " + std::to_string(LineConfig::kMaxBlockSize) +
                       " numbers, not " + std::to_string(blockSize));
    const std::string station = impl_->config.station;
    return impl_->run<Lease>("leasing a block of " + kindText(kind) + " from pool " +
                                 std::string(pool),
                             [&](pqxx::connection& c) -> LineResult<Lease> {
        pqxx::work tx(c);
        // The row lock serialises stations leasing from the same counter: the second waits
        // here until the first has committed, then reads the counter the first moved on.
        const auto counter = tx.exec_params(
            "SELECT next_value, end_value FROM rfbind.counters"
            " WHERE pool = $1 AND kind = $2 FOR UPDATE",
            std::string(pool), kindText(kind));
        if (counter.empty())
            return refused("pool \"" + std::string(pool) + "\" has no " + kindText(kind) +
                           " counter yet: open the pool first");
        std::int64_t next = counter[0][0].as<std::int64_t>();
        std::optional<std::int64_t> end;
        if (!counter[0][1].is_null())
            end = counter[0][1].as<std::int64_t>();
        const bool radioIds = kind == NumberKind::RxRadioId || kind == NumberKind::TxRadioId;
        if (radioIds) // the values of a radio-ID counter are on-air IDs
            end = std::min(end.value_or(kOnAirIdEnd), kOnAirIdEnd);
        for (int skipped = 0;; ++skipped) {
            if (end && next >= *end)
                return refused("pool \"" + std::string(pool) + "\" has no " + kindText(kind) +
                               " numbers left: every value below " + std::to_string(*end) +
                               " has been leased" + (skipped ? " or is on air already" : ""));
            if (skipped == kMaxSkippedBlocks)
                return refused("pool \"" + std::string(pool) + "\": the " + kindText(kind) +
                               " counter met " + std::to_string(skipped) +
                               " blocks in a row that hold radio IDs already on air; set its"
                               " counter elsewhere");
            std::int64_t last = next > std::numeric_limits<std::int64_t>::max() - blockSize
                                    ? std::numeric_limits<std::int64_t>::max() - 1
                                    : next + blockSize - 1;
            if (end)
                last = std::min(last, *end - 1);
            if (last < next)
                return refused("pool \"" + std::string(pool) + "\": the " + kindText(kind) +
                               " counter has reached its largest value");
            const auto row = tx.exec_params1(
                std::string("INSERT INTO rfbind.leases (pool, kind, station, first_value,"
                            " last_value) VALUES ($1, $2, $3, $4, $5) RETURNING ") +
                    kLeaseColumns,
                std::string(pool), kindText(kind), station, next, last);
            Lease lease = leaseFromRow(row);
            if (radioIds) {
                // The block's IDs go on air with the lease, in the table random draws are
                // claimed in. A block holding an ID someone claimed (a random draw, the
                // other counter, another pool) is not leased: the counter steps over it, and
                // its free IDs are left for random draws.
                const auto claimed = tx.exec_params(
                    "INSERT INTO rfbind.radio_id_claims (on_air_id, pool, station, lease_id)"
                    " SELECT v, $1, $2, $3 FROM generate_series($4::bigint, $5::bigint) v"
                    " ON CONFLICT (on_air_id) DO NOTHING",
                    std::string(pool), station, lease.id, next, last);
                if (claimed.affected_rows() != static_cast<pqxx::result::size_type>(last - next + 1)) {
                    tx.exec_params("DELETE FROM rfbind.radio_id_claims WHERE lease_id = $1", lease.id);
                    tx.exec_params("DELETE FROM rfbind.leases WHERE lease_id = $1", lease.id);
                    next = last + 1;
                    continue;
                }
            }
            tx.exec_params("UPDATE rfbind.counters SET next_value = $3 WHERE pool = $1 AND kind = $2",
                           std::string(pool), kindText(kind), last + 1);
            tx.commit();
            return LineResult<Lease>(std::move(lease));
        }
    });
}

LineResult<std::optional<Lease>> LineLedger::currentLease(std::string_view pool, NumberKind kind,
                                                          std::string_view station) {
    using Found = std::optional<Lease>;
    return impl_->run<Found>("looking up the lease of " + std::string(station),
                             [&](pqxx::connection& c) -> LineResult<Found> {
        pqxx::work tx(c);
        const auto rows = tx.exec_params(
            std::string("SELECT ") + kLeaseColumns +
                " FROM rfbind.leases WHERE pool = $1 AND kind = $2 AND station = $3"
                " AND reclaimed_at IS NULL AND (last_used IS NULL OR last_used < last_value)"
                " ORDER BY first_value LIMIT 1",
            std::string(pool), kindText(kind), std::string(station));
        tx.commit();
        if (rows.empty())
            return Found{};
        return Found{leaseFromRow(rows[0])};
    });
}

LineResult<LineDone> LineLedger::markUsed(Lease& lease, std::int64_t value) {
    const std::string station = impl_->config.station;
    auto result = impl_->run<std::int64_t>(
        "recording the use of lease " + std::to_string(lease.id),
        [&](pqxx::connection& c) -> LineResult<std::int64_t> {
        pqxx::work tx(c);
        const auto updated = tx.exec_params(
            "UPDATE rfbind.leases SET last_used = GREATEST(COALESCE(last_used, $3), $3),"
            " updated_at = now()"
            " WHERE lease_id = $1 AND station = $2 AND reclaimed_at IS NULL"
            " AND $3 BETWEEN first_value AND last_value RETURNING last_used",
            lease.id, station, value);
        if (!updated.empty()) {
            tx.commit();
            return updated[0][0].as<std::int64_t>();
        }
        // Nothing changed: say why.
        const auto rows = tx.exec_params(
            "SELECT station, first_value, last_value, reclaimed_at::text FROM rfbind.leases"
            " WHERE lease_id = $1",
            lease.id);
        const std::string name = "lease " + std::to_string(lease.id);
        if (rows.empty())
            return refused(name + " does not exist");
        if (rows[0][0].as<std::string>() != station)
            return refused(name + " is held by station \"" + rows[0][0].as<std::string>() + "\"");
        if (!rows[0][3].is_null())
            return refused(name + " was reclaimed by a supervisor at " +
                           rows[0][3].as<std::string>() +
                           "; its unused numbers are retired: lease a new block");
        return refused(name + " holds " + std::to_string(rows[0][1].as<std::int64_t>()) + " to " +
                       std::to_string(rows[0][2].as<std::int64_t>()) + ", not " +
                       std::to_string(value));
    });
    if (!result)
        return result.error();
    lease.lastUsed = *result;
    return LineDone{};
}

LineResult<std::vector<LineLedger::LeaseStatus>> LineLedger::openLeases(std::string_view pool) {
    using Statuses = std::vector<LeaseStatus>;
    return impl_->run<Statuses>("listing leases", [&](pqxx::connection& c) -> LineResult<Statuses> {
        pqxx::work tx(c);
        const auto rows = tx.exec_params(
            std::string("SELECT ") + kLeaseColumns +
                ", to_char(updated_at, 'YYYY-MM-DD HH24:MI:SS TZH:TZM'),"
                " coalesce(to_char(reclaimed_at, 'YYYY-MM-DD HH24:MI:SS TZH:TZM'), '')"
                " FROM rfbind.leases WHERE ($1 = '' OR pool = $1)"
                " AND (last_used IS NULL OR last_used < last_value) ORDER BY lease_id",
            std::string(pool));
        tx.commit();
        Statuses statuses;
        for (const auto& row : rows)
            statuses.push_back({leaseFromRow(row), row[7].as<std::string>(), row[8].as<std::string>()});
        return statuses;
    });
}

LineResult<std::vector<Lease>> LineLedger::reclaimIdle(std::string_view pool,
                                                       std::chrono::seconds olderThan) {
    if (olderThan.count() < 0)
        return refused("an idle time cannot be negative");
    using Leases = std::vector<Lease>;
    return impl_->run<Leases>("reclaiming idle leases of pool " + std::string(pool),
                              [&](pqxx::connection& c) -> LineResult<Leases> {
        pqxx::work tx(c);
        const auto rows = tx.exec_params(
            std::string("UPDATE rfbind.leases SET reclaimed_at = now()"
                        " WHERE pool = $1 AND reclaimed_at IS NULL"
                        " AND updated_at < now() - make_interval(secs => $2)"
                        " AND (last_used IS NULL OR last_used < last_value)"
                        " RETURNING ") + kLeaseColumns,
            std::string(pool), static_cast<long long>(olderThan.count()));
        tx.commit();
        Leases leases;
        for (const auto& row : rows)
            leases.push_back(leaseFromRow(row));
        return leases;
    });
}

LineResult<LineLedger::ClaimOutcome> LineLedger::claimRandomRadioId(std::string_view pool,
                                                                    std::uint32_t onAirId,
                                                                    std::string_view station) {
    if (onAirId > 0x7FFFFFu)
        return refused("an on-air radio ID has 23 bits; clear bit 23 of the ID first");
    return impl_->run<ClaimOutcome>("claiming a radio ID", [&](pqxx::connection& c) {
        pqxx::work tx(c);
        const auto rows = tx.exec_params(
            "INSERT INTO rfbind.radio_id_claims (on_air_id, pool, station) VALUES ($1, $2, $3)"
            " ON CONFLICT (on_air_id) DO NOTHING RETURNING on_air_id",
            static_cast<long long>(onAirId), std::string(pool), std::string(station));
        tx.commit();
        return LineResult<ClaimOutcome>(rows.empty() ? ClaimOutcome::AlreadyTaken
                                                     : ClaimOutcome::Claimed);
    });
}

LineResult<bool> LineLedger::recordAttempt(const AttemptRecord& record) {
    auto stored = recordAttempts({record});
    if (!stored)
        return stored.error();
    return *stored == 1;
}

LineResult<std::size_t> LineLedger::recordAttempts(const std::vector<AttemptRecord>& records) {
    for (const auto& r : records)
        if (auto bad = AttemptsJournalReader::validate(r))
            return refused("attempt " + r.attemptId + ": " + *bad);
    return impl_->run<std::size_t>("storing attempts", [&](pqxx::connection& c) {
        pqxx::work tx(c);
        const std::string insert = attemptcolumns::insertStatement();
        std::size_t added = 0;
        for (const auto& r : records) {
            const auto parameters = attemptcolumns::insertParameters(r);
            added += tx.exec_params(insert, pqxx::prepare::make_dynamic_params(parameters)).size();
        }
        tx.commit();
        return LineResult<std::size_t>(added);
    });
}

} // namespace rfbind
