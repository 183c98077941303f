// SPDX-License-Identifier: MIT
#include "StationFixture.h"
#include "StationProgram.h"

#include <QApplication>
#include <QGuiApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using rfbind::test::StationFixture;

TEST(TForm1Lifecycle, TitleCarriesTempIdAndLogFolderIsCreated) {
    StationFixture f;
    auto& form = f.create();
    const QRegularExpression title(
        "^Halvoreth 2\\.4GHz RF SoC Manufacture Tool V0\\.32 TempID=(\\d+)$");
    const auto m = title.match(form.windowTitle());
    ASSERT_TRUE(m.hasMatch()) << form.windowTitle().toStdString();
    EXPECT_EQ(m.captured(1).toInt(), form.tempId());
    EXPECT_GE(form.tempId(), 0);
    EXPECT_LE(form.tempId(), 254);
    EXPECT_TRUE(QDir(f.folder.path()).exists("Log"));
    EXPECT_FALSE(form.formCreating());
}

TEST(TForm1Lifecycle, TheWindowSystemIsGivenTheTitleAloneAndBoxesTheApplicationTitle) {
    // A display name would be appended to every window title (" — <name>") by the window
    // system; the station sets none, so the title bar reads exactly as the window title.
    rfbind::app::setStationIdentity(*qApp);
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    StationFixture f;
    f.putFile("TX.ini", "[Device]\n0=ZZZZ\n");
    f.create();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].caption, "Halvoreth 2.4GHz RF SoC Manufacture Tool ");
}

struct LogoCase {
    int width;
    int height;
    bool shown;
};

class CustomLogo : public ::testing::TestWithParam<LogoCase> {};

TEST_P(CustomLogo, IsShownOnlyWithinFourHundredBySixty) {
    const LogoCase c = GetParam();
    StationFixture f;
    QImage logo(c.width, c.height, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    ASSERT_TRUE(logo.save(f.folder.filePath("logo.bmp"), "BMP"));
    f.create();
    auto* imgCust = f.child<QLabel>("imgCust");
    auto* imgLogo = f.child<QLabel>("imgLogo");
    EXPECT_EQ(imgCust->isVisibleTo(f.form.get()), c.shown);
    EXPECT_EQ(imgLogo->isVisibleTo(f.form.get()), !c.shown);
    EXPECT_EQ(imgCust->size(), QSize(c.width, c.height)) << "a larger logo is loaded all the same";
}

INSTANTIATE_TEST_SUITE_P(TForm1Lifecycle, CustomLogo,
                         ::testing::Values(LogoCase{400, 60, true}, LogoCase{401, 60, false},
                                           LogoCase{400, 61, false}, LogoCase{120, 40, true}));

TEST(TForm1Lifecycle, WithoutLogoFileTheBuiltInLogoShows) {
    StationFixture f;
    f.create();
    EXPECT_TRUE(f.child<QLabel>("imgLogo")->isVisibleTo(f.form.get()));
    EXPECT_FALSE(f.child<QLabel>("imgCust")->isVisibleTo(f.form.get()));
}

TEST(TForm1Lifecycle, ResizingSnapsBackToWidthNineHundredAndTheComputedHeight) {
    StationFixture f;
    auto& form = f.create();
    // The hidden numbering panels set the reference height (their heights + 550) and count
    // against it, so the visible height is the same whichever panels are folded.
    EXPECT_EQ(form.windowHeight(), f.child<QGroupBox>("gbRX")->height() +
                                     f.child<QGroupBox>("gbTX")->height() + 550);
    const int expected = form.windowHeight() - f.child<QGroupBox>("gb1")->height() -
                         f.child<QGroupBox>("gbRX")->height() - f.child<QGroupBox>("gbTX")->height();
    EXPECT_EQ(expected, 473);
    EXPECT_EQ(form.size(), QSize(900, expected));
    form.resize(1200, 300);
    form.setMinimumSize(0, 0);
    form.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    form.resize(640, 900);
    QApplication::processEvents();
    form.FormResize();
    EXPECT_EQ(form.size(), QSize(900, expected));
    auto* gbGo = f.child<QWidget>("gbGo");
    auto* pb = f.child<QWidget>("pbSetTX");
    EXPECT_EQ(pb->y() + pb->height(), expected);
    EXPECT_EQ(gbGo->y() + gbGo->height(), pb->y());
}

TEST(TForm1Lifecycle, PageDownStartsGoOnlyWhileGoIsEnabledWhateverHasTheFocus) {
    StationFixture f;
    auto& form = f.create();
    form.show();
    QApplication::setActiveWindow(&form);
    auto* btnGo = f.child<QPushButton>("btnGo");
    QSignalSpy go(btnGo, &QPushButton::clicked);

    struct Case {
        const char* focus; // object name of the control with the focus
        bool goEnabled;
        int runs;
    };
    for (Case c : {Case{"edtEEPROM_20", true, 1}, Case{"cbRF_Set_BTY_Low_Level", true, 1},
                   Case{"btnGo", true, 1}, Case{"edtEEPROM_20", false, 0}}) {
        go.clear();
        btnGo->setEnabled(c.goEnabled);
        QWidget* target = f.child<QWidget>(c.focus);
        target->setEnabled(true);
        target->setFocus();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &form,
                        Qt::Key_PageDown);
        EXPECT_EQ(go.count(), c.runs) << c.focus << " enabled=" << c.goEnabled;
    }
    // Other keys are not the station's business.
    btnGo->setEnabled(true);
    go.clear();
    QTest::keyClick(&form, Qt::Key_PageUp);
    EXPECT_EQ(go.count(), 0);
}

