// SPDX-License-Identifier: MIT
#pragma once

#include "production/ProductionLog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rfbind {

/// Every unit attempt, PASS or FAIL, as one line of "Log/attempts-YYYY-MM-DD.csv" (UTF-8, a
/// header line, comma-separated with quotes where a field needs them, CR LF). The production
/// log keeps its own format; this is the record a production engineer counts failures by.
class AttemptsJournal {
public:
    struct Record {
        std::string attemptId;  ///< 32 lower-case hex digits, unique per attempt
        std::string startedAt;  ///< local time, "2026-12-08T10:02:27.123+01:00"
        std::uint32_t durationMs = 0;
        bool passed = false;
        std::string failStep;   ///< empty on PASS
        std::string reasonCode; ///< empty on PASS
        std::string reasonText; ///< English; empty on PASS
        std::string rxRadioId;  ///< six hex digits as drawn (without the top bit); empty when not reached
        std::string txRadioId;
        std::string rxSerial;   ///< as written to the unit; empty when off or not reached
        std::string txSerial;
        std::string rxUsb;      ///< "VVVV:PPPP"; empty when no receiver was found
        std::string rxVersion;  ///< four hex digits; empty when no receiver was found
        std::string station;
        std::string recipe;     ///< the recipe's fingerprint
    };

    /// The header line's fields.
    static const std::vector<std::string>& columns();
    /// `folder`/Log/attempts-`date`.csv, date as "YYYY-MM-DD".
    static std::string path(const std::string& folder, const std::string& date);
    /// The record as a CSV line without the line end.
    static std::string line(const Record& record);
    /// Appends the record, writing the header first when the file is new or empty. Failures
    /// are returned, never thrown.
    static ProductionLog::AppendResult append(const std::string& file, const Record& record);

    /// A fresh attempt ID: 128 random bits as hex.
    static std::string newAttemptId();
    /// Local time `msSinceEpoch` in the journal's form.
    static std::string timestamp(std::int64_t msSinceEpoch);
};

} // namespace rfbind
