// SPDX-License-Identifier: MIT
// The soak is only as good as its verdicts: each fault it exists to find must be reported, and
// a clean run must report none.
#include "SoakLedger.h"

#include "commands/ReceiverEepromMap.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace rfbind::soak {
namespace {

struct Unit {
    QString radioId = "123456"; // as logged
    QString rxSerial = "525800000001";
    QString txSerial = "545800000001";
    QString txRadioId = "E54321"; // as the EEPROMs hold it
};

QString logLine(const Unit& u) {
    return "2026-12-08 10:00:00," + u.radioId + "," + u.rxSerial + "," + u.txSerial;
}

// The bench's report of a unit the station programmed and logged correctly.
QJsonObject report(const Unit& u) {
    QJsonArray rx, tx;
    for (int w = 0; w < rxeeprom::kWordCount; ++w)
        rx.append(0);
    for (int b = 0; b < 128; ++b)
        tx.append(0xFF);
    const QString air = onAir(u.radioId);
    for (int i = 0; i < 3; ++i) {
        const auto rxByte = static_cast<std::uint8_t>(air.mid(2 * i, 2).toUInt(nullptr, 16));
        const auto txByte = static_cast<std::uint8_t>(u.txRadioId.mid(2 * i, 2).toUInt(nullptr, 16));
        rx[rxeeprom::kDongleMseAd0 + i] = rxeeprom::complementWord(rxByte);
        rx[rxeeprom::kTxRadioIdFirst + i] = rxeeprom::complementWord(txByte);
        rx[rxeeprom::kSerialFirst + i] = static_cast<int>(u.rxSerial.mid(4 * i, 4).toUInt(nullptr, 16));
        tx[8 + i] = txByte;
        tx[12 + i] = rxByte;
    }
    for (int i = 0; i < 6; ++i)
        tx[120 + i] = static_cast<int>(u.txSerial.mid(2 * i, 2).toUInt(nullptr, 16));
    return QJsonObject{{"unit", 1}, {"result", "PASS"}, {"log_line", logLine(u)},
                       {"rx_eeprom", rx}, {"tx_eeprom", tx}};
}

struct Case {
    const char* name;
    std::function<void(std::vector<Unit>&, std::vector<QJsonObject>&, QByteArray& log)> spoil;
    const char* expected; // part of the one fault reported; nullptr: no fault
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SoakLedgerVerdicts : public ::testing::TestWithParam<Case> {};

TEST_P(SoakLedgerVerdicts, ReportExactlyTheFaultMadeUp) {
    std::vector<Unit> units(3);
    for (int i = 0; i < 3; ++i) {
        units[i].radioId = QString("12345%1").arg(i);
        units[i].rxSerial = QString("52580000000%1").arg(i);
        units[i].txSerial = QString("54580000000%1").arg(i);
        units[i].txRadioId = QString("E5432%1").arg(i);
    }
    std::vector<QJsonObject> reports;
    QByteArray log;
    for (const Unit& u : units) {
        reports.push_back(report(u));
        log += logLine(u).toLatin1() + "\r\n";
    }
    GetParam().spoil(units, reports, log);

    QTemporaryDir dir;
    QFile f(QDir(dir.path()).filePath("2026-12-08.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(log);
    f.close();
    SoakLedger ledger;
    for (const auto& r : reports)
        ledger.addReportedUnit(r);
    ledger.readLogs(dir.path());

    const QStringList faults = ledger.faults();
    if (!GetParam().expected) {
        EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
        return;
    }
    ASSERT_EQ(faults.size(), 1) << faults.join('\n').toStdString();
    EXPECT_TRUE(faults[0].contains(GetParam().expected)) << faults[0].toStdString();
}

const Case kCases[] = {
    {"Clean", [](auto&, auto&, auto&) {}, nullptr},
    {"LineLoggedButNotReported",
     [](auto&, auto& reports, auto&) { reports.pop_back(); }, nullptr},
    {"SerialLoggedTwice",
     [](auto& u, auto&, auto& log) {
         u[0].radioId = "654321";
         u[0].txSerial = "545800000009";
         log += logLine(u[0]).toLatin1() + "\r\n";
     },
     "receiver serial number 525800000000 logged twice"},
    {"RadioIdsDifferingOnlyInTheTopBit",
     [](auto& u, auto&, auto& log) {
         u[0].radioId = "923450";
         u[0].rxSerial = "525800000009";
         u[0].txSerial = "545800000009";
         log += logLine(u[0]).toLatin1() + "\r\n";
     },
     "radio ID 923450 logged twice"},
    {"EepromHoldsAnotherSerial",
     [](auto&, auto& reports, auto&) {
         QJsonArray tx = reports[1]["tx_eeprom"].toArray();
         tx[125] = 7;
         reports[1]["tx_eeprom"] = tx;
     },
     "transmitter serial number 545800000007"},
    {"ReceiverRadioIdNotAComplementWord",
     [](auto&, auto& reports, auto&) {
         QJsonArray rx = reports[2]["rx_eeprom"].toArray();
         rx[1] = 0x3434;
         reports[2]["rx_eeprom"] = rx;
     },
     "receiver word 1 is not a complement word"},
    {"PassedWithoutLogLine",
     [](auto&, auto& reports, auto& log) {
         reports[2]["log_line"] = QJsonValue::Null;
         log.chop(logLine(Unit{}).size() + 2);
     },
     "PASS without a log line"},
    {"TornLastLine", [](auto&, auto&, auto& log) { log.chop(5); }, "torn log line"},
    {"TransmitterIdGivenTwice",
     [](auto& u, auto& reports, auto&) {
         u[1].txRadioId = u[0].txRadioId;
         reports[1] = report(u[1]);
     },
     "transmitter radio ID E54320 given to"},
};

INSTANTIATE_TEST_SUITE_P(Faults, SoakLedgerVerdicts, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The line soak holds every reported PASS against the passes the database stores.
struct LineCase {
    const char* name;
    std::function<void(std::vector<StoredPass>&, std::vector<QJsonObject>&)> spoil;
    const char* expected; // part of the one fault reported; nullptr: no fault
    int unverified;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class LineVerdicts : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineVerdicts, ReportExactlyTheFaultMadeUp) {
    std::vector<QJsonObject> reports;
    std::vector<StoredPass> stored;
    for (int i = 0; i < 3; ++i) {
        Unit u;
        u.radioId = QString("12345%1").arg(i);
        u.rxSerial = QString("52580000000%1").arg(i);
        u.txSerial = QString("54580000000%1").arg(i);
        u.txRadioId = QString("E5432%1").arg(i);
        reports.push_back(report(u));
        // Stored as the station journals them: dashed serials, radio IDs as drawn.
        stored.push_back({u.rxSerial.left(4) + "-" + u.rxSerial.mid(4),
                          u.txSerial.left(4) + "-" + u.txSerial.mid(4), u.radioId,
                          QString("6%1").arg(u.txRadioId.mid(1))});
    }
    GetParam().spoil(stored, reports);
    const LineVerdict verdict = CheckLinePasses(reports, stored);
    EXPECT_EQ(verdict.unverified, GetParam().unverified);
    if (!GetParam().expected) {
        EXPECT_TRUE(verdict.faults.isEmpty()) << verdict.faults.join('\n').toStdString();
        const auto passes = std::count_if(reports.begin(), reports.end(), [](const auto& r) {
            return r["result"].toString() == "PASS";
        });
        EXPECT_EQ(verdict.verified, passes);
        return;
    }
    ASSERT_EQ(verdict.faults.size(), 1) << verdict.faults.join('\n').toStdString();
    EXPECT_TRUE(verdict.faults[0].contains(GetParam().expected))
        << verdict.faults[0].toStdString();
}

const LineCase kLineCases[] = {
    {"Clean", [](auto&, auto&) {}, nullptr, 0},
    {"StoredButNotReported", [](auto&, auto& reports) { reports.pop_back(); }, nullptr, 1},
    {"FailedUnitsAreNotLookedUp",
     [](auto& stored, auto& reports) {
         stored.pop_back();
         reports.back()["result"] = "FAIL";
     },
     nullptr, 0},
    {"NotStored", [](auto& stored, auto&) { stored.erase(stored.begin()); },
     "unit 525800000000 passed and is stored 0 times", 0},
    {"StoredTwice", [](auto& stored, auto&) { stored.push_back(stored[1]); },
     "unit 525800000001 passed and is stored 2 times", 0},
    {"OtherTransmitterSerial", [](auto& stored, auto&) { stored[2].txSerial = "5458-00000009"; },
     "transmitter serial number 5458-00000009 against 545800000002", 0},
    {"OtherReceiverRadioId", [](auto& stored, auto&) { stored[0].rxRadioId = "123459"; },
     "receiver radio ID 123459 against 923450", 0},
    {"OtherTransmitterRadioId", [](auto& stored, auto&) { stored[1].txRadioId = "654329"; },
     "transmitter radio ID 654329 against E54321", 0},
    {"UnpairedEeproms",
     [](auto&, auto& reports) {
         QJsonArray tx = reports[0]["tx_eeprom"].toArray();
         tx[12] = 0x11;
         reports[0]["tx_eeprom"] = tx;
     },
     "not paired", 0},
};

INSTANTIATE_TEST_SUITE_P(Line, LineVerdicts, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace rfbind::soak
