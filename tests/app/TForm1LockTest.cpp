// SPDX-License-Identifier: MIT
#include "StationFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QSpinBox>

#include <gtest/gtest.h>

using rfbind::test::StationFixture;

namespace {

// A double-click on the logo as the window system delivers it.
void doubleClick(StationFixture& f, const char* logo = "imgLogo") {
    QLabel* label = f.child<QLabel>(logo);
    const QPointF at(5, 5);
    QMouseEvent event(QEvent::MouseButtonDblClick, at, label->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &event);
}

bool unlocked(const StationFixture& f) {
    return f.child<QGroupBox>("gbSetting")->isEnabled();
}

// The control's own enabled state, whatever its group box says.
bool ownEnabled(const StationFixture& f, const char* name) {
    QWidget* w = f.child<QWidget>(name);
    return w->isEnabledTo(w->parentWidget());
}

const char* const kFollowTheLock[] = {
    "rbMouseOnly",        "rbKbdMse",        "suiSpinEdit1",
    "suiSpinEdit2",       "cbCustKey1",      "cbCustKey2",
    "rbRF_DR_15",         "rbRF_DR_1A",      "rbRF_CPI_H",
    "rbRF_CPI_L",         "rbRF_DR_45",      "rbRF_DR_4A",
    "rbRF_DR_4F",         "CallQUVE",        "cbRF_Set_BTY_Low_Level",
    "edtVID_SET",         "edtPID_SET",      "edtEEPROM_20",
    "ComboRFPower",       "cbResetRF",       "LRMBinding",
    "cbRX_IsSN",          "cbRX_IsDate",     "edtRX_FixByteCount",
    "edtRX_IncByteCount", "rbRX_FixAscii",   "rbRX_FixHex",
    "cbTX_IsSN",          "cbTX_IsDate",     "edtTX_FixByteCount",
    "edtTX_IncByteCount", "rbTX_FixAscii",   "rbTX_FixHex",
    "cbKeyboardbind",     "rbRX_RandomRFID", "rbRX_CustomRFID",
    "edtRX_IncInitRFID",  "rbTX_RandomRFID", "rbTX_CustomRFID",
    "edtTX_IncInitRFID",  "gbWKUP",          "rbRF_DR_25",
    "rbRF_DR_2A",         "TX_Erased",       "RX_Erased"};

} // namespace

TEST(TForm1Lock, EveryFifthDoubleClickWhileLockedAsksForTheCode) {
    const struct {
        int doubleClicks;
        int prompts;
    } rows[] = {{4, 0}, {5, 1}, {9, 1}, {10, 2}, {15, 3}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.doubleClicks);
        StationFixture f;
        f.create();
        ASSERT_FALSE(unlocked(f)) << "every start begins locked";
        for (int i = 0; i < row.doubleClicks; ++i)
            doubleClick(f, i % 2 ? "imgCust" : "imgLogo"); // either logo takes the gesture
        EXPECT_EQ(f.dialogs.passwordPrompts, row.prompts);
        EXPECT_FALSE(unlocked(f)) << "Cancel opens nothing";
        EXPECT_TRUE(f.dialogs.messages.empty()) << "and says nothing";
    }
}

TEST(TForm1Lock, TheAccessCodeIsComparedExactly) {
    const struct {
        const char* typed;
        bool opens;
    } rows[] = {{"KestrunIL", true},
                {"kestrunil", false},
                {"KESTRUNIL", false},
                {"KestrunIL ", false},
                {"", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        StationFixture f;
        f.create();
        f.dialogs.nextPassword = QString(row.typed);
        for (int i = 0; i < 5; ++i)
            doubleClick(f);
        EXPECT_EQ(unlocked(f), row.opens);
        EXPECT_TRUE(f.dialogs.messages.empty());
    }
}

TEST(TForm1Lock, TheNextDoubleClickLocksAgainAndTheCountCarriesOn) {
    StationFixture f;
    f.create();
    f.dialogs.nextPassword = QString("KestrunIL");
    for (int i = 0; i < 5; ++i)
        doubleClick(f);
    ASSERT_TRUE(unlocked(f));

    doubleClick(f);
    EXPECT_FALSE(unlocked(f));
    EXPECT_EQ(f.dialogs.passwordPrompts, 1) << "locking asks for nothing";
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "Locked");

    // Double-clicks made while unlocked do not count: the next prompt comes at the tenth
    // double-click made while locked.
    for (int i = 0; i < 4; ++i)
        doubleClick(f);
    EXPECT_EQ(f.dialogs.passwordPrompts, 1);
    doubleClick(f);
    EXPECT_EQ(f.dialogs.passwordPrompts, 2);
}

