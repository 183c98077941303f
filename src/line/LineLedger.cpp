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

// The ledger's function that stores an attempt, in the parameters' order of
// `attemptcolumns::insertParameters`; the attempt's station is the caller's login.
constexpr const char* kRecordAttempt =
    "SELECT rfbind.record_attempt($1::timestamptz, $2::smallint, $3::integer, $4, $5, $6, $7,"
    " $8, $9, $10, $11, $12, $13, $14, $15, $16, $17)";

// The record with its radio IDs in the ledger's one form, the on-air ID: a unit's EEPROM holds
// the ID with bit 23 set, and a look-up by the ID read from a unit clears it the same way.
AttemptRecord withOnAirRadioIds(AttemptRecord record) {
    for (std::string* id : {&record.rxRadioId, &record.txRadioId}) {
        if (id->size() != 6 || id->find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            continue;
        char text[8];
        std::snprintf(text, sizeof text, "%06X",
                      static_cast<unsigned>(onAirRadioId(std::stoul(*id, nullptr, 16))));
        *id = text;
    }
    return record;
}

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
        if (auto error = admit(*c)) {
            online = error->kind != LineErrorKind::Unreachable;
            error->message = redactSecrets(error->message, config.database);
            return error;
        }
        connection = std::move(c);
        online = true;
        return std::nullopt;
    }

    // Lets the station onto the line: the schema is the one this program knows (a station
    // never changes it), the login is the station named in Line.ini, and no other session of
    // that login is on this line's database.
    std::optional<LineError> admit(pqxx::connection& c) {
        auto schema = LineMigrations::check(c);
        if (!schema)
            return schema.error();
        try {
            pqxx::nontransaction tx(c);
            // A station started again at once may find its own previous session still there,
            // whose server process ends a moment after the old connection closed: the older
            // session is waited for a short while before the login counts as taken. Of two
            // sessions starting together the older one stays.
            for (int attempt = 0; attempt < kNameLockAttempts; ++attempt) {
                if (attempt > 0)
                    std::this_thread::sleep_for(kNameLockPause);
                const auto row = tx.exec1(
                    "SELECT session_user::text, EXISTS (SELECT 1 FROM pg_stat_activity a,"
                    " pg_stat_activity me WHERE me.pid = pg_backend_pid() AND a.pid <> me.pid"
                    " AND a.usename = session_user AND a.datname = current_database()"
                    " AND a.backend_type = 'client backend'"
                    " AND (a.backend_start, a.pid) < (me.backend_start, me.pid))");
                const std::string login = row[0].as<std::string>();
                if (login != config.station)
                    return refused("this station logs in to the line's database as \"" + login +
                                   "\" but Line.ini names it \"" + config.station +
                                   "\": a station's Station= is the name of its own login");
                if (!row[1].as<bool>())
                    return std::nullopt;
            }
        } catch (const std::exception& e) {
            return lineErrorFromPqxx(e, "checking the station's login", config.database);
        }
        return refused("station \"" + config.station +
                       "\" is already connected to the line's database: give each station its "
                       "own login (rfbind-line add-station) and Station= in Line.ini (if this "
                       "station was just cut off, the server has not yet noticed; try again "
                       "shortly)");
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
        // One statement, committed on its own: a single round trip to the server.
        pqxx::nontransaction tx(c);
        const auto row = tx.exec_params1("SELECT * FROM rfbind.open_pool($1, $2, $3, $4::bigint)",
                                         std::string(pool), kindText(kind), firstValue,
                                         endValue ? end.c_str() : nullptr);
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
    return impl_->run<Lease>("leasing a block of " + kindText(kind) + " from pool " +
                                 std::string(pool),
                             [&](pqxx::connection& c) -> LineResult<Lease> {
        // One statement, committed on its own: a single round trip to the server.
        pqxx::nontransaction tx(c);
        // The ledger's own function moves the counter on and records the lease for this
        // station's login, serialised against other stations by the counter's row lock.
        const auto row = tx.exec_params1(
            "SELECT (r.o_lease).lease_id, (r.o_lease).pool, (r.o_lease).kind,"
            " (r.o_lease).station, (r.o_lease).first_value, (r.o_lease).last_value,"
            " (r.o_lease).last_used, r.o_refusal FROM rfbind.lease_block($1, $2, $3) r",
            std::string(pool), kindText(kind), blockSize);
        tx.commit();
        if (!row[7].is_null())
            return refused(row[7].as<std::string>());
        return leaseFromRow(row);
    });
}

