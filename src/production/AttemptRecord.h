// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace rfbind {

/// One attempt (a press of Go that ended in PASS or FAIL), as a line of the attempts journal
/// holds it and as the line's database stores it. Every field is the journal's text; an empty
/// field is stored as NULL.
struct AttemptRecord {
    std::string attemptId;   ///< 32 lower-case hex digits, unique per attempt
    std::string startedAt;   ///< local start, ISO 8601 with milliseconds and UTC offset
    long long durationMs = 0;
    std::string result;      ///< "PASS" or "FAIL"
    std::string failStep;
    std::string reasonCode;
    std::string reasonText;
    std::string rxRadioId;   ///< on-air ID, six upper-case hex digits
    std::string txRadioId;
    std::string rxSerial;
    std::string txSerial;
    std::string rxUsb;
    std::string rxVersion;
    std::string station;
    std::string recipe;
    std::string product;     ///< the pool the unit was numbered from; empty on its own

    bool passed() const { return result == "PASS"; }

    bool operator==(const AttemptRecord&) const = default;
};

} // namespace rfbind
