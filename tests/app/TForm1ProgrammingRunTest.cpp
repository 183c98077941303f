// SPDX-License-Identifier: MIT
// The Go cycle with its programming run on the bench: what the unit holds afterwards, what
// the station shows and logs, and how faults end.
#include "RunStation.h"
#include "widgets/THexEdit.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace rfbind;
using test::RunStation;
using test::StationChoice;

namespace {

QString sixHex(std::uint32_t v) { return QStringLiteral("%1").arg(v & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper(); }

/// The addresses where the unit differs from the expected image, for a readable failure.
std::string differences(const test::UnitImage& actual, const test::UnitImage& expected) {
    std::string out;
    char line[64];
    for (std::size_t a = 0; a < actual.rx.size(); ++a)
        if (actual.rx[a] != expected.rx[a]) {
            std::snprintf(line, sizeof line, " rx[%zu]=%04X want %04X", a, actual.rx[a], expected.rx[a]);
            out += line;
        }
    for (std::size_t a = 0; a < actual.tx.size(); ++a)
        if (actual.tx[a] != expected.tx[a]) {
            std::snprintf(line, sizeof line, " tx[%zu]=%02X want %02X", a, actual.tx[a], expected.tx[a]);
            out += line;
        }
    return out;
}

/// The IDs a unit receives from generators that hand out `rx` and `tx`.
std::pair<std::uint32_t, std::uint32_t> unitIds(const StationChoice& c) {
    const auto r = static_cast<std::uint32_t>(c.rxFirstId);
    const auto t = static_cast<std::uint32_t>(c.txFirstId);
    return {r, t == r ? t + 1 : t};
}

QString settingsText() {
    QFile f("TX.ini");
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

StationChoice everyOption(const char* name, double ackLoss = 0.0) {
    StationChoice c;
    c.name = name;
    c.custKey1 = 0;  // "[DISABLE]"
    c.custKey2 = 12; // "PLAY/PAUSE"
    c.mouseOnly = false;
    c.switchCpi = true;
    c.cpiHigh = true;
    c.powerSaving = 2;
    c.buttonWakeupOnly = true;
    c.battery = 0;
    c.vid = "0312";
    c.pid = "053A";
    c.product = "ABCDE";
    c.lrmBinding = true;
    c.rfPower = 2;
    c.resetRf = false;
    c.sleep = 0;
    c.wakeupPeriod = 19;
    c.sequentialIds = true;
    c.rxFirstId = 0x300101;
    c.txFirstId = 0x400101;
    c.ackLoss = ackLoss;
    return c;
}

std::vector<StationChoice> choices() {
    std::vector<StationChoice> v;
    StationChoice defaults;
    defaults.name = "defaults";
    defaults.rxFirstId = 0x123456;
    defaults.txFirstId = 0x345678;
    v.push_back(defaults);

    StationChoice serial = defaults;
    serial.name = "serial numbers with date on both sides";
    serial.rxSerial = {true, true, 2, 0x4142, 2, 0x0005};
    serial.txSerial = {true, true, 1, 0x5A, 3, 0x00ABCD};
    serial.product = "USB 2.4G Wireless Desktop";
    serial.rxFirstId = 0x2B3C4D;
    serial.txFirstId = 0x6B7C1D;
    v.push_back(serial);

    StationChoice same = defaults;
    same.name = "sequential IDs, both generators hand out the same";
    same.sequentialIds = true;
    same.rxFirstId = 0x120101;
    same.txFirstId = 0x120101;
    v.push_back(same);

    StationChoice keyboard = defaults;
    keyboard.name = "keyboard and mouse with keyboard binding";
    keyboard.mouseOnly = false;
    keyboard.keyboardBinding = true;
    v.push_back(keyboard);

    v.push_back(everyOption("every option away from its default"));

    StationChoice noUsbIds = defaults;
    noUsbIds.name = "VID set, PID zero";
    noUsbIds.vid = "1234";
    noUsbIds.pid = "";
    v.push_back(noUsbIds);

    StationChoice blank = defaults;
    blank.name = "product string of blanks only";
    blank.product = "   ";
    v.push_back(blank);

    v.push_back(everyOption("every option, 10 % of acknowledgements lost", 0.1));
    return v;
}

} // namespace

TEST(TForm1ProgrammingRun, APassedUnitHoldsWhatTheSettingsSayAndIsLogged) {
    for (const StationChoice& c : choices()) {
        SCOPED_TRACE(c.name);
        bench::BenchOptions options;
        options.faults.ackLossProbability = c.ackLoss;
        options.faults.ackLossSeed = 42;
        RunStation rs(options);
        auto& form = rs.start();
        test::applyChoice(form, c);
        const test::UnitImage before = rs.unit();
        test::KeyboardPairing keyboard;
        keyboard.id = rs.s.bench.keyboard()->ownId();
        keyboard.channelMap = rs.s.bench.keyboard()->channelMap();

        rs.pressGo();

        ASSERT_EQ(rs.result(), "PASS");
        EXPECT_EQ(rs.resultColour(), QColor(Qt::blue));
        const auto [r, t] = unitIds(c);
        const QDate today = QDate::currentDate();
        const test::UnitImage expected = test::expectedImage(
            c, before, r, t, today, 0x29, c.keyboardBinding ? &keyboard : nullptr);
        const test::UnitImage actual = rs.unit();
        EXPECT_TRUE(actual.rx == expected.rx && actual.tx == expected.tx)
            << differences(actual, expected);

        const auto& mouse = rs.s.bench.mouse();
        const auto& receiver = rs.s.bench.receiver();
        EXPECT_EQ(mouse.radioChipRegisters()[0x01], test::finalRfPower(c));
        EXPECT_EQ(receiver.radioChipRegisters()[0x01], test::finalRfPower(c));
        EXPECT_EQ(mouse.radioChipRegisters()[0x0F], 0);
        EXPECT_EQ(mouse.radioChipRegisters()[0x0A], 0);
        EXPECT_EQ(mouse.resolutionLevel(), c.cpiHigh ? 1 : 0);
        EXPECT_EQ(mouse.accessMode(), bench::AccessMode::Off);
        EXPECT_TRUE(receiver.reachable(mouse)) << "both took their new IDs";

        // The station: displays, duration, receiver released, idle again.
        const QString rxSn = test::serialText(c.rxSerial, today);
        const QString txSn = test::serialText(c.txSerial, today);
        EXPECT_EQ(rs.text("edtMseDongleAddr"), sixHex(r));
        EXPECT_EQ(rs.text("edtRX_SN"), rxSn);
        EXPECT_EQ(rs.text("edtTX_SN"), txSn);
        EXPECT_EQ(rs.s.child<QProgressBar>("pbSetTX")->value(), 20);
        EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d{3}$").match(rs.text("edtCaliTime")).hasMatch())
            << rs.text("edtCaliTime").toStdString();
        EXPECT_TRUE(rs.s.child<QPushButton>("btnGo")->isEnabled());
        EXPECT_EQ(form.station().link().ActiveDevice, nullptr);
        EXPECT_EQ(rs.text("edtRX"), "Mouse RX Not Ready");
        EXPECT_TRUE(form.station().linkPollingSuspended());
        EXPECT_EQ(form.station().runMode(), 0);
        EXPECT_FALSE(form.station().bindFromRun());
        EXPECT_FALSE(rs.s.child<QWidget>("Image2")->isVisibleTo(&form));
        EXPECT_TRUE(rs.messages().empty());

        // One log line with the unit's numbers, dashes removed.
        const QStringList log = RunStation::logLines();
        ASSERT_EQ(log.size(), 1);
        const QString tail = "," + sixHex(r) + "," + QString(rxSn).remove('-') + "," + QString(txSn).remove('-');
        EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d" +
                                       QRegularExpression::escape(tail) + "$")
                        .match(log[0])
                        .hasMatch())
            << log[0].toStdString();

        // The numbers this unit carries are recorded, and already on disk.
        const QString ini = settingsText();
        if (c.rxSerial.on) {
            const int digits = 2 * c.rxSerial.incBytes;
            EXPECT_EQ(rs.text("edtRX_IncCurrentSN"), QString("%1").arg(c.rxSerial.next, digits, 16, QChar('0')).toUpper());
            EXPECT_EQ(rs.text("edtRX_IncNextSN"), QString("%1").arg(c.rxSerial.next + 1, digits, 16, QChar('0')).toUpper());
            EXPECT_TRUE(ini.contains(QString("IncCurrentSN = %1;").arg(c.rxSerial.next)));
        }
        if (c.txSerial.on) {
            EXPECT_EQ(rs.text("edtTX_IncCurrentSN"), "00ABCD");
            EXPECT_EQ(rs.text("edtTX_IncNextSN"), "00ABCE");
            EXPECT_TRUE(ini.contains(QString("IncCurrentSN = %1;").arg(c.txSerial.next)));
        }
        if (c.sequentialIds) {
            EXPECT_EQ(rs.text("edtRX_IncCurrentRFID"), sixHex(r));
            EXPECT_EQ(rs.text("edtRX_IncNextRFID"), sixHex(r + 1));
            EXPECT_EQ(rs.text("edtTX_IncCurrentRFID"), sixHex(t));
            EXPECT_EQ(rs.text("edtTX_IncNextRFID"), sixHex(t + 1));
            EXPECT_TRUE(ini.contains(QString("IncCurrentRFID = %1;").arg(r)));
            EXPECT_TRUE(ini.contains(QString("IncCurrentRFID = %1;").arg(t)));
        } else {
            EXPECT_TRUE(rs.text("edtRX_IncCurrentRFID").isEmpty()) << "random IDs are not recorded";
        }
        if (c.vid.isEmpty() || c.pid.isEmpty()) {
            EXPECT_TRUE(rs.text("edtVID_SET").isEmpty());
            EXPECT_TRUE(rs.text("edtPID_SET").isEmpty());
        }
    }
}

