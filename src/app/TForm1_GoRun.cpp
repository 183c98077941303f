// SPDX-License-Identifier: MIT
// Go (or PageDown): one station cycle, run by the core on the recipe the controls hold now.
#include "TForm1.h"

#include "RunGuard.h"
#include "production/ProductionRun.h"
#include "ui_TForm1.h"

namespace rfbind::app {

void TForm1::btnGoClick() {
    RunGuard guard(runActive_);
    if (!guard.acquired() || !numberingStorable())
        return;
    guard.atExit([this] {
        restoreAfterRun();
        ui->btnGo->setEnabled(true);
    });
    // RunMode 1 for the whole cycle: option changes the operator makes meanwhile are kept for
    // the next unit, and the run's own changes to the fields save nothing.
    RunMode = 1;
    tellAboutUnit(productionRun().go(unitRecipe()));
}

} // namespace rfbind::app
