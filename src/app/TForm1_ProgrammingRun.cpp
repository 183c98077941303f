// SPDX-License-Identifier: MIT
// Set TX: the programming run on the selected receiver, as the station runs it.
#include "TForm1.h"

namespace rfbind::app {

void TForm1::btnSetTXClick() {
    if (station_->runActive())
        return;
    toStation([this, recipe = unitRecipe()] { station_->setTx(recipe); });
}

} // namespace rfbind::app
