// SPDX-License-Identifier: MIT
#pragma once

#include "numbering/LocalDate.h"
#include "numbering/PublishedObject.h"

#include <array>
#include <cstdint>
#include <string>

namespace rfbind {

/// The rules for one 6-byte unit serial number: an optional 2-byte date code, a fixed part the
/// same for a whole batch, and an incrementing part that grows by one for every passed unit.
///
/// The byte counts always add up to six: with the date code F + I = 4, without it F + I = 6
/// (F = `FixSNByteCount`, I = `IncSNByteCount`). Setters never fail; a value they cannot take
/// is ignored and the previous one stays. Counter arithmetic wraps as 64-bit two's complement.
/// Plain data plus arithmetic; used from the user-interface thread only.
class TProdSN final : public PublishedObject {
public:
    /// A new generator with the batch defaults: serial number off, date code on, F = 2, I = 2,
    /// fixed part 0 shown as ASCII, counter set so that the next value is 0.
    /// @param today source of the local date; empty means the system clock.
    explicit TProdSN(LocalDateSource today = {});

    /// Every Boolean False and every number 0; the byte counts are 0 as well, so the six-byte
    /// rule holds only after a byte count has been set.
    explicit TProdSN(AllZeroState, LocalDateSource today = {});

    /// Replaces the date source (empty: the system clock).
    void SetLocalDateSource(LocalDateSource today);

    // Published properties, in their stored order.
    bool IsSN() const { return isSN_; }
    void SetIsSN(bool value) { isSN_ = value; }

    bool IsDate() const { return isDate_; }
    /// Switching the date code on takes its two bytes from the fixed part when that has at
    /// least two, else from the incrementing part; switching it off gives them to the fixed part.
    void SetIsDate(bool value);

    std::int32_t FixSNByteCount() const { return fixCount_; }
    /// Ignored unless 0 <= n <= 4 (date on) or 6 (date off); the incrementing part takes the rest.
    void SetFixSNByteCount(std::int32_t n);

    std::int64_t FixSN() const { return fixSN_; }
    /// Only the low `FixSNByteCount` bytes reach the serial number.
    void SetFixSN(std::int64_t value) { fixSN_ = value; }

    std::int32_t IncSNByteCount() const { return incCount_; }
    /// Ignored unless 0 <= n <= 4 (date on) or 6 (date off); the fixed part takes the rest.
    void SetIncSNByteCount(std::int32_t n);

    std::int64_t IncInitSN() const { return incInitSN_; }
    /// Restarts the counter: the next unit gets `value`.
    void SetIncInitSN(std::int64_t value);

    std::int64_t IncPrevSN() const { return incPrevSN_; }
    void SetIncPrevSN(std::int64_t value) { incPrevSN_ = value; }

    std::int64_t IncCurrentSN() const { return incCurrentSN_; }
    /// Records the value a passed unit used: the next unit gets `value` + 1.
    void SetIncCurrentSN(std::int64_t value);

    /// (`IncPrevSN` + 1) mod 256^I as a signed remainder; 0 when I = 0. No side effect.
    std::int64_t IncNextSN() const;

    bool IsFixAscii() const { return isFixAscii_; }
    void SetIsFixAscii(bool value) { isFixAscii_ = value; }

    // Operations; each reads the local date afresh.

    /// (year mod 100) * 512 + day of the year; 1 January 2009 gives 0x1201.
    std::uint16_t GetDateCode() const;

    /// Byte `index` (0..5) of the serial number: date code (if on), fixed part, incrementing
    /// part, each most significant byte first. An index outside 0..5, or a byte the counts do
    /// not cover (only in the all-zero state before a count is set), reads as 0.
    std::uint8_t GetSNByte(int index) const;

    /// All six bytes of `GetSNByte` from one reading of the date, so a unit programmed across
    /// midnight cannot get a date code torn between two days.
    std::array<std::uint8_t, 6> GetSNBytes() const;

    /// The six bytes a unit gets whose incrementing part is `incValue` rather than
    /// `IncNextSN`: how a number handed out from elsewhere (a line's lease) becomes a serial
    /// number under this generator's rules, without moving its counter.
    std::array<std::uint8_t, 6> GetSNBytes(std::int64_t incValue) const;

    /// The six bytes as upper-case hex pairs with a dash after the date code and after the fixed
    /// part (never after the first or the last byte), e.g. "1201-4142-0005"; empty when
    /// `IsSN` is False.
    std::string GetSNText() const;

    /// `GetSNText` with `incValue` as the incrementing part (see `GetSNBytes(incValue)`).
    std::string GetSNText(std::int64_t incValue) const;

    /// The fixed part as the numbering panel edits it. ASCII: F raw bytes, most significant
    /// first, zero bytes included (8-bit code page, not UTF-8). Hex: upper-case hex digits,
    /// at least 2*F, zero-padded on the left. Empty when F = 0.
    std::string GetFixSNText() const;

    /// Today as "yyyy.mm.dd" when `IsDate` is True, else empty.
    std::string GetDateText() const;

    std::string_view ClassName() const override { return "TProdSN"; }
    std::span<const PublishedProperty> PublishedProperties() const override;

private:
    LocalDate today() const;
    std::int32_t totalCount() const { return isDate_ ? 4 : 6; }

    LocalDateSource today_;
    bool isSN_ = false;
    bool isDate_ = false;
    std::int32_t fixCount_ = 0;
    std::int64_t fixSN_ = 0;
    std::int32_t incCount_ = 0;
    std::int64_t incInitSN_ = 0;
    std::int64_t incPrevSN_ = 0;
    std::int64_t incCurrentSN_ = 0;
    bool isFixAscii_ = false;
};

} // namespace rfbind