TEST(TForm1ProgrammingRun, TheRadioIdBytesCarryTopBitsAndChecksums) {
    // The worked example of the radio-ID layout, as literal bytes.
    RunStation rs;
    auto& form = rs.start();
    StationChoice c;
    c.rxFirstId = 0x123456;
    c.txFirstId = 0x345678;
    test::applyChoice(form, c);
    rs.pressGo();
    ASSERT_EQ(rs.result(), "PASS");
    const auto u = rs.unit();
    EXPECT_EQ((std::vector<int>(u.tx.begin() + 8, u.tx.begin() + 16)),
              (std::vector<int>{0xB4, 0x56, 0x78, 0x65, 0x92, 0x34, 0x56, 0x0F}));
    EXPECT_EQ(u.rx[0x00], 0x926D);
    EXPECT_EQ(u.rx[0x33], 0xB44B);
    EXPECT_EQ(u.rx[0x2E], 0x916E) << "sensor 0x29";
    EXPECT_EQ(rs.text("edtMseDongleAddr"), "123456");

    // A second unit the same day appends its own line.
    rs.nextUnit(21);
    rs.pressGo();
    ASSERT_EQ(rs.result(), "PASS");
    EXPECT_EQ(RunStation::logLines().size(), 2);
}

TEST(TForm1ProgrammingRun, DevicesThatDoNotAnswerAreListedAndNothingIsProgrammed) {
    struct Case {
        const char* name;
        bool transmitterOff;
        bool receiverUnplugged;
        const char* text;
    };
    for (const Case& k : {Case{"transmitter off", true, false, "Please Check Device:\r\n* Mouse TX\r\n"},
                          Case{"neither", false, true,
                               "Please Check Device:\r\n* Mouse TX\r\n* Mouse RX\r\n"}}) {
        SCOPED_TRACE(k.name);
        bench::BenchOptions options;
        options.faults.transmitterOff = k.transmitterOff;
        RunStation rs(options);
        rs.start();
        if (k.receiverUnplugged) {
            rs.s.bench.unplugReceiver();
            rs.s.deliver();
        }
        const test::UnitImage before = rs.unit();
        rs.pressGo();
        ASSERT_EQ(rs.messages().size(), 1u);
        EXPECT_EQ(rs.messages()[0].text, k.text);
        EXPECT_EQ(rs.messages()[0].caption, "Message");
        EXPECT_TRUE(rs.unit().rx == before.rx && rs.unit().tx == before.tx);
        EXPECT_TRUE(rs.result().isEmpty());
        EXPECT_TRUE(rs.s.child<QPushButton>("btnGo")->isEnabled());
        EXPECT_TRUE(RunStation::logLines().isEmpty());
    }
}

