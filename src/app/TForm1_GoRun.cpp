// SPDX-License-Identifier: MIT
// Go (or PageDown): one station cycle, run by the station on the recipe the controls hold now.
#include "TForm1.h"

#include "SlotStrip.h"

namespace rfbind::app {

void TForm1::btnGoClick() {
    // A gang station: every idle slot with a unit starts, each on its own station.
    if (strip_ != nullptr) {
        strip_->goAll(unitRecipe());
        return;
    }
    if (station_->runActive())
        return;
    // The run goes on on the station while the window stays with the operator.
    toStation([this, recipe = unitRecipe()] {
        // Taken in the pump of a device change, Go would start on a device list half rebuilt
        // (its receiver dropped, the new one not yet listed): it waits for the change to be
        // taken. During a run the one-run guard refuses it at once, as always.
        if (stationThread_ && !station_->runActive())
            stationThread_->whenBetweenCommands([this, recipe] { station_->go(recipe); });
        else
            station_->go(recipe);
    });
}

} // namespace rfbind::app
