// SPDX-License-Identifier: MIT
#pragma once

#include "settings/StationSettings.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rfbind {

/// What one unit is programmed with: the station's settings as they stood when the operator
/// pressed Go (or Set TX), read once. A setting changed while the run works applies from the
/// next unit.
struct UnitRecipe {
    StationSettings settings;
    /// The product string as the operator sees it, UTF-8 (the settings hold it in the
    /// receiver's 8-bit form).
    std::string productName;
    /// The hot-key lists offered the zoom keys when the recipe was read.
    bool zoomKeys = false;

    /// Why the recipe cannot be programmed, in English and naming the setting, or nothing
    /// when it can. Checked before a run sends its first frame.
    std::optional<std::string> problem() const;

    /// Hot-key codes for the two slots. A receiver with zoom keys is given its own lists'
    /// defaults when it is found (the lists are refilled for it), so `zoomReceiver` picks
    /// those; otherwise the chosen items. Call only on a recipe without problem().
    std::uint16_t hotKeyCode(int slot, bool zoomReceiver) const;

    /// The product string as the receiver stores it: one byte per character.
    std::string productBytes() const;

    /// A fingerprint of everything the recipe writes to a unit: 16 lower-case hex digits
    /// (FNV-1a 64 of its canonical text). Same recipe, same fingerprint, on any station.
    std::string fingerprint() const;
};

} // namespace rfbind
