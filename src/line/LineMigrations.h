// SPDX-License-Identifier: MIT
#pragma once

#include "line/LineResult.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pqxx {
class connection_base;
}

namespace rfbind {

/// One step of the line's schema, kept in the repository as src/line/migrations/NNNN_*.sql and
/// built into the program.
struct LineMigration {
    int version;       ///< NNNN of the file name; steps run in this order
    const char* name;  ///< the file name
    const char* sql;   ///< the file's text
};

/// The groups of the line's roles. Each is a NOLOGIN role; a login is made a member of one.
enum class LineGroup : std::uint8_t {
    Stations,    ///< lease, mark used, claim radio IDs, record attempts: through functions only
    Supervisors, ///< read, and reclaim idle leases
    Readers,     ///< read the attempts and the open leases
};

/// The name of a group's role in the database.
std::string_view lineGroupRole(LineGroup group);

/// The schema "rfbind" in the line's database and the roles that use it. Only `setup`, run
/// with an administrator's login, changes the schema; stations and readers only `check` it.
class LineMigrations {
public:
    /// Every migration built in, in version order.
    static const std::vector<LineMigration>& all();

    /// The version this program works with: the last migration's.
    static int latestVersion();

    /// Creates or updates the schema as the role `adminUri` logs in with, which then owns the
    /// database, the schema and everything in it; creates the groups' roles and grants each
    /// group what it may do. One transaction, under an advisory lock; safe to run again.
    /// Refuses (kind `Refused`) a schema newer than this program, and a login that is itself
    /// a station. Returns the schema's version.
    static LineResult<int> setup(const std::string& adminUri);

    /// Creates the login `name` in `group` (or, when it exists, sets its password and adds it
    /// to the group). The password is sent hashed, never as text.
    static LineResult<LineDone> addLogin(const std::string& adminUri, const std::string& name,
                                         LineGroup group, const std::string& password);

    /// The schema's version as a station or reader sees it: `Refused` with the reason when
    /// the database was not set up, or its version is not `latestVersion()`.
    static LineResult<int> check(pqxx::connection_base& connection);

private:
    static LineResult<int> migrate(pqxx::connection_base& connection);
};

} // namespace rfbind
