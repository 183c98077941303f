// SPDX-License-Identifier: MIT
#include "line/LineLedger.h"
#include "line/LineMigrations.h"

#include "PgTestServer.h"

#include <gtest/gtest.h>
#include <pqxx/pqxx>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace rfbind;
using rfbind::test::TestDatabase;

namespace {

using rfbind::test::configFor;

LineLedger connected(const TestDatabase& db, const std::string& station) {
    auto ledger = LineLedger::connect(configFor(db.station(station), station));
    if (!ledger)
        throw std::runtime_error(ledger.error().message);
    return std::move(ledger.value());
}

// A port on 127.0.0.1 nothing listens on: bound by the kernel's choice, then closed.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

TEST(LineLedger, SetupRunTwiceAtOnceCreatesTheSchemaOnce) {
    TestDatabase db;
    std::vector<std::thread> threads;
    std::vector<std::string> errors(2);
    for (int i = 0; i < 2; ++i)
        threads.emplace_back([&, i] {
            const auto version = LineMigrations::setup(db.uri());
            if (!version)
                errors[i] = version.error().message;
        });
    for (auto& t : threads)
        t.join();
    for (const auto& e : errors)
        EXPECT_EQ(e, "");
    EXPECT_EQ(db.query("SELECT count(*) FROM rfbind.schema_migrations"),
              std::to_string(LineMigrations::all().size()));
    // The columns a supervisor's query relies on.
    EXPECT_EQ(db.query("SELECT count(*) FROM information_schema.columns"
                       " WHERE table_schema = 'rfbind' AND table_name = 'attempts' AND column_name"
                       " IN ('station', 'started_at', 'duration_ms', 'result', 'reason_code',"
                       " 'rx_radio_id', 'tx_radio_id', 'rx_serial', 'tx_serial', 'product')"),
              "10");
}

// A station never changes the schema: it starts only on the version it was built for, and
// says what the administrator has to do otherwise.
TEST(LineLedger, AStationRefusesASchemaItWasNotBuiltForAndLeavesItAsItIs) {
    TestDatabase db;
    const std::string stationUri = db.station("st-1");
    TestDatabase bare; // never set up: the station's login reaches it, as any new database
    const int latest = LineMigrations::latestVersion();
    struct Case {
        const char* what;
        std::string uri;
        std::string change; // run by the administrator first
        std::string words;
    };
    const Case cases[] = {
        {"not set up", TestDatabase::withDatabase(stationUri, bare.name()), "", "not set up"},
        {"older", stationUri,
         "DELETE FROM rfbind.schema_migrations WHERE version = " + std::to_string(latest),
         "runs rfbind-line setup"},
        {"newer", stationUri, "INSERT INTO rfbind.schema_migrations VALUES (9999, 'x')",
         "9999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.change.empty())
            db.query(c.change + " RETURNING 1");
        const auto ledger = LineLedger::connect(configFor(c.uri, "st-1"));
        ASSERT_FALSE(ledger.ok());
        EXPECT_EQ(ledger.error().kind, LineErrorKind::Refused);
        EXPECT_NE(ledger.error().message.find(c.words), std::string::npos)
            << ledger.error().message;
    }
    EXPECT_EQ(bare.query("SELECT count(*) FROM pg_namespace WHERE nspname = 'rfbind'"), "0");
    std::string older;
    for (const LineMigration& m : LineMigrations::all())
        if (m.version != latest)
            older += (older.empty() ? "" : ",") + std::to_string(m.version);
    EXPECT_EQ(db.query("SELECT string_agg(version::text, ',' ORDER BY version)"
                       " FROM rfbind.schema_migrations WHERE version <> 9999"),
              older);
}

TEST(LineLedger, ConnectFailuresSayWhetherTheLoginWasRefusedOrNoServerAnswered) {
    TestDatabase db;
    std::string wrongPassword = db.uri();
    wrongPassword.replace(wrongPassword.find(":rfbind-test-password@"),
                          std::string(":rfbind-test-password@").size(), ":wrong@");
    const std::string noServer =
        "postgresql://rfbind_test:x@127.0.0.1:" + std::to_string(closedPort()) + "/rfbind";
    const std::vector<std::tuple<std::string, LineErrorKind, std::string>> cases = {
        {wrongPassword, LineErrorKind::LoginRejected, "password authentication failed"},
        {TestDatabase::withDatabase(db.uri(), "no_such_db"), LineErrorKind::LoginRejected,
         "does not exist"},
        {noServer, LineErrorKind::Unreachable, "cannot be reached"},
        {"host=127.0.0.1 dbname=x", LineErrorKind::Config, "postgresql://"}};
    for (const auto& [uri, kind, words] : cases) {
        const auto ledger = LineLedger::connect(configFor(uri, "st-1"));
        ASSERT_FALSE(ledger.ok()) << uri;
        EXPECT_EQ(ledger.error().kind, kind) << ledger.error().message;
        EXPECT_NE(ledger.error().message.find(words), std::string::npos) << ledger.error().message;
    }
}

TEST(LineLedger, ASecondStationWithTheSameNameIsRefusedUntilTheFirstIsGone) {
    TestDatabase db;
    {
        LineLedger first = connected(db, "st-1");
        const auto second = LineLedger::connect(configFor(db.station("st-1"), "st-1"));
        ASSERT_FALSE(second.ok());
        EXPECT_EQ(second.error().kind, LineErrorKind::Refused);
        EXPECT_NE(second.error().message.find("already connected"), std::string::npos);
    }
    EXPECT_TRUE(LineLedger::connect(configFor(db.station("st-1"), "st-1")).ok());
}

TEST(LineLedger, BlocksFollowEachOtherAndStopAtThePoolsEnd) {
    TestDatabase db;
    LineLedger ledger = connected(db, "st-1");
    ASSERT_TRUE(ledger.leaseBlock("mouse-a", NumberKind::RxSerial, 5).error().kind ==
                LineErrorKind::Refused); // never opened
    ASSERT_TRUE(ledger.openPool("mouse-a", NumberKind::RxSerial, 100, 230).ok());
    // A second open (another station, another start) keeps the counter as it is.
    const auto again = ledger.openPool("mouse-a", NumberKind::RxSerial, 0, std::nullopt);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->next, 100);
    EXPECT_EQ(again->end, 230);

    std::vector<std::pair<std::int64_t, std::int64_t>> blocks;
    for (int i = 0; i < 3; ++i) {
        const auto lease = ledger.leaseBlock("mouse-a", NumberKind::RxSerial, 50);
        ASSERT_TRUE(lease.ok()) << lease.error().message;
        EXPECT_EQ(lease->station, "st-1");
        blocks.emplace_back(lease->first, lease->last);
    }
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {
        {100, 149}, {150, 199}, {200, 229}};
    EXPECT_EQ(blocks, expected);
    const auto empty = ledger.leaseBlock("mouse-a", NumberKind::RxSerial, 50);
    ASSERT_FALSE(empty.ok());
    EXPECT_NE(empty.error().message.find("no rx_serial numbers left"), std::string::npos);
    // Other kinds have counters of their own.
    ASSERT_TRUE(ledger.openPool("mouse-a", NumberKind::TxSerial, 7, std::nullopt).ok());
    EXPECT_EQ(ledger.leaseBlock("mouse-a", NumberKind::TxSerial, 3)->first, 7);
    EXPECT_EQ(ledger.leaseBlock("mouse-a", NumberKind::TxSerial, 0).error().kind,
              LineErrorKind::Refused);
}

TEST(LineLedger, StationsLeasingAtOnceNeverGetOverlappingBlocks) {
    TestDatabase db;
    constexpr int kStations = 4;
    constexpr int kLeases = 80;
    {
        LineLedger setup = connected(db, "setup");
        for (NumberKind kind : {NumberKind::RxSerial, NumberKind::TxRadioId})
            ASSERT_TRUE(setup.openPool("mouse-a", kind, 1, std::nullopt).ok());
    }
    std::mutex mutex;
    std::map<NumberKind, std::vector<Lease>> leases;
    std::vector<std::string> errors;
    std::vector<std::thread> threads;
    for (int s = 0; s < kStations; ++s)
        threads.emplace_back([&, s] {
            const std::string name = "st-" + std::to_string(s);
            auto ledger = LineLedger::connect(configFor(db.station(name), name));
            if (!ledger) {
                std::lock_guard lock(mutex);
                errors.push_back(ledger.error().message);
                return;
            }
            std::mt19937 random(s);
            for (int i = 0; i < kLeases; ++i) {
                const NumberKind kind = i % 2 ? NumberKind::RxSerial : NumberKind::TxRadioId;
                auto lease = ledger->leaseBlock("mouse-a", kind, 1 + random() % 7);
                std::lock_guard lock(mutex);
                if (lease)
                    leases[kind].push_back(*lease);
                else
                    errors.push_back(lease.error().message);
            }
        });
    for (auto& t : threads)
        t.join();
    ASSERT_TRUE(errors.empty()) << errors.front();

    for (auto& [kind, list] : leases) {
        ASSERT_EQ(list.size(), std::size_t(kStations * kLeases / 2));
        std::sort(list.begin(), list.end(),
                  [](const Lease& a, const Lease& b) { return a.first < b.first; });
        // Sorted by their first value, each block starts right after the one before: no
        // overlap and no gap.
        std::int64_t expectedFirst = 1;
        for (const Lease& lease : list) {
            EXPECT_EQ(lease.first, expectedFirst) << numberKindName(kind);
            expectedFirst = lease.last + 1;
        }
        EXPECT_EQ(db.query("SELECT next_value FROM rfbind.counters WHERE kind = '" +
                           std::string(numberKindName(kind)) + "'"),
                  std::to_string(expectedFirst));
    }
}

TEST(LineLedger, ARestartedStationResumesAfterWhatItMarkedUsed) {
    TestDatabase db;
    Lease lease;
    {
        LineLedger ledger = connected(db, "st-1");
        ASSERT_TRUE(ledger.openPool("mouse-a", NumberKind::TxSerial, 0, std::nullopt).ok());
        lease = *ledger.leaseBlock("mouse-a", NumberKind::TxSerial, 10);
        ASSERT_TRUE(ledger.markUsed(lease, 4).ok());
        ASSERT_TRUE(ledger.markUsed(lease, 2).ok()); // a late, lower report lowers nothing
        EXPECT_EQ(lease.lastUsed, 4);
        const auto outside = ledger.markUsed(lease, 10);
        ASSERT_FALSE(outside.ok());
        EXPECT_NE(outside.error().message.find("holds 0 to 9, not 10"), std::string::npos);
    }
    LineLedger restarted = connected(db, "st-1");
    const auto resumed = restarted.currentLease("mouse-a", NumberKind::TxSerial, "st-1");
    ASSERT_TRUE(resumed.ok());
    ASSERT_TRUE(resumed->has_value());
    EXPECT_EQ((*resumed)->id, lease.id);
    EXPECT_EQ((*resumed)->nextUnused(), 5);
    EXPECT_EQ((*resumed)->remaining(), 5);
    // Another station neither sees it nor may use it.
    LineLedger other = connected(db, "st-2");
    EXPECT_FALSE(other.currentLease("mouse-a", NumberKind::TxSerial, "st-2")->has_value());
    Lease stolen = **resumed;
    EXPECT_EQ(other.markUsed(stolen, 6).error().kind, LineErrorKind::Refused);
    // Used up, the lease is no longer current.
    Lease used = **resumed;
    ASSERT_TRUE(restarted.markUsed(used, 9).ok());
    EXPECT_FALSE(restarted.currentLease("mouse-a", NumberKind::TxSerial, "st-1")->has_value());
}

TEST(LineLedger, ReclaimRetiresTheUnusedValuesOfIdleLeasesForGood) {
    TestDatabase db;
    LineLedger a = connected(db, "st-a");
    LineLedger b = connected(db, "st-b");
    ASSERT_TRUE(a.openPool("mouse-a", NumberKind::RxRadioId, 0, std::nullopt).ok());
    Lease idle = *a.leaseBlock("mouse-a", NumberKind::RxRadioId, 50);
    ASSERT_TRUE(a.markUsed(idle, 9).ok());
    Lease busy = *b.leaseBlock("mouse-a", NumberKind::RxRadioId, 50);
    Lease usedUp = *a.leaseBlock("mouse-a", NumberKind::RxRadioId, 1);
    ASSERT_TRUE(a.markUsed(usedUp, usedUp.last).ok());
    db.query("UPDATE rfbind.leases SET updated_at = now() - interval '2 hours'"
             " WHERE lease_id IN (" + std::to_string(idle.id) + "," + std::to_string(usedUp.id) +
             ") RETURNING 1");

    const std::string supervisor = db.supervisor("boss");
    EXPECT_EQ(LineLedger::reclaimIdle(supervisor, "mouse-a", std::chrono::seconds(-1)).error().kind,
              LineErrorKind::Refused);
    const auto reclaimed = LineLedger::reclaimIdle(supervisor, "mouse-a", std::chrono::hours(1));
    ASSERT_TRUE(reclaimed.ok()) << reclaimed.error().message;
    ASSERT_EQ(reclaimed->size(), 1u);
    EXPECT_EQ((*reclaimed)[0].id, idle.id);

    const auto refused = a.markUsed(idle, 10);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().kind, LineErrorKind::Refused);
    EXPECT_NE(refused.error().message.find("reclaimed"), std::string::npos);
    EXPECT_FALSE(a.currentLease("mouse-a", NumberKind::RxRadioId, "st-a")->has_value());
    EXPECT_EQ(b.currentLease("mouse-a", NumberKind::RxRadioId, "st-b").value()->id, busy.id);
    // The retired values 10..49 never come back.
    EXPECT_EQ(a.leaseBlock("mouse-a", NumberKind::RxRadioId, 50)->first, 101);
}

