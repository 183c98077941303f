// SPDX-License-Identifier: MIT
#include "line/LineMigrations.h"

#include "line/LineConnection.h"
#include "line/PqxxFailure.h"
#include "line/RedactSecrets.h"

#include <libpq-fe.h>
#include <pqxx/pqxx>

#include <optional>
#include <set>

namespace rfbind {

namespace {

// The key of the advisory lock setup runs under ("rfbind" in ASCII); nothing else in the
// database uses it.
constexpr long long kMigrationLockKey = 0x726662696e64LL;

constexpr LineGroup kGroups[] = {LineGroup::Stations, LineGroup::Supervisors, LineGroup::Readers};

LineError refused(std::string message) { return {LineErrorKind::Refused, std::move(message)}; }

// Creates a role unless it exists. Roles belong to the whole server: another line's setup, or
// one running at this moment, may have made it already.
void createRole(pqxx::work& tx, const std::string& role, const char* options) {
    tx.exec0("DO $$ BEGIN CREATE ROLE " + tx.quote_name(role) + " " + options +
             "; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$");
}

// The role that runs setup takes the schema and what is in it from whoever created them: on a
// ledger of an earlier program the stations' shared login owned everything.
constexpr const char* kTakeOwnership = R"sql(
DO $$
DECLARE r record;
BEGIN
    IF (SELECT datdba FROM pg_database WHERE datname = current_database())
       <> (SELECT oid FROM pg_roles WHERE rolname = current_user) THEN
        EXECUTE format('ALTER DATABASE %I OWNER TO %I', current_database(), current_user);
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_namespace WHERE nspname = 'rfbind') THEN
        RETURN;
    END IF;
    EXECUTE format('ALTER SCHEMA rfbind OWNER TO %I', current_user);
    FOR r IN SELECT c.relname, c.relkind FROM pg_class c
               JOIN pg_namespace n ON n.oid = c.relnamespace
              WHERE n.nspname = 'rfbind' AND c.relkind IN ('r', 'v')
                AND c.relowner <> (SELECT oid FROM pg_roles WHERE rolname = current_user) LOOP
        EXECUTE format('ALTER %s rfbind.%I OWNER TO %I',
                       CASE r.relkind WHEN 'v' THEN 'VIEW' ELSE 'TABLE' END, r.relname,
                       current_user);
    END LOOP;
    FOR r IN SELECT p.oid::regprocedure AS f FROM pg_proc p
               JOIN pg_namespace n ON n.oid = p.pronamespace
              WHERE n.nspname = 'rfbind'
                AND p.proowner <> (SELECT oid FROM pg_roles WHERE rolname = current_user) LOOP
        EXECUTE format('ALTER ROUTINE %s OWNER TO %I', r.f, current_user);
    END LOOP;
END $$)sql";

// What each group may do, set anew at every setup. Stations read the ledger and change it only
// through the owner's functions; readers see two views and the pools' names (so that a
// supervisor's mistyped pool is told as such); supervisors read and reclaim.
constexpr const char* kGrants = R"sql(
REVOKE ALL ON SCHEMA rfbind FROM PUBLIC;
GRANT USAGE ON SCHEMA rfbind TO rfbind_stations, rfbind_supervisors, rfbind_readers;
REVOKE ALL ON ALL TABLES IN SCHEMA rfbind
    FROM PUBLIC, rfbind_stations, rfbind_supervisors, rfbind_readers;
REVOKE ALL ON ALL SEQUENCES IN SCHEMA rfbind
    FROM PUBLIC, rfbind_stations, rfbind_supervisors, rfbind_readers;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA rfbind
    FROM PUBLIC, rfbind_stations, rfbind_supervisors, rfbind_readers;
GRANT SELECT ON rfbind.schema_migrations
    TO rfbind_stations, rfbind_supervisors, rfbind_readers;
