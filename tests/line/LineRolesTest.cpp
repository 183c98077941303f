// SPDX-License-Identifier: MIT
// What a station, a reader and the ledger's own rules let through: every station logs in as
// its own role and may change the ledger only through the owner's functions, which only move
// forward. Against the PostgreSQL server the tests start.
#include "line/LineLedger.h"
#include "line/LineMigrations.h"

#include "PgTestServer.h"

#include <gtest/gtest.h>
#include <pqxx/pqxx>

#include <optional>

using namespace rfbind;
using rfbind::test::TestDatabase;

namespace {

using rfbind::test::configFor;

LineLedger connected(const std::string& uri, const std::string& station) {
    auto ledger = LineLedger::connect(configFor(uri, station));
    if (!ledger)
        throw std::runtime_error(ledger.error().message);
    return std::move(ledger.value());
}

AttemptRecord attempt(char id, const std::string& station, const std::string& rxRadioId) {
    AttemptRecord r;
    r.attemptId = std::string(32, id);
    r.startedAt = "2026-12-08T10:02:27.123+01:00";
    r.durationMs = 4200;
    r.result = "PASS";
    r.rxSerial = std::string("5258-0000000") + id;
    r.rxRadioId = rxRadioId;
    r.station = station;
    return r;
}

// Runs one statement in a transaction of its own as `uri`'s login; the SQLSTATE it failed
// with ("no login" when the login was refused), or nothing when it went through (and was
// committed).
std::optional<std::string> attempt(const std::string& uri, const std::string& sql) {
    std::optional<pqxx::connection> connection;
    try {
        connection.emplace(uri);
    } catch (const pqxx::broken_connection&) {
        return "no login";
    }
    pqxx::connection& c = *connection;
    try {
        pqxx::work tx(c);
        tx.exec(sql);
        tx.commit();
        return std::nullopt;
    } catch (const pqxx::insufficient_privilege&) {
        return "42501"; // this libpqxx leaves its SQLSTATE out
    } catch (const pqxx::sql_error& e) {
        return e.sqlstate();
    }
}

// Everything a station could corrupt, as one text: the ledger's rows, its objects and who
// may read the views.
std::string ledgerState(const TestDatabase& db) {
    return db.query(
        "SELECT md5(concat_ws('|',"
        " (SELECT json_agg(c ORDER BY pool, kind)::text FROM rfbind.counters c),"
        " (SELECT json_agg(l ORDER BY lease_id)::text FROM rfbind.leases l),"
        " (SELECT json_agg(r ORDER BY on_air_id)::text FROM rfbind.radio_id_claims r),"
        " (SELECT json_agg(a ORDER BY attempt_id)::text FROM rfbind.attempt_log a),"
        " (SELECT json_agg(p ORDER BY pool)::text FROM rfbind.pools p),"
        " (SELECT string_agg(nspname, ',' ORDER BY nspname) FROM pg_namespace),"
        " (SELECT string_agg(relname || relowner::regrole::text, ',' ORDER BY relname)"
        "    FROM pg_class WHERE relnamespace = 'rfbind'::regnamespace),"
        " (SELECT string_agg(tgname::text || tgenabled::text, ',') FROM pg_trigger"
        "   WHERE tgrelid = 'rfbind.counters'::regclass),"
        " has_table_privilege('rfbind_readers', 'rfbind.attempts', 'SELECT')))");
}

// A line with two stations that have numbered a little: st-a holds a block, a claim and an
// attempt; st-b a block of its own.
struct BusyLine {
    BusyLine() : a(connected(db.station("st-a"), "st-a")), b(connected(db.station("st-b"), "st-b")) {
        a.openPool("mouse-a", NumberKind::RxSerial, 1, std::nullopt);
        leaseA = *a.leaseBlock("mouse-a", NumberKind::RxSerial, 10);
        a.markUsed(leaseA, 3);
        a.claimRandomRadioId("mouse-a", 0x123458, "st-a");
        a.recordAttempt(attempt('a', "st-a", "123458"));
        leaseB = *b.leaseBlock("mouse-a", NumberKind::RxSerial, 10);
    }
    TestDatabase db;
    LineLedger a, b;
    Lease leaseA, leaseB;
};

// Everything the user did as a station on a shared-owner ledger, and more: each is refused,
// and the ledger is as it was.
TEST(LineRoles, AStationCannotChangeTheLedgerDirectly) {
    BusyLine line;
    const std::string before = ledgerState(line.db);
    const std::string station = line.db.station("st-b");
    const std::string reader = line.db.reader("watcher");
    const std::string a = std::to_string(line.leaseA.id);
    struct Case {
        const std::string& who;
        std::string sql;
    };
    const Case cases[] = {
        {station, "DELETE FROM rfbind.attempt_log WHERE station = 'st-a'"},
        {station, "UPDATE rfbind.attempt_log SET result = 'FAIL'"},
        {station, "INSERT INTO rfbind.attempt_log (attempt_id, started_at, utc_offset_min,"
                  " duration_ms, result, station) VALUES (repeat('b', 32), now(), 0, 1, 'PASS',"
                  " 'st-a')"},
        {station, "UPDATE rfbind.leases SET station = 'st-b' WHERE lease_id = " + a},
        {station, "UPDATE rfbind.leases SET reclaimed_at = now() WHERE lease_id = " + a},
        {station, "DELETE FROM rfbind.leases"},
        {station, "INSERT INTO rfbind.leases (pool, kind, station, first_value, last_value)"
                  " VALUES ('mouse-a', 'rx_serial', 'st-b', 1, 5)"},
        {station, "UPDATE rfbind.counters SET next_value = 1"},
        {station, "INSERT INTO rfbind.counters VALUES ('mouse-a', 'tx_serial', 1, NULL)"},
        {station, "DELETE FROM rfbind.radio_id_claims"},
        {station, "INSERT INTO rfbind.radio_id_claims (on_air_id, pool, station)"
                  " VALUES (1, 'mouse-a', 'st-a')"},
        {station, "DELETE FROM rfbind.pools"},
        {station, "DELETE FROM rfbind.schema_migrations"},
        {station, "TRUNCATE rfbind.attempt_log"},
        {station, "TRUNCATE rfbind.radio_id_claims"},
        {station, "TRUNCATE rfbind.leases, rfbind.counters, rfbind.pools CASCADE"},
        {station, "SELECT setval('rfbind.leases_lease_id_seq', 1)"},
        {station, "DROP VIEW rfbind.attempts"},
        {station, "ALTER TABLE rfbind.counters DISABLE TRIGGER counters_forward"},
        {station, "CREATE SCHEMA intruder"},
        {station, "CREATE TABLE rfbind.intruder (x integer)"},
        {station, "CREATE TABLE public.intruder (x integer)"},
        {station, "CREATE OR REPLACE FUNCTION rfbind.mark_used(bigint, bigint) RETURNS bigint"
                  " LANGUAGE sql AS 'SELECT 1::bigint'"},
        {station, "SELECT rfbind.reclaim_idle('mouse-a', 0)"},
        {reader, "SELECT * FROM rfbind.lease_block('mouse-a', 'rx_serial', 5)"},
        {reader, "SELECT rfbind.claim_radio_id('mouse-a', 7)"},
        {reader, "SELECT rfbind.reclaim_idle('mouse-a', 0)"},
        {reader, "DELETE FROM rfbind.attempt_log"},
        {reader, "SELECT count(*) FROM rfbind.leases"}, // readers see the views only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(attempt(c.who, c.sql).value_or("went through"), "42501");
    }
    // A grant only its owner can take back: the server merely warns, and nothing changes.
    attempt(station, "REVOKE SELECT ON rfbind.attempts FROM rfbind_readers");
    EXPECT_EQ(ledgerState(line.db), before);
}

// The counter and the leases only move forward, whoever tries: the stations through their
// functions, and even the owner writing the tables by hand.
TEST(LineRoles, ACounterNeverMovesBackEvenThroughTheFunctions) {
    BusyLine line;
    const std::string station = line.db.station("st-b");
    const std::string admin = line.db.uri();
    const std::string a = std::to_string(line.leaseA.id);
    auto counter = [&] {
        return line.db.query("SELECT next_value FROM rfbind.counters WHERE kind = 'rx_serial'");
    };
    const std::string next = counter();
    ASSERT_EQ(next, "21");
    struct Case {
        std::string who;
        std::string sql;
        std::optional<std::string> sqlstate; // nothing: goes through and changes nothing
    };
    const Case cases[] = {
        {station, "SELECT * FROM rfbind.open_pool('mouse-a', 'rx_serial', 1, NULL)", {}},
        {station, "SELECT * FROM rfbind.lease_block('mouse-a', 'rx_serial', -20)", {}},
        {station, "SELECT * FROM rfbind.lease_block('mouse-a', 'rx_serial', 0)", {}},
        {station, "SELECT rfbind.mark_used(" + a + ", 1)", {}},
        {line.db.station("st-a"), "SELECT rfbind.mark_used(" + a + ", 1)", {}},
        {admin, "UPDATE rfbind.counters SET next_value = 1", "P0001"},
        {admin, "UPDATE rfbind.leases SET last_used = first_value WHERE lease_id = " + a, "P0001"},
        {admin, "UPDATE rfbind.leases SET first_value = 15, last_value = 30 WHERE lease_id = " + a,
         "P0001"},
        {admin, "INSERT INTO rfbind.leases (pool, kind, station, first_value, last_value)"
                " VALUES ('mouse-a', 'rx_serial', 'st-b', 5, 12)",
         "23P01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(attempt(c.who, c.sql), c.sqlstate);
        EXPECT_EQ(counter(), next);
    }
    EXPECT_EQ(line.db.query("SELECT last_used FROM rfbind.leases WHERE lease_id = " + a), "3");
    EXPECT_EQ(line.b.leaseBlock("mouse-a", NumberKind::RxSerial, 5)->first, 21);
}

// A station is its login: it cannot lease, claim or record in another station's name, so two
// stations' blocks are never taken for one station's.
TEST(LineRoles, AStationCannotPassAnothersName) {
    BusyLine line;
    const auto posing = LineLedger::connect(configFor(line.db.station("st-a"), "st-b"));
    ASSERT_FALSE(posing.ok());
    EXPECT_EQ(posing.error().kind, LineErrorKind::Refused);
    EXPECT_NE(posing.error().message.find("as \"st-a\""), std::string::npos)
        << posing.error().message;

    EXPECT_EQ(line.a.claimRandomRadioId("mouse-a", 0x777, "st-b").error().kind,
              LineErrorKind::Refused);
    EXPECT_TRUE(line.a.recordAttempt(attempt('c', "st-b", "123459")).value());
    EXPECT_EQ(line.db.query("SELECT station FROM rfbind.attempt_log WHERE attempt_id ~ '^c'"),
              "st-a");
    EXPECT_EQ(line.b.markUsed(line.leaseA, 4).error().kind, LineErrorKind::Refused);

    // Leasing in turns, each block goes to the login that asked, and none overlaps another.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(line.a.leaseBlock("mouse-a", NumberKind::RxSerial, 4)->station, "st-a");
        EXPECT_EQ(line.b.leaseBlock("mouse-a", NumberKind::RxSerial, 3)->station, "st-b");
    }
    EXPECT_EQ(line.db.query("SELECT count(*) FROM rfbind.leases x JOIN rfbind.leases y"
                            " ON x.lease_id < y.lease_id AND x.kind = y.kind"
                            " AND x.first_value <= y.last_value AND y.first_value <= x.last_value"),
              "0");
    EXPECT_EQ(line.db.query("SELECT string_agg(station, ',' ORDER BY lease_id) FROM rfbind.leases"),
              "st-a,st-b,st-a,st-b,st-a,st-b,st-a,st-b");
}

TEST(LineRoles, AStationCannotEndAnothersSessionNorHoldItsPlace) {
    BusyLine line;
    const std::string pidOfB = line.db.query(
        "SELECT pid FROM pg_stat_activity WHERE usename = 'st-b' AND datname = current_database()");
    ASSERT_FALSE(pidOfB.empty());
    const std::string stationC = line.db.station("st-c");
    for (const std::string& sql : {"SELECT pg_terminate_backend(" + pidOfB + ")",
                                   "SELECT pg_cancel_backend(" + pidOfB + ")"}) {
        SCOPED_TRACE(sql);
        EXPECT_EQ(attempt(stationC, sql).value_or("went through"), "42501");
    }
    EXPECT_TRUE(line.b.leaseBlock("mouse-a", NumberKind::RxSerial, 1).ok());
    EXPECT_TRUE(line.b.online());

    // Station st-c holds every lock a station's name might be kept by; st-d still starts.
    pqxx::connection c(stationC);
    pqxx::nontransaction(c).exec("SELECT pg_advisory_lock(hashtext('st-d')),"
                                 " pg_advisory_lock(29286, hashtext('st-d'))");
    const auto d = LineLedger::connect(configFor(line.db.station("st-d"), "st-d"));
    EXPECT_TRUE(d.ok()) << d.error().message;
}

// Only the administrator sets the line up, and a login of the line is never one of the server's
// administrators: each refusal says so and changes nothing.
TEST(LineRoles, SetupAndLoginsAreTheAdministratorsAlone) {
    TestDatabase db;
    const std::string station = db.station("st-a");
    const auto bySetup = LineMigrations::setup(station);
    ASSERT_FALSE(bySetup.ok());
    EXPECT_NE(bySetup.error().message.find("not a station's"), std::string::npos)
        << bySetup.error().message;
    struct Case {
        std::string uri, login, password, words;
    };
    const Case cases[] = {
        {db.uri(), "rfbind_stations", "pw", "does not start with rfbind_"},
        {db.uri(), "rfbind_test", "pw", "does not start with rfbind_"},
        {db.uri(), "postgres", "pw", "administrator's login"},
        {db.uri(), "st\"x", "pw", "no quotes"},
        {db.uri(), "st-never-added", "", "needs a password"},
        {station, "st-never-added", "pw", "permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.login);
        const auto added = LineMigrations::addLogin(c.uri, c.login, LineGroup::Stations, c.password);
        ASSERT_FALSE(added.ok());
        EXPECT_NE(added.error().message.find(c.words), std::string::npos) << added.error().message;
    }
    EXPECT_EQ(db.query("SELECT count(*) FROM pg_roles WHERE rolname IN ('st\"x', 'st-never-added')"),
              "0");
}

// The ledger holds the on-air ID whatever the station was given: a look-up by the ID read
// from a unit's EEPROM, bit 23 set, finds the unit as README shows.
TEST(LineRoles, ARadioIdIsStoredAndFoundInItsOnAirForm) {
    TestDatabase db;
    LineLedger a = connected(db.station("st-a"), "st-a");
    ASSERT_TRUE(a.recordAttempt(attempt('a', "st-a", "88C11B")).value());
    ASSERT_TRUE(a.recordAttempt(attempt('b', "st-a", "08C11C")).value());
    EXPECT_EQ(db.query("SELECT string_agg(rx_radio_id, ',' ORDER BY attempt_id)"
                       " FROM rfbind.attempts"),
              "08C11B,08C11C");
    // README's look-up, with the ID as read from the unit.
    EXPECT_EQ(db.query("SELECT attempt_id FROM rfbind.attempts WHERE rx_radio_id ="
                       " upper(lpad(to_hex(x'88C11B'::integer & 8388607), 6, '0'))"),
              std::string(32, 'a'));
}

// A ledger of the earlier program, owned by the stations' shared login and holding random
// radio IDs with bit 23 set: setup takes it over and converts the IDs; its old owner can no
// longer change anything.
TEST(LineRoles, SetupTakesOverAnEarlierLedgerAndConvertsItsRadioIds) {
    TestDatabase db;
    const std::string oldOwner = "rfbind_test_old_owner";
    db.query("DO $$ BEGIN CREATE ROLE " + oldOwner + " LOGIN PASSWORD 'old';"
             " EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$;"
             " SELECT 1");
    {
        pqxx::connection c(db.uri());
        pqxx::work tx(c);
        tx.exec0("GRANT " + oldOwner + " TO current_user");
        tx.exec0("ALTER DATABASE " + db.name() + " OWNER TO " + oldOwner);
        tx.exec0("SET ROLE " + oldOwner);
        tx.exec0("CREATE SCHEMA rfbind");
        tx.exec0("CREATE TABLE rfbind.schema_migrations (version integer PRIMARY KEY,"
                 " name text NOT NULL, applied_at timestamptz NOT NULL DEFAULT now())");
        for (const LineMigration& m : LineMigrations::all()) {
            if (m.version > 2)
                break;
            tx.exec(m.sql);
            tx.exec_params("INSERT INTO rfbind.schema_migrations (version, name) VALUES ($1, $2)",
                           m.version, std::string(m.name));
        }
        tx.exec0("INSERT INTO rfbind.attempt_log (attempt_id, started_at, utc_offset_min,"
                 " duration_ms, result, station, rx_radio_id, tx_radio_id) VALUES"
                 " (repeat('a', 32), now(), 0, 1, 'PASS', 'st-1', '88C11B', '08C11C')");
        tx.commit();
    }
    ASSERT_EQ(LineMigrations::setup(db.uri()).value(), LineMigrations::latestVersion());
    EXPECT_EQ(db.query("SELECT rx_radio_id || ' ' || tx_radio_id FROM rfbind.attempts"),
              "08C11B 08C11C");
    EXPECT_EQ(db.query("SELECT count(*) FROM pg_class WHERE relnamespace = 'rfbind'::regnamespace"
                       " AND relowner <> current_user::regrole"),
              "0");
    EXPECT_EQ(db.query("SELECT datdba::regrole::text FROM pg_database"
                       " WHERE datname = current_database()"),
              "rfbind_test");
    db.query("REVOKE " + oldOwner + " FROM current_user; SELECT 1");
    const std::string stationUri = rfbind::test::lineLogin(db.uri(), "st-1");
    const std::string oldUri = stationUri.substr(0, stationUri.find("://") + 3) + oldOwner +
                               ":old" + stationUri.substr(stationUri.find('@'));
    EXPECT_EQ(attempt(oldUri, "DELETE FROM rfbind.radio_id_claims"), "no login");
    // The stations go on, now under their own logins.
    LineLedger station = connected(stationUri, "st-1");
    ASSERT_TRUE(station.openPool("mouse-a", NumberKind::RxSerial, 1, std::nullopt).ok());
    EXPECT_EQ(station.leaseBlock("mouse-a", NumberKind::RxSerial, 3)->station, "st-1");
}

} // namespace
