// SPDX-License-Identifier: MIT
#include "numbering/LocalDate.h"

#include <algorithm>
#include <array>
#include <ctime>

namespace rfbind {

LocalDate SystemLocalDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return LocalDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

int DayOfYear(const LocalDate& date) {
    // Days before the first of each month in a common year.
    static constexpr std::array<int, 12> kDaysBefore{0,   31,  59,  90,  120, 151,
                                                     181, 212, 243, 273, 304, 334};
    const int month = std::clamp(date.month, 1, 12);
    const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
    return kDaysBefore[static_cast<std::size_t>(month - 1)] + date.day +
           (leap && month > 2 ? 1 : 0);
}

} // namespace rfbind
