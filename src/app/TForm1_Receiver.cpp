// SPDX-License-Identifier: MIT
// The receiver's EEPROM words, its USB identity and product string, and its two register
// spaces (engineering page "EEPROM" and the VID/PID settings).
#include "TForm1.h"

#include "StationProgram.h"

#include "HandlerWiring.h"
#include "Dialogs.h"
#include "commands/HexText.h"
#include "commands/ProductString.h"
#include "commands/ReceiverEepromMap.h"
#include "commands/ReceiverOperations.h"
#include "ui_TForm1.h"
#include "widgets/THexEdit.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QLineEdit>
#include <QToolTip>
#include <QValidator>

namespace rfbind::app {

namespace {

/// The two-digit word address a word button or field carries at the end of its name.
QString wordSuffix(const QObject* sender) { return sender->objectName().right(2); }

std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }

/// The reason a product string cannot go to the receiver, in plain words, or nothing.
QString productStringProblem(const QString& text) {
    return QString::fromStdString(productstring::explain(utf8(text)).reason);
}

const QString kProductStringHint =
    QStringLiteral("The product string the receiver reports: at most %1 characters of Latin-1 "
                   "(letters with accents included, no other scripts).")
        .arg(productstring::kMaxLength);

// Typing or pasting a character the receiver cannot store is refused, and the edit says why
// at once: a keystroke that silently does nothing looks like a broken keyboard. A text that
// only grows too long is refused the same way; one that was too long already (from the
// settings file) may still be shortened.
class ProductStringValidator : public QValidator {
public:
    explicit ProductStringValidator(QLineEdit* edit) : QValidator(edit), edit_(edit) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { accepted_ = text.size(); });
        connect(edit, &QLineEdit::inputRejected, this, [this] { tell(); });
    }

    State validate(QString& input, int&) const override {
        const productstring::Refusal r = productstring::explain(utf8(input));
        if (r.problem == productstring::Problem::None)
            return Acceptable;
        if (r.problem == productstring::Problem::TooLong && input.size() < accepted_)
            return Intermediate;
        refusal_ = QStringLiteral("Not taken: ") + QString::fromStdString(r.reason);
        return Invalid;
    }

private:
    void tell() const {
        // The tooltip stays on the edit until the text changes, so it can be read again.
        edit_->setToolTip(refusal_ + "\n" + kProductStringHint);
        QToolTip::showText(edit_->mapToGlobal(QPoint(0, edit_->height())), refusal_, edit_);
    }

    QLineEdit* edit_;
    qsizetype accepted_ = 0;
    mutable QString refusal_;
};

} // namespace

void TForm1::setupProductStringEdit() {
    // No length limit on the edit itself: it would cut a longer name from the settings file
    // as it is shown, and the cut name would be saved back. The validator keeps typed text
    // within the receiver's 46 characters instead.
    ui->edtEEPROM_20->setMaxLength(32767);
    ui->edtEEPROM_20->setValidator(new ProductStringValidator(ui->edtEEPROM_20));
    markProductStringEdit();
}

void TForm1::markProductStringEdit() {
    const QString problem = productStringProblem(ui->edtEEPROM_20->text());
    // A text from the settings file is shown as it is, but marked, so the operator sees at
    // once why it will not be written.
    ui->edtEEPROM_20->setToolTip(problem.isEmpty() ? kProductStringHint
                                                   : "Not usable: " + problem + "\n" +
                                                         kProductStringHint);
    ui->edtEEPROM_20->setStyleSheet(problem.isEmpty() ? QString()
                                                      : QStringLiteral("color: red;"));
}

void TForm1::btnEEPROM_R_00Click(QObject* sender) {
    const QString suffix = wordSuffix(sender);
    auto* edit = findChild<THexEdit*>("edtEEPROM_" + suffix);
    if (edit == nullptr)
        return;
    edit->clear();
    if (!fromStation([&] { return station_->hasReceiver(); }))
        return;
    // Only the byte counts: the low half is its complement.
    showReadValue(edit, fromStation([&] { return station_->receiver().readWord(suffix.toInt()); }), 8);
}