TEST(LineLedger, AnOnAirRadioIdIsClaimedOnceAcrossEveryPoolAndStation) {
    TestDatabase db;
    LineLedger a = connected(db, "st-a");
    using Claim = LineLedger::ClaimOutcome;
    EXPECT_EQ(*a.claimRandomRadioId("mouse-a", 0x123456, "st-a"), Claim::Claimed);
    EXPECT_EQ(*a.claimRandomRadioId("keyboard-b", 0x123456, "st-a"), Claim::AlreadyTaken);
    EXPECT_EQ(*a.claimRandomRadioId("mouse-a", LineLedger::onAirRadioId(0x923456), "st-a"),
              Claim::AlreadyTaken);
    EXPECT_EQ(a.claimRandomRadioId("mouse-a", 0x923456, "st-a").error().kind,
              LineErrorKind::Refused);

    // Four stations racing for the same 300 IDs: each ID goes to exactly one of them.
    std::vector<std::thread> threads;
    std::vector<int> claimed(4, 0);
    std::atomic<int> failures{0};
    for (int s = 0; s < 4; ++s)
        threads.emplace_back([&, s] {
            const std::string name = "racer-" + std::to_string(s);
            auto ledger = LineLedger::connect(configFor(db.station(name), name));
            if (!ledger) {
                ++failures;
                return;
            }
            for (std::uint32_t id = 0x200000; id < 0x200000 + 300; ++id) {
                const auto claim = ledger->claimRandomRadioId("mouse-a", id, name);
                if (!claim)
                    ++failures;
                else if (*claim == Claim::Claimed)
                    ++claimed[s];
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(claimed[0] + claimed[1] + claimed[2] + claimed[3], 300);
}

// Sequential radio IDs are on air with their lease: random draws, the other counter and other
// pools can never land in a leased block, and a block holding a claimed ID is stepped over.
TEST(LineLedger, ALeasedBlockOfRadioIdsIsOnAirAndStepsOverIdsClaimedBefore) {
    TestDatabase db;
    LineLedger a = connected(db, "st-a");
    using Claim = LineLedger::ClaimOutcome;
    ASSERT_EQ(*a.claimRandomRadioId("mouse-a", 0x1005, "st-a"), Claim::Claimed);

    struct Step {
        const char* what;
        const char* pool;
        NumberKind kind;
        std::int64_t counterStart;
        std::int64_t first, last; // the block expected; first < 0: refused
    };
    const Step steps[] = {
        {"block holding a random draw is stepped over", "mouse-a", NumberKind::RxRadioId,
         0x1000, 0x100A, 0x1013},
        {"transmitter counter set onto the receiver's block", "mouse-a", NumberKind::TxRadioId,
         0x100A, 0x1014, 0x101D},
        {"receiver counter goes on after the transmitter's block", "mouse-a",
         NumberKind::RxRadioId, 0, 0x101E, 0x1027},
        {"another pool on the same IDs", "keyboard-b", NumberKind::TxRadioId, 0x1000, 0x1028,
         0x1031},
        {"the last on-air IDs make a short block", "mouse-c", NumberKind::RxRadioId, 0x7FFFFC,
         0x7FFFFC, 0x7FFFFF},
        {"no on-air ID is left", "mouse-c", NumberKind::RxRadioId, 0, -1, -1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(a.openPool(step.pool, step.kind, step.counterStart, std::nullopt).ok());
        const auto lease = a.leaseBlock(step.pool, step.kind, 10);
        if (step.first < 0) {
            ASSERT_FALSE(lease.ok());
            EXPECT_EQ(lease.error().kind, LineErrorKind::Refused);
            continue;
        }
        ASSERT_TRUE(lease.ok()) << lease.error().message;
        EXPECT_EQ(lease->first, step.first);
        EXPECT_EQ(lease->last, step.last);
    }
    // Every ID of a leased block is taken for random draws, with bit 23 set or not.
    for (std::uint32_t id : {0x100Au, 0x1013u, 0x1031u, 0x7FFFFFu})
        EXPECT_EQ(*a.claimRandomRadioId("mouse-a", LineLedger::onAirRadioId(id | 0x800000u), "st-a"),
                  Claim::AlreadyTaken)
            << std::hex << id;
    // The IDs of the stepped-over block that nobody holds stay free for random draws.
    EXPECT_EQ(*a.claimRandomRadioId("mouse-a", 0x1000, "st-a"), Claim::Claimed);
}

// A line set up by the first version of the ledger has radio-ID blocks that claimed nothing;
// the update claims them, so that random draws keep out of blocks stations still number from.
TEST(LineLedger, UpdatingALedgerPutsTheRadioIdBlocksLeasedBeforeOnAir) {
    TestDatabase db;
    const LineMigration& first = LineMigrations::all().front();
    ASSERT_EQ(first.version, 1);
    {
        pqxx::connection c(db.uri());
        pqxx::work tx(c);
        tx.exec0("CREATE SCHEMA rfbind");
        tx.exec0("CREATE TABLE rfbind.schema_migrations (version integer PRIMARY KEY,"
                 " name text NOT NULL, applied_at timestamptz NOT NULL DEFAULT now())");
        tx.exec(first.sql);
        tx.exec_params("INSERT INTO rfbind.schema_migrations (version, name) VALUES (1, $1)",
                       std::string(first.name));
        tx.exec0("INSERT INTO rfbind.pools (pool) VALUES ('mouse-a')");
        tx.exec0("INSERT INTO rfbind.counters VALUES ('mouse-a', 'tx_radio_id', 8192, NULL)");
        tx.exec0("INSERT INTO rfbind.leases (pool, kind, station, first_value, last_value)"
                 " VALUES ('mouse-a', 'tx_radio_id', 'st-old', 4096, 8191)");
        tx.commit();
    }
    LineLedger a = connected(db, "st-a");
    using Claim = LineLedger::ClaimOutcome;
    EXPECT_EQ(*a.claimRandomRadioId("mouse-a", 4096, "st-a"), Claim::AlreadyTaken);
    EXPECT_EQ(*a.claimRandomRadioId("mouse-a", 8191, "st-a"), Claim::AlreadyTaken);
    EXPECT_EQ(*a.claimRandomRadioId("mouse-a", 8192, "st-a"), Claim::Claimed);
}

TEST(LineLedger, AnAttemptIsStoredOnceHoweverOftenItIsSent) {
    TestDatabase db;
    LineLedger ledger = connected(db, "st-1");
    AttemptRecord r;
    r.attemptId = std::string(32, 'e');
    r.startedAt = "2026-12-08T10:02:27.123+01:00";
    r.durationMs = 4200;
    r.result = "PASS";
    r.rxSerial = "1201-4142-0005";
    r.rxRadioId = "12A5B6";
    r.station = "st-1";
    r.product = "mouse-a";
    EXPECT_EQ(ledger.recordAttempt(r).value(), true);
    r.durationMs = 1; // a resend never changes what was stored
    EXPECT_EQ(ledger.recordAttempt(r).value(), false);
    EXPECT_EQ(db.query("SELECT count(*) || ' ' || min(duration_ms) || ' ' || min(started_local)::text"
                       " || ' ' || coalesce(min(tx_serial), 'null') FROM rfbind.attempts"),
              "1 4200 2026-12-08 10:02:27.123 null");

    AttemptRecord bad = r;
    bad.attemptId = "not-an-id";
    const auto refused = ledger.recordAttempts({bad});
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().kind, LineErrorKind::Refused);
}

TEST(LineLedger, ACutConnectionIsReportedOfflineAndTheNextCallConnectsAgain) {
    TestDatabase db;
    LineLedger ledger = connected(db, "st-1");
    ASSERT_TRUE(ledger.openPool("mouse-a", NumberKind::RxSerial, 0, std::nullopt).ok());
    // The server ends the station's session, as when the line's server restarts.
    db.query("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity"
             " WHERE datname = current_database() AND pid <> pg_backend_pid()");
    const auto cut = ledger.leaseBlock("mouse-a", NumberKind::RxSerial, 5);
    ASSERT_FALSE(cut.ok());
    EXPECT_EQ(cut.error().kind, LineErrorKind::Unreachable) << cut.error().message;
    EXPECT_FALSE(ledger.online());
    const auto again = ledger.leaseBlock("mouse-a", NumberKind::RxSerial, 5);
    ASSERT_TRUE(again.ok()) << again.error().message;
    EXPECT_EQ(again->first, 0); // the cut request stored nothing
    EXPECT_TRUE(ledger.online());
}

} // namespace

namespace {

TEST(LineLedger, AStationStartedDuringAnOutageStartsOfflineOnlyWhenAskedTo) {
    const auto config = configFor(
        "postgresql://rfbind_test:x@127.0.0.1:" + std::to_string(closedPort()) + "/rfbind", "st-1");
    EXPECT_EQ(LineLedger::connect(config).error().kind, LineErrorKind::Unreachable);
    auto offline = LineLedger::connect(config, LineLedger::WhenUnreachable::StartOffline);
    ASSERT_TRUE(offline.ok());
    EXPECT_FALSE(offline->online());
    EXPECT_EQ(offline->leaseBlock("mouse-a", NumberKind::RxSerial, 5).error().kind,
              LineErrorKind::Unreachable);
    // A refused login is never taken for an outage.
    TestDatabase db;
    std::string wrong = db.uri();
    wrong.replace(wrong.find(":rfbind-test-password@"), 22, ":wrong@");
    EXPECT_EQ(LineLedger::connect(configFor(wrong, "st-1"),
                                  LineLedger::WhenUnreachable::StartOffline)
                  .error()
                  .kind,
              LineErrorKind::LoginRejected);
}

} // namespace

namespace {

// The supervisor's program: lists the open leases and reclaims only the idle ones.
TEST(LineLedger, SupervisorProgramListsLeasesAndReclaimsOnlyIdleOnes) {
    TestDatabase db;
    LineLedger station = connected(db, "st-1");
    ASSERT_TRUE(station.openPool("mouse-a", NumberKind::RxSerial, 0, std::nullopt).ok());
    Lease idle = *station.leaseBlock("mouse-a", NumberKind::RxSerial, 10);
    Lease busy = *station.leaseBlock("mouse-a", NumberKind::RxSerial, 10);
    ASSERT_TRUE(station.markUsed(idle, 3).ok());
    db.query("UPDATE rfbind.leases SET updated_at = now() - interval '3 hours' WHERE lease_id = " +
             std::to_string(idle.id) + " RETURNING 1");

    auto run = [](const std::string& args) {
        const std::string out = "/tmp/rfbind-line-out-" + std::to_string(::getpid());
        const int status = std::system((std::string(RFBIND_LINE_TOOL) + " " + args + " > " + out +
                                        " 2>&1")
                                           .c_str());
        std::ifstream in(out);
        std::string text{std::istreambuf_iterator<char>(in), {}};
        std::remove(out.c_str());
        return std::make_pair(WEXITSTATUS(status), text);
    };
    // The reader lists, the supervisor reclaims; neither holds a station's password.
    const std::string reader = "--db '" + db.reader("watcher") + "' ";
    const std::string db_ = "--db '" + db.supervisor("boss") + "' ";
    const auto listed = run(reader + "leases --pool mouse-a");
    EXPECT_EQ(listed.first, 0) << listed.second;
    EXPECT_NE(listed.second.find("st-1"), std::string::npos) << listed.second;
    // Counters in hex, as the station shows them: the busy block is 10..19, nothing used.
    EXPECT_NE(listed.second.find("0A           13           0A"), std::string::npos)
        << listed.second;
    const auto notReaders = run(reader + "reclaim --pool mouse-a --idle 0");
    EXPECT_EQ(notReaders.first, 1) << notReaders.second;
    EXPECT_NE(notReaders.second.find("permission denied"), std::string::npos) << notReaders.second;

    EXPECT_EQ(run(db_ + "reclaim --pool mouse-a").first, 2); // no idle time given
    // A mistyped pool is said to be one, never "0 leases reclaimed".
    for (const std::string command : {"reclaim --pool mouse-x --idle 120", "leases --pool mouse-x"}) {
        const auto typo = run(db_ + command);
        EXPECT_EQ(typo.first, 1) << command << "\n" << typo.second;
        EXPECT_NE(typo.second.find("pool \"mouse-x\" does not exist on this line; its pools: "
                                   "mouse-a"),
                  std::string::npos)
            << typo.second;
        EXPECT_EQ(typo.second.find("reclaimed"), std::string::npos) << typo.second;
    }
    const auto reclaimed = run(db_ + "reclaim --pool mouse-a --idle 120");
    EXPECT_EQ(reclaimed.first, 0) << reclaimed.second;
    EXPECT_NE(reclaimed.second.find("reclaimed lease " + std::to_string(idle.id) +
                                    " of st-1 (rx_serial): 04 to 09 retired"),
              std::string::npos)
        << reclaimed.second;
    EXPECT_NE(reclaimed.second.find("1 lease(s) reclaimed"), std::string::npos);
    EXPECT_TRUE(station.markUsed(busy, busy.first).ok());
    EXPECT_EQ(station.markUsed(idle, 4).error().kind, LineErrorKind::Refused);
}

} // namespace
