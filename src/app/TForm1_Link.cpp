// SPDX-License-Identifier: MIT
// The device list, the choice of the receiver, and the link display with its polling.
#include "TForm1.h"

#include "StationProgram.h"

#include "Dialogs.h"
#include "HandlerWiring.h"
#include "TForm2.h"
#include "commands/ReceiverFrames.h"
#include "commands/ReceiverOperations.h"
#include "commands/ReceiverSelection.h"
#include "link/HidDeviceController.h"
#include "text/Hex.h"
#include "ui_TForm1.h"
#include "widgets/Led.h"
#include "widgets/THexEdit.h"

#include <QGuiApplication>
#include <QListWidgetItem>
#include <QTimer>

namespace rfbind::app {

namespace {
/// The station never reads input reports, but a platform that keeps them gets the same
/// generous buffer on every device so a chatty mouse cannot stall anything.
constexpr int kInputBuffers = 128;
constexpr int kLinkPollMs = 500;
constexpr int kSoftBindPollMs = 1000;
constexpr int kReceiverFeatureReportLength = 8;

const QString kRxReady = QStringLiteral("Mouse RX Ready");
const QString kRxNotReady = QStringLiteral("Mouse RX Not Ready");
const QString kTxReady = QStringLiteral("Mouse TX Ready");
const QString kTxNotReady = QStringLiteral("Mouse TX Not Ready");

QString fourHexDigits(std::uint16_t value) { return QString::fromStdString(hexText(value, 4)); }
} // namespace

void TForm1::wireLink() {
    tmrIsTxLink = new QTimer(this);
    tmrIsTxLink->setInterval(kLinkPollMs);
    connect(tmrIsTxLink, &QTimer::timeout, this, [this] { tmrIsTxLinkTimer(); });
    // Its handler is the binding watch, connected where binding is built.
    tmrSoftBind = new QTimer(this);
    tmrSoftBind->setInterval(kSoftBindPollMs);
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

void TForm1::JvHidDeviceController1DeviceChange() {
    if (link.ActiveDevice != nullptr)
        link.ActiveDevice->clearDataEvent();
    link.ActiveDevice = nullptr;
    ResetLinkStatus();
    ZoomKeysAvailable = false;
    services_.clock.pumpMessages();

    // A receiver search in progress walks this list: it sees the change and stops.
    ++deviceListGeneration_;
    ui->DevListBox->clear();
    deviceList.clear(); // returns every device object to the controller
    std::set<std::string> present;
    while (auto device = services_.devices.checkOut()) {
        device->setNumInputBuffers(kInputBuffers);
        ui->DevListBox->addItem(QString::fromStdString(device->productString()));
        present.insert(device->path());
        deviceList.push_back(std::move(device));
    }
    // A receiver that left the bus is warned about again when it is plugged in anew.
    std::erase_if(permissionWarned_, [&](const std::string& path) { return !present.contains(path); });
    services_.clock.pumpMessages();

    clearStationDisplay();
    ui->pbSetTX->setValue(0);
    ui->btnGo->setEnabled(true);
    services_.clock.pumpMessages();
}

void TForm1::showLinkPicture(QWidget* picture) {
    for (QWidget* w : {static_cast<QWidget*>(ui->imgNoneDev), static_cast<QWidget*>(ui->gifBind),
                       static_cast<QWidget*>(ui->imgConnected)})
        w->setVisible(w == picture);
}

void TForm1::ResetLinkStatus() {
    tmrSoftBind->stop();
    tmrIsTxLink->stop();
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
    services_.clock.pumpMessages();
}

void TForm1::FindReceiver() {
    if (link.ActiveDevice != nullptr)
        link.ActiveDevice->clearDataEvent();
    link.ActiveDevice = nullptr;
    ResetLinkStatus();
    ZoomKeysAvailable = false;

    const auto setVendorId = hexValue(ui->edtVID_SET);
    if (!setVendorId)
        return;
    const auto setProductId = hexValue(ui->edtPID_SET);
    if (!setProductId)
        return;

    const std::uint64_t generation = deviceListGeneration_;
    // Connecting pumps window messages; a device change in between replaces the list, and
    // the objects this loop would go on with are gone: the search ends there, receiverless.
    for (std::size_t i = 0; i < deviceList.size() && generation == deviceListGeneration_; ++i) {
        HidDevice* device = deviceList[i].get();
        const HidAttributes attributes = device->attributes();
        const selection::Verdict verdict = selection::judge(
            device->caps(), attributes, receiverIdTable, *setVendorId, *setProductId);
        if (!verdict.accepted)
            continue;
        if (verdict.zoomKeys)
            ZoomKeysAvailable = true;
        ReceiverVersion = attributes.version;
        if (ZoomKeysAvailable)
            FillHotKeyLists();
        if (generation != deviceListGeneration_)
            break;
        // Every accepted receiver is connected in turn; the last one in list order stays.
        link.ActiveDevice = device;
        ConnectReceiver();
        if (generation != deviceListGeneration_)
            break;
        link.ReportLength = kReceiverFeatureReportLength;
        LinkPollingSuspended = false;
        ConnectReceiver();
    }
}

void TForm1::ConnectReceiver() {
    tmrSoftBind->stop();
    showLinkPicture(ui->imgNoneDev);
    ui->edtVID->clear();
    ui->edtPID->clear();
    ui->rbKB->setEnabled(true);
    ui->rbMSE->setEnabled(true);
    ui->btnCombo_Cmd_Soft_Bind_SW->setEnabled(true);
    HidDevice* device = link.ActiveDevice;
    if (device == nullptr)
        return;
    const HidAttributes attributes = device->attributes();
    ui->edtVID->setText(fourHexDigits(attributes.vendorId));
    ui->edtPID->setText(fourHexDigits(attributes.productId));

    ReceiverOperations receiver(link);
    const auto ids = receiver.linkQuery();
    if (!ids) {
        warnIfNotPermitted(*device);
        return;
    }
    PrevMouseId = ids->mouseId;
    PrevKeyboardId = ids->keyboardId;
    showLinkPicture(ui->imgConnected);
    rbMSEClick();
    receiver.secondQuery();
    ui->ledRX->setOn(true);
    ui->edtRX->setText(kRxReady);
    CheckTransmitterLink();
    services_.clock.pumpMessages();
    tmrIsTxLink->start();
}

void TForm1::warnIfNotPermitted(HidDevice& device) {
    if (device.openStatus() != OpenStatus::PermissionDenied)
        return;
    const std::string path = device.path();
    if (!permissionWarned_.insert(path).second)
        return; // once per plug-in
    services_.dialogs.message(
        this, stationTitle(),
        QStringLiteral(
            "The receiver \"%1\" is plugged in, but this user is not allowed to use it (%2).\n\n"
            "The station's device rule is missing. Install the rule file 70-rfbind.rules with\n\n"
            "    sudo cp 70-rfbind.rules /etc/udev/rules.d/ && sudo udevadm control --reload "
            "&& sudo udevadm trigger\n\n"
            "(or with \"sudo cmake --install\" from the station's build folder), then unplug the "
            "receiver and plug it in again.")
            .arg(QString::fromStdString(device.productString()), QString::fromStdString(path)),
        Dialogs::Icon::Warning);
}

void TForm1::rbMSEClick() {
    ReceiverOperations(link).reportDeviceType(ui->rbMSE->isChecked() ? receiver::DeviceType::Mouse
                                                                     : receiver::DeviceType::Keyboard);
}

bool TForm1::CheckTransmitterLink() {
    if (form2_ != nullptr && form2_->isVisible())
        return false;
    if (link.ActiveDevice == nullptr || !link.ActiveDevice->pluggedIn()) {
        ui->ledTX->setOn(false);
        ui->edtTX->setText(kTxNotReady);
        services_.clock.pumpMessages();
        return false;
    }
    const bool alive = linkTest_.run();
    ui->edtTX->setText(alive ? kTxReady : kTxNotReady);
    ui->ledTX->setOn(alive);
    services_.clock.pumpMessages();
    return alive;
}

void TForm1::tmrIsTxLinkTimer() {
    // Another program (the calibration tool) may hold the receiver after a cycle.
    if (LinkPollingSuspended)
        return;
    tmrIsTxLink->stop();
    services_.clock.sleepMs(10);
    services_.clock.pumpMessages();
    CheckTransmitterLink();
    // Short steps keep the window responsive between tests.
    for (int i = 0; i < 100; ++i) {
        services_.clock.sleepMs(1);
        services_.clock.pumpMessages();
    }
    tmrIsTxLink->start();
}

} // namespace rfbind::app
