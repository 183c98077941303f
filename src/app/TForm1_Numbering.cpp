// SPDX-License-Identifier: MIT
// The numbering panels: the serial-number panels of receiver (gbRX) and transmitter (gbTX) and
// the radio-ID panel (gb1). Every control change goes to its generator at once and is saved.
// The panels are never shown to the operator, but the start-up refresh fills them, and the
// handlers that fires shape the generators the first unit draws from. The generators are the
// station's: every handler reads its controls here and hands the change to the station, which
// may be drawing numbers on its own thread.
//
// The handlers rely on the controls' signals firing as the station's controls always have: a
// check box on every change of its state, a radio button only when it becomes selected, an edit
// or a spin edit on every change of its text, by the operator or by the program, and setting
// an equal text or value fires nothing. Handlers fire one another synchronously.
#include "TForm1.h"

#include "StationProgram.h"

#include "Dialogs.h"
#include "HandlerWiring.h"
#include "ui_TForm1.h"
#include "text/Hex.h"
#include "widgets/THexEdit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>
#include <utility>

namespace rfbind::app {

struct TForm1::SerialPanel {
    TProdSN& sn;
    QGroupBox* box;
    QCheckBox* isSN;
    QCheckBox* isDate;
    QLabel* date;
    QSpinBox* fixCount;
    QSpinBox* incCount;
    THexEdit* fixSN;
    QRadioButton* ascii;
    QRadioButton* hex;
    THexEdit* incInit;
    THexEdit* incNext;
};

struct TForm1::RadioIdRow {
    TProdRFID& id;
    QRadioButton* random;
    QRadioButton* custom;
    THexEdit* incInit;
    THexEdit* incNext;
};

namespace {

constexpr int kPanelHeightWithSN = 95;
constexpr int kPanelHeightWithoutSN = 35;
// The window's reference height is the two serial-number panels plus this.
constexpr int kWindowHeightBesidesPanels = 550;
constexpr int kRadioIdDigits = 6;

// The pair's receiver control carries RX_ in its name, the transmitter's TX_.
bool isReceiverSide(const QObject* sender) {
    return sender->objectName().contains(QLatin1String("RX_"));
}

// A negative value shows as its two's complement of the value's own width, as the stored
// value reads back from it.
QString hex64(std::int64_t v, int digits) {
    return QString::fromStdString(hexText(static_cast<std::uint64_t>(v), digits));
}
QString hex32(std::int32_t v, int digits) {
    return QString::fromStdString(hexText(static_cast<std::uint32_t>(v), digits));
}

// A length limit stops typing only: it never cuts a text already in the field, so lowering a
// byte count cannot change a value behind the operator's back. 0 means no limit.
void setTypingLimit(QLineEdit* edit, int limit) {
    const int wanted = limit > 0 ? limit : 32767;
    edit->setMaxLength(std::max(wanted, static_cast<int>(edit->text().size())));
}

// Text the program puts into a field arrives whole, whatever the field's typing limit.
void setTextFromCode(QLineEdit* edit, const QString& text) {
    if (text.size() > edit->maxLength())
        edit->setMaxLength(static_cast<int>(text.size()));
    edit->setText(text);
}

// The fixed part as the panel edits it. In ASCII every byte is one character of the 8-bit code
// page; a zero byte ends the text, as it ends any text in an edit field.
QString fixSNText(const TProdSN& sn) {
    const std::string text = sn.GetFixSNText();
    const std::string shown = text.substr(0, text.find('\0'));
    return QString::fromLatin1(shown.data(), static_cast<qsizetype>(shown.size()));
}

} // namespace

TForm1::SerialPanel TForm1::serialPanel(QObject* sender) {
    if (isReceiverSide(sender))
        return {*station_->rxSN(),
                ui->gbRX,
                ui->cbRX_IsSN,
                ui->cbRX_IsDate,
                ui->lblRX_Date,
                ui->edtRX_FixByteCount,
                ui->edtRX_IncByteCount,
                ui->edtRX_FixSN,
                ui->rbRX_FixAscii,
                ui->rbRX_FixHex,
                ui->edtRX_IncInitSN,
                ui->edtRX_IncNextSN};
    return {*station_->txSN(),
            ui->gbTX,
            ui->cbTX_IsSN,
            ui->cbTX_IsDate,
            ui->lblTX_Date,
            ui->edtTX_FixByteCount,
            ui->edtTX_IncByteCount,
            ui->edtTX_FixSN,
            ui->rbTX_FixAscii,
            ui->rbTX_FixHex,
            ui->edtTX_IncInitSN,
            ui->edtTX_IncNextSN};
}

TForm1::RadioIdRow TForm1::radioIdRow(bool receiver) {
    if (receiver)
        return {*station_->rxRFID(), ui->rbRX_RandomRFID, ui->rbRX_CustomRFID, ui->edtRX_IncInitRFID,
                ui->edtRX_IncNextRFID};
    return {*station_->txRFID(), ui->rbTX_RandomRFID, ui->rbTX_CustomRFID, ui->edtTX_IncInitRFID,
            ui->edtTX_IncNextRFID};
}

std::optional<std::int64_t> TForm1::hexValue64(const THexEdit* edit) {
    if (const auto v = edit->value64())
        return v;
    // The toolkit's own wording, as for every malformed number in the station.
    services_.dialogs.message(this, stationTitle(),
                              edit->conversionErrorText(), Dialogs::Icon::Error);
    return std::nullopt;
}

void TForm1::RefreshNumbering() {
    refreshSerialPanel(serialPanel(ui->cbRX_IsSN));
    refreshSerialPanel(serialPanel(ui->cbTX_IsSN));
    refreshRadioIdRow(radioIdRow(true));
    refreshRadioIdRow(radioIdRow(false));
}

void TForm1::refreshSerialPanel(const SerialPanel& p) {
    // A restart continues the batch: filling the initial-value field runs its handler, which
    // restarts the counter at the initial value and would hand out again the numbers units
    // already carry. The counter as loaded survives the refresh instead. The last passed
    // unit's value stays in TX.ini as well; the initial-value handler below forgets it, as it
    // must when the supervisor types a new initial value.
    const auto [counter, current] =
        fromIdleStation([&p] { return std::pair{p.sn.IncPrevSN(), p.sn.IncCurrentSN()}; });

    // Each assignment may fire its control's handler, which can change the generator: every
    // value is read from the station at the moment it is assigned.
    p.isSN->setChecked(fromIdleStation([&p] { return p.sn.IsSN(); }));
    p.fixCount->setValue(fromIdleStation([&p] { return p.sn.FixSNByteCount(); }));
    p.incCount->setValue(fromIdleStation([&p] { return p.sn.IncSNByteCount(); }));
    const bool ascii = fromIdleStation([&p] { return p.sn.IsFixAscii(); });
    p.ascii->setChecked(ascii);
    p.hex->setChecked(!fromIdleStation([&p] { return p.sn.IsFixAscii(); }));
    setTextFromCode(p.fixSN, fromIdleStation([&p] { return fixSNText(p.sn); }));
    setTextFromCode(p.incInit, fromIdleStation([&p] {
                        return hex64(p.sn.IncInitSN(), 2 * p.sn.IncSNByteCount());
                    }));
    p.incNext->setText(fromIdleStation([&p, counter = counter, current = current] {
        p.sn.SetIncCurrentSN(current);
        p.sn.SetIncPrevSN(counter);
        return hex64(p.sn.IncNextSN(), 2 * p.sn.IncSNByteCount());
    }));
    p.isDate->setChecked(fromIdleStation([&p] { return p.sn.IsDate(); }));
}

void TForm1::refreshRadioIdRow(const RadioIdRow& row) {
    // In sequential mode the selection and the initial value each read the next ID to show it,
    // and reading consumes it: that is how the station has always started.
    row.random->setChecked(fromIdleStation([&row] { return row.id.IsRandom(); }));
    row.custom->setChecked(!fromIdleStation([&row] { return row.id.IsRandom(); }));
    setTextFromCode(row.incInit,
                    fromIdleStation([&row] { return hex32(row.id.IncInitRFID(), kRadioIdDigits); }));
}

void TForm1::cbRX_IsSNClick(QObject* sender) {
    const SerialPanel p = serialPanel(sender);
    const bool isSN = fromIdleStation([&p, wanted = p.isSN->isChecked()] {
        p.sn.SetIsSN(wanted);
        return p.sn.IsSN();
    });
    p.isDate->setVisible(isSN);
    p.date->setVisible(isSN);
    p.box->resize(p.box->width(), isSN ? kPanelHeightWithSN : kPanelHeightWithoutSN);
    ui->gbTX->move(ui->gbTX->x(), ui->gbRX->y() + ui->gbRX->height());
    ui->gbGo->move(ui->gbGo->x(), ui->gbTX->y() + ui->gbTX->height());
    windowHeight_ = ui->gbRX->height() + ui->gbTX->height() + kWindowHeightBesidesPanels;
    FormResize();
    btnWriteSettingClick();
}

void TForm1::cbRX_IsDateClick(QObject* sender) {
    const SerialPanel p = serialPanel(sender);
    const int incCount = fromIdleStation([&p, wanted = p.isDate->isChecked()] {
        p.sn.SetIsDate(wanted);
        return p.sn.IncSNByteCount();
    });
    p.incCount->setValue(incCount);
    p.fixCount->setValue(fromIdleStation([&p] { return p.sn.FixSNByteCount(); }));
    setTextFromCode(p.fixSN, fromIdleStation([&p] { return fixSNText(p.sn); }));
    // The text may not have changed while the byte count did: read it into the fixed part again.
    edtRX_FixSNChange(p.fixSN);
    p.date->setText(QString::fromStdString(fromIdleStation([&p] { return p.sn.GetDateText(); })));
    btnWriteSettingClick();
}

void TForm1::edtRX_FixByteCountChange(QObject* sender) {
    const SerialPanel p = serialPanel(sender);
    const int limit = fromIdleStation([&p] { return p.sn.IsDate(); }) ? 4 : 6;
    if (p.fixCount->value() > limit)
        p.fixCount->setValue(limit);
    const int wanted = p.fixCount->value();
    if (wanted != fromIdleStation([&p] { return p.sn.FixSNByteCount(); })) {
        p.incCount->setValue(fromIdleStation([&p, wanted] {
            p.sn.SetFixSNByteCount(wanted);
            return p.sn.IncSNByteCount();
        }));
        btnWriteSettingClick();
    }
    const auto [f, ascii] =
        fromIdleStation([&p] { return std::pair{p.sn.FixSNByteCount(), p.sn.IsFixAscii()}; });
    setTypingLimit(p.fixSN, ascii ? f : 2 * f);
    p.fixSN->setEnabled(ui->gbSetting->isEnabled() && f > 0);
}

void TForm1::edtRX_IncByteCountChange(QObject* sender) {
    const SerialPanel p = serialPanel(sender);
    const int limit = fromIdleStation([&p] { return p.sn.IsDate(); }) ? 4 : 6;
    if (p.incCount->value() > limit)
        p.incCount->setValue(limit);
    const int wanted = p.incCount->value();
    if (wanted != fromIdleStation([&p] { return p.sn.IncSNByteCount(); })) {
        p.fixCount->setValue(fromIdleStation([&p, wanted] {
            p.sn.SetIncSNByteCount(wanted);
            return p.sn.FixSNByteCount();
        }));
        btnWriteSettingClick();
    }
    const auto [i, next] =
        fromIdleStation([&p] { return std::pair{p.sn.IncSNByteCount(), p.sn.IncNextSN()}; });
    p.incNext->setText(i == 0 ? QString() : hex64(next, 2 * i));
    setTypingLimit(p.incInit, 2 * i);
    p.incInit->setEnabled(ui->gbSetting->isEnabled() && i > 0);
}

void TForm1::edtRX_FixSNChange(QObject* sender) {
    const SerialPanel p = serialPanel(sender);
    const auto [f, ascii] =
        fromIdleStation([&p] { return std::pair{p.sn.FixSNByteCount(), p.sn.IsFixAscii()}; });
    std::int64_t fixed = 0;
    if (ascii) {
        // The first character is the most significant of the F bytes; a shorter text leaves
        // the low bytes 0, and characters beyond F bytes have no byte to go to.
        const QByteArray bytes = p.fixSN->text().toLatin1();
        std::uint64_t value = 0;
        for (int k = 0; k < bytes.size() && k < f; ++k)
            value |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(bytes[k]))
                     << (8 * (f - 1 - k));
        fixed = static_cast<std::int64_t>(value);
    } else {
        const auto typed = hexValue64(p.fixSN);
        if (!typed)
            return;
        fixed = *typed;
    }
    atIdleStation([&p, fixed] { p.sn.SetFixSN(fixed); });
    btnWriteSettingClick();
}

