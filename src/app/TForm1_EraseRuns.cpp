// SPDX-License-Identifier: MIT
// The two maintenance runs that wipe a unit back to blank: every transmitter EEPROM byte to
// 0x00 ("Erase TX"), every receiver EEPROM word to 0x0000 ("Erase RX"). Each is armed by its
// check box, and checks it again before doing anything.
#include "TForm1.h"

#include "RunGuard.h"
#include "production/RunSteps.h"
#include "ui_TForm1.h"
#include "widgets/Led.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace rfbind::app {

namespace rs = runsteps;

namespace {
const QColor kDoneColour(Qt::blue);
const QColor kFailColour(Qt::red);
} // namespace

// An arming box set while locked (by loading TX.ini) is disabled: its button stays disabled.
void TForm1::TX_ErasedClick() {
    ui->suiButton2->setEnabled(ui->TX_Erased->isChecked() && ui->TX_Erased->isEnabled());
}

void TForm1::RX_ErasedClick() {
    ui->suiButton1->setEnabled(ui->RX_Erased->isChecked() && ui->RX_Erased->isEnabled());
}

void TForm1::suiButton2Click() {
    if (!ui->TX_Erased->isChecked())
        return;
    RunGuard guard(runActive_);
    if (!guard.acquired())
        return;
    Clock& clock = services_.clock;
    clearStationDisplay();
    const std::uint32_t start = clock.tickMs();
    FindReceiver();
    for (int i = 0; i < rs::kEraseLinkTests; ++i) {
        if (CheckTransmitterLink())
            break;
        clock.sleepMs(1);
    }
    if (!(ui->ledTX->isOn() && ui->ledRX->isOn())) {
        reportDevicesNotReady(true);
        return;
    }

    tmrIsTxLink->stop();
    ui->lblResult->clear();
    ui->Image1->hide();
    rbC_RF_LEAVE_ACCESSClick();
    clock.sleepMs(rs::kSettleMs);
    rbC_RF_ENTER_ACCESS_WO_LEDClick();
    clock.sleepMs(rs::kSettleMs);
    ui->pbSetTX->setValue(0);
    const bool failed = eraseEach(rs::kTransmitterEepromBytes,
                                  [this](int a) { writeTransmitterByte(a, 0x00); },
                                  rs::transmitterEraseProgress);
    finishErase(start, failed, QStringLiteral("TX Erased"), QStringLiteral("TX Erase FAIL"));
}

void TForm1::suiButton1Click() {
    if (!ui->RX_Erased->isChecked())
        return;
    RunGuard guard(runActive_);
    if (!guard.acquired())
        return;
    Clock& clock = services_.clock;
    clearStationDisplay();
    const std::uint32_t start = clock.tickMs();
    FindReceiver();
    // The receiver's EEPROM needs no transmitter; the tests only refresh the display.
    for (int i = 0; i < rs::kEraseLinkTests; ++i) {
        if (CheckTransmitterLink())
            break;
        clock.sleepMs(1);
    }
    if (!ui->ledRX->isOn()) {
        reportDevicesNotReady(false);
        return;
    }

    tmrIsTxLink->stop();
    ui->lblResult->clear();
    ui->Image1->hide();
    rbC_RF_LEAVE_ACCESSClick();
    clock.sleepMs(rs::kSettleMs);
    ui->pbSetTX->setValue(0);
    const bool failed = eraseEach(rs::kReceiverEepromWords,
                                  [this](int a) { link.WriteReceiverEeprom(a, 0); },
                                  rs::receiverEraseProgress);
    finishErase(start, failed, QStringLiteral("RX Erased"), QStringLiteral("RX Erase FAIL"));
}

bool TForm1::eraseEach(int count, const std::function<void(int)>& write,
                       int (*progress)(int)) {
    Clock& clock = services_.clock;
    // Only the erase's own writes decide its result, not the link tests before it.
    link.CommError = false;
    for (int a = 0; a < count; ++a) {
        write(a);
        ui->pbSetTX->setValue(progress(a));
        clock.sleepMs(rs::kErasePauseMs);
        clock.pumpMessages();
        // A receiver that went away takes the rest of the writes with it.
        if (link.ActiveDevice == nullptr)
            break;
    }
    return link.CommError || link.ActiveDevice == nullptr;
}

void TForm1::finishErase(std::uint32_t start, bool failed, const QString& done,
                         const QString& fail) {
    Clock& clock = services_.clock;
    tmrIsTxLink->stop();
    ui->edtCaliTime->setText(QString::fromStdString(rs::secondsText(clock.tickMs() - start)));
    clock.pumpMessages();
    releaseReceiver();
    if (failed)
        showResult(fail, kFailColour);
    else
        showResult(done, kDoneColour);
}

} // namespace rfbind::app
