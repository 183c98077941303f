// SPDX-License-Identifier: MIT
#include "numbering/TProdSN.h"

#include "text/Hex.h"

#include <array>
#include <cstdio>
#include <utility>

namespace rfbind {

namespace {

// Counter arithmetic wraps like the 64-bit registers it models instead of being undefined.
std::int64_t wrappingAdd(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

std::uint8_t byteOf(std::int64_t value, int k) {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * k));
}

TProdSN& sn(PublishedObject& o) {
    return static_cast<TProdSN&>(o);
}

// Stored order matters: a loader applies the lines in this order, and later setters win
// (IncCurrentSN after IncInitSN leaves the counter at the value the last passed unit used).
constexpr std::array<PublishedProperty, 10> kProperties{{
    {"IsSN", PropertyType::Boolean, [](PublishedObject& o) -> std::int64_t { return sn(o).IsSN(); },
     [](PublishedObject& o, std::int64_t v) { sn(o).SetIsSN(v != 0); }},
    {"IsDate", PropertyType::Boolean,
     [](PublishedObject& o) -> std::int64_t { return sn(o).IsDate(); },
     [](PublishedObject& o, std::int64_t v) { sn(o).SetIsDate(v != 0); }},
    {"FixSNByteCount", PropertyType::Int32,
     [](PublishedObject& o) -> std::int64_t { return sn(o).FixSNByteCount(); },
     [](PublishedObject& o, std::int64_t v) {
         sn(o).SetFixSNByteCount(static_cast<std::int32_t>(v));
     }},
    {"FixSN", PropertyType::Int64, [](PublishedObject& o) { return sn(o).FixSN(); },
     [](PublishedObject& o, std::int64_t v) { sn(o).SetFixSN(v); }},
    {"IncSNByteCount", PropertyType::Int32,
     [](PublishedObject& o) -> std::int64_t { return sn(o).IncSNByteCount(); },
     [](PublishedObject& o, std::int64_t v) {
         sn(o).SetIncSNByteCount(static_cast<std::int32_t>(v));
     }},
    {"IncInitSN", PropertyType::Int64, [](PublishedObject& o) { return sn(o).IncInitSN(); },
     [](PublishedObject& o, std::int64_t v) { sn(o).SetIncInitSN(v); }},
    {"IncPrevSN", PropertyType::Int64, [](PublishedObject& o) { return sn(o).IncPrevSN(); },
     [](PublishedObject& o, std::int64_t v) { sn(o).SetIncPrevSN(v); }},
    {"IncCurrentSN", PropertyType::Int64, [](PublishedObject& o) { return sn(o).IncCurrentSN(); },
     [](PublishedObject& o, std::int64_t v) { sn(o).SetIncCurrentSN(v); }},
    {"IncNextSN", PropertyType::Int64, [](PublishedObject& o) { return sn(o).IncNextSN(); },
     nullptr},
    {"IsFixAscii", PropertyType::Boolean,
     [](PublishedObject& o) -> std::int64_t { return sn(o).IsFixAscii(); },
     [](PublishedObject& o, std::int64_t v) { sn(o).SetIsFixAscii(v != 0); }},
}};

} // namespace

TProdSN::TProdSN(AllZeroState, LocalDateSource today) : today_(std::move(today)) {}

TProdSN::TProdSN(LocalDateSource today) : today_(std::move(today)) {
    // The defaults come out of the setters' interplay from the all-zero state: switching the
    // date on with F = 0 and I = 0 is rejected, and the first count then settles both parts.
    SetIsSN(false);
    SetIsDate(true);
    SetFixSNByteCount(2);
    SetIncSNByteCount(2);
    SetFixSN(0);
    SetIsFixAscii(true);
    SetIncInitSN(0);
}

void TProdSN::SetLocalDateSource(LocalDateSource today) {
    today_ = std::move(today);
}

void TProdSN::SetIsDate(bool value) {
    if (value == isDate_)
        return;
    isDate_ = value;
    if (value) {
        if (fixCount_ >= 2)
            SetFixSNByteCount(fixCount_ - 2);
        else
            SetIncSNByteCount(incCount_ - 2); // rejected when I < 2: both counts stay
    } else {
        SetFixSNByteCount(fixCount_ + 2);
    }
}

