// SPDX-License-Identifier: MIT
// Generator texts come from TX.ini, which people edit by hand.
#include "settings/CompStream.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto result = rfbind::TextToComponent(text);
    if (result.component) {
        // Whatever loads must save and load again. A hand-made text may set properties in an
        // order the station never writes, so the first save may normalise it; from then on a
        // save and a load must change nothing.
        auto once = rfbind::TextToComponent(rfbind::ComponentToText(*result.component));
        if (!once.component)
            __builtin_trap();
        const std::string normal = rfbind::ComponentToText(*once.component);
        auto twice = rfbind::TextToComponent(normal);
        if (!twice.component || rfbind::ComponentToText(*twice.component) != normal)
            __builtin_trap();
    }
    // The INI form of the same bytes.
    (void)rfbind::TextToComponent(rfbind::SemicolonsToLineEnds(text));
    return 0;
}
