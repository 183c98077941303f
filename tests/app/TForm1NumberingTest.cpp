// SPDX-License-Identifier: MIT
#include "StationFixture.h"

#include "settings/IniFile.h"
#include "widgets/THexEdit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using namespace rfbind;
using rfbind::test::StationFixture;

namespace {

QByteArray radioIds(bool rxRandom, int rxInit, bool txRandom, int txInit) {
    const auto text = [](bool random, int init) {
        return QByteArray("object TProdRFID;  IsRandom = ") + (random ? "True" : "False") +
               ";  IncInitRFID = " + QByteArray::number(init) + ";end;";
    };
    return "[TX]\nRXRFIDINFO=" + text(rxRandom, rxInit) + "\nTXRFIDINFO=" + text(txRandom, txInit) +
           "\n";
}

QString fieldText(const StationFixture& f, const char* name) {
    return f.child<QLineEdit>(name)->text();
}

std::string storedValue(const StationFixture& f, const char* key) {
    IniFile ini(f.folder.filePath("TX.ini").toStdString());
    ini.load();
    return ini.readString("TX", key);
}

} // namespace

TEST(TForm1Numbering, StartUpWithRadioIdsAsTheStationHasAlwaysStarted) {
    const struct {
        const char* mode;
        QByteArray file;
        bool random;
        const char* rxNextField;
        const char* txNextField;
        std::int32_t rxFirstUnit; // -1: random, the counter stays at the initial value - 1
        std::int32_t txFirstUnit;
    } rows[] = {
        {"random", radioIds(true, 0x123456, true, 0x234567), true, "", "", -1, -1},
        // The selection and the initial value each show (and so consume) the next ID: the
        // receiver's is read twice, the transmitter's once.
        {"sequential", radioIds(false, 0x123456, false, 0x234567), false, "123457", "234567",
         0x123458, 0x234568},
        // The receiver's choice is made first and applies to both generators.
        {"mixed", radioIds(true, 0x123456, false, 0x234567), true, "", "", -1, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        StationFixture f;
        f.putFile("TX.ini", row.file);
        auto& form = f.create();
        EXPECT_EQ(fieldText(f, "edtRX_IncInitRFID"), "123456");
        EXPECT_EQ(fieldText(f, "edtTX_IncInitRFID"), "234567");
        EXPECT_EQ(fieldText(f, "edtRX_IncNextRFID"), row.rxNextField);
        EXPECT_EQ(fieldText(f, "edtTX_IncNextRFID"), row.txNextField);
        EXPECT_EQ(f.child<QRadioButton>("rbRX_RandomRFID")->isChecked(), row.random);
        EXPECT_EQ(f.child<QRadioButton>("rbRX_CustomRFID")->isChecked(), !row.random);
        EXPECT_EQ(form.station().rxRFID()->IsRandom(), row.random);
        EXPECT_EQ(form.station().txRFID()->IsRandom(), row.random);
        if (row.random) {
            EXPECT_EQ(form.station().rxRFID()->IncPrevRFID(), 0x123455);
            EXPECT_EQ(form.station().txRFID()->IncPrevRFID(), 0x234566);
        } else {
            EXPECT_EQ(form.station().rxRFID()->NextRFID(), row.rxFirstUnit);
            EXPECT_EQ(form.station().txRFID()->NextRFID(), row.txFirstUnit);
        }
    }
}

TEST(TForm1Numbering, ARestartContinuesTheSerialNumbersWhereTheBatchStood) {
    const struct {
        const char* batch;
        QByteArray generator;
        std::int64_t next;
        const char* nextField;
    } rows[] = {
        {"units passed", "IncInitSN = 256;  IncPrevSN = 291;  IncCurrentSN = 291", 0x124, "0124"},
        {"written by hand without the counter", "IncInitSN = 256;  IncCurrentSN = 291", 0x124,
         "0124"},
        {"no unit yet", "IncInitSN = 256;  IncPrevSN = 255", 0x100, "0100"},
        {"last value before the wrap",
         "IncInitSN = 65520;  IncPrevSN = 65535;  IncCurrentSN = 65535", 0, "0000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.batch);
        StationFixture f;
        f.putFile("TX.ini", "[TX]\nRXSNINFO=object TProdSN;  IsSN = True;  IsDate = True;  "
                            "FixSNByteCount = 2;  IncSNByteCount = 2;  " +
                                row.generator + ";  IsFixAscii = True;end;\n");
        auto& form = f.create();
        EXPECT_EQ(form.station().rxSN()->IncNextSN(), row.next);
        EXPECT_EQ(fieldText(f, "edtRX_IncNextSN"), row.nextField);
    }
}

TEST(TForm1Numbering, TheCounterSurvivesRepeatedRestartsAndANewInitialValueRestartsIt) {
    StationFixture f;
    f.putFile("TX.ini", "[TX]\nRXSNINFO=object TProdSN;  IsSN = True;  IsDate = True;  "
                        "FixSNByteCount = 2;  IncInitSN = 256;  IncPrevSN = 291;  "
                        "IncCurrentSN = 291;end;\n");
    f.create();
    f.form->FormCloseQuery();
    f.form.reset();
    auto& again = f.create();
    EXPECT_EQ(again.station().rxSN()->IncNextSN(), 0x124) << storedValue(f, "RXSNINFO");
    EXPECT_EQ(fieldText(f, "edtRX_IncInitSN"), "0100");

    f.child<QLineEdit>("edtRX_IncInitSN")->setText("0200");
    EXPECT_EQ(again.station().rxSN()->IncNextSN(), 0x200);
    EXPECT_EQ(fieldText(f, "edtRX_IncNextSN"), "0200");
    EXPECT_NE(storedValue(f, "RXSNINFO").find("IncPrevSN = 511;"), std::string::npos);

    // A restart before any unit of the new batch passed keeps the new start.
    f.form->FormCloseQuery();
    f.form.reset();
    auto& third = f.create();
    EXPECT_EQ(third.station().rxSN()->IncNextSN(), 0x200) << storedValue(f, "RXSNINFO");
}

TEST(TForm1Numbering, AHandRaisedInitialValueStartsTheNewBatchAndTheLastValueIsKept) {
    StationFixture f;
    f.putFile("TX.ini", "[TX]\nRXSNINFO=object TProdSN;  IsSN = True;  IsDate = True;  "
                        "FixSNByteCount = 2;  IncSNByteCount = 2;  IncInitSN = 1024;  "
                        "IncPrevSN = 291;  IncCurrentSN = 291;  IsFixAscii = True;end;\n");
    auto& form = f.create();
    EXPECT_EQ(form.station().rxSN()->IncNextSN(), 0x400);
    EXPECT_EQ(fieldText(f, "edtRX_IncNextSN"), "0400");
    f.form->FormCloseQuery();
    const std::string stored = storedValue(f, "RXSNINFO");
    EXPECT_NE(stored.find("IncCurrentSN = 291;"), std::string::npos) << stored;
    EXPECT_NE(stored.find("IncPrevSN = 1023;"), std::string::npos) << stored;
    f.form.reset();
    EXPECT_EQ(f.create().station().rxSN()->IncNextSN(), 0x400);
}

TEST(TForm1Numbering, RefreshFillsTheSerialPanelFromItsGenerator) {
    StationFixture f;
    f.putFile("TX.ini", "[TX]\nTXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  "
                        "FixSNByteCount = 3;  FixSN = $414243;  IncSNByteCount = 3;  "
                        "IncInitSN = 4096;  IsFixAscii = True;end;\n");
    auto& form = f.create();
    EXPECT_TRUE(f.child<QCheckBox>("cbTX_IsSN")->isChecked());
    EXPECT_FALSE(f.child<QCheckBox>("cbTX_IsDate")->isChecked());
    EXPECT_EQ(f.child<QSpinBox>("edtTX_FixByteCount")->value(), 3);
    EXPECT_EQ(f.child<QSpinBox>("edtTX_IncByteCount")->value(), 3);
    EXPECT_TRUE(f.child<QRadioButton>("rbTX_FixAscii")->isChecked());
    EXPECT_EQ(fieldText(f, "edtTX_FixSN"), "ABC");
    EXPECT_EQ(fieldText(f, "edtTX_IncInitSN"), "001000");
    EXPECT_EQ(fieldText(f, "edtTX_IncNextSN"), "001000");
    EXPECT_EQ(form.station().txSN()->FixSN(), 0x414243);
    EXPECT_EQ(f.child<QGroupBox>("gbTX")->height(), 95);
    // The receiver's generator is a new one: no serial number, a narrow panel, the date shown.
    EXPECT_FALSE(f.child<QCheckBox>("cbRX_IsSN")->isChecked());
    EXPECT_TRUE(f.child<QCheckBox>("cbRX_IsDate")->isChecked());
    EXPECT_EQ(f.child<QGroupBox>("gbRX")->height(), 35);
    EXPECT_EQ(form.windowHeight(), 35 + 95 + 550);
    EXPECT_EQ(f.child<QGroupBox>("gbTX")->y(),
              f.child<QGroupBox>("gbRX")->y() + f.child<QGroupBox>("gbRX")->height());
}

TEST(TForm1Numbering, SerialNumberSwitchSizesThePanelsAndTheWindow) {
    const struct {
        bool rx, tx;
        int rxHeight, txHeight;
    } rows[] = {{true, true, 95, 95}, {true, false, 95, 35}, {false, true, 35, 95}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rx << row.tx);
        StationFixture f;
        auto& form = f.create();
        // Each box changes state, so each fires its handler.
        f.child<QCheckBox>("cbTX_IsSN")->setChecked(!row.tx);
        f.child<QCheckBox>("cbTX_IsSN")->setChecked(row.tx);
        f.child<QCheckBox>("cbRX_IsSN")->setChecked(row.rx);
        auto* gbRX = f.child<QGroupBox>("gbRX");
        auto* gbTX = f.child<QGroupBox>("gbTX");
        EXPECT_EQ(gbRX->height(), row.rxHeight);
        EXPECT_EQ(gbTX->height(), row.txHeight);
        EXPECT_EQ(gbTX->y(), gbRX->y() + gbRX->height());
        EXPECT_EQ(form.windowHeight(), row.rxHeight + row.txHeight + 550);
        EXPECT_EQ(form.station().rxSN()->IsSN(), row.rx);
        EXPECT_EQ(form.station().txSN()->IsSN(), row.tx);
        EXPECT_EQ(f.child<QCheckBox>("cbRX_IsDate")->isVisibleTo(gbRX), row.rx);
        EXPECT_EQ(f.child<QLabel>("lblTX_Date")->isVisibleTo(gbTX), row.tx);
    }
}

TEST(TForm1Numbering, TheDateCodeTakesItsTwoBytesAsTheGeneratorSays) {
    const struct {
        int fix, inc;     // with the date off
        int fixOn, incOn; // after ticking the date
    } rows[] = {{2, 4, 0, 4}, {4, 2, 2, 2}, {1, 5, 1, 3}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.fix << "/" << row.inc);
        StationFixture f;
        auto& form = f.create();
        auto* date = f.child<QCheckBox>("cbRX_IsDate");
        auto* fix = f.child<QSpinBox>("edtRX_FixByteCount");
        auto* inc = f.child<QSpinBox>("edtRX_IncByteCount");
        date->setChecked(false);
        EXPECT_EQ(fix->value(), 4);
        EXPECT_EQ(f.child<QLabel>("lblRX_Date")->text(), "");
        fix->setValue(row.fix);
        EXPECT_EQ(inc->value(), row.inc);
        date->setChecked(true);
        EXPECT_EQ(fix->value(), row.fixOn);
        EXPECT_EQ(inc->value(), row.incOn);
        EXPECT_EQ(form.station().rxSN()->FixSNByteCount(), row.fixOn);
        EXPECT_EQ(form.station().rxSN()->IncSNByteCount(), row.incOn);
        EXPECT_EQ(f.child<QLabel>("lblRX_Date")->text().size(), 10) << "yyyy.mm.dd";
    }
}

