// SPDX-License-Identifier: MIT
// Go (or PageDown): one station cycle. Selects the receiver, confirms that receiver and
// transmitter answer, runs the programming run, shows how long it took, starts the
// calibration program for a passed unit when so configured, and releases the receiver for
// the next unit.
#include "TForm1.h"

#include "Dialogs.h"
#include "RunGuard.h"
#include "production/RunSteps.h"
#include "ui_TForm1.h"
#include "widgets/Led.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

namespace rfbind::app {

namespace rs = runsteps;

namespace {
constexpr auto kCalibrationProgram = "QUVE_RF_auto.exe";
} // namespace

void TForm1::clearStationDisplay() {
    ui->edtCaliTime->clear();
    ui->lblResult->clear();
    ui->edtTX_SN->clear();
    ui->edtRX_SN->clear();
    ui->edtMseDongleAddr->clear();
    ui->Image1->hide();
}

void TForm1::releaseReceiver() {
    if (link.ActiveDevice != nullptr)
        link.ActiveDevice->clearDataEvent();
    link.ActiveDevice = nullptr;
    ResetLinkStatus();
}

void TForm1::reportDevicesNotReady(bool checkTransmitter) {
    QString text = MessageText(36) + QStringLiteral("\r\n");
    if (checkTransmitter && !ui->ledTX->isOn())
        text += QStringLiteral("* Mouse TX\r\n");
    if (!ui->ledRX->isOn())
        text += QStringLiteral("* Mouse RX\r\n");
    services_.dialogs.message(this, QStringLiteral("Message"), text, Dialogs::Icon::Warning);
}

void TForm1::btnGoClick() {
    RunGuard guard(runActive_);
    if (!guard.acquired())
        return;
    guard.atExit([this] {
        restoreAfterRun();
        ui->btnGo->setEnabled(true);
    });
    Clock& clock = services_.clock;

    ui->btnGo->setEnabled(false);
    ui->pbSetTX->setValue(0);
    tmrIsTxLink->stop();
    FindReceiver();
    for (int i = 0; i < rs::kGoLinkTests; ++i) {
        if (CheckTransmitterLink())
            break;
        clock.sleepMs(1);
        clock.pumpMessages();
    }
    clearStationDisplay();
    const std::uint32_t start = clock.tickMs();
    tmrIsTxLink->stop(); // ConnectReceiver started it

    if (!(ui->ledTX->isOn() && ui->ledRX->isOn())) {
        // The receiver found stays selected; nothing was programmed.
        reportDevicesNotReady(true);
        ui->btnGo->setEnabled(true);
        return;
    }

    programUnit();
    ui->edtCaliTime->setText(QString::fromStdString(rs::secondsText(clock.tickMs() - start)));
    clock.pumpMessages();
    ui->btnGo->setEnabled(true);
    // The calibration program may hold the receiver now: the link polling keeps away from it
    // until the next receiver search.
    LinkPollingSuspended = true;
    if (ui->CallQUVE->isChecked() && UnitPassed)
        startCalibrationProgram();
    releaseReceiver();
    ui->btnGo->setEnabled(true);
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
