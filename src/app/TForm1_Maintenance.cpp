// SPDX-License-Identifier: MIT
// One-shot restart and reload commands for receiver and transmitter, and the receiver's
// status query with its answer fields.
#include "TForm1.h"

#include "HandlerWiring.h"
#include "commands/HexText.h"
#include "commands/ReceiverFrames.h"
#include "commands/ReceiverOperations.h"
#include "commands/RemoteCommands.h"
#include "ui_TForm1.h"
#include "widgets/THexEdit.h"

namespace rfbind::app {

void TForm1::btnC_JUMP_TO_PORClick() { atStation([&] { station_->receiver().jumpToPor(); }); }

void TForm1::btnC_RELOAD_PARAMETERClick() { atStation([&] { station_->receiver().reloadParameter(); }); }

void TForm1::btnRF_DR_3CClick() {
    // Through the page's own fields, so the page shows what was sent.
    ui->edtRF_DirectRegAddr->setValue(remote::kCommandRegister);
    ui->edtRF_DirectRegData->setValue(remote::kJumpToPor);
    btnC_RF_Wrt_Direct_RegClick();
}

void TForm1::btnRF_DR_3DClick() {
    ui->edtRF_DirectRegAddr->setValue(remote::kCommandRegister);
    ui->edtRF_DirectRegData->setValue(remote::kFastReload);
    btnC_RF_Wrt_Direct_RegClick();
}

void TForm1::btnSpecialCmd1Click(QObject* sender) {
    // btnSpecialCmd1 asks for status 1, btnSpecialCmd4 for status 4.
    const int n = sender->objectName().right(1).toInt();
    const auto answer = fromStation([&] { return station_->receiver().statusQuery(static_cast<std::uint8_t>(n)); });
    // An unanswered query leaves the fields as they were: the link test relies on that.
    if (!answer)
        return;
    if (n == 4)
        atStation([&] { station_->bindingStatus() = (*answer)[1]; }); // the binding watches wait on what this field shows
    for (int p = 0; p < receiver::kStatusAnswerBytes; ++p)
        if (auto* field = findChild<THexEdit*>(QString("edtSC0%1_0%2").arg(n).arg(p)))
            field->setText(QString::fromStdString(statusByteText((*answer)[static_cast<std::size_t>(p)])));
}

void TForm1::wireMaintenance() {
    onClicked(ui->btnC_JUMP_TO_POR, this, [this] { btnC_JUMP_TO_PORClick(); });
    onClicked(ui->btnC_RELOAD_PARAMETER, this, [this] { btnC_RELOAD_PARAMETERClick(); });
    onClicked(ui->btnRF_DR_3C, this, [this] { btnRF_DR_3CClick(); });
    onClicked(ui->btnRF_DR_3D, this, [this] { btnRF_DR_3DClick(); });
    onClicked(ui->btnSpecialCmd1, this, [this] { btnSpecialCmd1Click(ui->btnSpecialCmd1); });
    onClicked(ui->btnSpecialCmd4, this, [this] { btnSpecialCmd1Click(ui->btnSpecialCmd4); });
}

} // namespace rfbind::app
