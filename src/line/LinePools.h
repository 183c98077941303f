// SPDX-License-Identifier: MIT
#pragma once

#include "line/LineResult.h"

#include <string>
#include <vector>

namespace rfbind {

/// The pools a line's ledger holds, for a supervisor's command that names one: a mistyped pool
/// must be told as such, not taken for a pool with nothing to do.
class LinePools {
public:
    /// Every pool's name, sorted. Errors as `AttemptsQuery::fetch` gives them.
    static LineResult<std::vector<std::string>> names(const std::string& uri);

    /// Why `pool` cannot be used when it is not among `names`, naming the pools there are;
    /// empty when it is one of them.
    static std::string unknownPool(const std::string& pool, const std::vector<std::string>& names);
};

} // namespace rfbind
