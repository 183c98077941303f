// SPDX-License-Identifier: MIT
// Go (or PageDown): one station cycle, run by the core; the window reads the recipe once and
// starts the calibration program when the core asks for it.
#include "TForm1.h"

#include "Dialogs.h"
#include "RunGuard.h"
#include "production/ProductionRun.h"
#include "ui_TForm1.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>

namespace rfbind::app {

namespace {
constexpr auto kCalibrationProgram = "QUVE_RF_auto.exe";
} // namespace

void TForm1::btnGoClick() {
    RunGuard guard(runActive_);
    if (!guard.acquired())
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

void TForm1::startCalibrationProgram() {
    const QString program = QDir::current().absoluteFilePath(QString::fromLatin1(kCalibrationProgram));
    // A station without the calibration program simply goes on without it.
    if (!QFileInfo::exists(program))
        return;
    // Started on its own, not waited for; its outcome is its own business.
    if (QProcess::startDetached(program, {}, QDir::currentPath()))
        return;
#ifdef Q_OS_WIN
    const QString hint;
#else
    const QString hint = QStringLiteral(" and that it may be executed (chmod +x)");
#endif
    services_.dialogs.message(
        this, QGuiApplication::applicationDisplayName(),
        QStringLiteral("The calibration program\n%1\ncould not be started. Check that it is a "
                       "program this computer can run%2.\n\nThe unit itself has passed.")
            .arg(QDir::toNativeSeparators(program), hint),
        Dialogs::Icon::Warning);
}

} // namespace rfbind::app
