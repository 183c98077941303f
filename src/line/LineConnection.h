// SPDX-License-Identifier: MIT
#pragma once

#include <pqxx/connection>

#include <memory>
#include <string>

namespace rfbind {

/// What the station and the report tool hand libpq for the line's database URI: the URI with
/// a connect time-out and TCP keep-alives added, each unless the URI sets it itself. Without
/// them libpq waits as long as the operating system lets it for a server that is down or cut
/// off; a station must learn within seconds that it is offline, and a report must end.
std::string lineConnectionString(const std::string& uri);

/// Opens a connection to the line's database with those options. Throws as libpqxx does when
/// the server cannot be reached or refuses the login.
std::unique_ptr<pqxx::connection> openLineConnection(const std::string& uri);

} // namespace rfbind
