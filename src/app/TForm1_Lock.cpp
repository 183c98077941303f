// SPDX-License-Identifier: MIT
// The settings lock: the operator may only start runs; a supervisor opens the settings with a
// hidden gesture (double-clicks on the logo) and the access code, and closes them the same way.
// Nothing is stored: every start of the station begins locked.
#include "TForm1.h"

#include "StationProgram.h"

#include "Dialogs.h"
#include "ui_TForm1.h"

#include <QEvent>
#include <QGuiApplication>

#include <functional>

namespace rfbind::app {

namespace {

const QString kAccessCode = QStringLiteral("KestrunIL");

// The logos are plain pictures: they report a double-click through this filter.
class LogoDoubleClicks : public QObject {
public:
    LogoDoubleClicks(std::function<void()> onDoubleClick, QObject* parent)
        : QObject(parent), onDoubleClick_(std::move(onDoubleClick)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick) {
            onDoubleClick_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onDoubleClick_;
};

} // namespace

void TForm1::imgLogoDblClick() {
    if (ui->gbSetting->isEnabled()) {
        ui->gbSetting->setEnabled(false);
        // Grey the controls out before the box appears, so the supervisor sees them locked.
        ApplySettingsLock();
        services_.dialogs.message(this, stationTitle(),
                                  QStringLiteral("Locked"), Dialogs::Icon::None);
        return;
    }
    ++logoDoubleClicks_;
    if (logoDoubleClicks_ % 5 == 0) {
        // A wrong code or Cancel says nothing, so the gesture gives nothing away.
        const std::optional<QString> code = services_.dialogs.password(this);
        if (code && *code == kAccessCode)
            ui->gbSetting->setEnabled(true);
    }
    ApplySettingsLock();
}

void TForm1::ApplySettingsLock() {
    const bool open = ui->gbSetting->isEnabled();
    const auto follow = [open](std::initializer_list<QWidget*> controls) {
        for (QWidget* w : controls)
            w->setEnabled(open);
    };
    // A serial-number field without bytes has nothing to edit, open or not.
    const auto withBytes = [open](QWidget* field, std::int32_t byteCount) {
        field->setEnabled(open && byteCount > 0);
    };
    follow({ui->rbMouseOnly,       ui->rbKbdMse,    ui->suiSpinEdit1,
            ui->suiSpinEdit2,      ui->cbCustKey1,  ui->cbCustKey2,
            ui->rbRF_DR_15,        ui->rbRF_DR_1A,  ui->rbRF_CPI_H,
            ui->rbRF_CPI_L,        ui->rbRF_DR_45,  ui->rbRF_DR_4A,
            ui->rbRF_DR_4F,        ui->CallQUVE,    ui->cbRF_Set_BTY_Low_Level,
            ui->edtVID_SET,        ui->edtPID_SET,  ui->edtEEPROM_20,
            ui->ComboRFPower,      ui->cbResetRF,   ui->LRMBinding,
            ui->cbRX_IsSN,         ui->cbRX_IsDate, ui->edtRX_FixByteCount,
            ui->edtRX_IncByteCount});
    withBytes(ui->edtRX_FixSN, fromStation([&] { return station_->rxSN()->FixSNByteCount(); }));
    withBytes(ui->edtRX_IncInitSN, fromStation([&] { return station_->rxSN()->IncSNByteCount(); }));
    follow({ui->rbRX_FixAscii, ui->rbRX_FixHex, ui->cbTX_IsSN, ui->cbTX_IsDate,
            ui->edtTX_FixByteCount, ui->edtTX_IncByteCount});
    withBytes(ui->edtTX_FixSN, fromStation([&] { return station_->txSN()->FixSNByteCount(); }));
    withBytes(ui->edtTX_IncInitSN, fromStation([&] { return station_->txSN()->IncSNByteCount(); }));
    follow({ui->rbTX_FixAscii, ui->rbTX_FixHex, ui->cbKeyboardbind, ui->rbRX_RandomRFID,
            ui->rbRX_CustomRFID, ui->edtRX_IncInitRFID, ui->rbTX_RandomRFID, ui->rbTX_CustomRFID,
            ui->edtTX_IncInitRFID, ui->gbWKUP, ui->rbRF_DR_25, ui->rbRF_DR_2A, ui->TX_Erased,
            ui->RX_Erased});
    // The erase buttons sit outside the settings area, and their arming is stored in TX.ini:
    // an armed box from the last session must not leave a wipe one click away while locked.
    ui->suiButton2->setEnabled(open && ui->TX_Erased->isChecked());
    ui->suiButton1->setEnabled(open && ui->RX_Erased->isChecked());
}

void TForm1::wireSettingsLock() {
    // Whichever logo is showing (the built-in one or the station's own) takes the gesture.
    auto* filter = new LogoDoubleClicks([this] { imgLogoDblClick(); }, this);
    ui->imgLogo->installEventFilter(filter);
    ui->imgCust->installEventFilter(filter);
}

} // namespace rfbind::app
