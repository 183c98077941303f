// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace rfbind {

/// Where random radio IDs come from. `TProdRFID` calls `reseed` once per ID it hands out and
/// then `draw24` until a draw passes its acceptance test.
class RfidRandomSource {
public:
    virtual ~RfidRandomSource() = default;

    /// Starts a fresh sequence (the station's own source seeds from a high-resolution clock).
    virtual void reseed() = 0;

    /// A value drawn uniformly from 0..2^24-1. Higher bits are ignored by the caller.
    virtual std::uint32_t draw24() = 0;
};

} // namespace rfbind
