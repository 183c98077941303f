// SPDX-License-Identifier: MIT
#include "StationFixture.h"

#include "numbering/RfidRandomSource.h"
#include "settings/CompStream.h"
#include "settings/IniFile.h"
#include "settings/StationSettings.h"
#include "widgets/THexEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <functional>

using namespace rfbind;
using rfbind::test::StationFixture;

namespace {

// Draws the given values in turn, so a random radio ID is known in advance.
class ScriptedRandom : public RfidRandomSource {
public:
    explicit ScriptedRandom(std::vector<std::uint32_t> values) : values_(std::move(values)) {}
    void reseed() override {}
    std::uint32_t draw24() override { return values_[next_++ % values_.size()]; }

private:
    std::vector<std::uint32_t> values_;
    std::size_t next_ = 0;
};

// The keys of section [TX] as the file lists them.
QStringList txKeys(const QByteArray& file) {
    QStringList keys;
    bool inTx = false;
    for (QByteArray line : file.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inTx = line == "[TX]";
            continue;
        }
        if (inTx && line.contains('='))
            keys << QString::fromLatin1(line.left(line.indexOf('=')));
    }
    return keys;
}

QStringList tableKeys() {
    QStringList keys;
    for (std::string_view k : kSettingsKeys)
        keys << QString::fromLatin1(k.data(), static_cast<qsizetype>(k.size()));
    return keys;
}

std::string storedValue(const StationFixture& f, const char* key) {
    IniFile ini(f.folder.filePath("TX.ini").toStdString());
    ini.load();
    return ini.readString("TX", key);
}

// A hand-written file as a supervisor might leave it: hexadecimal integers, Booleans other
// than 1, semicolons inside a value, the receiver section first.
const QByteArray kHandWritten =
    "[Device]\n"
    "0=046DC52B\n"
    "[TX]\n"
    "CustKey1=$3\n"
    "CustKey2=0x5\n"
    "MouseOnly=0\n"
    "SoftISS=7\n"
    "Sleep=0x20\n"
    "WakeupPeriod=9\n"
    "CPI=1\n"
    "PowerSaving=2\n"
    "Wakeup=1\n"
    "BTY=1\n"
    "VID=$046D\n"
    "PID=50475\n"
    "TX_Erased=-1\n"
    "RX_Erased=0\n"
    "PName=Desk;Set;Two\n"
    "LRMBinding=2\n"
    "RFPower=1\n"
    "ResetRF=0\n"
    "Delay=77\n"
    "KBind=1\n"
    "EnabledQUVE=1\n"
    "RXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 3;  "
    "FixSN = 4276803;  IncSNByteCount = 3;  IncInitSN = 4096;  IsFixAscii = True;end;\n"
    "TXSNINFO=object TProdSN;  IsSN = True;  IsDate = True;  FixSNByteCount = 1;  "
    "FixSN = $AB;  IncSNByteCount = 3;  IncInitSN = 16;  IncCurrentSN = 32;  IsFixAscii = "
    "False;end;\n"
    "RXRFIDINFO=object TProdRFID;  IsRandom = True;  IncInitRFID = 1193046;end;\n"
    "TXRFIDINFO=object TProdRFID;  IsRandom = True;  IncInitRFID = 2311527;end;\n";

} // namespace

