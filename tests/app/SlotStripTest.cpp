// SPDX-License-Identifier: MIT
// A gang station in the window: two boxes on the bench, each slot's station on its own thread,
// one numbering, and a fault that stays in its own slot.
#include "SlotStrip.h"
#include "SlotPanel.h"
#include "StationFixture.h"
#include "bench/Bench.h"
#include "production/RunBench.h"
#include "bench/BenchController.h"
#include "line/PgTestServer.h"
#include "settings/IniFile.h"
#include "settings/StoredGenerators.h"

#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <memory>
#include <set>
#include <vector>

using namespace rfbind;

namespace {

constexpr int kDeadlineMs = 60000;

/// TX.ini with the test station's numbering: serial numbers from 0005, radio IDs in sequence.
void writeNumbering(const QString& folder) {
    IniFile ini((folder + "/TX.ini").toStdString());
    TProdSN rxSN, txSN;
    TProdRFID rxID, txID;
    test::freshStationGenerators(rxSN, txSN, rxID, txID);
    StoreGenerators(ini, rxSN, txSN, rxID, txID);
    ASSERT_TRUE(ini.save().ok);
}

/// Two boxes, each with its own controller on its hub port, and the window over them.
struct Gang {
    explicit Gang(std::vector<bench::BenchFaults> faults) {
        station.stationThread = true;
        station.stationSlots.count = static_cast<int>(faults.size());
        station.stationSlots.ports.clear();
        for (std::size_t k = 0; k < faults.size(); ++k) {
            bench::BenchOptions options;
            options.receiverPortPath = "1-1." + std::to_string(k + 1);
            options.faults = faults[k];
            boxes.push_back(std::make_unique<bench::Bench>(benchClock, options, [](int ms) {
                QThread::msleep(static_cast<unsigned long>(ms));
            }));
            boxes.back()->freshUnit(static_cast<std::uint32_t>(40 + k));
            controllers.push_back(std::make_unique<bench::BenchController>(
                *boxes.back(), [this](bench::BenchController::Task task) {
                    ++devicesChanging;
                    QTimer::singleShot(0, qApp, [this, task = std::move(task)] {
                        task();
                        --devicesChanging;
                    });
                }));
            station.stationSlots.ports.push_back(options.receiverPortPath);
            station.slotSources.push_back({controllers.back().get(), &slotClock});
        }
        writeNumbering(station.folder.path());
    }

    app::TForm1& start() {
        auto& form = station.create();
        // The operator moves a box's mouse when its slot asks for it.
        operatorTimer.setInterval(5);
        QObject::connect(&operatorTimer, &QTimer::timeout, [this, &form] {
            for (int k = 1; k <= form.slotStrip()->count(); ++k)
                if (form.slotStrip()->panel(k)->resultText() == "Move")
                    boxes[static_cast<std::size_t>(k - 1)]->setMouseMoving(true);
        });
        operatorTimer.start();
        settle(form);
        return form;
    }

    /// Lets the window run until every slot's station is idle.
    void settle(app::TForm1& form) {
        // A unit placed reaches its slot as a device change through the window's event loop:
        // it must have been handed to the slot before the slot can be said to be at rest.
        ASSERT_TRUE(QTest::qWaitFor([this] { return devicesChanging == 0; }, kDeadlineMs));
        int idle = 0;
        for (int k = 1; k <= form.slotStrip()->count(); ++k)
            form.slotStrip()->whenSlotIdle(k,
                                           [&idle](const std::optional<RunOutcome>&) { ++idle; });
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return idle == form.slotStrip()->count(); }, kDeadlineMs));
    }

    /// A fresh unit into every box (unit seeds from `firstSeed` on), then Go, and the window
    /// runs until every slot has ended its unit.
    void runRound(app::TForm1& form, std::uint32_t firstSeed) {
        for (std::size_t k = 0; k < boxes.size(); ++k)
            boxes[k]->freshUnit(firstSeed + static_cast<std::uint32_t>(k));
        settle(form);
        form.findChild<QPushButton*>("btnGo")->click();
        settle(form);
    }

    QString field(app::TForm1& form, int slot, const char* name) {
        auto* panel = form.slotStrip()->panel(slot);
        if (auto* edit = panel->findChild<QLineEdit*>(name))
            return edit->text();
        return panel->findChild<QLabel*>(name)->text();
    }

    /// Device changes of the boxes not yet handed to their slots.
    int devicesChanging = 0;
    app::QtClock benchClock;
    app::QtClock slotClock;
    std::vector<std::unique_ptr<bench::Bench>> boxes;
    std::vector<std::unique_ptr<bench::BenchController>> controllers;
    test::StationFixture station;
    QTimer operatorTimer;
};

