// SPDX-License-Identifier: MIT
#include "DeviceStation.h"
#include "commands/ReceiverModel.h"
#include "widgets/THexEdit.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace rfbind;
using rfbind::test::BenchStation;
using rfbind::test::FakeDeviceList;
using rfbind::test::NamedFakeDevice;
using rfbind::test::StationFixture;

namespace {

/// The station connected to one recording fake receiver, for golden frame sequences.
struct FakeStation {
    std::vector<std::string> log;
    test::RecordingClock clock;
    FakeDeviceList devices;
    test::ReceiverModel model;
    StationFixture station{&devices, &clock};
    app::TForm1* form = nullptr;

    FakeStation() {
        devices.recipes = {[this] {
            auto d = std::make_unique<NamedFakeDevice>(&log, "/dev/hidraw1");
            d->answer = [this](const Frame& r) { return model(r); };
            return d;
        }};
        form = &station.create();
        form->station().setRunMode(0);
        test::unlockPages(*form);
        form->FindReceiver();
        log.clear();
    }
    app::THexEdit* edit(const char* name) const { return station.child<app::THexEdit>(name); }
    void click(const char* button) const { station.child<QAbstractButton>(button)->click(); }
    std::vector<std::string> sets() const {
        std::vector<std::string> out;
        for (const auto& e : log)
            if (e.rfind("set ", 0) == 0)
                out.push_back(e.substr(4));
        return out;
    }
};

/// Types `text` character by character, as a keyboard with an input method would (the
/// toolkit's key-click helper knows only Latin-1).
void typeText(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

std::uint16_t rxWord(const BenchStation& s, int address) {
    return s.bench.receiver().eeprom()[static_cast<std::size_t>(address)];
}

} // namespace

// ---- receiver EEPROM, VID/PID, product string --------------------------------------------

TEST(TForm1Commands, WordButtonsReadTheByteAndWriteItsComplementWord) {
    BenchStation s;
    auto& form = s.create();
    form.FindReceiver();
    auto* word2 = s.child<app::THexEdit>("edtEEPROM_02");
    word2->setText("1A");
    s.child<QPushButton>("btnEEPROM_W_02")->click();
    EXPECT_EQ(rxWord(s, 2), 0x1AE5);
    word2->clear();
    s.child<QPushButton>("btnEEPROM_W_02")->click();
    EXPECT_EQ(rxWord(s, 2), 0x00FF);

    form.station().link().WriteReceiverEeprom(15, 0x04FB);
    s.child<QPushButton>("btnEEPROM_R_15")->click();
    EXPECT_EQ(s.text("edtEEPROM_15"), "04");
}

TEST(TForm1Commands, AFailedWordReadShowsTheTopOfMinusOne) {
    FakeStation f;
    f.model.ack = false;
    f.click("btnEEPROM_R_16");
    EXPECT_EQ(f.edit("edtEEPROM_16")->text(), "FFFFFF");
    EXPECT_TRUE(f.form->station().link().CommError);
}

TEST(TForm1Commands, VendorIdGoesIntoWordsFifteenAndSixteenAndComesBack) {
    BenchStation s;
    auto& form = s.create();
    form.FindReceiver();
    s.child<QLineEdit>("edtVID_SET")->setText("0312");
    s.child<QPushButton>("btnEEPROM_W_VID")->click();
    EXPECT_EQ(rxWord(s, 15), 0x03FC);
    EXPECT_EQ(rxWord(s, 16), 0x12ED);
    EXPECT_EQ(s.text("edtEEPROM_15"), "3");
    EXPECT_EQ(s.text("edtEEPROM_16"), "12");

    s.child<QLineEdit>("edtVID_SET")->clear();
    QFile::remove("TX.ini");
    s.child<QPushButton>("btnEEPROM_R_VID")->click();
    EXPECT_EQ(s.text("edtVID_SET"), "0312");
    EXPECT_TRUE(QFile::exists("TX.ini")) << "the ID read while idle is saved";

    QFile::remove("TX.ini");
    for (std::uint8_t mode : {1, 2}) {
        form.station().setRunMode(mode);
        s.child<QLineEdit>("edtVID_SET")->setText(mode == 1 ? "1111" : "2222");
    }
    EXPECT_FALSE(QFile::exists("TX.ini")) << "not while a run or a load fills the field";
}

TEST(TForm1Commands, AFailedUsbIdReadLeavesNothingThatCouldBeSavedOrProgrammed) {
    FakeStation f;
    auto* vid = f.station.child<QLineEdit>("edtVID_SET");
    auto* pid = f.station.child<QLineEdit>("edtPID_SET");
    vid->setText("0312");
    pid->setText("C52B");
    const QByteArray before = f.station.fileBytes("TX.ini").value_or(QByteArray());
    f.model.ack = false;
    f.click("btnEEPROM_R_VID");
    f.click("btnEEPROM_R_PID");
    EXPECT_EQ(vid->text(), "0312");
    EXPECT_EQ(pid->text(), "C52B");
    EXPECT_EQ(f.station.fileBytes("TX.ini").value_or(QByteArray()), before);
    ASSERT_EQ(f.station.dialogs.messages.size(), 2u);
    EXPECT_TRUE(f.station.dialogs.messages[0].text.contains("VID"));
    EXPECT_TRUE(f.station.dialogs.messages[0].text.contains("failed"));
    EXPECT_TRUE(f.station.dialogs.messages[1].text.contains("C52B"));
}

TEST(TForm1Commands, ProductStringsTravelToTheReceiverAndBack) {
    BenchStation s;
    auto& form = s.create();
    form.FindReceiver();
    for (const QString& text : {QString("ABCDE"), QString(46, 'z'), QString("USB 2.4G Mouse")}) {
        s.child<QLineEdit>("edtEEPROM_20")->setText(text);
        s.child<QPushButton>("btnEEPROM_W_20")->click();
        s.child<QLineEdit>("edtEEPROM_20")->setText("overwritten");
        s.child<QPushButton>("btnEEPROM_R_20")->click();
        EXPECT_EQ(s.text("edtEEPROM_20"), text);
    }
    EXPECT_EQ(rxWord(s, 19), 0x1EE1); // L = 2 + 2 * 14 = 0x1E
    EXPECT_FALSE(form.station().link().CommError);
}

TEST(TForm1Commands, AProductStringTheReceiverCannotStoreIsShownAndNotWritten) {
    FakeStation f;
    auto* edit = f.station.child<QLineEdit>("edtEEPROM_20");
    edit->setText(QString::fromUtf8("Maus \u20ac B\u00fcro")); // as a settings file may hold it
    EXPECT_EQ(edit->text(), QString::fromUtf8("Maus \u20ac B\u00fcro"));
    EXPECT_FALSE(edit->toolTip().isEmpty());
    f.click("btnEEPROM_W_20");
    EXPECT_TRUE(f.sets().empty());
    EXPECT_TRUE(f.form->station().link().CommError);
    ASSERT_EQ(f.station.dialogs.messages.size(), 1u);
    EXPECT_TRUE(f.station.dialogs.messages[0].text.contains("not written"));
}

TEST(TForm1Commands, TheProductStringFieldTakesLatin1UpToFortySixAndSaysWhatItRefuses) {
    FakeStation f;
    auto* edit = f.station.child<QLineEdit>("edtEEPROM_20");
    edit->clear();
    edit->setFocus();
    typeText(edit, QString::fromUtf8("Ma\u00dfe \u00e9t\u00e9"));
    EXPECT_EQ(edit->text(), QString::fromUtf8("Ma\u00dfe \u00e9t\u00e9"));
    edit->clear();
    typeText(edit, QString::fromUtf8("M\u00e4us\u20ac \u7121\u7dda"));
    EXPECT_EQ(edit->text(), QString::fromUtf8("M\u00e4us "));
    EXPECT_TRUE(edit->toolTip().contains(QString::fromUtf8("\u7dda"))) << edit->toolTip().toStdString();
    typeText(edit, QString::fromUtf8("\u20ac"));
    EXPECT_TRUE(edit->toolTip().contains(QString::fromUtf8("\u20ac"))) << edit->toolTip().toStdString();
    edit->clear();
    QTest::keyClicks(edit, QString(50, 'x'));
    EXPECT_EQ(edit->text().size(), 46);
    EXPECT_TRUE(edit->toolTip().contains("46"));

    // A longer name from the settings file is shown whole and can be shortened.
    f.form->station().setRunMode(2);
    edit->setText(QString(50, 'y'));
    f.form->station().setRunMode(0);
    EXPECT_EQ(edit->text().size(), 50);
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text().size(), 49);
}