GRANT SELECT ON rfbind.pools, rfbind.counters, rfbind.leases TO rfbind_stations;
GRANT EXECUTE ON FUNCTION rfbind.open_pool, rfbind.lease_block, rfbind.mark_used,
    rfbind.claim_radio_id, rfbind.claim_radio_ids, rfbind.record_attempt TO rfbind_stations;
GRANT SELECT ON rfbind.attempts, rfbind.open_leases, rfbind.pools TO rfbind_readers;
GRANT rfbind_readers TO rfbind_supervisors;
GRANT EXECUTE ON FUNCTION rfbind.reclaim_idle TO rfbind_supervisors;
)sql";

// The password as the server keeps it, a SCRAM secret, made here: the statement that sets a
// login's password never carries the password itself, whatever the server logs.
std::optional<std::string> scramSecret(const std::string& adminUri, const std::string& login,
                                       const std::string& password) {
    PGconn* conn = PQconnectdb(lineConnectionString(adminUri).c_str());
    std::optional<std::string> secret;
    if (PQstatus(conn) == CONNECTION_OK) {
        if (char* made = PQencryptPasswordConn(conn, password.c_str(), login.c_str(),
                                               "scram-sha-256")) {
            secret = made;
            PQfreemem(made);
        }
    }
    PQfinish(conn);
    return secret;
}

LineResult<LineDone> runSetup(pqxx::connection_base& c, const std::string& adminUri) {
    try {
        pqxx::work tx(c, "rfbind setup");
        tx.exec_params("SELECT pg_advisory_xact_lock($1)", kMigrationLockKey);
        if (tx.exec1("SELECT CASE WHEN to_regrole('rfbind_stations') IS NULL THEN false"
                     " ELSE pg_has_role(current_user, 'rfbind_stations', 'MEMBER') AND NOT"
                     " (SELECT rolsuper FROM pg_roles WHERE rolname = current_user) END")[0]
                .as<bool>())
            return refused("setup runs with the administrator's login, not a station's");
        for (LineGroup g : kGroups)
            createRole(tx, std::string(lineGroupRole(g)), "NOLOGIN");
        tx.exec0(kTakeOwnership);
        const std::string db = tx.quote_name(tx.exec1("SELECT current_database()")[0].as<std::string>());
        // Only the line's roles reach the database: not every login of the server.
        tx.exec0("REVOKE ALL ON DATABASE " + db + " FROM PUBLIC");
        tx.exec0("GRANT CONNECT ON DATABASE " + db +
                 " TO rfbind_stations, rfbind_supervisors, rfbind_readers");
        tx.commit();
    } catch (const std::exception& e) {
        return lineErrorFromPqxx(e, "setting up the line's roles", adminUri);
    }
    return LineDone{};
}

} // namespace

std::string_view lineGroupRole(LineGroup group) {
    switch (group) {
    case LineGroup::Stations: return "rfbind_stations";
    case LineGroup::Supervisors: return "rfbind_supervisors";
    case LineGroup::Readers: return "rfbind_readers";
    }
    return "rfbind_readers";
}

int LineMigrations::latestVersion() { return all().empty() ? 0 : all().back().version; }

LineResult<int> LineMigrations::setup(const std::string& adminUri) {
    std::unique_ptr<pqxx::connection> c;
    try {
        c = openLineConnection(adminUri);
    } catch (const std::exception& e) {
        return lineErrorFromConnectFailure(e, adminUri);
    }
    if (auto roles = runSetup(*c, adminUri); !roles)
        return roles.error();
    auto version = migrate(*c);
    if (!version)
        return LineError{version.error().kind, redactSecrets(version.error().message, adminUri)};
    return version;
}