QStringList logLines(const QString& folder) {
    QFile f(folder + "/Log/" + QDate::currentDate().toString("yyyy-MM-dd") + ".txt");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
}

} // namespace

TEST(SlotStrip, GoStartsEverySlotAndEachUnitGetsNumbersOfItsOwn) {
    struct Case {
        const char* name;
        std::vector<bench::BenchFaults> faults;
        std::vector<QString> results;
        int logLines;
        const char* storedSerial; // the rx serial counter TX.ini holds
        const char* line = "";    // the station's line (Line.ini's Database)
        const char* reason = "";  // what every failed slot's reason says
    };
    bench::BenchFaults txOff;
    txOff.transmitterOff = true;
    const Case cases[] = {
        {"both pass", {{}, {}}, {"PASS", "PASS"}, 2, "IncCurrentSN = 6;"},
        // The slot whose mouse is off says so in its own panel (no box stops the other
        // slots); only the passed unit is logged.
        {"a fault in one slot fails that slot only",
         {{}, txOff},
         {"PASS", ""},
         1,
         "IncCurrentSN = 5;"},
        // The slots draw from the station's line, never from TX.ini alone: a line that cannot
        // be reached, with no lease held yet, refuses them all.
        {"a station whose line is offline without a lease refuses every slot",
         {{}, {}},
         {"FAIL", "FAIL"},
         0,
         "IncInitSN = 5;  IncPrevSN = 4;  IsFixAscii = True;end;", // no counter stored: nothing was handed out
         "postgresql://nobody@127.0.0.1:1/none",
         "no numbers left"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Gang gang(c.faults);
        gang.station.lineDatabase = QString::fromLatin1(c.line);
        app::TForm1& form = gang.start();
        ASSERT_NE(form.slotStrip(), nullptr);
        ASSERT_EQ(form.slotStrip()->count(), 2);
        EXPECT_EQ(gang.field(form, 2, "lblSlot"), "2  1-1.2");

        form.findChild<QPushButton*>("btnGo")->click();
        gang.settle(form);

        std::set<QString> serials;
        for (int k = 1; k <= 2; ++k) {
            EXPECT_EQ(gang.field(form, k, "lblResult"), c.results[k - 1]) << "slot " << k;
            if (c.results[k - 1] == "PASS")
                EXPECT_TRUE(serials.insert(gang.field(form, k, "edtRX_SN")).second);
            else
                EXPECT_TRUE(gang.field(form, k, "lblFailReason").contains(c.reason))
                    << gang.field(form, k, "lblFailReason").toStdString();
        }
        EXPECT_EQ(logLines(gang.station.folder.path()).size(), c.logLines);
        const auto stored = gang.station.fileBytes("TX.ini");
        ASSERT_TRUE(stored);
        EXPECT_TRUE(stored->contains(c.storedSerial)) << stored->constData();
    }
}

// On a line the slots number from the station's leases, under its name: every unit passes with
// numbers of its own from the station's blocks, and every attempt reaches the ledger with the
// pool it was numbered from.
TEST(SlotStrip, OnALineEverySlotDrawsItsNumbersFromTheStationsLeases) {
    test::TestDatabase db;
    Gang gang({{}, {}, {}});
    gang.station.lineDatabase = QString::fromStdString(db.station("gang-a"));
    gang.station.lineStation = "gang-a";
    app::TForm1& form = gang.start();
    ASSERT_EQ(form.slotStrip()->count(), 3);
    std::set<QString> rxSerials, txSerials;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        gang.runRound(form, static_cast<std::uint32_t>(91 + 3 * round));
        for (int k = 1; k <= 3; ++k) {
            ASSERT_EQ(gang.field(form, k, "lblResult"), "PASS")
                << "slot " << k << ": " << gang.field(form, k, "lblFailReason").toStdString();
            EXPECT_TRUE(rxSerials.insert(gang.field(form, k, "edtRX_SN")).second);
            EXPECT_TRUE(txSerials.insert(gang.field(form, k, "edtTX_SN")).second);
        }
    }
    EXPECT_EQ(logLines(gang.station.folder.path()).size(), 6);
    for (const QString& serial : rxSerials) {
        // The panel shows the whole serial number; its incrementing part is its last group.
        const std::int64_t value = serial.section('-', -1).toLongLong(nullptr, 16);
        EXPECT_EQ(db.query("SELECT count(*) FROM rfbind.leases WHERE station = 'gang-a' AND "
                           "kind = 'rx_serial' AND " + std::to_string(value) +
                           " BETWEEN first_value AND last_value"),
                  "1")
            << serial.toStdString();
    }
    // The journal is sent after the slots' units, each line with its pool.
    const auto sent = [&] {
        return db.query("SELECT count(*) FROM rfbind.attempts WHERE result = 'PASS' AND "
                        "product IN (SELECT pool FROM rfbind.leases)");
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return sent() == "6"; }, kDeadlineMs)) << sent();
}

