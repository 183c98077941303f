// SPDX-License-Identifier: MIT
// Connect: the operator pairs a transmitter with the selected receiver; the station's binding
// watch looks once a second for the IDs the receiver reports to change.
#include "TForm1.h"

#include "Dialogs.h"
#include "ui_TForm1.h"

namespace rfbind::app {

void TForm1::btnCombo_Cmd_Soft_Bind_SWClick() {
    // A second run meanwhile is refused by the station before the fields are read.
    if (station_->runActive())
        return;
    const auto filter = receiverFilter();
    toStation([this, filter] { station_->connectTransmitter(filter); });
}

void TForm1::tmrSoftBindTimer() { atStation([this] { station_->bindingTick(); }); }

void TForm1::showBindingVerdict(bool paired) {
    if (paired)
        services_.dialogs.message(this, MessageText(2), MessageText(5), Dialogs::Icon::Information);
    else
        services_.dialogs.message(this, MessageText(2), MessageText(6), Dialogs::Icon::Warning);
}

bool TForm1::bindTimerRunning() const {
    // The run's keyboard binding watches without the timer: it counts as running too.
    // The station on its own thread reports its watch (showBindingWatch) instead.
    return bindingWatchShown_ ||
           (!stationThread_ && station_ != nullptr && station_->bindingPolling().isActive());
}

} // namespace rfbind::app
