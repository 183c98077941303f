// SPDX-License-Identifier: MIT
// The device list, the choice of the receiver, and the link display: the station finds and
// watches the receiver, the window shows what it reports.
#include "TForm1.h"

#include "StationProgram.h"

#include "Dialogs.h"
#include "HandlerWiring.h"
#include "text/Hex.h"
#include "ui_TForm1.h"
#include "widgets/Led.h"
#include "widgets/THexEdit.h"

#include <QListWidgetItem>

namespace rfbind::app {

namespace {
const QString kRxReady = QStringLiteral("Mouse RX Ready");
const QString kRxNotReady = QStringLiteral("Mouse RX Not Ready");
const QString kTxReady = QStringLiteral("Mouse TX Ready");
const QString kTxNotReady = QStringLiteral("Mouse TX Not Ready");

QString fourHexDigits(std::uint16_t value) { return QString::fromStdString(hexText(value, 4)); }
} // namespace

void TForm1::wireLink() {
    onSelected(ui->rbMSE, this, [this] { rbMSEClick(); });
    onSelected(ui->rbKB, this, [this] { rbMSEClick(); });
}

void TForm1::connectDeviceCommands() {
    wireLink();
    wireReceiverPage();
    wireTransmitterPage();
    wireMaintenance();
    wireOptions();
    wireHotKeys();
}

void TForm1::JvHidDeviceController1DeviceChange() { atStation([this] { station_->deviceChange(); }); }

std::optional<ReceiverFilter> TForm1::receiverFilter() {
    const auto vendorId = hexValue(ui->edtVID_SET);
    if (!vendorId)
        return std::nullopt;
    const auto productId = hexValue(ui->edtPID_SET);
    if (!productId)
        return std::nullopt;
    return ReceiverFilter{*vendorId, *productId};
}

void TForm1::FindReceiver() {
    const auto filter = receiverFilter();
    atStation([&] { station_->findReceiver(filter); });
}
void TForm1::ConnectReceiver() { atStation([this] { station_->connectReceiver(); }); }
void TForm1::ResetLinkStatus() { atStation([this] { station_->resetLinkStatus(); }); }

void TForm1::rbMSEClick() {
    toStation([this, mouse = ui->rbMSE->isChecked()] {
        station_->setDeviceType(mouse);
        station_->reportDeviceType();
    });
}

bool TForm1::CheckTransmitterLink() {
    return fromStation([this] { return station_->checkTransmitterLink(); });
}
void TForm1::tmrIsTxLinkTimer() { atStation([this] { station_->linkPollTick(); }); }

// ---- what the station reports of the link -------------------------------------------------

void TForm1::showLinkPicture(QWidget* picture) {
    for (QWidget* w : {static_cast<QWidget*>(ui->imgNoneDev), static_cast<QWidget*>(ui->gifBind),
                       static_cast<QWidget*>(ui->imgConnected)})
        w->setVisible(w == picture);
}

void TForm1::showDevices(const std::vector<std::string>& productStrings) {
    ui->DevListBox->clear();
    for (const std::string& name : productStrings)
        ui->DevListBox->addItem(QString::fromStdString(name));
}

void TForm1::showLinkReset() {
    showLinkPicture(ui->imgNoneDev);
    ui->edtVID->clear();
    ui->edtPID->clear();
    ui->rbKB->setEnabled(false);
    ui->rbMSE->setEnabled(false);
    ui->btnCombo_Cmd_Soft_Bind_SW->setText(MessageText(3));
    bindingWatchShown_ = false;
    ui->ledRX->setOn(false);
    ui->ledTX->setOn(false);
    ui->edtRX->setText(kRxNotReady);
    ui->edtTX->setText(kTxNotReady);
}

void TForm1::showReceiverSelected(bool present, std::uint16_t vendorId, std::uint16_t productId) {
    showLinkPicture(ui->imgNoneDev);
    ui->edtVID->clear();
    ui->edtPID->clear();
    ui->rbKB->setEnabled(true);
    ui->rbMSE->setEnabled(true);
    ui->btnCombo_Cmd_Soft_Bind_SW->setEnabled(true);
    if (!present)
        return;
    ui->edtVID->setText(fourHexDigits(vendorId));
    ui->edtPID->setText(fourHexDigits(productId));
}

void TForm1::showReceiverConnected() {
    showLinkPicture(ui->imgConnected);
    ui->ledRX->setOn(true);
    ui->edtRX->setText(kRxReady);
}

void TForm1::showTransmitterLink(bool alive) {
    ui->edtTX->setText(alive ? kTxReady : kTxNotReady);
    ui->ledTX->setOn(alive);
}

void TForm1::showReceiverNotPermitted(const std::string& productString, const std::string& path) {
    services_.dialogs.message(
        this, stationTitle(),
        QStringLiteral(
            "The receiver \"%1\" is plugged in, but this user is not allowed to use it (%2).\n\n"
            "The station's device rule is missing. Install the rule file 70-rfbind.rules with\n\n"
            "    sudo cp 70-rfbind.rules /etc/udev/rules.d/ && sudo udevadm control --reload "
            "&& sudo udevadm trigger\n\n"
            "(or with \"sudo cmake --install\" from the station's build folder), then unplug the "
            "receiver and plug it in again.")
            .arg(QString::fromStdString(productString), QString::fromStdString(path)),
        Dialogs::Icon::Warning);
}

} // namespace rfbind::app
