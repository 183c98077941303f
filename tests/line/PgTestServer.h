// SPDX-License-Identifier: MIT
#pragma once

#include "line/LineConfig.h"
#include "line/LineMigrations.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace rfbind::test {

/// A real PostgreSQL server started by scripts/pg-test-server, on 127.0.0.1.
class PgTestServer {
public:
    /// Starts a private server in a new temporary folder (a few seconds); stops it and removes
    /// its data when destroyed. Aborts the test program when the server cannot start.
    PgTestServer();
    ~PgTestServer();
    PgTestServer(const PgTestServer&) = delete;
    PgTestServer& operator=(const PgTestServer&) = delete;

    const std::string& uri() const { return uri_; }

    /// Stops the server and keeps its data (an outage), and starts it again on the same port.
    void pause();
    void resume();

    /// The URI of the server every test of this run shares: the one the CTest fixture
    /// started (its state folder in RFBIND_TEST_PG_STATE), or else one started for this
    /// program on first use.
    static std::string sharedUri();

private:
    std::filesystem::path state_;
    std::string uri_;
};

/// The password every login the tests add to a line has. Logins belong to the whole server,
/// and tests running at once add the same names to their own databases.
inline constexpr const char* kLinePassword = "line-test-password";

/// Sets up the line on the database of `adminUri` (once per program and database) and adds
/// `login` to `group`; returns the URI that logs in as it there.
std::string lineLogin(const std::string& adminUri, const std::string& login,
                      LineGroup group = LineGroup::Stations);

/// The line settings of station `station` logging in with `uri`, numbering product mouse-a.
inline LineConfig configFor(const std::string& uri, const std::string& station) {
    LineConfig config;
    config.database = uri;
    config.station = station;
    config.product = "mouse-a";
    return config;
}

/// A fresh, empty database on the shared server for one test; dropped when destroyed.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    /// The URI of the administrator's login, which owns the database.
    const std::string& uri() const { return uri_; }
    const std::string& name() const { return name_; }

    /// The URI of a station's, supervisor's or reader's own login on this line (`lineLogin`).
    std::string station(const std::string& login) const { return lineLogin(uri_, login); }
    std::string supervisor(const std::string& login) const {
        return lineLogin(uri_, login, LineGroup::Supervisors);
    }
    std::string reader(const std::string& login) const {
        return lineLogin(uri_, login, LineGroup::Readers);
    }

    /// Runs `sql` on the database and returns the first column of the first row as text
    /// (empty when there is none or it is NULL). Test-side checks read the tables with it.
    std::string query(const std::string& sql) const;

    /// A supervisor reclaims the receiver serial numbers' lease, made idle for two hours
    /// first: the lease's last value (none when it could not be reclaimed, a test failure).
    std::optional<std::int64_t> reclaimSerialLease() const;

    /// The URI of `name` on the same server as `uri`.
    static std::string withDatabase(const std::string& uri, const std::string& name);

private:
    std::string name_;
    std::string uri_;
};

} // namespace rfbind::test
