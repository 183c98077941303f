// SPDX-License-Identifier: MIT
// The receiver's EEPROM words, its USB identity and product string, and its two register
// spaces (engineering page "EEPROM" and the VID/PID settings).
#include "TForm1.h"

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
#include <QRegularExpressionValidator>

namespace rfbind::app {

namespace {

/// The two-digit word address a word button or field carries at the end of its name.
QString wordSuffix(const QObject* sender) { return sender->objectName().right(2); }

std::string productStringBytes(const QString& text) { return text.toLatin1().toStdString(); }

/// The reason a product string cannot go to the receiver, in plain words, or nothing.
QString productStringProblem(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0x7E || c.unicode() < 0x20)
            return QStringLiteral("It holds characters the receiver cannot store: only letters, "
                                  "digits, blanks and the punctuation of plain ASCII can be used.");
    if (text.size() > productstring::kMaxLength)
        return QStringLiteral("It is longer than the %1 characters the receiver can store.")
            .arg(productstring::kMaxLength);
    return {};
}

} // namespace

void TForm1::setupProductStringEdit() {
    // The receiver keeps one byte per character: anything beyond printable ASCII would be
    // stored as a wrong byte, so it is refused while typing and pasting.
    ui->edtEEPROM_20->setMaxLength(productstring::kMaxLength);
    ui->edtEEPROM_20->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x20-\\x7E]{0,%1}").arg(productstring::kMaxLength)),
        ui->edtEEPROM_20));
    markProductStringEdit();
}

void TForm1::markProductStringEdit() {
    static const QString kHint = QStringLiteral(
        "The product string the receiver reports: at most %1 characters of plain ASCII "
        "(letters, digits, blanks, punctuation).").arg(productstring::kMaxLength);
    const QString problem = productStringProblem(ui->edtEEPROM_20->text());
    // A text from the settings file is shown as it is, but marked, so the operator sees at
    // once why it will not be written.
    ui->edtEEPROM_20->setToolTip(problem.isEmpty() ? kHint : problem + "\n" + kHint);
    ui->edtEEPROM_20->setStyleSheet(problem.isEmpty() ? QString()
                                                      : QStringLiteral("color: red;"));
}

void TForm1::btnEEPROM_R_00Click(QObject* sender) {
    const QString suffix = wordSuffix(sender);
    auto* edit = findChild<THexEdit*>("edtEEPROM_" + suffix);
    if (edit == nullptr)
        return;
    edit->clear();
    if (link.ActiveDevice == nullptr)
        return;
    // Only the byte counts: the low half is its complement.
    showReadValue(edit, ReceiverOperations(link).readWord(suffix.toInt()), 8);
}

void TForm1::btnEEPROM_W_00Click(QObject* sender) {
    if (link.ActiveDevice == nullptr)
        return;
    const QString suffix = wordSuffix(sender);
    const auto* edit = findChild<THexEdit*>("edtEEPROM_" + suffix);
    if (edit == nullptr)
        return;
    const auto v = hexValue(edit);
    if (!v)
        return;
    ReceiverOperations(link).writeByte(suffix.toInt(), static_cast<std::uint8_t>(*v));
}

void TForm1::btnEEPROM_R_VIDClick() {
    btnEEPROM_R_00Click(ui->btnEEPROM_R_15);
    btnEEPROM_R_00Click(ui->btnEEPROM_R_16);
    ui->edtVID_SET->setText(ui->edtEEPROM_15->text() + ui->edtEEPROM_16->text());
}

void TForm1::btnEEPROM_R_PIDClick() {
    btnEEPROM_R_00Click(ui->btnEEPROM_R_17);
    btnEEPROM_R_00Click(ui->btnEEPROM_R_18);
    ui->edtPID_SET->setText(ui->edtEEPROM_17->text() + ui->edtEEPROM_18->text());
}

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
    if (link.ActiveDevice == nullptr)
        return;
    const QString text = ui->edtEEPROM_20->text();
    if (const QString problem = productStringProblem(text); !problem.isEmpty()) {
        // Writing it would leave the receiver reporting a string nobody typed. The run that
        // called this tests CommError, so the unit fails instead of passing without it.
        link.CommError = true;
        services_.dialogs.message(
            this, QGuiApplication::applicationDisplayName(),
            QStringLiteral("The product string \"%1\" was not written to the receiver.\n\n%2\n\n"
                           "Correct it under StringDesc in the settings.")
                .arg(text, problem),
            Dialogs::Icon::Warning);
        return;
    }
    const std::string bytes = productStringBytes(text);
    ui->edtEEPROM_19->setValue(productstring::lengthField(static_cast<int>(bytes.size())));
    ReceiverOperations(link).writeProductString(bytes);
}

void TForm1::btnEEPROM_R_20Click() {
    ui->edtEEPROM_20->clear();
    if (link.ActiveDevice == nullptr)
        return;
    const auto read = ReceiverOperations(link).readProductString();
    showReadValue(ui->edtEEPROM_19, read.lengthWord, 8);
    // Single-byte characters, as the receiver keeps them.
    const std::string text = read.text.value_or(std::string());
    ui->edtEEPROM_20->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void TForm1::edtVID_SETChange() {
    markProductStringEdit();
    if (RunMode == 0 || runActive_)
        optionEffect(); // saved now, or once the run has ended
}

void TForm1::btnC_Rd_Direct_RegClick() {
    if (link.ActiveDevice == nullptr)
        return;
    const auto address = hexValue(ui->edtDirectAddr);
    if (!address)
        return;
    if (const auto value =
            ReceiverOperations(link).readDirectRegister(static_cast<std::uint8_t>(*address)))
        showReadValue(ui->edtDirectData, *value);
}

void TForm1::btnC_Wrt_Direct_RegClick() {
    if (link.ActiveDevice == nullptr)
        return;
    const auto address = hexValue(ui->edtDirectAddr);
    if (!address)
        return;
    const auto data = hexValue(ui->edtDirectData);
    if (!data)
        return;
    ReceiverOperations(link).writeDirectRegister(static_cast<std::uint8_t>(*address),
                                                 static_cast<std::uint8_t>(*data));
}

void TForm1::btnRd_RFICClick() {
    if (link.ActiveDevice == nullptr)
        return;
    const auto address = hexValue(ui->edtRFICAddr);
    if (!address)
        return;
    if (const auto value =
            ReceiverOperations(link).readRadioChipRegister(static_cast<std::uint8_t>(*address)))
        showReadValue(ui->edtRFICData, *value);
}

void TForm1::btnWrt_RFICClick() {
    const auto value = hexValue(ui->edtRFICData);
    if (!value || link.ActiveDevice == nullptr)
        return;
    const auto address = hexValue(ui->edtRFICAddr);
    if (!address)
        return;
    if (const auto shown = ReceiverOperations(link).writeRadioChipRegister(
            static_cast<std::uint8_t>(*address), *value))
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
        connect(edit, &QLineEdit::textChanged, this, [this] { edtVID_SETChange(); });
    onClicked(ui->btnC_Rd_Direct_Reg, this, [this] { btnC_Rd_Direct_RegClick(); });
    onClicked(ui->btnC_Wrt_Direct_Reg, this, [this] { btnC_Wrt_Direct_RegClick(); });
    onClicked(ui->btnRd_RFIC, this, [this] { btnRd_RFICClick(); });
    onClicked(ui->btnWrt_RFIC, this, [this] { btnWrt_RFICClick(); });
    setupProductStringEdit();
}

} // namespace rfbind::app