TEST(TForm1ProgrammingRun, AByteThatIgnoresWritesFailsWithoutLogOrNumbersOrCalibration) {
    bench::BenchOptions options;
    options.faults.stuckTransmitterEepromByte = 0x0D; // a radio-ID byte
    RunStation rs(options);
    auto& form = rs.start();
    StationChoice c;
    c.rxSerial = {true, true, 2, 0x4142, 2, 0x0005};
    c.txSerial = {true, false, 3, 0x414243, 3, 0x000100};
    c.rxFirstId = 0x123456;
    c.txFirstId = 0x345678;
    test::applyChoice(form, c);
    rs.s.child<QCheckBox>("CallQUVE")->setChecked(true);
    QFile script("QUVE_RF_auto.exe");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho started > quve_started\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    const QString iniBefore = settingsText();

    rs.pressGo();

    EXPECT_EQ(rs.result(), "FAIL");
    EXPECT_EQ(rs.resultColour(), QColor(Qt::red));
    EXPECT_TRUE(RunStation::logLines().isEmpty());
    EXPECT_EQ(form.station().rxSN()->IncNextSN(), 0x0005) << "the next unit gets the same serial number";
    EXPECT_EQ(form.station().txSN()->IncNextSN(), 0x000100);
    EXPECT_EQ(form.station().rxSN()->IncCurrentSN(), 0);
    EXPECT_TRUE(rs.text("edtRX_IncCurrentSN").isEmpty());
    EXPECT_EQ(settingsText(), iniBefore) << "a failed unit saves nothing";
    EXPECT_EQ(form.station().runMode(), 0);
    EXPECT_TRUE(rs.s.child<QPushButton>("btnGo")->isEnabled());
    QTest::qWait(300);
    EXPECT_FALSE(QFile::exists("quve_started")) << "no calibration for a failed unit";
}