LineResult<std::optional<Lease>> LineLedger::currentLease(std::string_view pool, NumberKind kind,
                                                          std::string_view station) {
    using Found = std::optional<Lease>;
    return impl_->run<Found>("looking up the lease of " + std::string(station),
                             [&](pqxx::connection& c) -> LineResult<Found> {
        // One statement, committed on its own: a single round trip to the server.
        pqxx::nontransaction tx(c);
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
        // One statement, committed on its own: a single round trip to the server.
        pqxx::nontransaction tx(c);
        const auto updated = tx.exec_params1("SELECT rfbind.mark_used($1, $2)", lease.id, value);
        if (!updated[0].is_null()) {
            tx.commit();
            return updated[0].as<std::int64_t>();
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

namespace {

// Runs `body` on a connection of its own to a line's database set up for this program: the
// supervisor's and reader's commands, which hold no station's login.
template <typename T, typename Body>
LineResult<T> onceOnTheLine(const std::string& uri, const std::string& context, Body&& body) {
    auto opened = connectOnce(uri);
    if (!opened)
        return opened.error();
    std::unique_ptr<pqxx::connection> c = std::move(opened.value());
    if (auto schema = LineMigrations::check(*c); !schema)
        return schema.error();
    try {
        pqxx::work tx(*c);
        T result = body(tx);
        tx.commit();
        return result;
    } catch (const std::exception& e) {
        return lineErrorFromPqxx(e, context, uri);
    }
}

} // namespace

LineResult<std::vector<LineLedger::LeaseStatus>> LineLedger::openLeases(const std::string& uri,
                                                                       std::string_view pool) {
    using Statuses = std::vector<LeaseStatus>;
    return onceOnTheLine<Statuses>(uri, "listing leases", [&](pqxx::work& tx) {
        const auto rows = tx.exec_params(
            std::string("SELECT ") + kLeaseColumns + ", last_use, reclaimed"
                " FROM rfbind.open_leases WHERE ($1 = '' OR pool = $1) ORDER BY lease_id",
            std::string(pool));
        Statuses statuses;
        for (const auto& row : rows)
            statuses.push_back({leaseFromRow(row), row[7].as<std::string>(), row[8].as<std::string>()});
        return statuses;
    });
}

LineResult<std::vector<Lease>> LineLedger::reclaimIdle(const std::string& uri,
                                                       std::string_view pool,
                                                       std::chrono::seconds olderThan) {
    if (olderThan.count() < 0)
        return refused("an idle time cannot be negative");
    using Leases = std::vector<Lease>;
    return onceOnTheLine<Leases>(uri, "reclaiming idle leases of pool " + std::string(pool),
                                 [&](pqxx::work& tx) {
        const auto rows = tx.exec_params(
            std::string("SELECT ") + kLeaseColumns + " FROM rfbind.reclaim_idle($1, $2)",
            std::string(pool), static_cast<long long>(olderThan.count()));
        Leases leases;
        for (const auto& row : rows)
            leases.push_back(leaseFromRow(row));
        return leases;
    });
}

LineResult<LineLedger::ClaimOutcome> LineLedger::claimRandomRadioId(std::string_view pool,
                                                                    std::uint32_t onAirId,
                                                                    std::string_view station) {
    if (station != impl_->config.station)
        return refused("a station claims radio IDs under its own login, not as \"" +
                       std::string(station) + "\"");
    if (onAirId > 0x7FFFFFu)
        return refused("an on-air radio ID has 23 bits; clear bit 23 of the ID first");
    return impl_->run<ClaimOutcome>("claiming a radio ID", [&](pqxx::connection& c) {
        // One statement, committed on its own: a single round trip to the server.
        pqxx::nontransaction tx(c);
        const bool claimed = tx.exec_params1("SELECT rfbind.claim_radio_id($1, $2)",
                                             std::string(pool), static_cast<long long>(onAirId))[0]
                                 .as<bool>();
        tx.commit();
        return LineResult<ClaimOutcome>(claimed ? ClaimOutcome::Claimed
                                                : ClaimOutcome::AlreadyTaken);
    });
}

LineResult<std::vector<std::uint32_t>> LineLedger::claimRadioIds(
    std::string_view pool, const std::vector<std::uint32_t>& onAirIds) {
    using Claimed = std::vector<std::uint32_t>;
    std::string array = "{";
    for (const std::uint32_t id : onAirIds) {
        if (id > 0x7FFFFFu)
            return refused("an on-air radio ID has 23 bits; clear bit 23 of the ID first");
        array += (array.size() > 1 ? "," : "") + std::to_string(id);
    }
    array += "}";
    return impl_->run<Claimed>("claiming radio IDs", [&](pqxx::connection& c) {
        // One statement, committed on its own: a single round trip to the server.
        pqxx::nontransaction tx(c);
        const auto row = tx.exec_params1(
            "SELECT array_to_string(rfbind.claim_radio_ids($1, $2::integer[]), ',')",
            std::string(pool), array);
        Claimed claimed;
        const std::string text = row[0].is_null() ? std::string() : row[0].as<std::string>();
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t comma = std::min(text.find(',', at), text.size());
            claimed.push_back(static_cast<std::uint32_t>(std::stoul(text.substr(at, comma - at))));
            at = comma + 1;
        }
        return LineResult<Claimed>(claimed);
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
        std::size_t added = 0;
        for (const auto& r : records) {
            const auto parameters = attemptcolumns::insertParameters(withOnAirRadioIds(r));
            added += tx.exec_params1(kRecordAttempt,
                                     pqxx::prepare::make_dynamic_params(parameters))[0]
                         .as<bool>();
        }
        tx.commit();
        return LineResult<std::size_t>(added);
    });
}

} // namespace rfbind