void TForm1::edtRX_IncInitSNChange(QObject* sender) {
    const SerialPanel p = serialPanel(sender);
    const auto initial = hexValue64(p.incInit);
    if (!initial)
        return;
    // A new initial value restarts the counter: the next unit gets this value. The last
    // passed unit's value is forgotten with it, or a restart would bring the old batch's
    // counter back (a stored current value wins over the counter when the file loads).
    const auto [i, next] = fromIdleStation([&p, initial = *initial] {
        p.sn.SetIncCurrentSN(0);
        p.sn.SetIncInitSN(initial);
        return std::pair{p.sn.IncSNByteCount(), p.sn.IncNextSN()};
    });
    p.incNext->setText(i == 0 ? QString() : hex64(next, 2 * i));
    btnWriteSettingClick();
}

void TForm1::rbRX_FixAsciiClick(QObject* sender) {
    const bool ascii = sender == ui->rbRX_FixAscii || sender == ui->rbTX_FixAscii;
    const SerialPanel p = serialPanel(sender);
    atIdleStation([&p, ascii] { p.sn.SetIsFixAscii(ascii); });
    p.fixSN->setHexFilter(!ascii);
    // The old text means something else in the other notation: start empty (its handler then
    // clears the fixed part).
    p.fixSN->clear();
    const int f = fromIdleStation([&p] { return p.sn.FixSNByteCount(); });
    p.fixSN->setUpperCase(!ascii);
    setTypingLimit(p.fixSN, ascii ? f : 2 * f);
    btnWriteSettingClick();
}