TEST(TForm1ProgrammingRun, AnUnplugInTheMiddleFailsAndTheNextUnitPasses) {
    RunStation rs;
    auto& form = rs.start();
    bench::BenchFaults unplug;
    unplug.unplugAfterMs = 2500; // well inside the run
    rs.s.bench.setFaults(unplug);
    rs.pressGo();

    EXPECT_EQ(rs.result(), "FAIL");
    EXPECT_EQ(rs.s.bench.mouse().radioChipRegisters()[0x01], 0x03) << "the run had begun";
    EXPECT_TRUE(RunStation::logLines().isEmpty());
    EXPECT_EQ(form.station().runMode(), 0);
    EXPECT_FALSE(form.runActive());
    EXPECT_TRUE(rs.s.child<QPushButton>("btnGo")->isEnabled());
    EXPECT_EQ(form.station().link().ActiveDevice, nullptr);

    rs.s.bench.setFaults({});
    rs.nextUnit(31);
    rs.pressGo();
    EXPECT_EQ(rs.result(), "PASS");
    EXPECT_EQ(RunStation::logLines().size(), 1);
}

TEST(TForm1ProgrammingRun, ALogThatCannotBeWrittenStillPassesAndTellsTheOperatorTheNumbers) {
    RunStation rs;
    auto& form = rs.start();
    StationChoice c;
    c.rxSerial = {true, true, 2, 0x4142, 2, 0x0005};
    c.txSerial = {true, true, 2, 0x5858, 2, 0x0100};
    c.rxFirstId = 0x2B3C4D;
    c.txFirstId = 0x345678;
    test::applyChoice(form, c);
    // The log could take a line when Go was pressed; while the unit runs, something else
    // takes the name of the log folder.
    rs.duringRun = [&rs] {
        if (rs.result() != "Move" || !QFileInfo(QStringLiteral("Log")).isDir())
            return;
        ASSERT_TRUE(QDir("Log").removeRecursively());
        QFile blocker("Log");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
    };

    rs.pressGo();

    EXPECT_EQ(rs.result(), "PASS");
    ASSERT_EQ(rs.messages().size(), 1u);
    const QString text = rs.messages()[0].text;
    const QDate today = QDate::currentDate();
    EXPECT_TRUE(text.contains(RunStation::todaysLog())) << text.toStdString();
    EXPECT_TRUE(text.contains("2B3C4D"));
    EXPECT_TRUE(text.contains(test::serialText(c.rxSerial, today)));
    EXPECT_TRUE(text.contains(test::serialText(c.txSerial, today)));
    EXPECT_EQ(form.station().runMode(), 0);
    EXPECT_TRUE(rs.s.child<QPushButton>("btnGo")->isEnabled());
    EXPECT_TRUE(settingsText().contains("IncCurrentSN = 5;")) << "numbers saved all the same";
}

