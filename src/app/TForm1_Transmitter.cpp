// SPDX-License-Identifier: MIT
// The transmitter page "RF": reads and writes of the transmitter's address spaces through the
// receiver's radio, the verified EEPROM write, access mode and resolution.
#include "TForm1.h"

#include "HandlerWiring.h"
#include "commands/RemoteCommands.h"
#include "commands/TransmitterOperations.h"
#include "ui_TForm1.h"
#include "widgets/THexEdit.h"

#include <QSpinBox>

namespace rfbind::app {

void TForm1::remoteRead(std::uint8_t code, THexEdit* addressEdit, THexEdit* dataEdit) {
    const auto address = hexValue(addressEdit);
    if (!address)
        return;
    showReadValue(dataEdit, fromStation([&] { return station_->transmitter().read(code, *address); }));
}

void TForm1::remotePlainWrite(std::uint8_t code, THexEdit* addressEdit, THexEdit* dataEdit) {
    const auto value = hexValue(dataEdit);
    if (!value)
        return;
    const auto address = hexValue(addressEdit);
    if (!address)
        return;
    atStation([&] { station_->transmitter().write(code, *address, *value); });
}

void TForm1::btnC_RF_Rd_EEPROMClick() {
    remoteRead(remote::kRdEeprom, ui->edtRF_EEPROMAddr, ui->edtRF_EEPROMData);
}
void TForm1::btnC_RF_Rd_Direct_RegClick() {
    remoteRead(remote::kRdDirectReg, ui->edtRF_DirectRegAddr, ui->edtRF_DirectRegData);
}
void TForm1::btnC_RF_Rd_Index_RegClick() {
    remoteRead(remote::kRdIndexReg, ui->edtRF_IndexRegAddr, ui->edtRF_IndexRegData);
}
void TForm1::btnC_RF_Rd_SensorClick() {
    remoteRead(remote::kRdSensor, ui->edtRF_SensorAddr, ui->edtRF_SensorData);
}
void TForm1::btnC_RF_Rd_RFIC_ARF2496KClick() {
    remoteRead(remote::kRdRadioChip, ui->edtRF_RFICAddr, ui->edtRF_RFICData);
}

void TForm1::btnC_RF_Wrt_Direct_RegClick() {
    remotePlainWrite(remote::kWrtDirectReg, ui->edtRF_DirectRegAddr, ui->edtRF_DirectRegData);
}
void TForm1::btnC_RF_Wrt_Index_RegClick() {
    remotePlainWrite(remote::kWrtIndexReg, ui->edtRF_IndexRegAddr, ui->edtRF_IndexRegData);
}
void TForm1::btnC_RF_Wrt_SensorClick() {
    remotePlainWrite(remote::kWrtSensor, ui->edtRF_SensorAddr, ui->edtRF_SensorData);
}
void TForm1::btnC_RF_Wrt_RFIC_ARF2496KClick() {
    remotePlainWrite(remote::kWrtRadioChip, ui->edtRF_RFICAddr, ui->edtRF_RFICData);
}

void TForm1::btnC_RF_Wrt_EEPROMClick() {
    const auto value = hexValue(ui->edtRF_EEPROMData);
    if (!value)
        return;
    const auto address = hexValue(ui->edtRF_EEPROMAddr);
    if (!address)
        return;
    // The outcome is CommError, which the calling run tests; the data field stays as it was.
    atStation([&] { station_->transmitter().verifiedEepromWrite(*address, *value); });
}

void TForm1::btnC_RF_SETUP_CPIClick() {
    const int level = ui->edtC_RF_SETUP_CPI->value();
    atStation([&] { station_->transmitter().setupCpi(level); });
}

void TForm1::rbC_RF_ENTER_ACCESS_WO_LEDClick() { atStation([&] { station_->transmitter().enterAccess(false); }); }
void TForm1::rbC_RF_ENTER_ACCESS_W_LEDClick() { atStation([&] { station_->transmitter().enterAccess(true); }); }
void TForm1::rbC_RF_LEAVE_ACCESSClick() { atStation([&] { station_->transmitter().leaveAccess(); }); }

void TForm1::wireTransmitterPage() {
    onClicked(ui->btnC_RF_Rd_EEPROM, this, [this] { btnC_RF_Rd_EEPROMClick(); });
    onClicked(ui->btnC_RF_Wrt_EEPROM, this, [this] { btnC_RF_Wrt_EEPROMClick(); });
    onClicked(ui->btnC_RF_Rd_Direct_Reg, this, [this] { btnC_RF_Rd_Direct_RegClick(); });
    onClicked(ui->btnC_RF_Wrt_Direct_Reg, this, [this] { btnC_RF_Wrt_Direct_RegClick(); });
    onClicked(ui->btnC_RF_Rd_Index_Reg, this, [this] { btnC_RF_Rd_Index_RegClick(); });
    onClicked(ui->btnC_RF_Wrt_Index_Reg, this, [this] { btnC_RF_Wrt_Index_RegClick(); });
    onClicked(ui->btnC_RF_Rd_Sensor, this, [this] { btnC_RF_Rd_SensorClick(); });
    onClicked(ui->btnC_RF_Wrt_Sensor, this, [this] { btnC_RF_Wrt_SensorClick(); });
    onClicked(ui->btnC_RF_Rd_RFIC_ARF2496K, this, [this] { btnC_RF_Rd_RFIC_ARF2496KClick(); });
    onClicked(ui->btnC_RF_Wrt_RFIC_ARF2496K, this, [this] { btnC_RF_Wrt_RFIC_ARF2496KClick(); });
    onClicked(ui->btnC_RF_SETUP_CPI, this, [this] { btnC_RF_SETUP_CPIClick(); });
    onSelected(ui->rbC_RF_ENTER_ACCESS_WO_LED, this, [this] { rbC_RF_ENTER_ACCESS_WO_LEDClick(); });
    onSelected(ui->rbC_RF_ENTER_ACCESS_W_LED, this, [this] { rbC_RF_ENTER_ACCESS_W_LEDClick(); });
    onSelected(ui->rbC_RF_LEAVE_ACCESS, this, [this] { rbC_RF_LEAVE_ACCESSClick(); });
}

} // namespace rfbind::app
