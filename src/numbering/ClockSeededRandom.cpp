// SPDX-License-Identifier: MIT
#include "numbering/ClockSeededRandom.h"

#include <chrono>

namespace rfbind {

ClockSeededRandom::ClockSeededRandom() {
    reseed();
}

void ClockSeededRandom::reseed() {
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    ++reseeds_;
    state_ = static_cast<std::uint64_t>(ticks) ^ (reseeds_ * 0xD1B54A32D192ED03ULL);
}

std::uint32_t ClockSeededRandom::draw24() {
    // SplitMix64: every output bit depends on every seed bit, so nearby clock readings give
    // unrelated IDs.
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<std::uint32_t>(z & 0xFFFFFF);
}

} // namespace rfbind