TEST(TForm1Lifecycle, PageDownThatStartsGoNeverReachesTheFocusedControl) {
    StationFixture f;
    auto& form = f.create();
    form.show();
    QApplication::setActiveWindow(&form);
    auto* btnGo = f.child<QPushButton>("btnGo");
    QSignalSpy go(btnGo, &QPushButton::clicked);
    auto* language = f.child<QComboBox>("cbbLang");
    auto* sleep = f.child<QSpinBox>("suiSpinEdit1");
    sleep->setEnabled(true);
    const int languageBefore = language->currentIndex();
    const int sleepBefore = sleep->value();

    for (QWidget* target : {static_cast<QWidget*>(language), static_cast<QWidget*>(sleep)}) {
        target->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    }
    EXPECT_EQ(go.count(), 2);
    EXPECT_EQ(language->currentIndex(), languageBefore);
    EXPECT_EQ(sleep->value(), sleepBefore);

    // With Go disabled the key is the control's, as any other key.
    btnGo->setEnabled(false);
    sleep->setFocus();
    QTest::keyClick(sleep, Qt::Key_PageDown);
    EXPECT_EQ(go.count(), 2);
    EXPECT_NE(sleep->value(), sleepBefore);
}

TEST(TForm1Lifecycle, ReturnPressesGoWhenTheFocusedControlHasNoUseForIt) {
    StationFixture f;
    auto& form = f.create();
    form.show();
    QApplication::setActiveWindow(&form);
    auto* btnGo = f.child<QPushButton>("btnGo");
    QSignalSpy go(btnGo, &QPushButton::clicked);
    for (const char* name : {"suiSpinEdit1", "edtEEPROM_20", "rbMouseOnly"}) {
        SCOPED_TRACE(name);
        go.clear();
        auto* target = f.child<QWidget>(name);
        target->setEnabled(true);
        target->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(go.count(), 1);
    }
    go.clear();
    btnGo->setEnabled(false);
    QTest::keyClick(f.child<QWidget>("edtEEPROM_20"), Qt::Key_Return);
    EXPECT_EQ(go.count(), 0);
}

TEST(TForm1Lifecycle, ClosingWithoutReceiverSendsNothingAndEndsWithCodeZero) {
    StationFixture f;
    auto& form = f.create();
    form.close();
    ASSERT_TRUE(f.quitCode.has_value());
    EXPECT_EQ(*f.quitCode, 0);
    EXPECT_EQ(form.station().link().ActiveDevice, nullptr);
}
