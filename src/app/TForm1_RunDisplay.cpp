// SPDX-License-Identifier: MIT
// The window's side of the runs: the recipe read from the controls, the RunDisplay and RunHost
// the core runs talk to, and what happens around a run (the queue of clicks that waited for
// it, the close that waited for it, the log-failure box). Each display call writes controls;
// none reads one back for the run.
#include "TForm1.h"

#include "StationProgram.h"

#include "Dialogs.h"
#include "commands/HexText.h"
#include "commands/ReceiverFrames.h"
#include "production/ProductionRun.h"
#include "production/RunSteps.h"
#include "ui_TForm1.h"
#include "widgets/AnimatedPicture.h"
#include "widgets/Led.h"
#include "widgets/THexEdit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QSysInfo>
#include <QTimer>

namespace rfbind::app {

namespace {

constexpr auto kCalibrationProgram = "QUVE_RF_auto.exe";
const QColor kPromptColour(0x00, 0xFF, 0x00); // lime: the operator has something to do
const QColor kPassColour(Qt::blue);
const QColor kFailColour(Qt::red);

/// The form in which the run fills an address or data field: two hex digits.
void setTwoHexDigits(THexEdit* field, int value) {
    field->setText(QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper());
}

} // namespace


ProductionRun TForm1::productionRun() {
    return ProductionRun(link, static_cast<RunDisplay&>(*this), static_cast<RunHost&>(*this),
                         {*RxSN, *TxSN, *RxRFID, *TxRFID}, SensorCode, bindingStatus_, *records_,
                         line_.get());
}

UnitRecipe TForm1::unitRecipe() const {
    UnitRecipe recipe;
    recipe.settings = collectSettings();
    recipe.productName = ui->edtEEPROM_20->text().toStdString();
    recipe.zoomKeys = hotKeyListsZoom_;
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
        this, stationTitle(),
        QStringLiteral("The unit passed, but its line could not be added to the production "
                       "log\n%1\n(%2).\n\nPlease write the unit down by hand:\n"
                       "Radio ID: %3\nRX serial number: %4\nTX serial number: %5")
            .arg(QFile::decodeName(outcome.logPath.c_str()), QString::fromStdString(outcome.logError),
                 outcome.ids ? QStringLiteral("%1").arg(outcome.ids->R, 6, 16, QLatin1Char('0')).toUpper()
                             : QStringLiteral("(none)"),
                 orNone(outcome.rxSerial), orNone(outcome.txSerial)),
        Dialogs::Icon::Error);
}

void TForm1::showResult(const QString& text, const QColor& colour) {
    QPalette palette = ui->lblResult->palette();
    palette.setColor(QPalette::WindowText, colour);
    ui->lblResult->setPalette(palette);
    ui->lblResult->setText(text);
}

void TForm1::showLabel(Label label) {
    switch (label) {
    case Label::Empty: ui->lblResult->clear(); break;
    case Label::Move: showResult(QStringLiteral("Move"), kPromptColour); break;
    case Label::Wait: showResult(QStringLiteral("Wait"), kPromptColour); break;
    case Label::Pass: showResult(QStringLiteral("PASS"), kPassColour); break;
    case Label::Fail: showResult(QStringLiteral("FAIL"), kFailColour); break;
    case Label::TxErased: showResult(QStringLiteral("TX Erased"), kPassColour); break;
    case Label::RxErased: showResult(QStringLiteral("RX Erased"), kPassColour); break;
    case Label::TxEraseFail: showResult(MessageText(71), kFailColour); break;
    case Label::RxEraseFail: showResult(MessageText(72), kFailColour); break;
    }
}

void TForm1::showFailReason(int messageId, const std::string& detail, const std::string& cause) {
    if (lblFailReason_ == nullptr) {
        // A short line at the foot of the result label, in the operator's language.
        lblFailReason_ = new QLabel(ui->lblResult->parentWidget());
        lblFailReason_->setObjectName(QStringLiteral("lblFailReason"));
        const QRect r = ui->lblResult->geometry();
        lblFailReason_->setGeometry(r.x(), r.bottom() - 16, r.width(), 18);
        lblFailReason_->setAlignment(Qt::AlignCenter);
        lblFailReason_->setAttribute(Qt::WA_TransparentForMouseEvents);
        QPalette palette = lblFailReason_->palette();
        palette.setColor(QPalette::WindowText, kFailColour);
        lblFailReason_->setPalette(palette);
    }
    if (messageId < 0) {
        lblFailReason_->clear();
        lblFailReason_->hide();
        return;
    }
    // The cause is the system's own text (a failed transfer's error): it stays as it came.
    const QString text = QString::fromStdString(
        composeFailReason(MessageText(messageId).toStdString(), detail, cause));
    lblFailReason_->setText(text);
    lblFailReason_->setToolTip(text);
    lblFailReason_->show();
    lblFailReason_->raise();
}

void TForm1::showProgress(int value) { ui->pbSetTX->setValue(value); }
void TForm1::showNextUnitPrompt(bool shown) { ui->Image1->setVisible(shown); }
void TForm1::showKeyboardPrompt(bool shown) { ui->Image2->setVisible(shown); }
void TForm1::clearCycle() { clearStationDisplay(); }

void TForm1::clearStationDisplay() {
    ui->edtCaliTime->clear();
    ui->lblResult->clear();
    ui->edtTX_SN->clear();
    ui->edtRX_SN->clear();
    ui->edtMseDongleAddr->clear();
    ui->Image1->hide();
}