void TProdSN::SetFixSNByteCount(std::int32_t n) {
    if (n < 0 || n > totalCount())
        return;
    fixCount_ = n;
    incCount_ = totalCount() - n;
}

void TProdSN::SetIncSNByteCount(std::int32_t n) {
    if (n < 0 || n > totalCount())
        return;
    incCount_ = n;
    fixCount_ = totalCount() - n;
}

void TProdSN::SetIncInitSN(std::int64_t value) {
    incInitSN_ = value;
    incPrevSN_ = wrappingAdd(value, -1);
}

void TProdSN::SetIncCurrentSN(std::int64_t value) {
    incCurrentSN_ = value;
    incPrevSN_ = value;
}

std::int64_t TProdSN::IncNextSN() const {
    const std::int64_t next = wrappingAdd(incPrevSN_, 1);
    if (incCount_ <= 0)
        return 0;
    if (incCount_ >= 8)
        return next; // cannot happen through the setters; 256^8 does not fit anyway
    // Signed remainder on purpose: a negative counter keeps its sign, and its low I bytes are
    // still the right serial bytes.
    return next % (std::int64_t{1} << (8 * incCount_));
}

LocalDate TProdSN::today() const {
    return today_ ? today_() : SystemLocalDate();
}

std::uint16_t TProdSN::GetDateCode() const {
    const LocalDate d = today();
    const int yy = ((d.year % 100) + 100) % 100;
    return static_cast<std::uint16_t>(yy * 512 + DayOfYear(d));
}

std::array<std::uint8_t, 6> TProdSN::GetSNBytes() const {
    return GetSNBytes(IncNextSN());
}

std::array<std::uint8_t, 6> TProdSN::GetSNBytes(std::int64_t incValue) const {
    // The counts are 0..6 each through the setters, so at most 14 bytes are composed; only the
    // first six are the serial number, and bytes the counts do not cover stay 0.
    std::array<std::uint8_t, 16> s{};
    std::size_t n = 0;
    if (isDate_) {
        const std::uint16_t code = GetDateCode();
        s[n++] = static_cast<std::uint8_t>(code >> 8);
        s[n++] = static_cast<std::uint8_t>(code & 0xFF);
    }
    for (int k = fixCount_ - 1; k >= 0 && n < s.size(); --k)
        s[n++] = byteOf(fixSN_, k);
    for (int k = incCount_ - 1; k >= 0 && n < s.size(); --k)
        s[n++] = byteOf(incValue, k);
    return {s[0], s[1], s[2], s[3], s[4], s[5]};
}

std::uint8_t TProdSN::GetSNByte(int index) const {
    if (index < 0 || index > 5)
        return 0;
    return GetSNBytes()[static_cast<std::size_t>(index)];
}

std::string TProdSN::GetSNText() const {
    return GetSNText(IncNextSN());
}

std::string TProdSN::GetSNText(std::int64_t incValue) const {
    if (!isSN_)
        return {};
    const auto bytes = GetSNBytes(incValue);
    const int d = isDate_ ? 2 : 0;
    std::string text;
    for (int i = 0; i < 6; ++i) {
        text += hexText(bytes[static_cast<std::size_t>(i)], 2);
        if (i > 0 && i < 5 && (i == d - 1 || i == d + fixCount_ - 1))
            text += '-';
    }
    return text;
}

std::string TProdSN::GetFixSNText() const {
    if (fixCount_ <= 0)
        return {};
    if (isFixAscii_) {
        std::string text;
        for (int k = fixCount_ - 1; k >= 0; --k)
            text += static_cast<char>(byteOf(fixSN_, k));
        return text;
    }
    return hexText(static_cast<std::uint64_t>(fixSN_), 2 * fixCount_);
}

std::string TProdSN::GetDateText() const {
    if (!isDate_)
        return {};
    const LocalDate d = today();
    char text[40];
    std::snprintf(text, sizeof text, "%04d.%02d.%02d", d.year, d.month, d.day);
    return text;
}

std::span<const PublishedProperty> TProdSN::PublishedProperties() const {
    return kProperties;
}

} // namespace rfbind