TEST(TForm1Settings, AHandWrittenFileLoadsIntoTheControlsAndGenerators) {
    StationFixture f;
    f.create();
    f.putFile("TX.ini", kHandWritten);
    f.form->btnLoadSettingClick();

    EXPECT_EQ(f.child<QComboBox>("cbCustKey1")->currentIndex(), 3);
    EXPECT_EQ(f.child<QComboBox>("cbCustKey2")->currentIndex(), 5);
    EXPECT_TRUE(f.child<QRadioButton>("rbKbdMse")->isChecked());
    EXPECT_TRUE(f.child<QCheckBox>("cbKeyboardbind")->isVisibleTo(f.form.get()));
    EXPECT_TRUE(f.child<QRadioButton>("rbRF_DR_15")->isChecked());
    EXPECT_EQ(f.child<QSpinBox>("suiSpinEdit1")->value(), 0x20);
    EXPECT_EQ(f.child<QSpinBox>("suiSpinEdit2")->value(), 9);
    EXPECT_TRUE(f.child<QRadioButton>("rbRF_CPI_H")->isChecked());
    EXPECT_TRUE(f.child<QRadioButton>("rbRF_DR_4F")->isChecked());
    EXPECT_TRUE(f.child<QRadioButton>("rbRF_DR_2A")->isChecked());
    EXPECT_EQ(f.child<QComboBox>("cbRF_Set_BTY_Low_Level")->currentIndex(), 1);
    EXPECT_EQ(f.child<QLineEdit>("edtVID_SET")->text(), "046D");
    EXPECT_EQ(f.child<QLineEdit>("edtPID_SET")->text(), "C52B");
    EXPECT_TRUE(f.child<QCheckBox>("TX_Erased")->isChecked());
    EXPECT_FALSE(f.child<QCheckBox>("RX_Erased")->isChecked());
    EXPECT_EQ(f.child<QLineEdit>("edtEEPROM_20")->text(), "Desk;Set;Two");
    EXPECT_TRUE(f.child<QCheckBox>("LRMBinding")->isChecked());
    EXPECT_EQ(f.child<QComboBox>("ComboRFPower")->currentIndex(), 1);
    EXPECT_FALSE(f.child<QCheckBox>("cbResetRF")->isChecked());
    EXPECT_EQ(f.form->delay(), 77);
    EXPECT_TRUE(f.child<QCheckBox>("cbKeyboardbind")->isChecked());
    EXPECT_TRUE(f.child<QCheckBox>("CallQUVE")->isChecked());
    EXPECT_EQ(f.form->station().receiverIdTable()[7].vendorId, 0x046D);
    EXPECT_EQ(f.form->station().receiverIdTable()[7].productId, 0xC52B);
    EXPECT_EQ(f.form->station().runMode(), 0);

    const TProdSN& rx = *f.form->station().rxSN();
    EXPECT_TRUE(rx.IsSN());
    EXPECT_FALSE(rx.IsDate());
    EXPECT_EQ(rx.FixSNByteCount(), 3);
    EXPECT_EQ(rx.IncSNByteCount(), 3);
    EXPECT_EQ(rx.FixSN(), 0x414243);
    EXPECT_EQ(rx.IncNextSN(), 0x1000);
    const TProdSN& tx = *f.form->station().txSN();
    EXPECT_EQ(tx.FixSN(), 0xAB);
    EXPECT_FALSE(tx.IsFixAscii());
    EXPECT_EQ(tx.IncCurrentSN(), 32);
    EXPECT_EQ(tx.IncNextSN(), 33);
    EXPECT_TRUE(f.form->station().rxRFID()->IsRandom());
    EXPECT_EQ(f.form->station().rxRFID()->IncInitRFID(), 0x123456);
    EXPECT_EQ(f.form->station().txRFID()->IncInitRFID(), 0x234567);
    EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(TForm1Settings, OutOfRangeChoicesLeaveTheListsAsTheStationAlwaysHas) {
    const struct {
        const char* line;
        int battery;
        int power;
    } rows[] = {{"BTY=9\nRFPower=7", -1, 3},
                {"BTY=-1\nRFPower=-1", -1, 3},
                {"BTY=5\nRFPower=0", -1, 0},
                {"BTY=0\nRFPower=2", 0, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        StationFixture f;
        f.putFile("TX.ini", QByteArray("[TX]\n") + row.line + "\n");
        f.create();
        EXPECT_EQ(f.child<QComboBox>("cbRF_Set_BTY_Low_Level")->currentIndex(), row.battery);
        EXPECT_EQ(f.child<QComboBox>("ComboRFPower")->currentIndex(), row.power);
    }
}

TEST(TForm1Settings, WithoutAFileTheDefaultsApplyAndNothingIsCreatedUntilTheFirstWrite) {
    StationFixture f;
    auto& form = f.create();
    EXPECT_FALSE(f.fileBytes("TX.ini"));
    EXPECT_EQ(f.child<QLineEdit>("edtEEPROM_20")->text(), "");
    EXPECT_EQ(f.child<QComboBox>("cbRF_Set_BTY_Low_Level")->currentIndex(), -1);
    EXPECT_EQ(f.child<QComboBox>("cbCustKey1")->currentIndex(), form.defaultCustKey1());
    EXPECT_EQ(f.child<QComboBox>("cbCustKey2")->currentIndex(), form.defaultCustKey2());
    for (const char* selected : {"rbRF_DR_1A", "rbRF_CPI_L", "rbRF_DR_45", "rbRF_DR_5A"})
        EXPECT_TRUE(f.child<QRadioButton>(selected)->isChecked()) << selected;
    EXPECT_EQ(f.child<QLineEdit>("edtVID_SET")->text(), "");
    EXPECT_EQ(f.child<QComboBox>("ComboRFPower")->currentIndex(), 3);
    EXPECT_EQ(ComponentToText(*form.station().rxSN()), ComponentToText(*std::make_unique<TProdSN>()));
    EXPECT_EQ(ComponentToText(*form.station().txSN()), ComponentToText(*std::make_unique<TProdSN>()));
    EXPECT_TRUE(form.station().rxRFID()->IsRandom());
    EXPECT_TRUE(form.station().txRFID()->IsRandom());

    form.btnWriteSettingClick();
    EXPECT_TRUE(f.fileBytes("TX.ini"));
}

TEST(TForm1Settings, AFirstWriteListsTheKeysInTableOrderWithTheGeneratorsExactText) {
    StationFixture f;
    auto& form = f.create();
    {
        // Typed in before the file exists, so that the first write is the one under test.
        const QSignalBlocker quietVid(f.child<app::THexEdit>("edtVID_SET"));
        const QSignalBlocker quietPid(f.child<app::THexEdit>("edtPID_SET"));
        f.child<app::THexEdit>("edtVID_SET")->setText("46D");
        f.child<app::THexEdit>("edtPID_SET")->setText("C52B");
    }
    form.station().rxSN() = std::make_unique<TProdSN>();
    form.station().rxRFID() = std::make_unique<TProdRFID>(
        std::make_unique<ScriptedRandom>(std::vector<std::uint32_t>{0x000000, 0x123456}));
    ASSERT_FALSE(f.fileBytes("TX.ini"));

    emit f.child<QPushButton>("btnWriteSetting")->clicked();

    const auto file = f.fileBytes("TX.ini");
    ASSERT_TRUE(file);
    EXPECT_EQ(txKeys(*file), tableKeys());
    EXPECT_EQ(storedValue(f, "VID"), "1133");
    EXPECT_EQ(storedValue(f, "RXSNINFO"),
              "object TProdSN;  IsSN = False;  IsDate = True;  FixSNByteCount = 2;  "
              "IncSNByteCount = 2;  IncPrevSN = -1;  IsFixAscii = True;end;");
    // Saving draws the next ID and makes it the initial value (000000 is reserved, so the
    // second draw counts).
    EXPECT_EQ(storedValue(f, "RXRFIDINFO"),
              "object TProdRFID;  IsRandom = True;  IncInitRFID = 1193046;  "
              "IncPrevRFID = 1193045;  IncCurrentRFID = 0;end;");
}

TEST(TForm1Settings, RewritingKeepsTheFilesOrderItsReceiversAndUnknownKeys) {
    StationFixture f;
    f.putFile("TX.ini", "; the line's own settings\n"
                        "[Device]\n"
                        "0=046DC52B\n"
                        "[TX]\n"
                        "pname=Old\n"
                        "Operator=Ann\n"
                        "Sleep=40\n"
                        "VID=1133\n"
                        "PID=50475\n");
    auto& form = f.create();
    f.child<QLineEdit>("edtPID_SET")->clear(); // half a pair: both IDs leave the file
    form.btnWriteSettingClick();

    const QByteArray file = *f.fileBytes("TX.ini");
    EXPECT_TRUE(file.startsWith("; the line's own settings\n")) << file.constData();
    EXPECT_TRUE(file.contains("[Device]\n0=046DC52B\n")) << file.constData();
    QStringList expected = {"pname", "Operator", "Sleep"};
    for (const QString& key : tableKeys())
        if (key != "PName" && key != "Sleep" && key != "VID" && key != "PID")
            expected << key;
    EXPECT_EQ(txKeys(file), expected);
    EXPECT_EQ(storedValue(f, "Operator"), "Ann");
    EXPECT_EQ(storedValue(f, "Sleep"), "40");
}

TEST(TForm1Settings, WhatWritesTheFileAndWhatDoesNot) {
    const struct {
        const char* change;
        std::function<void(StationFixture&)> act;
        bool writes;
    } rows[] = {
        {"Write Setting", [](auto& f) { f.form->btnWriteSettingClick(); }, true},
        {"closing", [](auto& f) { f.form->FormCloseQuery(); }, true},
        {"CallQUVE", [](auto& f) { f.template child<QCheckBox>("CallQUVE")->setChecked(true); },
         true},
        {"cbResetRF", [](auto& f) { f.template child<QCheckBox>("cbResetRF")->setChecked(false); },
         true},
        {"cbKeyboardbind",
         [](auto& f) { f.template child<QCheckBox>("cbKeyboardbind")->setChecked(true); }, true},
        {"an option",
         [](auto& f) { f.template child<QRadioButton>("rbRF_DR_4A")->setChecked(true); }, true},
        {"the product name",
         [](auto& f) { f.template child<QLineEdit>("edtEEPROM_20")->setText("X"); }, true},
        {"a numbering field",
         [](auto& f) { f.template child<QCheckBox>("cbRX_IsDate")->setChecked(false); }, true},
        {"the radio-ID choice",
         [](auto& f) { f.template child<QRadioButton>("rbRX_CustomRFID")->setChecked(true); },
         true},
        {"a byte count set to its value",
         [](auto& f) { f.template child<QSpinBox>("edtRX_FixByteCount")->setValue(2); }, false},
        {"a field set to its text",
         [](auto& f) { f.template child<QLineEdit>("edtRX_IncInitSN")->setText("0000"); }, false},
        {"LRMBinding", [](auto& f) { f.template child<QCheckBox>("LRMBinding")->setChecked(true); },
         false},
        {"TX_Erased", [](auto& f) { f.template child<QCheckBox>("TX_Erased")->setChecked(true); },
         false},
        {"the sleep spin",
         [](auto& f) { f.template child<QSpinBox>("suiSpinEdit1")->setValue(30); }, false},
        {"the RF power",
         [](auto& f) { f.template child<QComboBox>("ComboRFPower")->setCurrentIndex(0); }, false},
        {"anything while the window is created",
         [](auto& f) {
             f.form->setFormCreating(true);
             f.form->btnWriteSettingClick();
             f.template child<QCheckBox>("CallQUVE")->setChecked(true);
         },
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.change);
        StationFixture f;
        f.create();
        ASSERT_FALSE(f.fileBytes("TX.ini"));
        row.act(f);
        EXPECT_EQ(f.fileBytes("TX.ini").has_value(), row.writes);
    }
}

TEST(TForm1Settings, StartingUpReadsTheFileAndWritesNothing) {
    StationFixture f;
    f.putFile("TX.ini", kHandWritten);
    f.create();
    EXPECT_EQ(*f.fileBytes("TX.ini"), kHandWritten);
}

TEST(TForm1Settings, LoadingNeverWritesOverTheTextsItIsAboutToRead) {
    // The calibration switch differs between the controls and the file: filling it fires its
    // handler, which saves. A save in the middle of a load would replace the file's generators
    // by those in memory before they are read.
    StationFixture f;
    auto& form = f.create();
    f.putFile("TX.ini", "[TX]\nEnabledQUVE=1\nKBind=1\nResetRF=0\n"
                        "RXSNINFO=object TProdSN;  IsSN = True;  IncInitSN = 80;end;\n");
    const QByteArray before = *f.fileBytes("TX.ini");
    form.btnLoadSettingClick();
    EXPECT_TRUE(f.child<QCheckBox>("CallQUVE")->isChecked());
    EXPECT_TRUE(form.station().rxSN()->IsSN());
    EXPECT_EQ(form.station().rxSN()->IncInitSN(), 80);
    EXPECT_EQ(*f.fileBytes("TX.ini"), before);
}

TEST(TForm1Settings, AMalformedReceiverEntryIsReportedOnceAndEverythingElseLoads) {
    StationFixture f;
    f.putFile("TX.ini",
              "[Device]\n0=046DC52B\n1=ZZZZ\n2=12\n"
              "[TX]\nPName=Station 4\nSleep=30\n"
              "RXSNINFO=object TProdSN;  IsSN = True;  IncInitSN = 80;end;\n"
              "TXRFIDINFO=object TProdRFID;  IsRandom = True;  IncInitRFID = 4660;end;\n");
    auto& form = f.create();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    const QString text = f.dialogs.messages[0].text;
    EXPECT_TRUE(text.contains("1=ZZZZ")) << text.toStdString();
    EXPECT_TRUE(text.contains("Device")) << text.toStdString();
    EXPECT_EQ(form.station().receiverIdTable()[7].productId, 0xC52B);
    EXPECT_EQ(form.station().receiverIdTable()[8].vendorId, 0);
    EXPECT_EQ(form.station().receiverIdTable()[8].productId, 0);
    EXPECT_EQ(form.station().receiverIdTable()[9].vendorId, 0x12);
    EXPECT_EQ(form.station().receiverIdTable()[0].productId, 0x053A) << "the preset entries stay";
    EXPECT_EQ(f.child<QLineEdit>("edtEEPROM_20")->text(), "Station 4");
    EXPECT_EQ(f.child<QSpinBox>("suiSpinEdit1")->value(), 30);
    EXPECT_TRUE(form.station().rxSN()->IsSN());
    EXPECT_EQ(form.station().txRFID()->IncInitRFID(), 4660);
}

TEST(TForm1Settings, AStoredGeneratorThatCannotBeReadIsReplacedAndReported) {
    StationFixture f;
    f.putFile("TX.ini", "[TX]\nRXSNINFO=object TProdRFID;  IsRandom = False;end;\n");
    auto& form = f.create();
    EXPECT_EQ(ComponentToText(*form.station().rxSN()), ComponentToText(*std::make_unique<TProdSN>()));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_TRUE(f.dialogs.messages[0].text.contains("RXSNINFO"));
}

TEST(TForm1Settings, AFailedSaveIsReportedOnceUntilASaveSucceeds) {
    StationFixture f;
    auto& form = f.create();
    // A folder where the temporary file must go: every save fails, TX.ini stays as it was.
    QDir(f.folder.path()).mkdir("TX.ini.tmp");
    for (int i = 0; i < 3; ++i)
        form.btnWriteSettingClick();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_TRUE(f.dialogs.messages[0].text.contains(f.folder.filePath("TX.ini")));
    EXPECT_FALSE(f.fileBytes("TX.ini"));

    QDir(f.folder.path()).rmdir("TX.ini.tmp");
    form.btnWriteSettingClick();
    EXPECT_TRUE(f.fileBytes("TX.ini"));
    EXPECT_EQ(f.dialogs.messages.size(), 1u);

    QDir(f.folder.path()).mkdir("TX.ini.tmp");
    form.btnWriteSettingClick();
    form.btnWriteSettingClick();
    EXPECT_EQ(f.dialogs.messages.size(), 2u);
}

TEST(TForm1Settings, StoredValuesTheStationCannotUseAreListedShownAsTheyAreAndKept) {
    StationFixture f;
    const QByteArray longName(47, 'n');
    f.putFile("TX.ini", "[TX]\nVID=74565\nPID=$C52B\nCustKey1=40\nPName=" + longName +
                            "\nSleep=30\n");
    auto& form = f.create();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    const QString text = f.dialogs.messages[0].text;
    for (const char* listed : {"VID=74565", "PName=nnnn", "CustKey1=40", "WWW HOME"})
        EXPECT_TRUE(text.contains(listed)) << listed << "\n" << text.toStdString();
    EXPECT_EQ(f.child<QLineEdit>("edtVID_SET")->text(), "") << "not 1234";
    EXPECT_EQ(f.child<QLineEdit>("edtPID_SET")->text(), "C52B");
    EXPECT_EQ(f.child<QLineEdit>("edtEEPROM_20")->text(), QString(longName)) << "not cut";
    EXPECT_EQ(f.child<QComboBox>("cbCustKey1")->currentIndex(), form.defaultCustKey1());

    // Saved back as stored while the supervisor changes something else.
    form.station().setRunMode(0);
    f.child<QSpinBox>("suiSpinEdit1")->setValue(31);
    form.btnWriteSettingClick();
    IniFile saved(f.folder.filePath("TX.ini").toStdString());
    saved.load();
    EXPECT_EQ(saved.readString("TX", "VID"), "74565");
    EXPECT_EQ(saved.readString("TX", "PID"), "50475");
    EXPECT_EQ(saved.readString("TX", "PName"), longName.toStdString());
    EXPECT_EQ(saved.readString("TX", "Sleep"), "31");

    // The supervisor's own entry replaces it.
    f.child<QLineEdit>("edtVID_SET")->setText("0312");
    saved.load();
    EXPECT_EQ(saved.readString("TX", "VID"), "786");
    f.child<QLineEdit>("edtEEPROM_20")->setText("Mouse");
    saved.load();
    EXPECT_EQ(saved.readString("TX", "PName"), "Mouse");
}

TEST(TForm1Settings, ALatin1ProductNameIsShownAndSavedAsItIs) {
    StationFixture f;
    f.putFile("TX.ini", "[TX]\nPName=Souris \xE9t\xE9\n");
    auto& form = f.create();
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.child<QLineEdit>("edtEEPROM_20")->text(), QString::fromUtf8("Souris \u00e9t\u00e9"));
    form.btnWriteSettingClick();
    EXPECT_TRUE(f.fileBytes("TX.ini")->contains("PName=Souris \xE9t\xE9\r\n") ||
                f.fileBytes("TX.ini")->contains("PName=Souris \xE9t\xE9\n"));
}