LineResult<int> LineMigrations::migrate(pqxx::connection_base& connection) {
    try {
        pqxx::work tx(connection, "rfbind migrations");
        // Held to the end of the transaction: a second setup at the same time waits here,
        // then finds every step applied.
        tx.exec_params("SELECT pg_advisory_xact_lock($1)", kMigrationLockKey);
        tx.exec0("CREATE SCHEMA IF NOT EXISTS rfbind");
        tx.exec0("CREATE TABLE IF NOT EXISTS rfbind.schema_migrations ("
                 " version integer PRIMARY KEY,"
                 " name text NOT NULL,"
                 " applied_at timestamptz NOT NULL DEFAULT now())");
        std::set<int> applied;
        for (const auto& row : tx.exec("SELECT version FROM rfbind.schema_migrations"))
            applied.insert(row[0].as<int>());
        if (!applied.empty() && *applied.rbegin() > latestVersion())
            return refused("the line's database has schema version " +
                           std::to_string(*applied.rbegin()) +
                           ", which this program does not know: a newer rfbind set it up; "
                           "update this program");
        for (const auto& m : all()) {
            if (applied.count(m.version))
                continue;
            tx.exec(m.sql, std::string("migration ") + m.name);
            tx.exec_params("INSERT INTO rfbind.schema_migrations (version, name) VALUES ($1, $2)",
                           m.version, m.name);
        }
        tx.exec(kGrants, "granting the line's roles");
        tx.commit();
        return latestVersion();
    } catch (const std::exception& e) {
        return lineErrorFromPqxx(e, "updating the line's schema");
    }
}

LineResult<LineDone> LineMigrations::addLogin(const std::string& adminUri, const std::string& name,
                                              LineGroup group, const std::string& password) {
    if (name.empty() || name.size() > 63 || name.rfind("rfbind_", 0) == 0 ||
        name.find_first_of("\r\n\t\"") != std::string::npos)
        return refused("a login name has 1 to 63 characters, no quotes and no line breaks, and "
                       "does not start with rfbind_");
    if (password.empty())
        return refused("a login needs a password");
    const auto secret = scramSecret(adminUri, name, password);
    try {
        auto c = openLineConnection(adminUri);
        if (!secret)
            return LineError{LineErrorKind::Database, "the password of " + name +
                                                          " could not be made into a SCRAM secret"};
        pqxx::work tx(*c, "rfbind login");
        if (tx.exec_params("SELECT 1 FROM pg_roles WHERE rolname = $1"
                           " AND (rolsuper OR rolname = current_user)",
                           name)
                .size() != 0)
            return refused("\"" + name + "\" is an administrator's login, not a line's");
        createRole(tx, name, "LOGIN");
        tx.exec0("ALTER ROLE " + tx.quote_name(name) + " LOGIN PASSWORD " + tx.quote(*secret));
        tx.exec0("GRANT " + std::string(lineGroupRole(group)) + " TO " + tx.quote_name(name));
        tx.commit();
        return LineDone{};
    } catch (const pqxx::broken_connection& e) {
        return lineErrorFromConnectFailure(e, adminUri);
    } catch (const std::exception& e) {
        return lineErrorFromPqxx(e, "adding login " + name, adminUri);
    }
}

LineResult<int> LineMigrations::check(pqxx::connection_base& connection) {
    try {
        pqxx::nontransaction tx(connection);
        if (tx.exec1("SELECT to_regclass('rfbind.schema_migrations') IS NULL")[0].as<bool>())
            return refused("the line's database is not set up: an administrator runs "
                           "rfbind-line setup first (see README)");
        const int version =
            tx.exec1("SELECT coalesce(max(version), 0) FROM rfbind.schema_migrations")[0].as<int>();
        if (version > latestVersion())
            return refused("the line's database has schema version " + std::to_string(version) +
                           ", which this program does not know: a newer rfbind set it up; "
                           "update this station");
        if (version < latestVersion())
            return refused("the line's database has schema version " + std::to_string(version) +
                           " and this program needs " + std::to_string(latestVersion()) +
                           ": an administrator runs rfbind-line setup to update it");
        return version;
    } catch (const std::exception& e) {
        return lineErrorFromPqxx(e, "checking the line's schema");
    }
}

} // namespace rfbind
