// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rfbind {

class IniFile;

/// Section "Device" of the settings file: receivers the station accepts besides its preset
/// ones. The station reads it and never writes it.
inline constexpr std::string_view kReceiverSection = "Device";

/// Keys "0".."13" of section "Device" fill entries 7..20 of the known-receiver table.
inline constexpr int kReceiverEntryCount = 14;
inline constexpr int kFirstReceiverEntry = 7;

/// A receiver's USB vendor and product ID as section "Device" gives them.
struct ReceiverEntry {
    std::int32_t vendorId = 0;
    std::int32_t productId = 0;
};

/// What section "Device" holds.
struct ReceiverEntries {
    /// Entry n comes from key "n"; (0, 0) for an absent, empty or malformed value.
    std::array<ReceiverEntry, kReceiverEntryCount> entries{};

    /// A value that is not a pair of hex IDs.
    struct Malformed {
        int index = 0; ///< the key's number, 0..13
        std::string key;
        std::string value;
    };
    std::vector<Malformed> malformed;
};

/// Splits a "Device" value into vendor ID (its first four characters) and product ID (its last
/// four), each read as hexadecimal; a value of four characters or fewer serves as both. Nothing
/// when a piece holds anything but hex digits, or when the value is empty.
std::optional<ReceiverEntry> ParseReceiverEntry(std::string_view value);

/// Reads keys "0".."13". An absent key is "0", that is (0, 0); so is an empty value. A malformed
/// value gives (0, 0) and is listed in `malformed`, and the other keys are read all the same.
ReceiverEntries ReadReceiverEntries(const IniFile& ini);

} // namespace rfbind
