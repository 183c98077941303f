// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace rfbind {

/// A calendar date in the station's local time zone.
struct LocalDate {
    int year = 2000; ///< full year, e.g. 2009
    int month = 1;   ///< 1..12
    int day = 1;     ///< 1..31
};

/// Supplies today's local date each time it is called. Serial numbers read it afresh for every
/// byte they compute, so a source must be cheap and must not throw.
using LocalDateSource = std::function<LocalDate()>;

/// Today's date from the system clock in the local time zone.
LocalDate SystemLocalDate();

/// Day of the year, 1 January = 1, 31 December of a leap year = 366 (Gregorian rules).
/// A month outside 1..12 is taken as the nearest valid month, so a faulty source cannot make
/// the count run off the calendar table.
int DayOfYear(const LocalDate& date);

} // namespace rfbind
