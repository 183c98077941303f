// SPDX-License-Identifier: MIT
#include "numbering/TProdRFID.h"

#include "numbering/ClockSeededRandom.h"

#include <array>
#include <utility>

namespace rfbind {

namespace {

// Byte values reserved for the radio system: no ID containing one is handed out.
constexpr std::array<std::uint32_t, 8> kReservedBytes{0x00, 0x0F, 0x55, 0x5A,
                                                      0xA5, 0xAA, 0xF0, 0xFF};

// IDs with these high bytes are handed out one high byte further up, after the test.
constexpr std::array<std::uint32_t, 6> kMovedHighBytes{0x11, 0x15, 0x19, 0x1C, 0x21, 0x29};

bool isReserved(std::uint32_t byte) {
    for (const auto r : kReservedBytes)
        if (byte == r)
            return true;
    return false;
}

// Counter arithmetic wraps like a 32-bit register instead of being undefined.
std::int32_t wrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

TProdRFID& rf(PublishedObject& o) {
    return static_cast<TProdRFID&>(o);
}

constexpr std::array<PublishedProperty, 5> kProperties{{
    {"IsRandom", PropertyType::Boolean,
     [](PublishedObject& o) -> std::int64_t { return rf(o).IsRandom(); },
     [](PublishedObject& o, std::int64_t v) { rf(o).SetIsRandom(v != 0); }},
    {"IncInitRFID", PropertyType::Int32,
     [](PublishedObject& o) -> std::int64_t { return rf(o).IncInitRFID(); },
     [](PublishedObject& o, std::int64_t v) {
         rf(o).SetIncInitRFID(static_cast<std::int32_t>(v));
     }},
    {"IncPrevRFID", PropertyType::Int32,
     [](PublishedObject& o) -> std::int64_t { return rf(o).IncPrevRFID(); },
     [](PublishedObject& o, std::int64_t v) {
         rf(o).SetIncPrevRFID(static_cast<std::int32_t>(v));
     }},
    {"IncCurrentRFID", PropertyType::Int32,
     [](PublishedObject& o) -> std::int64_t { return rf(o).IncCurrentRFID(); },
     [](PublishedObject& o, std::int64_t v) {
         rf(o).SetIncCurrentRFID(static_cast<std::int32_t>(v));
     }},
    {"NextRFID", PropertyType::Int32,
     [](PublishedObject& o) -> std::int64_t { return rf(o).NextRFID(); }, nullptr},
}};

} // namespace

TProdRFID::TProdRFID(AllZeroState, std::unique_ptr<RfidRandomSource> random) {
    SetRandomSource(std::move(random));
}

TProdRFID::TProdRFID(std::unique_ptr<RfidRandomSource> random)
    : TProdRFID(kAllZeroState, std::move(random)) {
    SetIsRandom(true);
}

void TProdRFID::SetRandomSource(std::unique_ptr<RfidRandomSource> random) {
    random_ = random ? std::move(random) : std::make_unique<ClockSeededRandom>();
}

void TProdRFID::SetIncInitRFID(std::int32_t value) {
    incInitRFID_ = value;
    incPrevRFID_ = wrappingAdd(value, -1);
}

void TProdRFID::SetIncCurrentRFID(std::int32_t value) {
    incCurrentRFID_ = value;
    incPrevRFID_ = value;
}

bool TProdRFID::IsAcceptable(std::uint32_t id) {
    // Bit 7 of the high byte is forced on for the test only, so high bytes 0x25, 0x2A, 0x70 and
    // 0x7F are refused along with the reserved values themselves.
    const std::uint32_t h = ((id >> 16) & 0xFF) | 0x80;
    const std::uint32_t m = (id >> 8) & 0xFF;
    const std::uint32_t l = id & 0xFF;
    return !isReserved(h) && !isReserved(m) && !isReserved(l);
}

std::uint32_t TProdRFID::MoveHighByte(std::uint32_t id) {
    const std::uint32_t h = (id >> 16) & 0xFF;
    for (const auto moved : kMovedHighBytes)
        if (h == moved)
            return ((h + 1) << 16) | (id & 0xFFFF); // not tested again: 0x29 becomes 0x2A
    return id;
}

std::int32_t TProdRFID::NextRFID() {
    std::uint32_t v = 0;
    if (isRandom_) {
        random_->reseed();
        do
            v = random_->draw24() & 0xFFFFFF;
        while (!IsAcceptable(v));
    } else {
        // The ID is the counter's low 24 bits. Because 2^32 is a multiple of 2^24 this keeps
        // the period 2^24 across the counter's wrap into negative values, and a negative
        // counter can never hand out an ID whose high byte escaped the test.
        do {
            incPrevRFID_ = wrappingAdd(incPrevRFID_, 1);
            v = static_cast<std::uint32_t>(incPrevRFID_) & 0xFFFFFF;
        } while (!IsAcceptable(v));
    }
    return static_cast<std::int32_t>(MoveHighByte(v));
}

std::span<const PublishedProperty> TProdRFID::PublishedProperties() const {
    return kProperties;
}

} // namespace rfbind
