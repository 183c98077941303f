// SPDX-License-Identifier: MIT
// How a unit attempt ends as the operator sees it: a passed unit logged with its numbers
// whatever the window shows, a close that ends the run, settings loaded in the middle of a
// run kept out of it, and a FAIL that says why.
#include "RunStation.h"

#include "commands/ReceiverEepromMap.h"
#include "commands/TransmitterEepromMap.h"

#include <QProgressBar>
#include <QPushButton>

using namespace rfbind;
using namespace rfbind::test;

namespace {

StationChoice numberedChoice() {
    StationChoice c;
    c.rxSerial = {true, true, 2, 0x4142, 2, 0x0005};
    c.txSerial = {true, false, 2, 0x5858, 2, 0x0100};
    c.rxFirstId = 0x123456;
    c.txFirstId = 0x345678;
    return c;
}

int progress(RunStation& rs) { return rs.s.child<QProgressBar>("pbSetTX")->value(); }

bool complementPair(const std::array<std::uint8_t, 128>& eeprom, int address) {
    return (eeprom[static_cast<std::size_t>(address)] ^ 0xFF) == eeprom[static_cast<std::size_t>(address + 1)];
}

} // namespace

TEST(TForm1RunOutcome, ADeviceChangeWhileTheRunEndsStillLogsTheUnitWithItsNumbers) {
    RunStation rs;
    auto& form = rs.start();
    const StationChoice c = numberedChoice();
    applyChoice(form, c);
    bool replugged = false;
    rs.duringRun = [&] {
        // The first pump after the final link check: some other USB device comes or goes,
        // and the window empties its unit fields.
        if (!replugged && progress(rs) == 20 && rs.result() == "Move") {
            replugged = true;
            rs.s.controller.rescan(true);
            rs.s.deliver();
        }
    };

    rs.pressGo();

    ASSERT_TRUE(replugged);
    EXPECT_EQ(rs.result(), "PASS");
    const QStringList log = RunStation::logLines();
    ASSERT_EQ(log.size(), 1);
    const QDate today = QDate::currentDate();
    EXPECT_TRUE(log[0].endsWith(QStringLiteral(",123456,%1,%2")
                                    .arg(serialText(c.rxSerial, today).remove('-'),
                                         serialText(c.txSerial, today).remove('-'))))
        << log[0].toStdString();
    EXPECT_EQ(form.station().rxSN()->IncCurrentSN(), 0x0005) << "the numbering advanced with the logged unit";
}

TEST(TForm1RunOutcome, ClosingTheWindowEndsTheRunAsFailWithoutLogOrNumbersAndEndsTheProgram) {
    RunStation rs;
    auto& form = rs.start();
    applyChoice(form, numberedChoice());
    std::uint64_t framesAtClose = 0;
    rs.duringRun = [&] {
        if (framesAtClose == 0 && rs.result() == "Move") {
            framesAtClose = rs.s.bench.featureTransfers();
            form.close();
        }
    };

    rs.pressGo();

    ASSERT_NE(framesAtClose, 0u);
    EXPECT_EQ(rs.result(), "FAIL");
    ASSERT_TRUE(form.lastOutcome());
    EXPECT_EQ(form.lastOutcome()->reason, FailReason::Cancelled);
    EXPECT_TRUE(RunStation::logLines().isEmpty());
    EXPECT_EQ(form.station().rxSN()->IncCurrentSN(), 0) << "no numbering advance";
    EXPECT_EQ(rs.s.bench.mouse().accessMode(), bench::AccessMode::Off) << "access mode left";
    EXPECT_LT(rs.s.bench.featureTransfers() - framesAtClose, 40u) << "the run ended at its next step";
    EXPECT_FALSE(rs.s.station.quitCode) << "the program ends only once the run has ended";
    QTest::qWait(20);
    EXPECT_EQ(rs.s.station.quitCode, 0) << "and then it does";
}

