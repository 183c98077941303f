// SPDX-License-Identifier: MIT
// Report descriptors come from whatever device is plugged into the station.
#include "link/ReportDescriptor.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto d = rfbind::ReportDescriptor::parse({data, size});
    // A failure must come with a reason and no collections; a success with at least one.
    if (d.ok() == d.collections().empty())
        __builtin_trap();
    if (!d.ok() && d.error().empty())
        __builtin_trap();
    return 0;
}
