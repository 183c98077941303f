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
    /// The hot-key lists held the zoom keys when the recipe was read. Once a zoom receiver
    /// has been found the lists keep them (a later receiver search does not rebuild them), so
    /// this is the lists' state, not whether the receiver at hand has zoom keys.
    bool zoomKeys = false;

    /// Why the recipe cannot be programmed, in English and in the settings' own words (the
    /// control's caption and the value), or nothing when it can. Checked before a run sends
    /// its first frame.
    std::optional<std::string> problem() const;

    /// The recipe after a receiver search accepted a receiver with zoom keys: the search
    /// refills both hot-key lists and selects their defaults, Zoom Out and Zoom In, and the
    /// unit is programmed with what the lists then show.
    UnitRecipe withZoomListsRefilled() const;

    /// Hot-key code of list `slot` (1 or 2): the chosen item's. Call only on a recipe without
    /// problem().
    std::uint16_t hotKeyCode(int slot) const;

    /// The product string as the receiver stores it: one byte per character.
    std::string productBytes() const;

    /// A fingerprint of everything the recipe writes to a unit: 16 lower-case hex digits
    /// (FNV-1a 64 of its canonical text). Same recipe, same fingerprint, on any station.
    std::string fingerprint() const;
};

} // namespace rfbind