// The supervisor's Load between units takes TX.ini afresh while the slots keep drawing from
// the same generators: the next units go on after the numbers already handed out.
TEST(SlotStrip, ASettingsLoadBetweenUnitsKeepsTheSlotsNumbering) {
    Gang gang({{}, {}});
    app::TForm1& form = gang.start();
    std::set<QString> serials;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "before the load" : "after the load");
        gang.runRound(form, static_cast<std::uint32_t>(71 + 2 * round));
        for (int k = 1; k <= 2; ++k) {
            EXPECT_EQ(gang.field(form, k, "lblResult"), "PASS") << "slot " << k;
            EXPECT_TRUE(serials.insert(gang.field(form, k, "edtRX_SN")).second) << "slot " << k;
        }
        if (round == 0)
            form.btnLoadSettingClick();
    }
    EXPECT_EQ(logLines(gang.station.folder.path()).size(), 4);
}

// The numbering panels change the generators the slots draw from on their own threads: a
// change waits until no slot is drawing or committing (the numbering's lock).
TEST(SlotStrip, ANumberingPanelChangeWaitsForTheSlotsNumbering) {
    Gang gang({{}, {}});
    app::TForm1& form = gang.start();
    std::promise<void> holding;
    std::int64_t seenAtEndOfHold = -1;
    std::thread slotDrawing([&] {
        form.slotStrip()->numbering().withGenerators([&](NumberingGenerators& g) {
            holding.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            seenAtEndOfHold = g.rxSN.IncInitSN();
        });
    });
    holding.get_future().wait();
    form.findChild<QLineEdit*>("edtRX_IncInitSN")->setText("0200");
    slotDrawing.join();
    EXPECT_EQ(seenAtEndOfHold, 5) << "changed while a slot held the numbering";
    std::int64_t now = -1;
    form.slotStrip()->numbering().withGenerators(
        [&](NumberingGenerators& g) { now = g.rxSN.IncInitSN(); });
    EXPECT_EQ(now, 0x200);
}

// A slot's own Connect binds its own box, once the pairing window is its turn, and says how it
// ended in the slot itself.
TEST(SlotStrip, ASlotsConnectBindsItsOwnBoxAndSaysSoInTheSlot) {
    Gang gang({{}, {}});
    app::TForm1& form = gang.start();
    gang.boxes[1]->switchMouse(false);
    gang.boxes[1]->switchMouse(true); // in its pairing period
    auto* connectButton =
        form.slotStrip()->panel(2)->findChild<QPushButton*>("btnCombo_Cmd_Soft_Bind_SW");
    ASSERT_NE(connectButton, nullptr);
    EXPECT_EQ(connectButton->text(), "Connect");
    connectButton->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return gang.field(form, 2, "lblFailReason") == "Connect Success"; }, kDeadlineMs))
        << gang.field(form, 2, "lblFailReason").toStdString();
    EXPECT_EQ(gang.field(form, 1, "lblFailReason"), "");
    EXPECT_EQ(gang.field(form, 2, "lblResult"), "") << "no Wait once the binding ended";
}
