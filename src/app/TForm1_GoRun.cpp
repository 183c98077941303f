// SPDX-License-Identifier: MIT
// Go (or PageDown): one station cycle, run by the station on the recipe the controls hold now.
#include "TForm1.h"

namespace rfbind::app {

void TForm1::btnGoClick() {
    if (station_->runActive())
        return;
    // The run goes on on the station while the window stays with the operator.
    toStation([this, recipe = unitRecipe()] { station_->go(recipe); });
}

} // namespace rfbind::app
