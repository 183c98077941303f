// SPDX-License-Identifier: MIT
#pragma once

#include "numbering/TProdRFID.h"
#include "numbering/TProdSN.h"

namespace rfbind {

/// The four numbering generators a unit draws from and a passed unit advances.
struct NumberingGenerators {
    TProdSN& rxSN;
    TProdSN& txSN;
    TProdRFID& rxRFID;
    TProdRFID& txRFID;
};

} // namespace rfbind