void TForm1::btnEEPROM_W_00Click(QObject* sender) {
    if (!fromStation([&] { return station_->hasReceiver(); }))
        return;
    const QString suffix = wordSuffix(sender);
    const auto* edit = findChild<THexEdit*>("edtEEPROM_" + suffix);
    if (edit == nullptr)
        return;
    const auto v = hexValue(edit);
    if (!v)
        return;
    atStation([&] { station_->receiver().writeByte(suffix.toInt(), static_cast<std::uint8_t>(*v)); });
}

void TForm1::readUsbIdInto(THexEdit* setting, int highWord, const char* name) {
    if (!fromStation([&] { return station_->hasReceiver(); }))
        return;
    int high = -1;
    int low = -1;
    atStation([&] {
        ReceiverOperations ops = station_->receiver();
        high = ops.readWord(highWord);
        low = high < 0 ? -1 : ops.readWord(highWord + 1);
    });
    // The engineering fields show what came back, failure marks included.
    showReadValue(findChild<THexEdit*>(QStringLiteral("edtEEPROM_%1").arg(highWord)), high, 8);
    showReadValue(findChild<THexEdit*>(QStringLiteral("edtEEPROM_%1").arg(highWord + 1)), low, 8);
    if (high < 0 || low < 0) {
        // The failure text cut to four digits reads as the ID FFFF, which would be saved and
        // programmed into every later unit: the setting keeps its value instead.
        services_.dialogs.message(
            this, stationTitle(),
            QStringLiteral("Reading the %1 from the receiver failed; the %1 setting keeps %2.")
                .arg(QLatin1String(name),
                     setting->text().isEmpty() ? QStringLiteral("no value") : setting->text()),
            Dialogs::Icon::Warning);
        return;
    }
    setting->setText(QString::fromStdString(hexText(static_cast<std::uint32_t>((high >> 8) * 256 + (low >> 8)), 4)));
}

void TForm1::btnEEPROM_R_VIDClick() { readUsbIdInto(ui->edtVID_SET, 15, "VID"); }

void TForm1::btnEEPROM_R_PIDClick() { readUsbIdInto(ui->edtPID_SET, 17, "PID"); }

void TForm1::btnEEPROM_W_VIDClick() {
    const auto v = hexValue(ui->edtVID_SET);
    if (!v)
        return;
    ui->edtEEPROM_15->setValue(*v / 256);
    ui->edtEEPROM_16->setValue(*v % 256);
    btnEEPROM_W_00Click(ui->btnEEPROM_W_15);
    btnEEPROM_W_00Click(ui->btnEEPROM_W_16);
}

void TForm1::btnEEPROM_W_PIDClick() {
    const auto v = hexValue(ui->edtPID_SET);
    if (!v)
        return;
    ui->edtEEPROM_17->setValue(*v / 256);
    ui->edtEEPROM_18->setValue(*v % 256);
    btnEEPROM_W_00Click(ui->btnEEPROM_W_17);
    btnEEPROM_W_00Click(ui->btnEEPROM_W_18);
}

void TForm1::btnEEPROM_W_20Click() {
    if (!fromStation([&] { return station_->hasReceiver(); }))
        return;
    const QString text = ui->edtEEPROM_20->text();
    if (const QString problem = productStringProblem(text); !problem.isEmpty()) {
        // Writing it would leave the receiver reporting a string nobody typed. The run that
        // called this tests CommError, so the unit fails instead of passing without it.
        atStation([&] { station_->refuseWrite(); });
        services_.dialogs.message(
            this, stationTitle(),
            QStringLiteral("The product string \"%1\" was not written to the receiver.\n\n%2\n\n"
                           "Correct it under StringDesc in the settings.")
                .arg(text, problem),
            Dialogs::Icon::Warning);
        return;
    }
    const std::string bytes = productstring::toReceiverBytes(utf8(text));
    ui->edtEEPROM_19->setValue(productstring::lengthField(static_cast<int>(bytes.size())));
    atStation([&] { station_->receiver().writeProductString(bytes); });
}

void TForm1::btnEEPROM_R_20Click() {
    ui->edtEEPROM_20->clear();
    if (!fromStation([&] { return station_->hasReceiver(); }))
        return;
    const auto read = fromStation([&] { return station_->receiver().readProductString(); });
    showReadValue(ui->edtEEPROM_19, read.lengthWord, 8);
    // Single-byte characters, as the receiver keeps them.
    ui->edtEEPROM_20->setText(QString::fromStdString(
        productstring::fromReceiverBytes(read.text.value_or(std::string()))));
}

