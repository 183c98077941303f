// SPDX-License-Identifier: MIT
#pragma once

#include "production/AttemptRecord.h"
#include "production/ProductionLog.h"
#include "settings/FileSystem.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace rfbind {

/// What a station keeps of its units below its working folder: the day's production log (one
/// line per passed unit) and the day's attempts journal (every attempt, PASS or FAIL; the
/// outbox of a line). Lives as long as the station.
///
/// A unit is programmed only while both can be appended (whyCannotRecord). A journal line
/// that still cannot be written after a unit ended (a disk that filled up in between) is kept
/// in memory and written, in its order, before the next line that can be: nothing is lost
/// while the station runs.
class UnitRecords {
public:
    UnitRecords(std::string folder, std::string station, FileSystem& files = FileSystem::system());

    const std::string& folder() const { return folder_; }
    const std::string& station() const { return station_; }

    /// Why no unit may be programmed now (the log or the journal of the day of `nowMs` could
    /// not take a line, as whyCannotStore judges it, or journal lines that waited in memory
    /// still cannot be written), or nothing when both can take one. Writes the waiting lines
    /// first: asking is how a station catches up once the disk has room again.
    std::optional<std::string> whyCannotRecord(std::int64_t nowMs);

    /// Appends a passed unit's line to the production log of the day of `nowMs`.
    ProductionLog::AppendResult logPassed(const ProductionLog::Entry& entry, std::int64_t nowMs);

    /// Appends the attempt to the journal of the day it started (`startedAtMs`), after the
    /// lines still waiting; a line that cannot be written waits in memory for the next call.
    /// The result is that of the last append tried.
    ProductionLog::AppendResult journal(const AttemptRecord& record, std::int64_t startedAtMs);

    /// Journal lines not yet written.
    std::size_t unwritten() const { return backlog_.size(); }

    /// Local date "YYYY-MM-DD" and date and time "YYYY-MM-DD hh:mm:ss" of `ms` since the epoch.
    static std::string localDate(std::int64_t ms);
    static std::string localDateTime(std::int64_t ms);

private:
    /// Writes the waiting journal lines in order until one fails; the last append tried, or
    /// nothing when none waited.
    std::optional<ProductionLog::AppendResult> writeBacklog();

    struct Waiting {
        std::string file;
        AttemptRecord record;
    };

    std::string folder_;
    std::string station_;
    FileSystem& files_;
    std::deque<Waiting> backlog_;
};

} // namespace rfbind
