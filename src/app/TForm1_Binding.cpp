// SPDX-License-Identifier: MIT
// Binding from the PC: Connect pairs a transmitter with the selected receiver; the binding
// watch looks once a second for the IDs the receiver reports to change. The programming run
// binds a keyboard the same way.
#include "TForm1.h"

#include "Dialogs.h"
#include "RunGuard.h"
#include "production/SoftBinding.h"
#include "ui_TForm1.h"
#include "widgets/AnimatedPicture.h"
#include "widgets/THexEdit.h"

#include <QTimer>

#include <optional>

namespace rfbind::app {

using Verdict = SoftBinding::Verdict;

void TForm1::btnCombo_Cmd_Soft_Bind_SWClick() {
    RunGuard guard(runActive_);
    if (!guard.acquired())
        return;
    startBinding();
}

void TForm1::addDebugLine(const std::string& line) {
    ui->lstDebug->addItem(QString::fromStdString(line));
}

void TForm1::showBindingEnded() {
    showLinkPicture(ui->imgConnected);
    ui->btnCombo_Cmd_Soft_Bind_SW->setText(MessageText(3));
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

    const SoftBinding::StartRead start = SoftBinding::readAtStart(link);
    if (!start.ids) {
        // A receiver that no longer answers ends the binding as a watch tick that loses it.
        bindOutcome_ = BindOutcome::Lost;
        ResetLinkStatus();
        return;
    }
    PrevMouseId = start.ids->mouseId;
    PrevKeyboardId = start.ids->keyboardId;
    addDebugLine(SoftBinding::startLine(BindTicks, *start.ids));
    // The receiver answers the bind command with an echo that says nothing: its outcome shows
    // in the IDs the watch reads.
    link.setFeature(SoftBinding::bindCommand(start.buffer));

    bindOutcome_ = BindOutcome::Watching;
    tmrSoftBind->start();
    ui->gifBind->setEnabled(true);
    ui->gifBind->setLooping(true);
    showLinkPicture(ui->gifBind);
    ui->btnCombo_Cmd_Soft_Bind_SW->setText(MessageText(4));
}

void TForm1::tmrSoftBindTimer() {
    // A tick of the programming run's keyboard binding belongs to that run; a tick of the
    // operator's binding talks to the receiver like a run of its own and must not interleave
    // with one.
    std::optional<RunGuard> guard;
    if (!BindFromRun) {
        guard.emplace(runActive_);
        if (!guard->acquired())
            return;
    }

    ++BindTicks;
    if (link.ActiveDevice == nullptr || !link.ActiveDevice->pluggedIn()) {
        tmrSoftBind->stop();
        bindOutcome_ = BindOutcome::Lost;
        return;
    }

    const SoftBinding::TickRead read = SoftBinding::readTick(link, BindTicks);
    for (const std::string& line : read.debugLines)
        addDebugLine(line);
    if (read.lost) {
        ResetLinkStatus();
        tmrSoftBind->stop();
        bindOutcome_ = BindOutcome::Lost;
        return;
    }

    // The receiver confirms its pairing state (pairing or idle) before the IDs are judged.
    for (int query = 1;; ++query) {
        btnSpecialCmd1Click(ui->btnSpecialCmd4);
        if (query == SoftBinding::kStatusQueries)
            return;
        const int status = ui->edtSC04_01->value().value_or(-1);
        if (status == SoftBinding::kPairingStatus || status == SoftBinding::kIdleStatus)
            break;
    }

    const Verdict verdict =
        SoftBinding::judge(BindFromRun, PrevMouseId, PrevKeyboardId, read.ids, BindTicks);
    if (verdict == Verdict::Watching)
        return;

    tmrSoftBind->stop();
    if (read.ids && verdict != Verdict::TimedOut) {
        PrevMouseId = read.ids->mouseId;
        PrevKeyboardId = read.ids->keyboardId;
    }
    showBindingEnded();
    switch (verdict) {
    case Verdict::Paired:
        bindOutcome_ = BindOutcome::Paired;
        if (!BindFromRun) {
            services_.dialogs.message(this, MessageText(2), MessageText(5),
                                      Dialogs::Icon::Information);
            tmrIsTxLink->start();
        }
        break;
    case Verdict::TimedOut:
        bindOutcome_ = BindOutcome::TimedOut;
        // The run shows FAIL itself and decides about the link polling.
        if (!BindFromRun) {
            services_.dialogs.message(this, MessageText(2), MessageText(6),
                                      Dialogs::Icon::Warning);
            tmrIsTxLink->start();
        }
        break;
    case Verdict::EndedLate:
        // The sixteenth tick ended before its time-out test; nothing paired that this watch
        // saw, so a keyboard binding of the run does not count as done.
        bindOutcome_ = BindOutcome::TimedOut;
        break;
    case Verdict::Watching:
        break;
    }
}

bool TForm1::bindTimerRunning() const { return tmrSoftBind != nullptr && tmrSoftBind->isActive(); }

} // namespace rfbind::app
