// SPDX-License-Identifier: MIT
#include "TForm2.h"

#include "widgets/ImageComboBox.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

using rfbind::app::ImageComboBox;
using rfbind::app::TForm2;

namespace {

TEST(TForm2, CopiesTheMainWindowTitleAndSitsInTheMiddleOfTheScreen) {
    QWidget main;
    main.setWindowTitle("Halvoreth 2.4GHz RF SoC Manufacture Tool V0.32 TempID=17");
    TForm2 dialog(&main);
    EXPECT_EQ(dialog.windowTitle(), main.windowTitle());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(dialog.x(), screen.width() / 2 - dialog.width() / 2);
    EXPECT_EQ(dialog.y(), screen.height() / 2 - dialog.height() / 2);
}

TEST(TForm2, OffersTheThreeLanguagePicturesAndAnOkButton) {
    QWidget main;
    TForm2 dialog(&main);
    EXPECT_EQ(dialog.findChild<QLabel*>("lbl1")->text(), "Please select a language.");
    auto* list = qobject_cast<ImageComboBox*>(dialog.cbbLang());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->objectName(), "cbbLang");
    EXPECT_FALSE(list->isEditable());
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->iconSize(), QSize(63, 14));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(list->itemText(i).isEmpty()) << "the items are pictures, not words";
        EXPECT_EQ(list->itemIcon(i).availableSizes().value(0), QSize(63, 14)) << i;
    }
    auto* ok = dialog.findChild<QPushButton*>("btnOK");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
}

TEST(TForm2, OkClosesTheDialogWithModalResultOk) {
    QWidget main;
    TForm2 dialog(&main);
    dialog.cbbLang()->setCurrentIndex(2);
    QTimer::singleShot(0, &dialog, [&] { dialog.findChild<QPushButton*>("btnOK")->click(); });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(dialog.cbbLang()->currentIndex(), 2);
}

TEST(ImageComboBox, AddsPicturesWithoutWordsButWithANameForAssistiveTools) {
    ImageComboBox list;
    QPixmap picture(63, 14);
    picture.fill(Qt::white);
    list.addImage(picture, "English");
    ASSERT_EQ(list.count(), 1);
    EXPECT_TRUE(list.itemText(0).isEmpty());
    EXPECT_FALSE(list.itemIcon(0).isNull());
    EXPECT_EQ(list.itemData(0, Qt::AccessibleTextRole).toString(), "English");
}

} // namespace
