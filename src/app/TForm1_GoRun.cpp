// SPDX-License-Identifier: MIT
// Go (or PageDown): one station cycle, run by the station on the recipe the controls hold now.
#include "TForm1.h"

namespace rfbind::app {

void TForm1::btnGoClick() {
    if (station_->runActive())
        return;
    station_->go(unitRecipe());
}

} // namespace rfbind::app