TEST(TForm1ProgrammingRun, AStationThatCannotWriteItsLogProgramsNoUnitAndSaysWhy) {
    RunStation rs;
    auto& form = rs.start();
    QFile::setPermissions("Log", QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    const auto transfers = rs.s.bench.featureTransfers();

    rs.pressGo();
    form.btnSetTXClick();

    EXPECT_EQ(rs.s.bench.featureTransfers(), transfers) << "not one frame to the unit";
    EXPECT_NE(rs.result(), "PASS");
    ASSERT_EQ(rs.messages().size(), 2u) << "each press says why";
    EXPECT_TRUE(rs.messages()[0].text.contains("Log")) << rs.messages()[0].text.toStdString();
    EXPECT_TRUE(rs.messages()[0].text.contains("write-protected")) << rs.messages()[0].text.toStdString();

    QFile::setPermissions("Log", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    rs.pressGo();
    EXPECT_EQ(rs.result(), "PASS") << "once the folder is writable again";
}

TEST(TForm1ProgrammingRun, ARunThatEmptiesTheUsbIdFieldsSavesNothing) {
    RunStation rs;
    auto& form = rs.start();
    StationChoice c;
    c.vid = "1234"; // without a PID the run writes no USB IDs and empties both fields
    c.pid = "";
    c.rxFirstId = 0x123456;
    c.txFirstId = 0x345678;
    test::applyChoice(form, c);
    ASSERT_TRUE(QFile::remove("TX.ini"));
    // The unit fails at its sleep-period word, after the fields were emptied.
    rs.s.bench.setFaults({.stuckReceiverEepromWord = 0x39});

    rs.pressGo();

    EXPECT_EQ(rs.result(), "FAIL");
    EXPECT_TRUE(rs.text("edtVID_SET").isEmpty());
    EXPECT_FALSE(QFile::exists("TX.ini")) << "the run's own emptying is no change to save";
}

TEST(TForm1ProgrammingRun, ADefaultStationStartsAgainWithoutASettingsMessage) {
    RunStation rs;
    rs.start();
    rs.pressGo();
    ASSERT_EQ(rs.result(), "PASS");
    ASSERT_TRUE(settingsText().contains("BTY=-1")) << "what a default station stores";
    rs.restart();
    EXPECT_TRUE(rs.messages().empty()) << rs.messages()[0].text.toStdString();
}