TEST(TForm1Numbering, AByteCountAboveTheLimitIsPulledBackInTheSpinEdit) {
    StationFixture f;
    auto& form = f.create();
    auto* fix = f.child<QSpinBox>("edtRX_FixByteCount");
    fix->setValue(6); // the date is on: four bytes at most
    EXPECT_EQ(fix->value(), 4);
    EXPECT_EQ(form.station().rxSN()->FixSNByteCount(), 4);
    EXPECT_EQ(f.child<QSpinBox>("edtRX_IncByteCount")->value(), 0);
    EXPECT_EQ(fieldText(f, "edtRX_IncNextSN"), "") << "no incrementing part, no next value";
}

TEST(TForm1Numbering, TheFixedPartInAsciiAndHex) {
    const struct {
        bool date;
        int fix;
        bool ascii;
        QString text;
        std::int64_t fixed;
    } rows[] = {
        {false, 6, true, "ABCDEF", 0x414243444546},
        {false, 3, true, "AB", 0x414200},
        {false, 4, true, QString(QChar(0xC1)), 0xC1000000},
        {true, 2, false, "c1d2", 0xC1D2},
        {true, 4, false, "", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        StationFixture f;
        auto& form = f.create();
        f.child<QCheckBox>("cbRX_IsDate")->setChecked(row.date);
        f.child<QSpinBox>("edtRX_FixByteCount")->setValue(row.fix);
        f.child<QRadioButton>(row.ascii ? "rbRX_FixAscii" : "rbRX_FixHex")->setChecked(true);
        f.child<QLineEdit>("edtRX_FixSN")->setText(row.text);
        EXPECT_EQ(form.station().rxSN()->FixSN(), row.fixed);
        EXPECT_EQ(f.child<QLineEdit>("edtRX_FixSN")->maxLength(),
                  row.ascii ? row.fix : 2 * row.fix);
    }
}

TEST(TForm1Numbering, SwitchingBetweenAsciiAndHexEmptiesTheFixedPart) {
    StationFixture f;
    auto& form = f.create();
    auto* edit = f.child<app::THexEdit>("edtRX_FixSN");
    edit->setText("AB");
    ASSERT_EQ(form.station().rxSN()->FixSN(), 0x4142);
    f.child<QRadioButton>("rbRX_FixHex")->setChecked(true);
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(form.station().rxSN()->FixSN(), 0);
    EXPECT_FALSE(form.station().rxSN()->IsFixAscii());
    EXPECT_TRUE(edit->hexFilter());
    edit->setText("ab12");
    EXPECT_EQ(edit->text(), "AB12") << "hex is shown in upper case";
    f.child<QRadioButton>("rbRX_FixAscii")->setChecked(true);
    EXPECT_EQ(form.station().rxSN()->FixSN(), 0);
    EXPECT_FALSE(edit->upperCase());
}

TEST(TForm1Numbering, AMalformedHexValueShowsTheConversionErrorAndChangesNothing) {
    StationFixture f;
    auto& form = f.create();
    f.child<QLineEdit>("edtRX_IncInitSN")->setText("0100");
    ASSERT_EQ(form.station().rxSN()->IncInitSN(), 0x100);
    f.child<QLineEdit>("edtRX_IncInitSN")->setText("01G0"); // pasted past the filter
    EXPECT_EQ(form.station().rxSN()->IncInitSN(), 0x100);
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "'$001G0' is not a valid integer value");
}

