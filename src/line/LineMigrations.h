// SPDX-License-Identifier: MIT
#pragma once

#include "line/LineResult.h"

#include <string>
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

/// The schema "rfbind" in the line's database, created and brought up to date by the program.
class LineMigrations {
public:
    /// Every migration built in, in version order.
    static const std::vector<LineMigration>& all();

    /// Brings the schema up to date in one transaction, under a transaction-level advisory
    /// lock, so stations starting together apply each step exactly once and a station never
    /// sees half a schema. Returns the schema's version afterwards. Refuses (kind `Refused`)
    /// when the database holds a version this program does not know: a newer program set it
    /// up, and this one must not write into tables it does not understand. Errors of the
    /// connection and the server are returned, not thrown.
    static LineResult<int> apply(pqxx::connection_base& connection);

private:
    static LineResult<int> applyAll(pqxx::connection_base& connection);
};

} // namespace rfbind