void TForm1::showNextRadioId(const RadioIdRow& row) {
    row.incNext->setText(fromIdleStation([&row] {
        return row.id.IsRandom() ? QString() : hex32(row.id.NextRFID(), kRadioIdDigits);
    }));
}

void TForm1::edtRX_IncInitRFIDChange(QObject* sender) {
    const RadioIdRow row = radioIdRow(isReceiverSide(sender));
    const auto initial = hexValue(row.incInit);
    if (!initial)
        return;
    atIdleStation([&row, initial = *initial] { row.id.SetIncInitRFID(initial); });
    showNextRadioId(row);
    btnWriteSettingClick();
}

void TForm1::rbRX_RandomRFIDClick(QObject* sender) {
    const bool random = sender == ui->rbRX_RandomRFID || sender == ui->rbTX_RandomRFID;
    // The choice is the station's, not one side's: both generators follow it.
    for (const bool receiver : {true, false}) {
        const RadioIdRow row = radioIdRow(receiver);
        atIdleStation([&row, random] { row.id.SetIsRandom(random); });
        showNextRadioId(row);
    }
    btnWriteSettingClick();
}

void TForm1::wireNumbering() {
    // A run draws from and advances these generators: a change made while one works waits
    // for its end and then applies from the next unit.
    for (QCheckBox* box : {ui->cbRX_IsSN, ui->cbTX_IsSN})
        connect(box, &QCheckBox::toggled, this, [this, box] { whenIdle([this, box] { cbRX_IsSNClick(box); }); });
    for (QCheckBox* box : {ui->cbRX_IsDate, ui->cbTX_IsDate})
        connect(box, &QCheckBox::toggled, this, [this, box] { whenIdle([this, box] { cbRX_IsDateClick(box); }); });
    for (QSpinBox* spin : {ui->edtRX_FixByteCount, ui->edtTX_FixByteCount})
        connect(spin, &QSpinBox::valueChanged, this,
                [this, spin] { whenIdle([this, spin] { edtRX_FixByteCountChange(spin); }); });
    for (QSpinBox* spin : {ui->edtRX_IncByteCount, ui->edtTX_IncByteCount})
        connect(spin, &QSpinBox::valueChanged, this,
                [this, spin] { whenIdle([this, spin] { edtRX_IncByteCountChange(spin); }); });
    for (THexEdit* edit : {ui->edtRX_FixSN, ui->edtTX_FixSN})
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { whenIdle([this, edit] { edtRX_FixSNChange(edit); }); });
    for (THexEdit* edit : {ui->edtRX_IncInitSN, ui->edtTX_IncInitSN})
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { whenIdle([this, edit] { edtRX_IncInitSNChange(edit); }); });
    for (QRadioButton* rb :
         {ui->rbRX_FixAscii, ui->rbRX_FixHex, ui->rbTX_FixAscii, ui->rbTX_FixHex})
        onSelected(rb, this, [this, rb] { whenIdle([this, rb] { rbRX_FixAsciiClick(rb); }); });
    for (THexEdit* edit : {ui->edtRX_IncInitRFID, ui->edtTX_IncInitRFID})
        connect(edit, &QLineEdit::textChanged, this,
                [this, edit] { whenIdle([this, edit] { edtRX_IncInitRFIDChange(edit); }); });
    for (QRadioButton* rb :
         {ui->rbRX_RandomRFID, ui->rbRX_CustomRFID, ui->rbTX_RandomRFID, ui->rbTX_CustomRFID})
        onSelected(rb, this, [this, rb] { whenIdle([this, rb] { rbRX_RandomRFIDClick(rb); }); });
}

} // namespace rfbind::app
