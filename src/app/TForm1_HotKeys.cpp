// SPDX-License-Identifier: MIT
// The two programmable hot keys: their lists, and their words in the receiver EEPROM.
#include "TForm1.h"

#include "HandlerWiring.h"
#include "commands/HotKeys.h"
#include "commands/ReceiverOperations.h"
#include "ui_TForm1.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace rfbind::app {

void TForm1::FillHotKeyLists() {
    atStation([this] { station_->fillHotKeyLists(station_->zoomKeysAvailable()); });
}

void TForm1::showHotKeyLists(bool zoomKeys) {
    // The program, not the operator, changes the lists here: like any selection the program
    // makes, it neither saves the settings nor writes the receiver.
    const QSignalBlocker block1(ui->cbCustKey1);
    const QSignalBlocker block2(ui->cbCustKey2);
    ui->cbCustKey1->clear();
    ui->cbCustKey2->clear();
    const hotkeys::HotKeyList list = hotkeys::hotKeyList(zoomKeys);
    for (const hotkeys::HotKey& key : list.items)
        ui->cbCustKey1->addItem(QString::fromLatin1(key.text.data(),
                                                    static_cast<qsizetype>(key.text.size())),
                                key.code);
    for (int i = 0; i < ui->cbCustKey1->count(); ++i)
        ui->cbCustKey2->addItem(ui->cbCustKey1->itemText(i), ui->cbCustKey1->itemData(i));
    ui->cbCustKey1->setCurrentIndex(list.default1);
    ui->cbCustKey2->setCurrentIndex(list.default2);
    services_.clock.pumpMessages();
}

void TForm1::custKeyChange(int slot, const QComboBox* list) {
    if (optionEffect() != OptionEffect::WriteUnit || list->currentIndex() < 0)
        return;
    const auto code = static_cast<std::uint16_t>(list->currentData().toInt());
    atStation([&] { station_->receiver().writeHotKey(slot, code); });
    btnUpdateCustKeyClick();
}

void TForm1::cbCustKey1Change() { custKeyChange(1, ui->cbCustKey1); }
void TForm1::cbCustKey2Change() { custKeyChange(2, ui->cbCustKey2); }

void TForm1::btnUpdateCustKeyClick() { atStation([this] { station_->receiver().updateCustKey(); }); }

void TForm1::wireHotKeys() {
    connect(ui->cbCustKey1, &QComboBox::currentIndexChanged, this, [this] { cbCustKey1Change(); });
    connect(ui->cbCustKey2, &QComboBox::currentIndexChanged, this, [this] { cbCustKey2Change(); });
    onClicked(ui->btnUpdateCustKey, this, [this] { btnUpdateCustKeyClick(); });
}

} // namespace rfbind::app
