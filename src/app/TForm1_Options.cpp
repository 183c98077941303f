// SPDX-License-Identifier: MIT
// The radio and device options: a change while idle saves the settings; the programming run
// calls the same handlers to write the chosen encoding to the unit.
#include "TForm1.h"

#include "HandlerWiring.h"
#include "commands/DeviceOptions.h"
#include "commands/ReceiverOperations.h"
#include "commands/TransmitterEepromMap.h"
#include "ui_TForm1.h"
#include "widgets/THexEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

namespace rfbind::app {

using options::TransmitterOption;

void TForm1::writeTransmitterPair(std::uint8_t address, std::uint8_t value,
                                  std::uint8_t complement, int pauseMs) {
    // Through the RF page's fields and its verified write, so the page shows the last pair.
    // The second write is made even when the first failed: the run tests CommError after both.
    ui->edtRF_EEPROMAddr->setValue(address);
    ui->edtRF_EEPROMData->setValue(value);
    btnC_RF_Wrt_EEPROMClick();
    atStation([&] { stationClock().sleepMs(pauseMs); });
    ui->edtRF_EEPROMAddr->setValue(address + 1);
    ui->edtRF_EEPROMData->setValue(complement);
    btnC_RF_Wrt_EEPROMClick();
}

TForm1::OptionEffect TForm1::optionEffect() {
    if (station_->runMode() == 2)
        return OptionEffect::None; // the settings are being loaded
    if (station_->runActive()) {
        // The run took its recipe when it started: the change is stored once it has ended
        // and applies from the next unit. Nothing goes to the unit in the middle of a run.
        // The run may end before the station reads this: then it is stored at once.
        toStation([this, settings = collectSettings()] {
            if (station_->runActive())
                station_->keepForNextUnit(settings);
            else
                station_->storeSettings(settings);
        });
        return OptionEffect::None;
    }
    if (station_->runMode() == 0) {
        btnWriteSettingClick();
        return OptionEffect::None;
    }
    return OptionEffect::WriteUnit;
}

void TForm1::transmitterOptionClick(TransmitterOption option) {
    if (optionEffect() != OptionEffect::WriteUnit)
        return;
    const auto w = options::transmitterOptionWrite(option);
    writeTransmitterPair(w.address, w.value, w.complement, w.pauseMs);
}

void TForm1::rbRF_DR_15Click() { transmitterOptionClick(TransmitterOption::SwitchCpiEnable); }
void TForm1::rbRF_DR_1AClick() { transmitterOptionClick(TransmitterOption::SwitchCpiDisable); }
void TForm1::rbRF_DR_45Click() { transmitterOptionClick(TransmitterOption::PowerSavingOff); }
void TForm1::rbRF_DR_4AClick() { transmitterOptionClick(TransmitterOption::PowerSavingButtonWakeup); }
void TForm1::rbRF_DR_4FClick() { transmitterOptionClick(TransmitterOption::PowerSavingOn); }
void TForm1::rbRF_DR_25Click() { transmitterOptionClick(TransmitterOption::WakeupMotionAndButton); }
void TForm1::rbRF_DR_2AClick() { transmitterOptionClick(TransmitterOption::WakeupButtonOnly); }
void TForm1::rbRF_DR_5AClick() { transmitterOptionClick(TransmitterOption::AutoConnectEnable); }
void TForm1::rbRF_DR_55Click() { transmitterOptionClick(TransmitterOption::AutoConnectDisable); }

void TForm1::cpiClick(int level) {
    if (optionEffect() != OptionEffect::WriteUnit)
        return;
    ui->edtC_RF_SETUP_CPI->setValue(level);
    btnC_RF_SETUP_CPIClick();
}

void TForm1::rbRF_CPI_HClick() { cpiClick(options::kCpiHigh); }
void TForm1::rbRF_CPI_LClick() { cpiClick(options::kCpiLow); }

void TForm1::receiverTypeClick(bool mouseOnly) {
    if (optionEffect() == OptionEffect::WriteUnit)
        atStation([&] { station_->receiver().writeReceiverType(mouseOnly); });
    // Keyboard binding only makes sense for a receiver that takes a keyboard, in every mode.
    ui->cbKeyboardbind->setVisible(!mouseOnly);
}

void TForm1::rbMouseOnlyClick() { receiverTypeClick(true); }
void TForm1::rbKbdMseClick() { receiverTypeClick(false); }

void TForm1::cbRF_Set_BTY_Low_LevelChange() {
    if (optionEffect() != OptionEffect::WriteUnit)
        return;
    const std::uint8_t code = options::batteryLevelCode(ui->cbRF_Set_BTY_Low_Level->currentIndex());
    writeTransmitterPair(txeeprom::kBatteryLevel, code, txeeprom::complementOf(code),
                         options::kBatteryPauseMs);
    atStation([&] {
        stationClock().sleepMs(options::kBatteryPauseMs);
        station_->receiver().writeBatteryLevel(code);
    });
}

void TForm1::cbResetRFClick() {
    if (station_->runMode() != 2)
        optionEffect(); // saved now, or when the run has ended
}

void TForm1::suiSpinEdit1Change() {
    ui->Label3->setText(QString::fromStdString(options::sleepPeriodLabel(ui->suiSpinEdit1->value())));
}

void TForm1::suiSpinEdit2Change() {
    ui->Label4->setText(QString::fromStdString(options::wakeupPeriodLabel(ui->suiSpinEdit2->value())));
}

void TForm1::wireOptions() {
    onSelected(ui->rbRF_DR_15, this, [this] { rbRF_DR_15Click(); });
    onSelected(ui->rbRF_DR_1A, this, [this] { rbRF_DR_1AClick(); });
    onSelected(ui->rbRF_DR_45, this, [this] { rbRF_DR_45Click(); });
    onSelected(ui->rbRF_DR_4A, this, [this] { rbRF_DR_4AClick(); });
    onSelected(ui->rbRF_DR_4F, this, [this] { rbRF_DR_4FClick(); });
    onSelected(ui->rbRF_DR_25, this, [this] { rbRF_DR_25Click(); });
    onSelected(ui->rbRF_DR_2A, this, [this] { rbRF_DR_2AClick(); });
    onSelected(ui->rbRF_DR_5A, this, [this] { rbRF_DR_5AClick(); });
    onSelected(ui->rbRF_DR_55, this, [this] { rbRF_DR_55Click(); });
    onSelected(ui->rbRF_CPI_H, this, [this] { rbRF_CPI_HClick(); });
    onSelected(ui->rbRF_CPI_L, this, [this] { rbRF_CPI_LClick(); });
    onSelected(ui->rbMouseOnly, this, [this] { rbMouseOnlyClick(); });
    onSelected(ui->rbKbdMse, this, [this] { rbKbdMseClick(); });
    connect(ui->cbRF_Set_BTY_Low_Level, &QComboBox::currentIndexChanged, this,
            [this] { cbRF_Set_BTY_Low_LevelChange(); });
    for (QCheckBox* box : {ui->cbResetRF, ui->cbKeyboardbind})
        connect(box, &QCheckBox::toggled, this, [this] { cbResetRFClick(); });
    connect(ui->suiSpinEdit1, &QSpinBox::valueChanged, this, [this] { suiSpinEdit1Change(); });
    connect(ui->suiSpinEdit2, &QSpinBox::valueChanged, this, [this] { suiSpinEdit2Change(); });
}

} // namespace rfbind::app
