// SPDX-License-Identifier: MIT
// Connect: the operator pairs a transmitter with the selected receiver; the core's binding
// watch looks once a second, on tmrSoftBind, for the IDs the receiver reports to change.
#include "TForm1.h"

#include "Dialogs.h"
#include "RunGuard.h"
#include "production/SoftBinding.h"
#include "ui_TForm1.h"

#include <QTimer>

namespace rfbind::app {

void TForm1::btnCombo_Cmd_Soft_Bind_SWClick() {
    RunGuard guard(runActive_);
    if (!guard.acquired())
        return;
    startBinding();
}

void TForm1::startBinding() {
    // The watch is attached when the first binding starts; later starts find it attached.
    connect(tmrSoftBind, &QTimer::timeout, this, &TForm1::tmrSoftBindTimer, Qt::UniqueConnection);
    bindOutcome_ = BindOutcome::None;
    FindReceiver();
    tmrIsTxLink->stop();
    BindTicks = 0;
    if (link.ActiveDevice == nullptr)
        return; // the not-ready status says it all
    bindingWatch_.emplace(link, static_cast<RunDisplay&>(*this), false, bindingStatus_);
    if (!bindingWatch_->start()) {
        // A receiver that no longer answers ends the binding as a watch tick that loses it.
        bindOutcome_ = BindOutcome::Lost;
        ResetLinkStatus();
        return;
    }
    PrevMouseId = bindingWatch_->mouseId();
    PrevKeyboardId = bindingWatch_->keyboardId();
    bindOutcome_ = BindOutcome::Watching;
    tmrSoftBind->start();
}

void TForm1::tmrSoftBindTimer() {
    // A tick talks to the receiver like a run of its own and must not interleave with one.
    RunGuard guard(runActive_);
    if (!guard.acquired() || !bindingWatch_) {
        if (!bindingWatch_)
            tmrSoftBind->stop();
        return;
    }
    const bool receiverThere = link.ActiveDevice != nullptr && link.ActiveDevice->pluggedIn();
    const BindingWatch::State state = bindingWatch_->tick();
    BindTicks = bindingWatch_->ticks();
    if (state == BindingWatch::State::Watching)
        return;
    tmrSoftBind->stop();
    PrevMouseId = bindingWatch_->mouseId();
    PrevKeyboardId = bindingWatch_->keyboardId();
    switch (state) {
    case BindingWatch::State::Lost:
        bindOutcome_ = BindOutcome::Lost;
        if (receiverThere)
            ResetLinkStatus(); // it stopped answering; a receiver that left has been reset
        break;
    case BindingWatch::State::Paired:
        bindOutcome_ = BindOutcome::Paired;
        services_.dialogs.message(this, MessageText(2), MessageText(5), Dialogs::Icon::Information);
        tmrIsTxLink->start();
        break;
    case BindingWatch::State::TimedOut:
        bindOutcome_ = BindOutcome::TimedOut;
        // A tick after a sixteenth one that ended early stops the watch without a word.
        if (BindTicks == SoftBinding::kTimeoutTick) {
            services_.dialogs.message(this, MessageText(2), MessageText(6), Dialogs::Icon::Warning);
            tmrIsTxLink->start();
        }
        break;
    case BindingWatch::State::Watching:
        break;
    }
}

bool TForm1::bindTimerRunning() const {
    // The run's keyboard binding watches without the timer: it counts as running too.
    return bindingWatchShown_ || (tmrSoftBind != nullptr && tmrSoftBind->isActive());
}

} // namespace rfbind::app
