// SPDX-License-Identifier: MIT
#pragma once

#include "numbering/PublishedObject.h"
#include "numbering/RfidRandomSource.h"

#include <cstdint>
#include <memory>

namespace rfbind {

/// Hands out 24-bit radio IDs, at random or from a counter, skipping the values the radio
/// reserves for itself (a byte of 0x00, 0x0F, 0x55, 0x5A, 0xA5, 0xAA, 0xF0 or 0xFF, with the
/// high byte tested as H | 0x80) and moving the high bytes 0x11, 0x15, 0x19, 0x1C, 0x21 and
/// 0x29 up by one. Setters never fail. The counter is a 32-bit signed integer that wraps as
/// two's complement; IDs repeat with period 2^24 of the counter. User-interface thread only.
class TProdRFID final : public PublishedObject {
public:
    /// A new generator: random mode, all counters 0.
    /// @param random source for random IDs (owned); nullptr means a `ClockSeededRandom`.
    explicit TProdRFID(std::unique_ptr<RfidRandomSource> random = nullptr);

    /// Every Boolean False and every number 0 (sequential mode).
    explicit TProdRFID(AllZeroState, std::unique_ptr<RfidRandomSource> random = nullptr);

    /// Replaces the random source (owned); nullptr means a `ClockSeededRandom`.
    void SetRandomSource(std::unique_ptr<RfidRandomSource> random);

    // Published properties, in their stored order.
    bool IsRandom() const { return isRandom_; }
    void SetIsRandom(bool value) { isRandom_ = value; }

    std::int32_t IncInitRFID() const { return incInitRFID_; }
    /// Restarts the counter: the next read starts its search at `value`.
    void SetIncInitRFID(std::int32_t value);

    std::int32_t IncPrevRFID() const { return incPrevRFID_; }
    void SetIncPrevRFID(std::int32_t value) { incPrevRFID_ = value; }

    std::int32_t IncCurrentRFID() const { return incCurrentRFID_; }
    /// Records the ID a passed unit received; the counter continues after it.
    void SetIncCurrentRFID(std::int32_t value);

    /// Hands out the next ID (0..0xFFFFFF). Random mode reseeds the source and draws until a
    /// value is acceptable; the counter is not touched. Sequential mode steps `IncPrevRFID`
    /// past every rejected value and leaves it at the accepted one, so even a read that only
    /// shows the ID consumes it.
    std::int32_t NextRFID();

    /// The acceptance test on a 24-bit value, before any high byte is moved.
    static bool IsAcceptable(std::uint32_t id);

    /// `id` with its high byte moved up when it is one of 0x11, 0x15, 0x19, 0x1C, 0x21, 0x29.
    static std::uint32_t MoveHighByte(std::uint32_t id);

    std::string_view ClassName() const override { return "TProdRFID"; }
    std::span<const PublishedProperty> PublishedProperties() const override;

private:
    std::unique_ptr<RfidRandomSource> random_;
    bool isRandom_ = false;
    std::int32_t incInitRFID_ = 0;
    std::int32_t incPrevRFID_ = 0;
    std::int32_t incCurrentRFID_ = 0;
};

} // namespace rfbind
