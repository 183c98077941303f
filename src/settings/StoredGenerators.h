// SPDX-License-Identifier: MIT
#pragma once

#include "numbering/TProdRFID.h"
#include "numbering/TProdSN.h"

#include <memory>
#include <string>
#include <vector>

namespace rfbind {

class IniFile;

/// The four numbering generators as section "TX" of the settings file keeps them, under
/// "RXSNINFO", "TXSNINFO", "RXRFIDINFO" and "TXRFIDINFO": each as its text with ";" for the
/// line ends.
struct StoredGenerators {
    std::unique_ptr<TProdSN> RxSN;
    std::unique_ptr<TProdSN> TxSN;
    std::unique_ptr<TProdRFID> RxRFID;
    std::unique_ptr<TProdRFID> TxRFID;
    /// One line per stored text that could not be loaded (the key, its value and why); that
    /// generator was replaced by a new one with its defaults. Empty when every key was
    /// absent, empty or loaded.
    std::vector<std::string> problems;
};

/// New instances of the four generators from the store: each key's text loaded through its
/// property setters in text order, or, when the key is absent, empty or not a text of the
/// expected class, a new generator with its defaults. Never leaves a generator null. A serial
/// number's counter (`IncPrevSN`) becomes the larger of the stored counter and `IncInitSN` − 1,
/// so a raised initial value starts a new batch and nothing is rewound.
StoredGenerators LoadGenerators(const IniFile& ini);

/// Stores the four generators in key order. Before a radio-ID generator is stored, its next
/// ID is drawn and made its initial value, so the counter restarts there after a load (in
/// sequential mode this consumes the ID and rewinds the counter to just before it).
void StoreGenerators(IniFile& ini, TProdSN& rxSN, TProdSN& txSN, TProdRFID& rxRFID,
                     TProdRFID& txRFID);

} // namespace rfbind
