// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace rfbind {

/// The sequential numbers a line leases: the counters of the four generators a unit draws
/// from.
enum class NumberKind : std::uint8_t { RxSerial, TxSerial, RxRadioId, TxRadioId };

inline constexpr std::array<NumberKind, 4> kNumberKinds = {
    NumberKind::RxSerial, NumberKind::TxSerial, NumberKind::RxRadioId, NumberKind::TxRadioId};

/// The name the database stores: "rx_serial", "tx_serial", "rx_radio_id", "tx_radio_id".
constexpr std::string_view numberKindName(NumberKind kind) {
    switch (kind) {
    case NumberKind::RxSerial: return "rx_serial";
    case NumberKind::TxSerial: return "tx_serial";
    case NumberKind::RxRadioId: return "rx_radio_id";
    case NumberKind::TxRadioId: return "tx_radio_id";
    }
    return "rx_serial";
}

constexpr std::optional<NumberKind> numberKindFromName(std::string_view name) {
    for (NumberKind kind : kNumberKinds)
        if (numberKindName(kind) == name)
            return kind;
    return std::nullopt;
}

} // namespace rfbind
