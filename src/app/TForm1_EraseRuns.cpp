// SPDX-License-Identifier: MIT
// Erase TX and Erase RX, each armed by its check box and checked again before anything
// happens; the station wipes the EEPROM.
#include "TForm1.h"

#include "ui_TForm1.h"

#include <QCheckBox>
#include <QPushButton>

namespace rfbind::app {

// An arming box set while locked (by loading TX.ini) is disabled: its button stays disabled.
void TForm1::TX_ErasedClick() {
    ui->suiButton2->setEnabled(ui->TX_Erased->isChecked() && ui->TX_Erased->isEnabled());
}

void TForm1::RX_ErasedClick() {
    ui->suiButton1->setEnabled(ui->RX_Erased->isChecked() && ui->RX_Erased->isEnabled());
}

void TForm1::suiButton2Click() {
    if (ui->TX_Erased->isChecked())
        toStation([this] { station_->eraseTransmitter(); });
}

void TForm1::suiButton1Click() {
    if (ui->RX_Erased->isChecked())
        toStation([this] { station_->eraseReceiver(); });
}

} // namespace rfbind::app
