// SPDX-License-Identifier: MIT
// Set TX: the programming run on the selected receiver, as the core runs it.
#include "TForm1.h"

#include "RunGuard.h"
#include "production/ProductionRun.h"
#include "ui_TForm1.h"

#include <QTimer>

namespace rfbind::app {

void TForm1::btnSetTXClick() {
    RunGuard guard(runActive_);
    if (!guard.acquired() || !numberingStorable())
        return;
    guard.atExit([this] { restoreAfterRun(); });
    // The link polling would run its own link tests (access mode, sensor reads) between the
    // run's steps; it resumes afterwards on the same receiver.
    const bool polling = tmrIsTxLink->isActive();
    tmrIsTxLink->stop();
    RunMode = 1;
    tellAboutUnit(productionRun().program(unitRecipe(), selectedReceiver()));
    if (polling && link.ActiveDevice != nullptr && !closeRequested_)
        tmrIsTxLink->start();
}

} // namespace rfbind::app
