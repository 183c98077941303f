// SPDX-License-Identifier: MIT
// The device list and the link display.
#include "TForm1.h"

#include "link/HidDeviceController.h"
#include "ui_TForm1.h"

#include <QListWidgetItem>

namespace rfbind::app {

namespace {
/// The station never reads input reports, but a platform that keeps them gets the same
/// generous buffer on every device so a chatty mouse cannot stall anything.
constexpr int kInputBuffers = 128;
} // namespace

void TForm1::JvHidDeviceController1DeviceChange() {
    if (link.ActiveDevice != nullptr)
        link.ActiveDevice->clearDataEvent();
    link.ActiveDevice = nullptr;
    ZoomKeysAvailable = false;
    services_.clock.pumpMessages();

    ui->DevListBox->clear();
    deviceList.clear(); // returns every device object to the controller
    while (auto device = services_.devices.checkOut()) {
        device->setNumInputBuffers(kInputBuffers);
        ui->DevListBox->addItem(QString::fromStdString(device->productString()));
        deviceList.push_back(std::move(device));
    }
    services_.clock.pumpMessages();

    ui->lblResult->clear();
    ui->Image1->hide();
    ui->edtMseDongleAddr->clear();
    ui->edtTX_SN->clear();
    ui->edtRX_SN->clear();
    ui->pbSetTX->setValue(0);
    ui->btnGo->setEnabled(true);
    services_.clock.pumpMessages();
}

} // namespace rfbind::app
