// SPDX-License-Identifier: MIT
#include "commands/DeviceOptions.h"

#include <charconv>
#include <cmath>

namespace rfbind::options {

static_assert([] {
    for (const auto& row : kTransmitterOptions)
        if (!txeeprom::isComplementPair(row.write.value, row.write.complement))
            return false;
    return true;
}(), "every transmitter option is a complement pair");

std::string generalDecimal(double value) {
    // to_chars ignores the C locale, which Qt sets from the environment: a station in a
    // locale with a decimal comma still shows "6.4ms".
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::string sleepPeriodLabel(int value) {
    // One step of the receiver's suspend sleep counter lasts 9.1418 ms; it counts up to 256.
    // Shown to one decimal, as the wake-up period is: four decimals do not fit the label.
    return generalDecimal(std::round((256 - value) * 91.418) / 10) + "ms";
}

std::string wakeupPeriodLabel(int value) {
    // The wake-up period is (v + 1) steps of 400 µs.
    return generalDecimal((value + 1) * 400 / 1000.0) + "ms";
}

} // namespace rfbind::options