TEST(TForm1Numbering, TypingAnInitialRadioIdInSequentialMode) {
    StationFixture f;
    auto& form = f.create();
    f.child<QRadioButton>("rbRX_CustomRFID")->setChecked(true);
    ASSERT_FALSE(form.station().rxRFID()->IsRandom());
    f.child<QLineEdit>("edtRX_IncInitRFID")->setText("123456");
    EXPECT_EQ(fieldText(f, "edtRX_IncNextRFID"), "123456");
    // The save the handler ends with consumes the next ID and rewinds to just before it.
    EXPECT_EQ(storedValue(f, "RXRFIDINFO"),
              "object TProdRFID;  IsRandom = False;  IncInitRFID = 1193047;  "
              "IncPrevRFID = 1193046;  IncCurrentRFID = 0;end;");
    EXPECT_EQ(form.station().rxRFID()->NextRFID(), 0x123457);
}

TEST(TForm1Numbering, TheRandomChoiceOfEitherRowSwitchesBothGenerators) {
    StationFixture f;
    f.putFile("TX.ini", radioIds(false, 0x123456, false, 0x234567));
    auto& form = f.create();
    f.child<QRadioButton>("rbTX_RandomRFID")->setChecked(true);
    EXPECT_TRUE(form.station().rxRFID()->IsRandom());
    EXPECT_TRUE(form.station().txRFID()->IsRandom());
    EXPECT_EQ(fieldText(f, "edtRX_IncNextRFID"), "");
    EXPECT_EQ(fieldText(f, "edtTX_IncNextRFID"), "");
    f.child<QLineEdit>("edtRX_IncInitRFID")->setText("ABCDEF");
    EXPECT_EQ(fieldText(f, "edtRX_IncNextRFID"), "") << "random mode shows no next ID";
}

TEST(TForm1Numbering, LoweringAByteCountLeavesTheFixedTextAndValueAlone) {
    StationFixture f;
    auto& form = f.create();
    f.child<QCheckBox>("cbRX_IsDate")->setChecked(false);
    f.child<QRadioButton>("rbRX_FixHex")->setChecked(true);
    f.child<QSpinBox>("edtRX_FixByteCount")->setValue(3);
    f.child<QLineEdit>("edtRX_FixSN")->setText("123456");
    ASSERT_EQ(form.station().rxSN()->FixSN(), 0x123456);
    // The limit stops typing; it must not cut the text, which would change the fixed part.
    f.child<QSpinBox>("edtRX_FixByteCount")->setValue(2);
    EXPECT_EQ(fieldText(f, "edtRX_FixSN"), "123456");
    EXPECT_EQ(form.station().rxSN()->FixSN(), 0x123456);
}
