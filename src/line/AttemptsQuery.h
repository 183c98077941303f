// SPDX-License-Identifier: MIT
#pragma once

#include "production/AttemptRecord.h"
#include "line/LineResult.h"

#include <string>
#include <vector>

namespace rfbind {

/// Reads attempts back from the line's database (the view rfbind.attempts), for reports.
/// Read-only: it neither changes the schema nor takes a station's name, so a supervisor's
/// role that may only read the view is enough.
class AttemptsQuery {
public:
    /// Every attempt whose start, in its station's local time, falls on a day from `fromDay`
    /// to `toDay` (both "YYYY-MM-DD", inclusive), oldest first. `startedAt` comes back as the
    /// station wrote it (local time with its UTC offset, milliseconds). Errors as
    /// `LineLedger::connect` gives them, or `Database` when the view is missing.
    static LineResult<std::vector<AttemptRecord>> fetch(const std::string& uri,
                                                         const std::string& fromDay,
                                                         const std::string& toDay);
};

} // namespace rfbind