void TForm1::showDuration(const std::string& seconds) { ui->edtCaliTime->setText(QString::fromStdString(seconds)); }
void TForm1::enableGo(bool enabled) { ui->btnGo->setEnabled(enabled); }
void TForm1::showRadioId(const std::string& hexDigits) { ui->edtMseDongleAddr->setText(QString::fromStdString(hexDigits)); }
void TForm1::showRxSerial(const std::string& text) { ui->edtRX_SN->setText(QString::fromStdString(text)); }
void TForm1::showTxSerial(const std::string& text) { ui->edtTX_SN->setText(QString::fromStdString(text)); }

void TForm1::showTransmitterEepromWrite(int address, int value) {
    setTwoHexDigits(ui->edtRF_EEPROMAddr, address);
    setTwoHexDigits(ui->edtRF_EEPROMData, value);
}

void TForm1::showTransmitterRadioChipWrite(int address, int value) {
    setTwoHexDigits(ui->edtRF_RFICAddr, address);
    setTwoHexDigits(ui->edtRF_RFICData, value);
}

void TForm1::showReceiverRadioChip(int address, int value) {
    setTwoHexDigits(ui->edtRFICAddr, address);
    setTwoHexDigits(ui->edtRFICData, value);
}

void TForm1::showTransmitterDirectRegisterWrite(int address, int value) {
    ui->edtRF_DirectRegAddr->setValue(address);
    ui->edtRF_DirectRegData->setValue(value);
}

void TForm1::showSensorRead(int address, int value) {
    setTwoHexDigits(ui->edtRF_SensorAddr, address);
    showReadValue(ui->edtRF_SensorData, value);
}

void TForm1::showCpiLevel(int level) { ui->edtC_RF_SETUP_CPI->setValue(level); }

void TForm1::showReceiverByte(int word, int value) {
    if (auto* field = findChild<THexEdit*>(QStringLiteral("edtEEPROM_%1").arg(word, 2, 10, QLatin1Char('0'))))
        field->setValue(value);
}

void TForm1::showProductLengthWord(int value) { ui->edtEEPROM_19->setValue(value); }

void TForm1::clearUsbIds() {
    // The run empties the fields to show the unit carries no USB IDs of its own; that is not
    // a supervisor's change, and nothing is saved for it.
    runClearsUsbIds_ = true;
    ui->edtVID_SET->clear();
    ui->edtPID_SET->clear();
    runClearsUsbIds_ = false;
}

void TForm1::showStatusAnswer(int n, const std::uint8_t* bytes) {
    for (int p = 0; p < receiver::kStatusAnswerBytes; ++p)
        if (auto* field = findChild<THexEdit*>(QString("edtSC0%1_0%2").arg(n).arg(p)))
            field->setText(QString::fromStdString(statusByteText(bytes[p])));
}

void TForm1::showNumbering(Panel panel, const std::string& current, const std::string& next) {
    THexEdit* fields[4][2] = {{ui->edtRX_IncCurrentSN, ui->edtRX_IncNextSN},
                              {ui->edtTX_IncCurrentSN, ui->edtTX_IncNextSN},
                              {ui->edtRX_IncCurrentRFID, ui->edtRX_IncNextRFID},
                              {ui->edtTX_IncCurrentRFID, ui->edtTX_IncNextRFID}};
    const auto row = static_cast<std::size_t>(panel);
    fields[row][0]->setText(QString::fromStdString(current));
    fields[row][1]->setText(QString::fromStdString(next));
}

void TForm1::showBindingWatch(bool watching) {
    if (watching) {
        ui->gifBind->setEnabled(true);
        ui->gifBind->setLooping(true);
        showLinkPicture(ui->gifBind);
        ui->btnCombo_Cmd_Soft_Bind_SW->setText(MessageText(4));
    } else {
        showLinkPicture(ui->imgConnected);
        ui->btnCombo_Cmd_Soft_Bind_SW->setText(MessageText(3));
    }
}

void TForm1::stopBindingAnimation() {
    ui->gifBind->setEnabled(false);
    ui->gifBind->setLooping(false);
}

void TForm1::addDebugLine(const std::string& line) { ui->lstDebug->addItem(QString::fromStdString(line)); }

void TForm1::showLineOffline(bool offline) {
    setWindowTitle(offline ? baseTitle_ + " - LINE OFFLINE" : baseTitle_);
}

// ---- RunHost ------------------------------------------------------------------------------

RunHost::Receiver TForm1::findReceiver() {
    FindReceiver();
    return selectedReceiver();
}

bool TForm1::receiverReady() { return ui->ledRX->isOn(); }

void TForm1::stopLinkPolling() { tmrIsTxLink->stop(); }

void TForm1::releaseReceiver() {
    if (link.ActiveDevice != nullptr)
        link.ActiveDevice->clearDataEvent();
    link.ActiveDevice = nullptr;
    ResetLinkStatus();
}

void TForm1::reportNotReady(bool transmitterMissing, bool receiverMissing) {
    QString text = MessageText(36) + QStringLiteral("\r\n");
    if (transmitterMissing)
        text += QStringLiteral("* Mouse TX\r\n");
    if (receiverMissing)
        text += QStringLiteral("* Mouse RX\r\n");
    services_.dialogs.message(this, QStringLiteral("Message"), text, Dialogs::Icon::Warning);
}

bool TForm1::saveNumbering(std::string& why) {
    btnWriteSettingClick();
    if (lastSaveFailed_)
        why = "the settings file could not be written";
    return !lastSaveFailed_;
}

void TForm1::noteBoundIds(int mouseId, int keyboardId) {
    PrevMouseId = mouseId;
    PrevKeyboardId = keyboardId;
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
        this, stationTitle(),
        QStringLiteral("The calibration program\n%1\ncould not be started. Check that it is a "
                       "program this computer can run%2.\n\nThe unit itself has passed.")
            .arg(QDir::toNativeSeparators(program), hint),
        Dialogs::Icon::Warning);
}

} // namespace rfbind::app
