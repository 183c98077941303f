// SPDX-License-Identifier: MIT
// The programming run ("Set TX", and the heart of Go): lowers the radio power, writes the
// options, serial numbers and radio IDs into transmitter and receiver, proves the link,
// optionally binds a keyboard, and ends in PASS or FAIL. Every device step is one of the
// engineering pages' handlers, driven through its address and data fields, so those fields
// show what the run wrote last.
#include "TForm1.h"

#include "Dialogs.h"
#include "RunGuard.h"
#include "commands/DeviceOptions.h"
#include "commands/ReceiverEepromMap.h"
#include "production/NumberingAdvance.h"
#include "production/ProductionLog.h"
#include "production/RunSteps.h"
#include "production/SoftBinding.h"
#include "ui_TForm1.h"
#include "widgets/AnimatedPicture.h"
#include "widgets/THexEdit.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>

namespace rfbind::app {

namespace rs = runsteps;

namespace {

const QColor kPromptColour(0x00, 0xFF, 0x00); // lime: the operator has something to do
const QColor kPassColour(Qt::blue);
const QColor kFailColour(Qt::red);

/// The form in which the run fills an address or data field: two hex digits.
void setTwoHexDigits(THexEdit* field, int value) {
    field->setText(QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper());
}

QString twoHexDigits(int value) {
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

void TForm1::showResult(const QString& text, const QColor& colour) {
    QPalette palette = ui->lblResult->palette();
    palette.setColor(QPalette::WindowText, colour);
    ui->lblResult->setPalette(palette);
    ui->lblResult->setText(text);
}

void TForm1::writeTransmitterByte(int address, int value) {
    setTwoHexDigits(ui->edtRF_EEPROMAddr, address);
    setTwoHexDigits(ui->edtRF_EEPROMData, value);
    btnC_RF_Wrt_EEPROMClick();
}

void TForm1::writeTransmitterRadioChip(int address, int value) {
    setTwoHexDigits(ui->edtRF_RFICAddr, address);
    setTwoHexDigits(ui->edtRF_RFICData, value);
    btnC_RF_Wrt_RFIC_ARF2496KClick();
}

void TForm1::writeReceiverRadioChip(int address, int value) {
    setTwoHexDigits(ui->edtRFICAddr, address);
    setTwoHexDigits(ui->edtRFICData, value);
    btnWrt_RFICClick();
}

void TForm1::restoreAfterRun() {
    if (BindFromRun)
        tmrSoftBind->stop();
    BindFromRun = false;
    RunMode = 0;
    ui->Image2->hide();
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
    programUnit();
    if (polling && link.ActiveDevice != nullptr)
        tmrIsTxLink->start();
}

void TForm1::programUnit() {
    RunMode = 1;
    ui->lblResult->clear();
    ui->Image1->hide();
    UnitPassed = false;
    link.CommError = false;
    unitIds_.reset();
    UnitPassed = programSteps();
    finishRun();
}

bool TForm1::waitForTransmitter(int& failures) {
    // The wait's own negative tests may leave CommError behind (a sensor read that went
    // unanswered); only a transmitter that never answers within the limit fails the run.
    const bool before = link.CommError;
    while (!CheckTransmitterLink()) {
        ++failures;
        services_.clock.sleepMs(rs::kLinkWaitPauseMs);
        if (failures >= rs::kLinkWaitFailures) {
            link.CommError = true;
            return false;
        }
    }
    link.CommError = before;
    return true;
}

bool TForm1::programSteps() {
    Clock& clock = services_.clock;
    const auto failed = [this] { return link.CommError; };
    const auto progress = [this](int value) { ui->pbSetTX->setValue(value); };
    const auto sendReport = [this](rs::ReportBytes r) {
        // The receiver takes these radio settings without an answer worth checking.
        link.SendReport(r.b1, r.b2, r.b3, r.b4);
    };

    // Radio power: the station works at short range, so both radio chips go down to the
    // chosen power while the unit is programmed.
    rbC_RF_LEAVE_ACCESSClick();
    clock.sleepMs(rs::kSettleMs);
    rbC_RF_ENTER_ACCESS_WO_LEDClick();
    clock.sleepMs(rs::kSettleMs);
    const std::uint8_t power = options::rfPowerCode(ui->ComboRFPower->currentIndex());
    writeReceiverRadioChip(rs::kPowerRegister, power);
    rbC_RF_ENTER_ACCESS_WO_LEDClick();
    clock.sleepMs(rs::kSettleMs);
    writeTransmitterRadioChip(rs::kPowerRegister, power);
    writeTransmitterRadioChip(rs::kTxRadioRegister0F, 0x00);
    clock.sleepMs(rs::kSettleMs);
    sendReport(rs::firstRadioSetting(ReceiverVersion));

    // Three link waits share one budget of negative tests.
    int linkFailures = 0;
    if (!waitForTransmitter(linkFailures) || failed())
        return false;
    progress(1);
    rbC_RF_ENTER_ACCESS_WO_LEDClick();
    clock.sleepMs(rs::kSettleMs);
    if (!waitForTransmitter(linkFailures) || failed())
        return false;
    progress(1);
    writeTransmitterRadioChip(rs::kTxRadioRegister0A, 0x00);
    clock.sleepMs(rs::kSettleMs);
    sendReport(rs::secondRadioSetting(ReceiverVersion));
    if (!waitForTransmitter(linkFailures) || failed())
        return false;
    progress(1);

    // The sensor class is the same for a whole batch: read once per program start, and kept
    // only from a read that was answered, so one bad read cannot mark every later receiver.
    if (SensorCode == 0) {
        setTwoHexDigits(ui->edtRF_SensorAddr, 0x00);
        btnC_RF_Rd_SensorClick();
        if (!failed())
            SensorCode = rs::sensorCode(ui->edtRF_SensorData->value().value_or(-1));
    }
    if (failed())
        return false;

    // Options, each through its own handler (RunMode 1 makes them write the unit).
    rbRF_DR_55Click(); // automatic connection after power-on: always off at the station
    if (failed())
        return false;
    progress(2);
    clock.pumpMessages();
    if (ui->rbRF_DR_15->isChecked())
        rbRF_DR_15Click();
    else
        rbRF_DR_1AClick();
    if (failed())
        return false;
    progress(3);
    clock.pumpMessages();
    if (ui->rbRF_CPI_H->isChecked())
        rbRF_CPI_HClick();
    else
        rbRF_CPI_LClick();
    if (failed())
        return false;
    progress(4);
    if (ui->rbRF_DR_45->isChecked())
        rbRF_DR_45Click();
    else if (ui->rbRF_DR_4A->isChecked())
        rbRF_DR_4AClick();
    else
        rbRF_DR_4FClick();
    if (failed())
        return false;
    progress(5);
    clock.pumpMessages();
    const std::uint8_t lrm = rs::lrmBindingByte(ui->LRMBinding->isChecked());
    writeTransmitterByte(rs::kLrmBindingAddress, lrm);
    writeTransmitterByte(rs::kLrmBindingAddress + 1, lrm ^ 0xFF);
    if (ui->rbRF_DR_25->isChecked())
        rbRF_DR_25Click();
    else
        rbRF_DR_2AClick();
    if (failed())
        return false;
    progress(6);
    clock.pumpMessages();
    cbRF_Set_BTY_Low_LevelChange();
    if (failed())
        return false;

    progress(7);
    rbC_RF_ENTER_ACCESS_WO_LEDClick();
    clock.sleepMs(rs::kSettleMs);

    // Transmitter serial number, and the two bytes after it that mark it as written.
    if (TxSN->IsSN()) {
        ui->edtTX_SN->setText(QString::fromStdString(TxSN->GetSNText()));
        const auto serial = TxSN->GetSNBytes();
        for (int k = 0; k < 6 && !failed(); ++k)
            writeTransmitterByte(rs::kTxSerialFirst + k, serial[static_cast<std::size_t>(k)]);
        writeTransmitterByte(rs::kTxSerialTail, 0xFF);
        if (failed())
            return false;
        writeTransmitterByte(rs::kTxSerialTail + 1, 0xFF);
        if (failed())
            return false;
    }
    if (failed())
        return false;
    progress(8);
    clock.pumpMessages();

    // Radio IDs: the receiver's from its generator, then the transmitter's; each unit's IDs
    // are drawn once, whatever the unit's result.
    const auto r = static_cast<std::uint32_t>(RxRFID->NextRFID());
    const auto t = static_cast<std::uint32_t>(TxRFID->NextRFID());
    unitIds_ = RadioIdPair::fromNextIds(r, t);
    const auto idBytes = unitIds_->bytes();
    ui->edtMseDongleAddr->clear();
    QString dongleAddress;
    for (std::size_t i = 0; i < idBytes.size(); ++i) {
        if (i <= 2) {
            // The field shows the receiver ID as it was drawn, before its top bit is set.
            dongleAddress += twoHexDigits(static_cast<int>(unitIds_->R >> (16 - 8 * i)));
            ui->edtMseDongleAddr->setText(dongleAddress);
        }
        addDebugLine(twoHexDigits(idBytes[i]).toStdString());
        writeTransmitterByte(RadioIdPair::kTransmitterAddress[i], idBytes[i]);
        clock.pumpMessages();
        if (failed())
            break;
    }
    writeTransmitterByte(RadioIdPair::kTransmitterPartnerChecksumAddress,
                         unitIds_->receiverIdChecksum());
    clock.pumpMessages();
    if (failed())
        return false;
    writeTransmitterByte(RadioIdPair::kTransmitterOwnChecksumAddress,
                         unitIds_->transmitterIdChecksum());
    if (failed())
        return false;

    progress(9);
    btnRF_DR_3DClick(); // the transmitter takes its new IDs
    clock.sleepMs(rs::kSettleMs);
    rbC_RF_LEAVE_ACCESSClick();
    clock.sleepMs(rs::kSettleMs);

    // The receiver's copy of the IDs. A failure here does not count yet: the same words are
    // written again below, and checked there.
    for (std::size_t i = 0; i < idBytes.size(); ++i) {
        clock.pumpMessages();
        addDebugLine(twoHexDigits(idBytes[i]).toStdString());
        link.WriteReceiverEeprom(RadioIdPair::kReceiverWord[i], rxeeprom::complementWord(idBytes[i]));
        if (failed())
            break;
    }
    link.CommError = false;

    link.WriteReceiverEeprom(rs::kSensorCodeWord,
                             rxeeprom::complementWord(static_cast<std::uint8_t>(SensorCode)));
    if (failed())
        return false;

    progress(10);
    progress(11);
    if (ui->rbMouseOnly->isChecked())
        rbMouseOnlyClick();
    else
        rbKbdMseClick();
    progress(12);
    cbCustKey1Change();
    if (failed())
        return false;
    progress(13);
    cbCustKey2Change();
    if (failed())
        return false;
    progress(14);
    progress(15);

    // USB identity: both IDs or none; the run's own emptying of the fields saves nothing
    // (RunMode 1).
    const auto vid = hexValue(ui->edtVID_SET);
    const auto pid = vid ? hexValue(ui->edtPID_SET) : std::nullopt;
    if (!vid || !pid) {
        link.CommError = true; // the operator was shown the malformed number
    } else if (*vid >= 1 && *pid >= 1) {
        btnEEPROM_W_VIDClick();
        btnEEPROM_W_PIDClick();
    } else {
        for (int w = rs::kVidPidFirstWord; w < rs::kVidPidFirstWord + 4; ++w)
            link.WriteReceiverEeprom(w, 0);
        ui->edtVID_SET->clear();
        ui->edtPID_SET->clear();
    }
    if (failed())
        return false;
    progress(16);
    if (ui->edtEEPROM_20->text().trimmed().isEmpty())
        link.WriteReceiverEeprom(rs::kStringLengthWord, 0);
    else
        btnEEPROM_W_20Click();
    if (failed())
        return false;

    progress(17);
    ui->edtRX_SN->setText(QString::fromStdString(RxSN->GetSNText()));
    if (RxSN->IsSN()) {
        link.WriteReceiverEeprom(rs::kSerialGuardWord, 0);
        const auto serial = RxSN->GetSNBytes();
        for (int k = 0; k < 3; ++k)
            link.WriteReceiverEeprom(rs::kSerialFirstWord + k,
                                     serial[static_cast<std::size_t>(2 * k)] * 256 +
                                         serial[static_cast<std::size_t>(2 * k + 1)]);
    }
    if (failed())
        return false;
    progress(18);
    for (std::size_t i = 0; i < idBytes.size() && !failed(); ++i)
        link.WriteReceiverEeprom(RadioIdPair::kReceiverWord[i], rxeeprom::complementWord(idBytes[i]));
    // Cleared so that a keyboard binding shows itself by filling them.
    for (int w : SoftBinding::kKeyboardWords)
        link.WriteReceiverEeprom(w, 0);
    link.WriteReceiverEeprom(rs::kSleepPeriodWord,
                             rxeeprom::complementWord(static_cast<std::uint8_t>(ui->suiSpinEdit1->value())));
    if (failed())
        return false;
    link.WriteReceiverEeprom(rs::kWakeupPeriodWord,
                             rxeeprom::complementWord(static_cast<std::uint8_t>(ui->suiSpinEdit2->value())));
    if (failed())
        return false;

    progress(19);
    btnC_RELOAD_PARAMETERClick();
    btnC_RELOAD_PARAMETERClick();

    // The operator moves the mouse: the link must carry traffic with the new IDs.
    showResult(QStringLiteral("Move"), kPromptColour);
    clock.pumpMessages();
    bool linked = false;
    for (int i = 0; i < rs::kFinalLinkTests && !linked; ++i)
        linked = CheckTransmitterLink();
    if (!linked)
        return false;
    progress(rs::kProgressDone);

    if (ui->cbKeyboardbind->isChecked() && ui->rbKbdMse->isChecked())
        return bindKeyboard();
    return true;
}

bool TForm1::bindKeyboard() {
    Clock& clock = services_.clock;
    BindFromRun = true;
    ui->Image2->show();
    showResult(QStringLiteral("Wait"), kPromptColour); // the operator presses the keyboard's bind button
    clock.pumpMessages();
    BindTicks = 0;
    startBinding();

    // The receiver fills six words with complement words when the keyboard has paired; the
    // watch's ticks arrive meanwhile, while this loop lets window messages run.
    int valid = 0;
    do {
        clock.sleepMs(rs::kBindPollMs);
        clock.pumpMessages();
        valid = 0;
        for (int w : SoftBinding::kKeyboardWords)
            if (SoftBinding::validKeyboardWord(link.ReadReceiverEeprom(w)))
                ++valid;
    } while (tmrSoftBind->isActive() && valid < static_cast<int>(SoftBinding::kKeyboardWords.size()));
    tmrSoftBind->stop();
    ui->gifBind->setEnabled(false);
    ui->gifBind->setLooping(false);

    const bool wordsFilled = valid == static_cast<int>(SoftBinding::kKeyboardWords.size());
    if (wordsFilled)
        BindTicks = SoftBinding::kTimeoutTick + 1;
    // Only a keyboard that paired passes: a binding that timed out, lost its receiver or
    // could not start at all leaves the unit without its keyboard.
    return wordsFilled || bindOutcome_ == BindOutcome::Paired;
}

void TForm1::advanceNumbering() {
    const auto showSerial = [](TProdSN& generator, THexEdit* current, THexEdit* next) {
        if (const auto shown = NumberingAdvance::serialPassed(generator)) {
            current->setText(QString::fromStdString(shown->current));
            next->setText(QString::fromStdString(shown->next));
        }
    };
    showSerial(*RxSN, ui->edtRX_IncCurrentSN, ui->edtRX_IncNextSN);
    showSerial(*TxSN, ui->edtTX_IncCurrentSN, ui->edtTX_IncNextSN);

    const auto showRadioId = [](TProdRFID& generator, std::uint32_t id, THexEdit* current,
                                THexEdit* next) {
        if (const auto shown = NumberingAdvance::radioIdPassed(generator, id)) {
            current->setText(QString::fromStdString(shown->current));
            next->setText(QString::fromStdString(shown->next));
        }
    };
    showRadioId(*RxRFID, unitIds_->R, ui->edtRX_IncCurrentRFID, ui->edtRX_IncNextRFID);
    showRadioId(*TxRFID, unitIds_->T, ui->edtTX_IncCurrentRFID, ui->edtTX_IncNextRFID);
}

void TForm1::finishRun() {
    Clock& clock = services_.clock;
    clock.pumpMessages();
    std::optional<ProductionLog::AppendResult> logFailure;
    if (UnitPassed && unitIds_) {
        // The numbers this unit carries are recorded as used and saved before the unit goes
        // into the log: a crash in between leaves a gap in the numbering, never a number
        // handed out twice.
        advanceNumbering();
        btnWriteSettingClick();

        const QDateTime now = QDateTime::currentDateTime();
        const ProductionLog::Entry entry{
            now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toStdString(),
            ui->edtMseDongleAddr->text().toStdString(), ui->edtRX_SN->text().toStdString(),
            ui->edtTX_SN->text().toStdString()};
        const std::string file =
            ProductionLog::path(QFile::encodeName(QDir::currentPath()).toStdString(),
                                now.date().toString(QStringLiteral("yyyy-MM-dd")).toStdString());
        const ProductionLog::AppendResult appended = ProductionLog::append(file, entry);
        if (!appended.ok)
            logFailure = appended;

        // The unit is programmed and paired: it passes whether or not its line was written.
        showResult(QStringLiteral("PASS"), kPassColour);

        if (ui->cbResetRF->isChecked() && ui->ComboRFPower->currentIndex() != 0) {
            rbC_RF_ENTER_ACCESS_WO_LEDClick();
            clock.sleepMs(rs::kSettleMs);
            writeTransmitterRadioChip(rs::kPowerRegister, options::kFullRfPower);
            clock.sleepMs(rs::kPowerRestoreGapMs);
            writeReceiverRadioChip(rs::kPowerRegister, options::kFullRfPower);
        }
    } else {
        UnitPassed = false;
        showResult(QStringLiteral("FAIL"), kFailColour);
    }
    rbC_RF_LEAVE_ACCESSClick();
    clock.sleepMs(rs::kSettleMs);
    ui->Image2->hide();
    ui->Image1->show();
    clock.pumpMessages();
    RunMode = 0;
    BindFromRun = false;

    if (logFailure) {
        // Shown once the station is idle again: the operator writes the unit down by hand.
        services_.dialogs.message(
            this, QGuiApplication::applicationDisplayName(),
            QStringLiteral("The unit passed, but its line could not be added to the production "
                           "log\n%1\n(%2).\n\nPlease write the unit down by hand:\n"
                           "Radio ID: %3\nRX serial number: %4\nTX serial number: %5")
                .arg(QFile::decodeName(logFailure->path.c_str()),
                     QString::fromStdString(logFailure->error), ui->edtMseDongleAddr->text(),
                     ui->edtRX_SN->text().isEmpty() ? QStringLiteral("(none)") : ui->edtRX_SN->text(),
                     ui->edtTX_SN->text().isEmpty() ? QStringLiteral("(none)") : ui->edtTX_SN->text()),
            Dialogs::Icon::Error);
    }
}

} // namespace rfbind::app
