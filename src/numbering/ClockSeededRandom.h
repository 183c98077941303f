// SPDX-License-Identifier: MIT
#pragma once

#include "numbering/RfidRandomSource.h"

#include <cstdint>

namespace rfbind {

/// The station's random ID source: reseeded from the high-resolution clock on every ID, then a
/// SplitMix64 stream whose low 24 bits are the draw (a power of two, so masking is uniform).
class ClockSeededRandom final : public RfidRandomSource {
public:
    ClockSeededRandom();

    void reseed() override;
    std::uint32_t draw24() override;

private:
    std::uint64_t state_ = 0;
    // Mixed into each seed so two reseeds within one clock tick still start different streams.
    std::uint64_t reseeds_ = 0;
};

} // namespace rfbind
