// SPDX-License-Identifier: MIT
// The settings file TX.ini: read into the option controls, the known receivers and the four
// numbering generators at start-up and on "Load Setting"; written back whole after nearly
// every change of a setting, on "Write Setting" and when the window closes.
#include "TForm1.h"

#include "StationProgram.h"

#include "Dialogs.h"
#include "HandlerWiring.h"
#include "commands/ProductString.h"
#include "settings/ReceiverEntries.h"
#include "text/Hex.h"
#include "ui_TForm1.h"
#include "widgets/THexEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace rfbind::app {

namespace {

QString settingsFilePath() {
    return QDir::current().absoluteFilePath(
        QString::fromLatin1(kSettingsFileName.data(), kSettingsFileName.size()));
}

QString fromCodePage(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A USB ID as the VID/PID fields show it: four upper-case hex digits.
QString usbIdText(std::int32_t id) {
    return QString::fromStdString(hexText(static_cast<std::uint32_t>(id), 4));
}

} // namespace

void TForm1::applyMissingSettingsFile() {
    // A station without a settings file starts from these choices; the product name stays
    // empty (not the default name) until someone types one.
    ui->cbCustKey1->setCurrentIndex(defaultCustKey1());
    ui->cbCustKey2->setCurrentIndex(defaultCustKey2());
    ui->rbRF_DR_1A->setChecked(true);
    ui->rbRF_CPI_L->setChecked(true);
    ui->rbRF_DR_45->setChecked(true);
    ui->rbRF_DR_5A->setChecked(true);
    ui->cbRF_Set_BTY_Low_Level->setCurrentIndex(6); // beyond the three items: no selection
    ui->edtVID_SET->clear();
    ui->edtPID_SET->clear();
    ui->edtEEPROM_20->clear();
}

void TForm1::applySettings(const StationSettings& s) {
    (s.MouseOnly ? ui->rbMouseOnly : ui->rbKbdMse)->setChecked(true);
    ui->cbCustKey1->setCurrentIndex(s.CustKey1);
    ui->cbCustKey2->setCurrentIndex(s.CustKey2);
    (s.SoftISS ? ui->rbRF_DR_15 : ui->rbRF_DR_1A)->setChecked(true);
    Delay = s.Delay;
    (s.CPI == 1 ? ui->rbRF_CPI_H : ui->rbRF_CPI_L)->setChecked(true);
    (s.Wakeup == 0 ? ui->rbRF_DR_25 : ui->rbRF_DR_2A)->setChecked(true);
    (s.PowerSaving == 1   ? ui->rbRF_DR_4A
     : s.PowerSaving == 2 ? ui->rbRF_DR_4F
                          : ui->rbRF_DR_45)
        ->setChecked(true);
    ui->TX_Erased->setChecked(s.TX_Erased);
    ui->RX_Erased->setChecked(s.RX_Erased);
    // An index past the three items leaves the list without a selection.
    ui->cbRF_Set_BTY_Low_Level->setCurrentIndex(s.BTY);
    // Settings the station cannot show stay with the window, so a save writes them back as
    // stored until the supervisor changes the field.
    refusedSettings_.clear();
    for (const Refused& r : s.refused)
        if (r.key != "PName") // the edit shows the name itself, marked
            refusedSettings_.push_back(r);
    if (s.refusedEntry("VID") || s.refusedEntry("PID")) {
        // The one that can be shown is shown; the other stays empty.
        ui->edtVID_SET->setText(s.VID >= 1 ? usbIdText(s.VID) : QString());
        ui->edtPID_SET->setText(s.PID >= 1 ? usbIdText(s.PID) : QString());
    } else if (s.VID >= 1 && s.PID >= 1) {
        ui->edtVID_SET->setText(usbIdText(s.VID));
        ui->edtPID_SET->setText(usbIdText(s.PID));
    } else {
        ui->edtVID_SET->clear();
        ui->edtPID_SET->clear();
    }
    ui->LRMBinding->setChecked(s.LRMBinding);
    ui->edtEEPROM_20->setText(QString::fromStdString(s.PName));
    // The list has no handler of its own: choosing the stored power here sends nothing to a
    // device; the next programming run uses it.
    ui->ComboRFPower->setCurrentIndex(s.RFPower);
    ui->suiSpinEdit1->setValue(s.Sleep);
    ui->suiSpinEdit2->setValue(s.WakeupPeriod);
    ui->cbKeyboardbind->setChecked(s.KBind);
    ui->CallQUVE->setChecked(s.EnabledQUVE);
    ui->cbResetRF->setChecked(s.ResetRF);
}

StationSettings TForm1::collectSettings() const {
    StationSettings s;
    s.CustKey1 = ui->cbCustKey1->currentIndex();
    s.CustKey2 = ui->cbCustKey2->currentIndex();
    s.MouseOnly = ui->rbMouseOnly->isChecked();
    s.SoftISS = ui->rbRF_DR_15->isChecked();
    s.Sleep = ui->suiSpinEdit1->value();
    s.WakeupPeriod = ui->suiSpinEdit2->value();
    s.CPI = ui->rbRF_CPI_L->isChecked() ? 0 : 1;
    s.PowerSaving = ui->rbRF_DR_45->isChecked() ? 0 : ui->rbRF_DR_4A->isChecked() ? 1 : 2;
    s.Wakeup = ui->rbRF_DR_25->isChecked() ? 0 : 1;
    s.BTY = ui->cbRF_Set_BTY_Low_Level->currentIndex();
    // The fields let only hex digits in; text the program put there that is no number counts
    // as no ID, like an empty field.
    s.VID = ui->edtVID_SET->value().value_or(0);
    s.PID = ui->edtPID_SET->value().value_or(0);
    s.TX_Erased = ui->TX_Erased->isChecked();
    s.RX_Erased = ui->RX_Erased->isChecked();
    s.PName = ui->edtEEPROM_20->text().toUtf8().toStdString();
    s.LRMBinding = ui->LRMBinding->isChecked();
    s.RFPower = ui->ComboRFPower->currentIndex();
    s.ResetRF = ui->cbResetRF->isChecked();
    s.Delay = Delay;
    s.KBind = ui->cbKeyboardbind->isChecked();
    s.EnabledQUVE = ui->CallQUVE->isChecked();
    s.refused = refusedSettings_;
    const productstring::Refusal name = productstring::explain(s.PName);
    if (name.problem != productstring::Problem::None)
        s.refused.push_back({"PName", s.PName, "the receiver cannot take it: " + name.reason});
    return s;
}

void TForm1::forgetRefusedSetting(const QObject* field) {
    // Only the supervisor's own change replaces a stored value; filling the field from the
    // settings file does not.
    if (station_->runMode() != 0 || loadingSettings_)
        return;
    const std::string key = field == ui->edtVID_SET ? "VID" : field == ui->edtPID_SET ? "PID" : "";
    std::erase_if(refusedSettings_, [&key](const Refused& r) { return r.key == key; });
}

void TForm1::btnLoadSettingClick() {
    // Loading replaces the generators and sets every option: never under a working run. The
    // supervisor's load happens as soon as the run has ended.
    if (station_->runActive()) {
        whenIdle([this] { btnLoadSettingClick(); });
        return;
    }
    // Filling the check boxes fires handlers that save at once; a save now would write the
    // generators about to be replaced over the very texts this load is going to read.
    loadingSettings_ = true;
    const LoadedSettings loaded = fromStation([this] { return station_->loadSettings(); });
    QStringList problems;
    if (!loaded.settings) {
        refusedSettings_.clear();
        applyMissingSettingsFile();
    } else {
        if (loaded.status == IniLoadStatus::Unreadable)
            problems << QStringLiteral("%1. Every setting has its default, and the file is left "
                                       "as it is.")
                            .arg(QString::fromStdString(loaded.error));
        const StationSettings& settings = *loaded.settings;
        applySettings(settings);
        for (const Refused& r : settings.refused)
            problems << QStringLiteral("[TX] %1=%2: %3 It stays in the file as it is, and no "
                                       "unit is programmed until it is corrected.")
                            .arg(QString::fromStdString(r.key), QString::fromStdString(r.value),
                                 QString::fromStdString(r.reason));
        for (const Refused& r : settings.replacedByDefault) {
            QString line = QStringLiteral("[TX] %1=%2: %3")
                               .arg(QString::fromStdString(r.key), fromCodePage(r.value),
                                    QString::fromStdString(r.reason));
            if (r.key == "CustKey1" || r.key == "CustKey2") {
                const QComboBox* list = r.key == "CustKey1" ? ui->cbCustKey1 : ui->cbCustKey2;
                line += QStringLiteral(" The list shows \"%1\", and that key is programmed.")
                            .arg(list->currentText());
            }
            problems << line;
        }
        for (const ReceiverEntries::Malformed& m : loaded.malformedReceivers)
            problems << QStringLiteral("[Device] %1=%2 is not a vendor and product ID in hex "
                                       "(such as 1A2B3C4D); receiver entry %3 is left empty.")
                            .arg(fromCodePage(m.key), fromCodePage(m.value))
                            .arg(kFirstReceiverEntry + m.index);

        if (ui->rbKbdMse->isChecked())
            ui->cbKeyboardbind->setVisible(true);

        // A stored counter that cannot be read starts again from the defaults: the operator
        // must know, or serial numbers and radio IDs already handed out come round again.
        for (const std::string& p : loaded.generatorProblems)
            problems << QStringLiteral("[TX] %1 could not be read; this numbering starts again "
                                       "from its defaults.")
                            .arg(fromCodePage(p));
    }

    loadingSettings_ = false;
    atStation([this] { station_->settingsLoaded(); });
    // Shown after the load is complete: the box waits for the operator, and the station must
    // be in a consistent state meanwhile.
    reportSettingsProblems(problems);
}

void TForm1::reportSettingsProblems(const QStringList& problems) {
    if (problems.isEmpty())
        return;
    services_.dialogs.message(this, stationTitle(),
                              QStringLiteral("Settings file %1:\n%2")
                                  .arg(settingsFilePath(), problems.join(QLatin1Char('\n'))),
                              Dialogs::Icon::Warning);
}

void TForm1::btnWriteSettingClick() {
    if (FormCreating || loadingSettings_)
        return;
    // A failure is said through showSettingsNotSaved.
    atStation([this, settings = collectSettings()] { station_->storeSettings(settings); });
}

void TForm1::showRunRefused(bool numbering, const std::string& why) {
    if (!numbering) {
        services_.dialogs.message(
            this, stationTitle(),
            QStringLiteral("No unit is programmed while the station cannot write down its units:\n"
                           "%1.\n\nMake the Log folder and today's files in it writable (and "
                           "give the disk room), then press Go again.")
                .arg(QString::fromStdString(why)),
            Dialogs::Icon::Error);
        return;
    }
    services_.dialogs.message(
        this, stationTitle(),
        QStringLiteral("No unit is programmed while the station cannot store its numbering in "
                       "%1:\n%2.\n\nA unit programmed now would get serial numbers and radio IDs "
                       "that the station hands out again after a restart. Make the settings file "
                       "and its folder writable, then press Go again.")
            .arg(settingsFilePath(), QString::fromStdString(why)),
        Dialogs::Icon::Error);
}

void TForm1::showSettingsNotSaved(const std::string& why) {
    services_.dialogs.message(
        this, stationTitle(),
        QStringLiteral("The settings could not be saved to %1:\n%2\n\nThe settings shown are in "
                       "use but not stored; the serial-number and radio-ID counters will not "
                       "survive a restart until a save succeeds.")
            .arg(settingsFilePath(), QString::fromStdString(why)),
        Dialogs::Icon::Error);
}

void TForm1::CallQUVEClick() {
    btnWriteSettingClick();
}

void TForm1::connectSettingsAndNumbering() {
    onClicked(ui->btnLoadSetting, this, [this] { btnLoadSettingClick(); });
    onClicked(ui->btnWriteSetting, this, [this] { whenIdle([this] { btnWriteSettingClick(); }); });
    connect(ui->CallQUVE, &QCheckBox::toggled, this, [this] { CallQUVEClick(); });
    wireSettingsLock();
    wireNumbering();
}

} // namespace rfbind::app
