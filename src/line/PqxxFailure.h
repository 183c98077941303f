// SPDX-License-Identifier: MIT
#pragma once

#include "line/LineConnection.h"
#include "line/LineError.h"
#include "line/LineResult.h"

#include <exception>
#include <memory>
#include <string>

namespace rfbind {

// Every error of the line's database leaves through these two: their messages never hold the
// password of `database` (the URI connected to) nor any other (`redactSecrets`), so that what
// the window, stderr, the journal, the ledger and the report show carries none.

/// The `LineError` for an exception libpqxx threw: `Unreachable` for a broken connection or a
/// commit whose outcome is unknown, `Database` with the server's message and SQLSTATE for an
/// SQL error. `context` says what was being done ("leasing a block").
LineError lineErrorFromPqxx(const std::exception& e, const std::string& context,
                            const std::string& database = {});

/// The `LineError` for a connection to `database` that could not be opened: `Config` when no
/// later try can succeed as configured (TLS the server does not offer, a certificate check
/// without the certificates to check against), `LoginRejected` when the server answered and
/// refused the login, `Unreachable` otherwise.
LineError lineErrorFromConnectFailure(const std::exception& e, const std::string& database);

/// A connection of its own to the line's database at `uri` (`openLineConnection`), for a call
/// that holds no station's place: the report and the supervisor's and reader's commands. A URI
/// libpq cannot take is a `Config` error, a failed connect as `lineErrorFromConnectFailure`.
LineResult<std::unique_ptr<pqxx::connection>> connectOnce(const std::string& uri,
                                                          LineSession session = LineSession::Reader);

} // namespace rfbind