void TForm1::edtVID_SETChange() {
    markProductStringEdit();
    if (runClearsUsbIds_)
        return;
    if (station_->runMode() == 0 || station_->runActive())
        optionEffect(); // saved now, or once the run has ended
}

void TForm1::btnC_Rd_Direct_RegClick() {
    if (!fromStation([&] { return station_->hasReceiver(); }))
        return;
    const auto address = hexValue(ui->edtDirectAddr);
    if (!address)
        return;
    if (const auto value =
            fromStation([&] { return station_->receiver().readDirectRegister(static_cast<std::uint8_t>(*address)); }))
        showReadValue(ui->edtDirectData, *value);
}

void TForm1::btnC_Wrt_Direct_RegClick() {
    if (!fromStation([&] { return station_->hasReceiver(); }))
        return;
    const auto address = hexValue(ui->edtDirectAddr);
    if (!address)
        return;
    const auto data = hexValue(ui->edtDirectData);
    if (!data)
        return;
    atStation([&] { station_->receiver().writeDirectRegister(static_cast<std::uint8_t>(*address),
                                                 static_cast<std::uint8_t>(*data)); });
}

void TForm1::btnRd_RFICClick() {
    if (!fromStation([&] { return station_->hasReceiver(); }))
        return;
    const auto address = hexValue(ui->edtRFICAddr);
    if (!address)
        return;
    if (const auto value =
            fromStation([&] { return station_->receiver().readRadioChipRegister(static_cast<std::uint8_t>(*address)); }))
        showReadValue(ui->edtRFICData, *value);
}

void TForm1::btnWrt_RFICClick() {
    const auto value = hexValue(ui->edtRFICData);
    if (!value || !fromStation([&] { return station_->hasReceiver(); }))
        return;
    const auto address = hexValue(ui->edtRFICAddr);
    if (!address)
        return;
    if (const auto shown = fromStation([&] { return station_->receiver().writeRadioChipRegister(
            static_cast<std::uint8_t>(*address), *value); }))
        showReadValue(ui->edtRFICData, *shown);
}

void TForm1::wireReceiverPage() {
    for (const char* word : {"00", "01", "02", "15", "16", "17", "18", "19"}) {
        if (auto* read = findChild<QPushButton*>(QString("btnEEPROM_R_") + word))
            onClicked(read, this, [this, read] { btnEEPROM_R_00Click(read); });
        if (auto* write = findChild<QPushButton*>(QString("btnEEPROM_W_") + word))
            onClicked(write, this, [this, write] { btnEEPROM_W_00Click(write); });
    }
    onClicked(ui->btnEEPROM_R_VID, this, [this] { btnEEPROM_R_VIDClick(); });
    onClicked(ui->btnEEPROM_R_PID, this, [this] { btnEEPROM_R_PIDClick(); });
    onClicked(ui->btnEEPROM_W_VID, this, [this] { btnEEPROM_W_VIDClick(); });
    onClicked(ui->btnEEPROM_W_PID, this, [this] { btnEEPROM_W_PIDClick(); });
    onClicked(ui->btnEEPROM_R_20, this, [this] { btnEEPROM_R_20Click(); });
    onClicked(ui->btnEEPROM_W_20, this, [this] { btnEEPROM_W_20Click(); });
    for (QLineEdit* edit : {static_cast<QLineEdit*>(ui->edtEEPROM_20),
                            static_cast<QLineEdit*>(ui->edtVID_SET),
                            static_cast<QLineEdit*>(ui->edtPID_SET)})
        connect(edit, &QLineEdit::textChanged, this, [this, edit] {
            forgetRefusedSetting(edit);
            edtVID_SETChange();
        });
    onClicked(ui->btnC_Rd_Direct_Reg, this, [this] { btnC_Rd_Direct_RegClick(); });
    onClicked(ui->btnC_Wrt_Direct_Reg, this, [this] { btnC_Wrt_Direct_RegClick(); });
    onClicked(ui->btnRd_RFIC, this, [this] { btnRd_RFICClick(); });
    onClicked(ui->btnWrt_RFIC, this, [this] { btnWrt_RFICClick(); });
    setupProductStringEdit();
}

} // namespace rfbind::app
