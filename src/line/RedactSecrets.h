// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace rfbind {

/// `text` with every password it may carry replaced by "***", before it is shown, logged,
/// journalled or stored in the ledger (which readers see). Removed are the password of
/// `database` (a connection URI or key=value string, possibly malformed) wherever it appears,
/// as written, percent-decoded and percent-encoded; and any `password=...` or
/// `scheme://user:...@` form, whosever it is. An empty `database` removes only those forms.
std::string redactSecrets(std::string_view text, std::string_view database = {});

/// True when `database` holds a password (in its user part or a password= setting).
bool databaseHoldsPassword(std::string_view database);

} // namespace rfbind