// ---- registers -----------------------------------------------------------------------------

TEST(TForm1Commands, DirectRegisterShowsPositionZeroAndRadioChipPositionOne) {
    FakeStation f;
    f.devices.handedOut[0]->answer = [](const Frame&) { return Frame{0xD0, 0xF1, 0, 0, 0, 0, 0, 0xCC}; };
    f.edit("edtDirectAddr")->setText("42");
    f.click("btnC_Rd_Direct_Reg");
    f.edit("edtRFICAddr")->setText("42");
    f.click("btnRd_RFIC");
    EXPECT_EQ(f.edit("edtDirectData")->text(), "D0");
    EXPECT_EQ(f.edit("edtRFICData")->text(), "F1");
    EXPECT_EQ(f.sets(), (std::vector<std::string>{"01 14 42 00 00 00 00 00", "01 06 42 00 00 00 00 00"}));
}

TEST(TForm1Commands, RadioChipWriteRepeatsUntilTheRegisterHoldsTheValue) {
    FakeStation f;
    f.model.rfic[1] = 0x03;
    f.model.rficIgnoresWritesUntil = 2;
    f.edit("edtRFICAddr")->setText("01");
    f.edit("edtRFICData")->setText("1b");
    f.click("btnWrt_RFIC");
    EXPECT_EQ(f.model.rfic[1], 0x1B);
    EXPECT_EQ(f.edit("edtRFICData")->text(), "1B");
    int writes = 0;
    for (const auto& s : f.sets())
        writes += s == "01 07 01 1B 00 00 00 00";
    EXPECT_EQ(writes, 3);
}