TEST(TForm1RunOutcome, LoadingTheSettingsDuringARunWaitsForItsEnd) {
    RunStation rs;
    auto& form = rs.start();
    bool loaded = false;
    rs.duringRun = [&] {
        if (!loaded && progress(rs) == 2) {
            loaded = true;
            rs.s.child<QPushButton>("btnLoadSetting")->click();
            EXPECT_EQ(form.station().runMode(), 1) << "the run keeps writing the unit";
        }
    };

    rs.pressGo();

    ASSERT_TRUE(loaded);
    EXPECT_EQ(rs.result(), "PASS");
    const auto& tx = rs.s.bench.mouse().eeprom();
    for (int address : {txeeprom::kSwitchCpi, txeeprom::kWakeupSource, txeeprom::kPowerSaving})
        EXPECT_TRUE(complementPair(tx, address)) << "option byte " << address << " written";
    EXPECT_EQ(rs.s.bench.receiver().eeprom()[rxeeprom::kReceiverType], rxeeprom::kMouseOnly);
    QTest::qWait(20);
    EXPECT_EQ(form.station().runMode(), 0) << "the load has happened once the run ended";
}

TEST(TForm1RunOutcome, AFailSaysWhyUnderTheResult) {
    bench::BenchOptions options;
    options.faults.stuckTransmitterEepromByte = 0x0D;
    RunStation rs(options);
    auto& form = rs.start();
    applyChoice(form, numberedChoice());

    rs.pressGo();

    EXPECT_EQ(rs.result(), "FAIL");
    auto* reason = rs.s.child<QLabel>("lblFailReason");
    ASSERT_NE(reason, nullptr);
    EXPECT_TRUE(reason->isVisibleTo(&form));
    EXPECT_EQ(reason->text(), "TX EEPROM write at 0x0D not confirmed");

    // The next unit passes and the reason goes away.
    rs.s.bench.setFaults({});
    rs.nextUnit(12);
    rs.pressGo();
    EXPECT_EQ(rs.result(), "PASS");
    EXPECT_FALSE(reason->isVisibleTo(&form));
}

// A receiver that takes its requests only in part is not ready for a unit: the reason line says
// why with the count, as the outcome kept for the journal does.
TEST(TForm1RunOutcome, AFailedTransferIsNamedUnderTheResult) {
    bench::BenchOptions options;
    options.faults.shortWriteBytes = 5;
    RunStation rs(options);
    auto& form = rs.start();
    applyChoice(form, numberedChoice());

    rs.pressGo();

    EXPECT_NE(rs.result(), "PASS");
    auto* reason = rs.s.child<QLabel>("lblFailReason");
    ASSERT_NE(reason, nullptr);
    const QString expected =
        "Receiver not answering: feature report transfer failed (sent 5 of 8 bytes)";
    EXPECT_EQ(reason->text(), expected);
    ASSERT_TRUE(form.lastOutcome());
    EXPECT_EQ(QString::fromStdString(form.lastOutcome()->reasonText()), expected);
}

TEST(TForm1RunOutcome, NoUnitIsProgrammedWhileTheNumberingCannotBeStored) {
    RunStation rs;
    auto& form = rs.start();
    applyChoice(form, numberedChoice());
    form.btnWriteSettingClick();
    QFile ini("TX.ini");
    ASSERT_TRUE(ini.exists());
    const auto writable = ini.permissions();
    // A supervisor froze the recipe: the file has no write bit left.
    ini.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const std::uint64_t frames = rs.s.bench.featureTransfers();

    rs.pressGo();

    EXPECT_EQ(rs.s.bench.featureTransfers(), frames) << "nothing sent to the unit";
    EXPECT_TRUE(RunStation::logLines().isEmpty());
    ASSERT_FALSE(rs.messages().empty());
    EXPECT_TRUE(rs.messages().back().text.contains("write-protected")) << rs.messages().back().text.toStdString();
    EXPECT_TRUE(rs.s.child<QPushButton>("btnGo")->isEnabled()) << "the next press tries again";

    ini.setPermissions(writable);
    rs.pressGo();
    EXPECT_EQ(rs.result(), "PASS");
    EXPECT_EQ(RunStation::logLines().size(), 1);
}
