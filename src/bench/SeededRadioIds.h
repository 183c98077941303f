// SPDX-License-Identifier: MIT
#pragma once

#include "numbering/RfidRandomSource.h"

#include <cstdint>
#include <random>

namespace rfbind::bench {

/// Random radio IDs that follow from a seed alone, for bench runs that must repeat exactly
/// (the station's own source seeds from the clock at every ID). Reseeding continues the
/// sequence instead of restarting it, so consecutive IDs still differ.
class SeededRadioIds final : public RfidRandomSource {
public:
    explicit SeededRadioIds(std::uint32_t seed) : rng_(seed) {}

    void reseed() override {}
    std::uint32_t draw24() override { return static_cast<std::uint32_t>(rng_()) & 0xFFFFFFu; }

private:
    std::mt19937 rng_;
};

} // namespace rfbind::bench
