// SPDX-License-Identifier: MIT
#pragma once

#include "production/AttemptRecord.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace rfbind {

/// What a line did over a day or a range of days, from its attempts: numbers found in two
/// passed units, units passed, failed and refused per station and per hour, first-pass yield,
/// failures by reason, and the cycle time of the units that passed, per recipe. Days and hours
/// are each station's local time, as its journal wrote them.
struct ProductionReport {
    struct Counts {
        std::size_t passed = 0;
        std::size_t failed = 0;
        /// Go pressed and refused by the line before anything was written to the unit (line
        /// unusable, line offline with no numbers left): no unit was tried, so these are
        /// neither failures nor part of the yield.
        std::size_t refused = 0;
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

    /// A number that must be in one unit only, found in two or more passed units.
    struct Duplicate {
        struct Unit {
            std::string station;
            std::string startedAt;
            std::string attemptId;
        };
        std::string what;        ///< "receiver serial number", "on-air radio ID", ...
        std::string value;       ///< a radio ID as its on-air ID (bit 23 cleared)
        std::vector<Unit> units; ///< oldest first
    };

    /// Refusal reason codes: the line refused Go before anything was written to the unit.
    static bool isRefusal(const std::string& reasonCode);

    std::string fromDay; ///< "YYYY-MM-DD", inclusive
    std::string toDay;
    Counts total;
    std::map<std::string, Counts> byStation;
    /// Key "YYYY-MM-DD hh" (the local hour), then station.
    std::map<std::string, std::map<std::string, Counts>> byHour;
    std::vector<Reason> failures; ///< most frequent first; refusals apart
    std::vector<Reason> refusals; ///< most frequent first
    /// Serial numbers and on-air radio IDs in two passed units of the report's days: a unit
    /// that collides with another on air or in the records. Receiver and transmitter serial
    /// numbers are checked each among their own; radio IDs among both devices' together.
    std::vector<Duplicate> duplicates;
    /// Per recipe: its product and recipe fingerprint ("mouse-a, recipe 1f2e3d4c"); units of
    /// different recipes take different times and are never mixed in one histogram.
    std::map<std::string, CycleTimes> cycles;

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
