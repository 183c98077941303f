// SPDX-License-Identifier: MIT
#pragma once

#include "line/LineError.h"

#include <exception>
#include <string>

namespace rfbind {

/// The `LineError` for an exception libpqxx threw: `Unreachable` for a broken connection or a
/// commit whose outcome is unknown, `Database` with the server's message and SQLSTATE for an
/// SQL error. `context` says what was being done ("leasing a block").
LineError lineErrorFromPqxx(const std::exception& e, const std::string& context);

/// The `LineError` for a connection that could not be opened: `LoginRejected` when the server
/// answered and refused the login, `Unreachable` otherwise.
LineError lineErrorFromConnectFailure(const std::exception& e);

} // namespace rfbind
