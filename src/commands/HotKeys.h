// SPDX-License-Identifier: MIT
#pragma once

#include "commands/ReceiverEepromMap.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace rfbind::hotkeys {

/// One choice for a programmable hot key: its text in the lists and its usage ID on the
/// Consumer page of the USB HID usage tables.
struct HotKey {
    std::string_view text;
    std::uint16_t code;
};

/// Every hot key in list order. The last two (zoom) are offered only by receivers that
/// support them.
inline constexpr std::array<HotKey, 26> kHotKeys{{
    {"[DISABLE]", 0x000},
    {"WWW BACK", 0x224},
    {"WWW FORWARD", 0x225},
    {"WWW STOP", 0x226},
    {"WWW REFRESH", 0x227},
    {"WWW SEARCH", 0x221},
    {"WWW FAVORITES", 0x22A},
    {"WWW HOME", 0x223},
    {"MAIL", 0x18A},
    {"MUTE", 0x0E2},
    {"VOLUME -", 0x0EA},
    {"VOLUME +", 0x0E9},
    {"PLAY/PAUSE", 0x0CD},
    {"STOP", 0x0B7},
    {"PREVIOUS TRACK/Replay", 0x0B6},
    {"NEXT TRACK/Skip", 0x0B5},
    {"MEDIA Select", 0x183},
    {"MY COMPUTER", 0x194},
    {"CALCULATOR", 0x192},
    {"More Info", 0x209},
    {"Record", 0x0B2},
    {"Forward", 0x0B3},
    {"Rewind", 0x0B4},
    {"Guide", 0x08D},
    {"Zoom Out", 0x22E},
    {"Zoom In", 0x22D},
}};

/// Items every receiver offers (indexes 0..23).
inline constexpr int kStandardCount = 24;
inline constexpr int kWwwHome = 7;
inline constexpr int kMail = 8;
inline constexpr int kZoomOut = 24;
inline constexpr int kZoomIn = 25;

/// The items of both hot-key lists and their default selections.
struct HotKeyList {
    std::span<const HotKey> items;
    int default1;
    int default2;
};

/// With zoom keys: 26 items, defaults Zoom Out / Zoom In; otherwise 24 items, defaults
/// WWW HOME / MAIL.
constexpr HotKeyList hotKeyList(bool zoomKeysAvailable) {
    if (zoomKeysAvailable)
        return {std::span<const HotKey>(kHotKeys), kZoomOut, kZoomIn};
    return {std::span<const HotKey>(kHotKeys).first(kStandardCount), kWwwHome, kMail};
}

/// The receiver EEPROM words of one hot key: the code's low byte and high byte, each as a
/// complement word.
struct HotKeyWords {
    int lowAddress;
    std::uint16_t low;
    int highAddress;
    std::uint16_t high;
};

/// Words for hot key `slot` (1 or 2) holding `code`.
constexpr HotKeyWords hotKeyWords(int slot, std::uint16_t code) {
    const int first = slot == 2 ? rxeeprom::kHotKey2Low : rxeeprom::kHotKey1Low;
    return {first, rxeeprom::complementWord(static_cast<std::uint8_t>(code & 0xFF)), first + 1,
            rxeeprom::complementWord(static_cast<std::uint8_t>(code >> 8))};
}

} // namespace rfbind::hotkeys
