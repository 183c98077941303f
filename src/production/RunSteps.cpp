// SPDX-License-Identifier: MIT
#include "production/RunSteps.h"

#include <cstdio>

namespace rfbind::runsteps {

std::string secondsText(std::uint32_t ms) {
    char text[24];
    std::snprintf(text, sizeof text, "%u.%03u", static_cast<unsigned>(ms / 1000),
                  static_cast<unsigned>(ms % 1000));
    return text;
}

} // namespace rfbind::runsteps
