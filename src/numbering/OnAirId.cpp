// SPDX-License-Identifier: MIT
#include "numbering/OnAirId.h"

#include "text/Hex.h"

namespace rfbind {

std::string radioIdText(std::uint32_t id) { return hexText(id, 6); }

} // namespace rfbind
