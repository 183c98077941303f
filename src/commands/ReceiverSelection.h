// SPDX-License-Identifier: MIT
#pragma once

#include "link/HidDevice.h"
#include "link/ReceiverIdTable.h"

#include <cstdint>

namespace rfbind::selection {

/// The receiver's command interface: a generic-desktop mouse or keyboard collection with an
/// 8-byte feature report (report ID + 7 bytes).
inline constexpr std::uint16_t kUsagePageGenericDesktop = 0x01;
inline constexpr std::uint16_t kUsageMouse = 0x02;
inline constexpr std::uint16_t kUsageKeyboard = 0x06;
inline constexpr std::uint16_t kFeatureReportLength = 8;

/// Release numbers of the receiver firmware generation the station speaks to.
inline constexpr std::uint16_t kVersionFirst = 0xA000;
inline constexpr std::uint16_t kVersionLast = 0xAFFF;

/// Product IDs of receivers that support the zoom hot keys.
inline constexpr std::uint16_t kZoomProductIds[] = {0x05CF, 0x053F};

constexpr bool capabilitiesFit(const HidCaps& caps) {
    return caps.usagePage == kUsagePageGenericDesktop &&
           (caps.usage == kUsageMouse || caps.usage == kUsageKeyboard) &&
           caps.featureReportLength == kFeatureReportLength;
}

constexpr bool versionFits(std::uint16_t version) {
    return version >= kVersionFirst && version <= kVersionLast;
}

constexpr bool enablesZoomKeys(std::uint16_t productId) {
    for (auto id : kZoomProductIds)
        if (id == productId)
            return true;
    return false;
}

/// Table test: some entry carries the device's vendor and product ID, and the version fits.
bool tableAccepts(const ReceiverIdTable& table, const HidAttributes& attributes);

/// Set-field test: the IDs typed into the set fields (0 when empty, so nothing real matches)
/// equal the device's, and the version fits.
bool setFieldsAccept(int vendorId, int productId, const HidAttributes& attributes);

/// The receiver search's verdict on one device.
struct Verdict {
    bool accepted = false;
    bool zoomKeys = false; ///< accepted, and the receiver supports the zoom hot keys
};

/// Capabilities first, then the table test and the set-field test (either accepts).
Verdict judge(const HidCaps& caps, const HidAttributes& attributes, const ReceiverIdTable& table,
              int setVendorId, int setProductId);

} // namespace rfbind::selection
