// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace rfbind {

/// Why a call to the line's database did not do what was asked.
enum class LineErrorKind : std::uint8_t {
    Unreachable,   ///< no server answered, or the connection broke: the station is offline and
                   ///< may try again later; nothing it asked for is assumed to have happened
    LoginRejected, ///< the server answered but refused the role, password or database name
    Refused,       ///< the ledger refused the request (pool used up, lease reclaimed, a name
                   ///< already connected, a value out of range, a newer schema, bad input)
    Database,      ///< the server reported an error while running the request
    Config,        ///< Line.ini could not be read or holds a value that cannot be used
};

/// A failure with the reason the layer that knows it gives: the server's own message for
/// database errors, a sentence for the ledger's refusals.
struct LineError {
    LineErrorKind kind = LineErrorKind::Database;
    std::string message;
};

} // namespace rfbind