TEST(TForm1Commands, AMalformedAddressShowsTheConversionErrorAndSendsNothing) {
    FakeStation f;
    f.edit("edtRF_EEPROMAddr")->setText("G1");
    f.click("btnC_RF_Rd_EEPROM");
    EXPECT_TRUE(f.sets().empty());
    ASSERT_EQ(f.station.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.station.dialogs.messages[0].text, "'$0G1' is not a valid integer value");
}

// ---- transmitter page -------------------------------------------------------------------------

TEST(TForm1Commands, VerifiedTransmitterWriteOnTheBench) {
    BenchStation s;
    auto& form = s.create();
    form.FindReceiver();
    s.child<app::THexEdit>("edtRF_EEPROMAddr")->setText("1A");
    s.child<app::THexEdit>("edtRF_EEPROMData")->setText("40");
    form.station().link().CommError = false;
    s.child<QPushButton>("btnC_RF_Wrt_EEPROM")->click();
    EXPECT_EQ(s.bench.mouse().eeprom()[0x1A], 0x40);
    EXPECT_FALSE(form.station().link().CommError);

    auto faults = s.bench.faults();
    faults.stuckTransmitterEepromByte = 0x1A;
    s.bench.setFaults(faults);
    s.child<app::THexEdit>("edtRF_EEPROMData")->setText("41");
    const auto before = s.bench.setFeatures();
    s.child<QPushButton>("btnC_RF_Wrt_EEPROM")->click();
    EXPECT_TRUE(form.station().link().CommError);
    // prelude, then 11 cycles of three writes plus a read (its prelude and request)
    EXPECT_EQ(s.bench.setFeatures() - before, 1u + 11u * (3u + 2u));
    EXPECT_EQ(s.text("edtRF_EEPROMData"), "41");
}

