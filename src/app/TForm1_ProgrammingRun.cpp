// SPDX-License-Identifier: MIT
// Set TX: the programming run on the selected receiver, as the core runs it. The window hands
// it the recipe read from its controls, lends it the receiver, and shows what it reports.
#include "TForm1.h"

#include "Dialogs.h"
#include "RunGuard.h"
#include "production/ProductionRun.h"
#include "ui_TForm1.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSysInfo>
#include <QTimer>

namespace rfbind::app {

ProductionRun TForm1::productionRun() {
    return ProductionRun(link, static_cast<RunDisplay&>(*this), static_cast<RunHost&>(*this), {*RxSN, *TxSN, *RxRFID, *TxRFID}, SensorCode,
                         QFile::encodeName(QDir::currentPath()).toStdString(),
                         QSysInfo::machineHostName().toStdString());
}

UnitRecipe TForm1::unitRecipe() const {
    UnitRecipe recipe;
    recipe.settings = collectSettings();
    recipe.productName = ui->edtEEPROM_20->text().toStdString();
    recipe.zoomKeys = ZoomKeysAvailable;
    return recipe;
}

RunHost::Receiver TForm1::selectedReceiver() const {
    Receiver r;
    if (link.ActiveDevice == nullptr)
        return r;
    const HidAttributes a = link.ActiveDevice->attributes();
    r.found = true;
    r.ready = ui->ledRX->isOn();
    r.zoomKeys = ZoomKeysAvailable;
    r.vendorId = a.vendorId;
    r.productId = a.productId;
    r.version = ReceiverVersion;
    return r;
}

void TForm1::restoreAfterRun() {
    RunMode = 0;
    BindFromRun = false;
    ui->Image2->hide();
    if (settingsChangedDuringRun_) {
        settingsChangedDuringRun_ = false;
        btnWriteSettingClick();
    }
    // What waited for the run happens once the station is free (the guard frees it after
    // this): the operator's queued clicks, then, when the window was closed during the run,
    // the real close.
    QTimer::singleShot(0, this, [this] {
        auto queued = std::move(afterRun_);
        afterRun_.clear();
        for (auto& action : queued)
            action();
        if (closeRequested_)
            close();
    });
}

void TForm1::whenIdle(std::function<void()> action) {
    if (runActive_)
        afterRun_.push_back(std::move(action));
    else
        action();
}

void TForm1::tellAboutUnit(const RunOutcome& outcome) {
    lastOutcome_ = outcome;
    UnitPassed = outcome.passed;
    if (!outcome.passed && outcome.reason != FailReason::None)
        addDebugLine("FAIL " + outcome.failStep + ": " + outcome.reasonText());
    if (outcome.logError.empty())
        return;
    // Shown once the station is idle again: the operator writes the unit down by hand.
    const auto orNone = [](const std::string& s) {
        return s.empty() ? QStringLiteral("(none)") : QString::fromStdString(s);
    };
    services_.dialogs.message(
        this, QGuiApplication::applicationDisplayName(),
        QStringLiteral("The unit passed, but its line could not be added to the production "
                       "log\n%1\n(%2).\n\nPlease write the unit down by hand:\n"
                       "Radio ID: %3\nRX serial number: %4\nTX serial number: %5")
            .arg(QFile::decodeName(outcome.logPath.c_str()), QString::fromStdString(outcome.logError),
                 outcome.ids ? QStringLiteral("%1").arg(outcome.ids->R, 6, 16, QLatin1Char('0')).toUpper()
                             : QStringLiteral("(none)"),
                 orNone(outcome.rxSerial), orNone(outcome.txSerial)),
        Dialogs::Icon::Error);
}

void TForm1::btnSetTXClick() {
    RunGuard guard(runActive_);
    if (!guard.acquired())
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
