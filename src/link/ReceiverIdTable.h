// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#ifndef RFBIND_MAKER_VENDOR_ID
#error "RFBIND_MAKER_VENDOR_ID comes from the CMake cache variable MakerVendorId"
#endif

namespace rfbind {

/// USB vendor ID of the chip set's maker, the same in every preset receiver (a build-time
/// constant; see the CMake cache variable MakerVendorId).
inline constexpr std::uint16_t MakerVendorId = RFBIND_MAKER_VENDOR_ID;

/// One known receiver: compared against the device's 16-bit USB IDs.
struct ReceiverId {
    std::int32_t vendorId = 0;
    std::int32_t productId = 0;
};

/// The 24 known receivers searched by the receiver search. Entries 0..6 are preset, 7..20 come
/// from section "Device" of TX.ini, the rest stay (0, 0).
using ReceiverIdTable = std::array<ReceiverId, 24>;

/// Product IDs of the seven preset receivers, in table order.
inline constexpr std::array<std::uint16_t, 7> kPresetReceiverProductIds = {
    0x053A, 0x05CA, 0x05AA, 0x053F, 0x05CF, 0x053E, 0x05CE};

/// Fills entries 0..6 with the preset receivers; the other entries are left as they are.
inline void presetReceiverIdTable(ReceiverIdTable& table) {
    for (std::size_t i = 0; i < kPresetReceiverProductIds.size(); ++i)
        table[i] = ReceiverId{MakerVendorId, kPresetReceiverProductIds[i]};
}

} // namespace rfbind