TEST(TForm1Lock, TheControlsFollowTheLockAndSerialFieldsNeedBytes) {
    StationFixture f;
    // Receiver: no fixed part (F = 0, I = 4); transmitter: no incrementing part (F = 4, I = 0).
    f.putFile("TX.ini", "[TX]\n"
                        "RXSNINFO=object TProdSN;  IsDate = True;  IncSNByteCount = 4;end;\n"
                        "TXSNINFO=object TProdSN;  IsDate = True;  FixSNByteCount = 4;end;\n");
    auto& form = f.create();
    ASSERT_EQ(form.station().rxSN()->FixSNByteCount(), 0);
    ASSERT_EQ(form.station().txSN()->IncSNByteCount(), 0);

    const auto expectAll = [&](bool open) {
        for (const char* name : kFollowTheLock)
            EXPECT_EQ(ownEnabled(f, name), open) << name;
        EXPECT_FALSE(ownEnabled(f, "edtRX_FixSN"));
        EXPECT_EQ(ownEnabled(f, "edtRX_IncInitSN"), open);
        EXPECT_EQ(ownEnabled(f, "edtTX_FixSN"), open);
        EXPECT_FALSE(ownEnabled(f, "edtTX_IncInitSN"));
    };
    for (int i = 0; i < 4; ++i)
        doubleClick(f);
    expectAll(false);

    f.dialogs.nextPassword = QString("KestrunIL");
    doubleClick(f);
    ASSERT_TRUE(unlocked(f));
    expectAll(true);

    // A byte count given to the fixed part opens its field while unlocked.
    f.child<QSpinBox>("edtRX_FixByteCount")->setValue(2);
    EXPECT_TRUE(ownEnabled(f, "edtRX_FixSN"));

    doubleClick(f);
    ASSERT_FALSE(unlocked(f));
    for (const char* name : kFollowTheLock)
        EXPECT_FALSE(ownEnabled(f, name)) << name;
    EXPECT_FALSE(ownEnabled(f, "edtRX_FixSN"));
    EXPECT_FALSE(ownEnabled(f, "edtRX_IncInitSN"));
}

TEST(TForm1Lock, StoredEraseArmingLeavesNoEraseButtonLiveWhileLocked) {
    StationFixture f;
    f.putFile("TX.ini", "[TX]\nTX_Erased=1\nRX_Erased=1\n");
    f.create();
    const char* const erase[] = {"TX_Erased", "RX_Erased", "suiButton1", "suiButton2"};
    for (const char* name : erase)
        EXPECT_FALSE(f.child<QWidget>(name)->isEnabled()) << name << " at start-up";

    f.dialogs.nextPassword = QString("KestrunIL");
    for (int i = 0; i < 5; ++i)
        doubleClick(f);
    ASSERT_TRUE(unlocked(f));
    for (const char* name : erase)
        EXPECT_TRUE(f.child<QWidget>(name)->isEnabled()) << name << " once unlocked";
    f.child<QAbstractButton>("TX_Erased")->click();
    EXPECT_FALSE(f.child<QWidget>("suiButton2")->isEnabled()) << "disarmed";
    f.child<QAbstractButton>("TX_Erased")->click();

    doubleClick(f);
    ASSERT_FALSE(unlocked(f));
    for (const char* name : erase)
        EXPECT_FALSE(f.child<QWidget>(name)->isEnabled()) << name << " locked again";
}
