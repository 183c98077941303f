// SPDX-License-Identifier: MIT
// Interface language: the operator's choice, its store, and the captions it replaces.
#include "TForm1.h"

#include "SlotStrip.h"

#include "Dialogs.h"
#include "TForm2.h"
#include "platform/LanguageStore.h"
#include "ui_TForm1.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>

#include <cstdlib>

namespace rfbind::app {

namespace {

/// The list edge of the two hot-key lists: the Simplified Chinese labels are wider.
constexpr int kCustKeyLeftChs = 90;
constexpr int kCustKeyLeft = 65;

/// The locale the session runs in, by the C library's precedence: LC_ALL, then LC_CTYPE (the
/// character set is what the code page stands for), then LANG.
std::string sessionLocale() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "C";
}

/// Sets a caption the way the layout shows it: a group's title, a button's or a label's text.
/// Setting a caption fires no handler.
void setCaption(QWidget* w, const QString& text) {
    if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
}

} // namespace

QString TForm1::MessageText(int id) const {
    const char* text = rfbind::MessageText(id, CurrentLanguage);
    return text ? QString::fromUtf8(text) : QString();
}

void TForm1::LoadLanguage() {
    std::optional<TLanguateKind> chosen;
    if (const std::optional<QString> stored = services().languageStore.load())
        chosen = ParseLanguageName(stored->toStdString());

    if (chosen) {
        CurrentLanguage = *chosen;
    } else {
        const int preselected = PreselectedLanguage(CodePageForLocale(sessionLocale()));
        const int answer = services().dialogs.chooseLanguage(*languageDialog(), preselected);
        // A dialog closed with no item selected keeps the preselection rather than storing a
        // language that does not exist.
        CurrentLanguage =
            static_cast<TLanguateKind>(answer >= lkEng && answer <= lkChs ? answer : preselected);
        SaveLanguage();
    }

    {
        // Showing the loaded choice is no change by the operator.
        const QSignalBlocker quiet(ui->cbbLang);
        ui->cbbLang->setCurrentIndex(CurrentLanguage);
    }
    // Only the operator's own choice in the list changes the language, as with a list's
    // change event; the program setting the index does not.
    connect(ui->cbbLang, &QComboBox::activated, this, &TForm1::cbbLangChange, Qt::UniqueConnection);
    ApplyLanguage();
}

void TForm1::ApplyLanguage() {
    const auto set = [this](QWidget* w, int id) {
        if (const char* text = rfbind::MessageText(id, CurrentLanguage))
            setCaption(w, QString::fromUtf8(text));
    };
    Ui::TForm1& u = *ui;

    set(u.gbSysStatus, 0);
    set(u.btnCombo_Cmd_Soft_Bind_SW, bindTimerRunning() ? 4 : 3);
    set(u.gbCustKey, 7);
    set(u.lblHK1, 8);
    set(u.lblHK2, 9);
    set(u.lblRFPower, 39);
    set(u.cbResetRF, 40);

    const int left = CurrentLanguage == lkChs ? kCustKeyLeftChs : kCustKeyLeft;
    u.cbCustKey1->move(left, u.cbCustKey1->y());
    u.cbCustKey2->move(left, u.cbCustKey2->y());

    set(u.gbISS, 10);
    set(u.rbRF_DR_15, 11);
    set(u.rbRF_DR_1A, 12);
    set(u.gbWKUP, 13);
    set(u.rbRF_DR_25, 14);
    set(u.rbRF_DR_2A, 15);
    set(u.gbCPI, 16);
    set(u.rbRF_CPI_H, 17);
    set(u.rbRF_CPI_L, 18);
    set(u.gbNL, 19);
    set(u.rbRF_DR_45, 20);
    set(u.rbRF_DR_4A, 21);
    set(u.rbRF_DR_4F, 22);
    set(u.gbPO_BIND, 24);
    set(u.rbRF_DR_55, 12);
    set(u.rbRF_DR_5A, 11);
    set(u.gbBTY, 25);
    set(u.btnGo, 37);
    set(u.cbKeyboardbind, 23);

    set(u.gbVIDPID, 29);
    set(u.lblStrDesc, 30);
    for (QWidget* read : {u.btnEEPROM_R_VID, u.btnEEPROM_R_PID, u.btnEEPROM_R_20})
        set(read, 27);
    for (QWidget* write : {u.btnEEPROM_W_VID, u.btnEEPROM_W_PID, u.btnEEPROM_W_20})
        set(write, 28);
    set(u.lblHotKey, 38);

    // The two serial-number panels, receiver first.
    struct SerialPanel {
        QWidget *isSN, *isDate, *fixSN, *incSN, *fixSNByte, *incSNByte, *fixSNV, *incInitSN,
            *incCurrentSN, *incNextSN;
    };
    for (const SerialPanel& p :
         {SerialPanel{u.cbRX_IsSN, u.cbRX_IsDate, u.lblRX_FixSN, u.lblRX_IncSN, u.lblRX_FixSNByte,
                      u.lblRX_IncSNByte, u.lblRX_FixSNV, u.lblRX_IncInitSN, u.lblRX_IncCurrentSN,
                      u.lblRX_IncNextSN},
          SerialPanel{u.cbTX_IsSN, u.cbTX_IsDate, u.lblTX_FixSN, u.lblTX_IncSN, u.lblTX_FixSNByte,
                      u.lblTX_IncSNByte, u.lblTX_FixSNV, u.lblTX_IncInitSN, u.lblTX_IncCurrentSN,
                      u.lblTX_IncNextSN}}) {
        set(p.isSN, 41);
        set(p.isDate, 42);
        set(p.fixSN, 43);
        set(p.incSN, 44);
        set(p.fixSNByte, 45);
        set(p.incSNByte, 45);
        set(p.fixSNV, 46);
        set(p.incInitSN, 47);
        set(p.incCurrentSN, 48);
        set(p.incNextSN, 49);
    }

    // The radio-ID panel, receiver row then transmitter row.
    struct IdRow {
        QWidget *random, *custom, *incInit, *incCurrent, *incNext;
    };
    for (const IdRow& r : {IdRow{u.rbRX_RandomRFID, u.rbRX_CustomRFID, u.lblRX_IncInitRFID,
                                 u.lblRX_IncCurrentRFID, u.lblRX_IncNextRFID},
                           IdRow{u.rbTX_RandomRFID, u.rbTX_CustomRFID, u.lblTX_IncInitRFID,
                                 u.lblTX_IncCurrentRFID, u.lblTX_IncNextRFID}}) {
        set(r.random, 50);
        set(r.custom, 51);
        set(r.incInit, 47);
        set(r.incCurrent, 48);
        set(r.incNext, 49);
    }
    set(u.lblRFIDNOTE, 55);

    set(u.gbRXType, 52);
    set(u.rbMouseOnly, 53);
    set(u.rbKbdMse, 54);

    // A FAIL's reason on show is said again in the new language, with the same detail.
    drawFailReason();
    if (strip_ != nullptr)
        strip_->retranslate();
}

void TForm1::SaveLanguage() {
    services().languageStore.save(QString::fromLatin1(LanguageName(CurrentLanguage)));
}

void TForm1::cbbLangChange(int index) {
    if (index < lkEng || index > lkChs)
        return; // an emptied list chooses no language
    CurrentLanguage = static_cast<TLanguateKind>(index);
    ApplyLanguage();
    SaveLanguage();
}

} // namespace rfbind::app