TEST(TForm1Commands, AFailedTransmitterReadShowsFFFFFFFF) {
    BenchStation s;
    auto& form = s.create();
    form.FindReceiver();
    s.bench.switchMouse(false);
    s.child<app::THexEdit>("edtRF_SensorAddr")->setText("00");
    s.child<QPushButton>("btnC_RF_Rd_Sensor")->click();
    EXPECT_EQ(s.text("edtRF_SensorData"), "FFFFFFFF");
    EXPECT_TRUE(form.station().link().CommError);
}

TEST(TForm1Commands, AccessModeAndResolutionReachTheMouse) {
    BenchStation s;
    auto& form = s.create();
    form.FindReceiver();
    s.child<QRadioButton>("rbC_RF_ENTER_ACCESS_W_LED")->click();
    EXPECT_EQ(s.bench.mouse().accessMode(), bench::AccessMode::OnWithLed);
    s.child<QRadioButton>("rbC_RF_LEAVE_ACCESS")->click();
    EXPECT_EQ(s.bench.mouse().accessMode(), bench::AccessMode::Off);
    s.child<QSpinBox>("edtC_RF_SETUP_CPI")->setValue(3);
    s.child<QPushButton>("btnC_RF_SETUP_CPI")->click();
    EXPECT_EQ(s.bench.mouse().resolutionLevel(), 3);
}

TEST(TForm1Commands, AccessButtonsWithoutReceiverDoNothing) {
    StationFixture f;
    auto& form = f.create();
    test::unlockPages(form);
    f.child<QRadioButton>("rbC_RF_ENTER_ACCESS_WO_LED")->click();
    EXPECT_FALSE(form.station().link().CommError);
}

// ---- maintenance ------------------------------------------------------------------------------

TEST(TForm1Commands, RestartAndReloadFrames) {
    FakeStation f;
    f.click("btnC_RELOAD_PARAMETER");
    f.click("btnC_JUMP_TO_POR");
    f.click("btnRF_DR_3D");
    EXPECT_EQ(f.sets(), (std::vector<std::string>{
                            "01 0F CC 33 55 00 00 00", "01 0E 55 AA CC 00 00 00",
                            "01 23 AA FF 3D 00 00 00", "01 23 AA FF 3D 00 00 00",
                            "01 23 AA FF 3D 00 00 00"}));
    EXPECT_EQ(f.edit("edtRF_DirectRegAddr")->text(), "FF");
    EXPECT_EQ(f.edit("edtRF_DirectRegData")->text(), "3D");
}

TEST(TForm1Commands, SpecialCommandShowsItsAnswerAndKeepsItWhenUnanswered) {
    FakeStation f;
    f.model.status = Frame{0x00, 0xBB, 0x01, 0x00, 0x00, 0x00, 0xA0, 0xCC};
    f.click("btnSpecialCmd4");
    EXPECT_EQ(f.sets(), std::vector<std::string>{"01 14 FF AA 04 00 00 00"});
    QStringList shown;
    for (int p = 0; p < 7; ++p)
        shown << f.edit(QString("edtSC04_0%1").arg(p).toLatin1().constData())->text();
    EXPECT_EQ(shown, (QStringList{"00", "BB", "1", "00", "00", "00", "A0"}));

    f.model.ack = false;
    f.click("btnSpecialCmd4");
    EXPECT_EQ(f.edit("edtSC04_01")->text(), "BB");
    EXPECT_EQ(f.sets().size(), 1u + 30u);
    EXPECT_FALSE(f.form->station().link().CommError);
}
