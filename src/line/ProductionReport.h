// SPDX-License-Identifier: MIT
#pragma once

#include "production/AttemptRecord.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace rfbind {

/// What a line did over a day or a range of days, from its attempts: units passed and failed
/// per station and per hour, first-pass yield, failures by reason, and the cycle time of the
/// units that passed. Days and hours are each station's local time, as its journal wrote them.
struct ProductionReport {
    struct Counts {
        std::size_t passed = 0;
        std::size_t failed = 0;
        std::size_t attempts() const { return passed + failed; }
        /// Passes per attempt (0 when there was none). Every press of Go is a try, so a unit
        /// that failed and passed on its second try counts one FAIL and one PASS: this is the
        /// share of tries that passed, the first-pass yield when each unit is tried until it
        /// passes or is put aside.
        double yield() const { return attempts() ? double(passed) / double(attempts()) : 0.0; }
    };

    struct Reason {
        std::string code;       ///< reason_code ("unknown" when the journal gave none)
        std::size_t count = 0;
        std::string example;    ///< the reason text of the latest such failure
    };

    struct Bucket {
        long long fromMs = 0;   ///< inclusive
        long long toMs = 0;     ///< exclusive
        std::size_t count = 0;
    };

    /// Cycle time of the attempts that passed (a FAIL's time says where it stopped, not how
    /// long a unit takes), in milliseconds.
    struct CycleTimes {
        std::size_t count = 0;
        long long minMs = 0, medianMs = 0, p90Ms = 0, maxMs = 0;
        double meanMs = 0;
        std::vector<Bucket> histogram; ///< about a dozen equal buckets from min to max
    };

    std::string fromDay; ///< "YYYY-MM-DD", inclusive
    std::string toDay;
    Counts total;
    std::map<std::string, Counts> byStation;
    /// Key "YYYY-MM-DD hh" (the local hour), then station.
    std::map<std::string, std::map<std::string, Counts>> byHour;
    std::vector<Reason> failures; ///< most frequent first
    CycleTimes cycle;

    /// The report over the attempts that started on a day from `fromDay` to `toDay`; others
    /// are left out.
    static ProductionReport build(const std::vector<AttemptRecord>& attempts,
                                  const std::string& fromDay, const std::string& toDay);

    /// Totals of one hour over every station.
    static Counts sum(const std::map<std::string, Counts>& byStation);

    /// The report as plain-text tables, for a terminal or a README.
    std::string text() const;

    /// The report as one self-contained HTML page (no scripts, no external files) with SVG
    /// charts of the hours, the stations, the failure reasons and the cycle times.
    std::string html() const;
};

} // namespace rfbind
