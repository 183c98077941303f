// SPDX-License-Identifier: MIT
#include "settings/ReceiverEntries.h"

#include "settings/IniFile.h"

namespace rfbind {

namespace {

std::optional<std::int32_t> hexPiece(std::string_view piece) {
    if (piece.empty())
        return std::nullopt;
    std::int32_t v = 0;
    for (const char c : piece) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        v = v * 16 + digit;
    }
    return v;
}

} // namespace

std::optional<ReceiverEntry> ParseReceiverEntry(std::string_view value) {
    // Longer values keep only their ends: "046D_C52B" is vendor 046D, product C52B.
    const std::string_view first = value.substr(0, 4);
    const std::string_view last = value.size() > 4 ? value.substr(value.size() - 4) : value;
    const auto vendor = hexPiece(first);
    const auto product = hexPiece(last);
    if (!vendor || !product)
        return std::nullopt;
    return ReceiverEntry{*vendor, *product};
}

ReceiverEntries ReadReceiverEntries(const IniFile& ini) {
    ReceiverEntries result;
    for (int n = 0; n < kReceiverEntryCount; ++n) {
        const std::string key = std::to_string(n);
        const std::string value = ini.readString(kReceiverSection, key, "0");
        // An emptied value is the way to strike an entry out by hand, not a mistake.
        if (value.empty())
            continue;
        if (const auto entry = ParseReceiverEntry(value))
            result.entries[static_cast<std::size_t>(n)] = *entry;
        else
            result.malformed.push_back({n, key, value});
    }
    return result;
}

} // namespace rfbind
