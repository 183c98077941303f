// SPDX-License-Identifier: MIT
#include "line/LineMigrations.h"

#include "line/PqxxFailure.h"

#include <pqxx/pqxx>

#include <set>

namespace rfbind {

namespace {

// The key of the advisory lock migrations run under ("rfbind" in ASCII); stations of one
// database agree on it, nothing else there uses it.
constexpr long long kMigrationLockKey = 0x726662696e64LL;

} // namespace

LineResult<int> LineMigrations::apply(pqxx::connection_base& connection) {
    try {
        return applyAll(connection);
    } catch (const std::exception& e) {
        return lineErrorFromPqxx(e, "updating the line's schema");
    }
}

LineResult<int> LineMigrations::applyAll(pqxx::connection_base& connection) {
    pqxx::work tx(connection, "rfbind migrations");
    // Held to the end of the transaction: a second station starting at the same time waits
    // here, then finds every step applied.
    tx.exec_params("SELECT pg_advisory_xact_lock($1)", kMigrationLockKey);
    tx.exec0("CREATE SCHEMA IF NOT EXISTS rfbind");
    tx.exec0("CREATE TABLE IF NOT EXISTS rfbind.schema_migrations ("
             " version integer PRIMARY KEY,"
             " name text NOT NULL,"
             " applied_at timestamptz NOT NULL DEFAULT now())");

    std::set<int> applied;
    for (const auto& row : tx.exec("SELECT version FROM rfbind.schema_migrations"))
        applied.insert(row[0].as<int>());

    std::set<int> known;
    for (const auto& m : all())
        known.insert(m.version);
    for (int version : applied) {
        if (!known.count(version))
            return LineError{LineErrorKind::Refused,
                             "the line's database has schema version " + std::to_string(version) +
                                 ", which this program does not know: a newer rfbind set it "
                                 "up; update this station"};
    }

    int current = applied.empty() ? 0 : *applied.rbegin();
    for (const auto& m : all()) {
        if (applied.count(m.version))
            continue;
        tx.exec(m.sql, std::string("migration ") + m.name);
        tx.exec_params("INSERT INTO rfbind.schema_migrations (version, name) VALUES ($1, $2)",
                       m.version, m.name);
        current = std::max(current, m.version);
    }
    tx.commit();
    return current;
}

} // namespace rfbind
