// SPDX-License-Identifier: MIT
// The slots of a gang station numbering from the station's line: one shared numbering over
// the station's leases, several units out at once, against the PostgreSQL server the tests
// start.
#include "line/LineNumbering.h"
#include "numbering/OnAirId.h"
#include "numbering/RfidRandomSource.h"
#include "production/SharedNumbering.h"

#include "PgTestServer.h"
#include "production/RunBench.h"

#include <gtest/gtest.h>
#include <pqxx/pqxx>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

using namespace rfbind;
using namespace rfbind::test;

namespace {

/// Random radio IDs from a fixed seed: the same draws at every run of the test.
struct SeededDraws : RfidRandomSource {
    explicit SeededDraws(std::uint32_t seed) : engine(seed) {}
    void reseed() override {}
    std::uint32_t draw24() override { return engine() & 0xFFFFFF; }
    std::mt19937 engine;
};

/// A gang station of four slots on a line: the station's generators, its line, the shared
/// numbering over both, and what TX.ini was given each time it was stored.
struct GangOnLine {
    GangOnLine(const std::string& uri, std::int32_t blockSize, bool randomIds) {
        freshStationGenerators(rxSN, txSN, rxRFID, txRFID);
        if (randomIds) {
            rxRFID.SetIsRandom(true);
            txRFID.SetIsRandom(true);
            rxRFID.SetRandomSource(std::make_unique<SeededDraws>(7));
            txRFID.SetRandomSource(std::make_unique<SeededDraws>(8));
        }
        // What the runs pass along: a slot's station's own generators, which the gang ignores.
        freshStationGenerators(ownRx, ownTx, ownRxId, ownTxId);
        config = configFor(uri, "station-a");
        config.blockSize = blockSize;
        line = std::make_unique<LineNumbering>(config, folder.path);
        line->setReconnectInterval(std::chrono::milliseconds(0));
        shared = std::make_unique<SharedNumbering>(
            NumberingGenerators{rxSN, txSN, rxRFID, txRFID},
            [this](const NumberingGenerators& g, std::string&) {
                stored.push_back({g.rxSN.IncCurrentSN(), g.txSN.IncCurrentSN()});
                return true;
            },
            line.get());
        for (int k = 1; k <= 4; ++k)
            slots.push_back(shared->source(k));
        recipe.productName = "USB 2.4G Wireless Desktop";
    }

    /// Slot `slot` (0-based) takes a unit's numbers, before anything is written to it.
    std::optional<NumberSource::Refused> handOut(int slot, UnitNumbers& unit) {
        return slots[static_cast<std::size_t>(slot)]->handOut(recipe, own, unit);
    }
    /// The unit reaches its radio IDs.
    void drawRadioIds(int slot, UnitNumbers& unit) {
        slots[static_cast<std::size_t>(slot)]->drawRadioIds(unit, own);
    }
    std::optional<NumberSource::Refused> start(int slot, UnitNumbers& unit) {
        auto refused = handOut(slot, unit);
        if (!refused)
            drawRadioIds(slot, unit);
        return refused;
    }

    /// The unit passes, as a run ends it: confirmed, committed, stored.
    std::optional<NumberSource::Refused> pass(int slot, const UnitNumbers& unit) {
        NumberSource& s = *slots[static_cast<std::size_t>(slot)];
        if (auto refused = s.confirm(unit)) {
            s.unitFailed(unit);
            return refused;
        }
        s.unitPassed(unit, own);
        std::string why;
        EXPECT_TRUE(shared->store(why)) << why;
        s.attemptJournalled();
        return std::nullopt;
    }

    void fail(int slot, const UnitNumbers& unit) {
        slots[static_cast<std::size_t>(slot)]->unitFailed(unit);
    }

    TempFolder folder;
    TProdSN rxSN, txSN, ownRx, ownTx;
    TProdRFID rxRFID, txRFID, ownRxId, ownTxId;
    NumberingGenerators own{ownRx, ownTx, ownRxId, ownTxId};
    LineConfig config;
    UnitRecipe recipe;
    std::unique_ptr<LineNumbering> line;
    std::unique_ptr<SharedNumbering> shared;
    std::vector<std::unique_ptr<NumberSource>> slots;
    std::vector<std::pair<std::int64_t, std::int64_t>> stored;
};

/// The numbers of units running or passed: none may be held twice.
struct Holders {
    std::map<std::int64_t, int> rx, tx;
    std::map<std::uint32_t, int> onAir;

    void take(const UnitNumbers& u, int who) {
        EXPECT_TRUE(rx.emplace(*u.rxSerialValue, who).second)
            << "rx serial " << *u.rxSerialValue << " of unit " << who << " held by unit "
            << rx[*u.rxSerialValue];
        EXPECT_TRUE(tx.emplace(*u.txSerialValue, who).second)
            << "tx serial " << *u.txSerialValue << " of unit " << who;
        for (const std::uint32_t id : {u.ids->R, u.ids->T})
            EXPECT_TRUE(onAir.emplace(onAirRadioId(id), who).second)
                << std::hex << "radio ID " << id << std::dec << " of unit " << who;
    }
    /// A failed unit's serial numbers may go to a later unit; its radio IDs never.
    void giveBack(const UnitNumbers& u) {
        rx.erase(*u.rxSerialValue);
        tx.erase(*u.txSerialValue);
    }
};

std::string inLeases(const TestDatabase& db, const char* kind, std::int64_t value) {
    return db.query("SELECT count(*) FROM rfbind.leases WHERE station = 'station-a' AND kind = '" +
                    std::string(kind) + "' AND " + std::to_string(value) +
                    " BETWEEN first_value AND last_value");
}

} // namespace

// Four slots' units are out at once, end in any order, and one fails: the next unit of any
// slot gets the failed unit's serial numbers while its lease still covers them, and no number
// is held twice by units running or passed.
TEST(SlotLine, UnitsOutAtOnceNeverShareANumberAndStayInsideTheStationsLeases) {
    struct Case {
        const char* name;
        std::int32_t blockSize;
        bool randomIds;
        bool failedSerialReused; // the lease still covers it when the next unit is handed out
    };
    const Case cases[] = {
        {"sequential radio IDs", 20, false, true},
        {"random radio IDs", 20, true, true},
        // Every unit out ends a block or starts one: a given-back value lies in a block the
        // station has gone past, and the next unit gets a fresh one.
        {"blocks of two, units out across their ends", 2, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase db;
        GangOnLine gang(db.station("station-a"), c.blockSize, c.randomIds);
        Holders holders;
        std::vector<UnitNumbers> passed;
        int who = 0;
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            // Hand out A, B, C, D; they reach their radio IDs in another order; B fails; the
            // others pass in yet another order.
            UnitNumbers units[4];
            for (int k = 0; k < 4; ++k) {
                const auto refused = gang.handOut(k, units[k]);
                ASSERT_FALSE(refused) << refused->detail;
                EXPECT_EQ(units[k].pool, "mouse-a");
            }
            for (const int k : {2, 0, 3, 1}) {
                gang.drawRadioIds(k, units[k]);
                ASSERT_TRUE(units[k].rxSerialValue && units[k].txSerialValue && units[k].ids);
                holders.take(units[k], ++who);
            }
            gang.fail(1, units[1]);
            holders.giveBack(units[1]);
            for (const int k : {3, 0, 2}) {
                const auto refused = gang.pass(k, units[k]);
                ASSERT_FALSE(refused) << refused->detail;
                passed.push_back(units[k]);
            }
            // B's slot takes its next unit.
            UnitNumbers next;
            ASSERT_FALSE(gang.start(1, next));
            holders.take(next, ++who);
            if (c.failedSerialReused) {
                EXPECT_EQ(next.rxSerialValue, units[1].rxSerialValue);
                EXPECT_EQ(next.txSerialValue, units[1].txSerialValue);
            } else {
                EXPECT_GT(*next.rxSerialValue, *units[3].rxSerialValue);
            }
            EXPECT_NE(onAirRadioId(next.ids->R), onAirRadioId(units[1].ids->R))
                << "a failed unit's radio ID is never handed out again";
            ASSERT_FALSE(gang.pass(1, next));
            passed.push_back(next);
        }
        EXPECT_EQ(gang.shared->heldCount(), 0u);

        gang.line->settle();
        for (const UnitNumbers& u : passed) {
            EXPECT_EQ(inLeases(db, "rx_serial", *u.rxSerialValue), "1") << *u.rxSerialValue;
            EXPECT_EQ(inLeases(db, "tx_serial", *u.txSerialValue), "1") << *u.txSerialValue;
            if (c.randomIds) {
                for (const std::uint32_t id : {u.ids->R, u.ids->T})
                    EXPECT_EQ(db.query("SELECT count(*) FROM rfbind.radio_id_claims WHERE "
                                       "station = 'station-a' AND on_air_id = " +
                                       std::to_string(onAirRadioId(id))),
                              "1")
                        << std::hex << id;
            } else {
                EXPECT_EQ(inLeases(db, "rx_radio_id", u.ids->R), "1") << std::hex << u.ids->R;
                EXPECT_EQ(inLeases(db, "tx_radio_id", u.ids->T), "1") << std::hex << u.ids->T;
            }
        }
        // TX.ini never goes back, and ends on the highest value passed.
        ASSERT_FALSE(gang.stored.empty());
        for (std::size_t i = 1; i < gang.stored.size(); ++i) {
            EXPECT_GE(gang.stored[i].first, gang.stored[i - 1].first) << "store " << i;
            EXPECT_GE(gang.stored[i].second, gang.stored[i - 1].second) << "store " << i;
        }
        std::int64_t highest = 0;
        for (const UnitNumbers& u : passed)
            highest = std::max(highest, *u.rxSerialValue);
        EXPECT_EQ(gang.stored.back().first, highest);
        if (c.blockSize == 2) {
            EXPECT_GE(std::stoi(db.query("SELECT count(*) FROM rfbind.leases WHERE kind = "
                                         "'rx_serial'")),
                      8)
                << "the units crossed blocks";
        }
    }
}

// A supervisor reclaims the station's lease while two units numbered from it are out, before
// the ledger has heard of their uses: neither may pass, and the next unit comes from a new
// block above the old one.
TEST(SlotLine, AReclaimedLeaseFailsEveryUnitOutOnItAndTheNextUnitIsNumberedAboveIt) {
    TestDatabase db;
    GangOnLine gang(db.station("station-a"), 10, false);
    UnitNumbers first;
    ASSERT_FALSE(gang.start(0, first));
    ASSERT_FALSE(gang.pass(0, first));
    gang.line->settle();
    const std::optional<std::int64_t> reclaimedLast = db.reclaimSerialLease();
    ASSERT_TRUE(reclaimedLast);
    const std::int64_t oldLast = *reclaimedLast;

    // The ledger answers the records of both units only once both are out.
    UnitNumbers a, b;
    {
        pqxx::connection admin(db.uri());
        pqxx::work hold(admin);
        hold.exec("LOCK TABLE rfbind.leases IN EXCLUSIVE MODE");
        ASSERT_FALSE(gang.start(0, a));
        ASSERT_FALSE(gang.start(1, b));
        hold.commit();
    }
    EXPECT_LE(*a.rxSerialValue, oldLast) << "numbered from the old lease";
    EXPECT_LE(*b.rxSerialValue, oldLast) << "numbered from the old lease";
    for (const auto& [name, slot, unit] :
         {std::tuple{"A", 0, &a}, std::tuple{"B", 1, &b}}) {
        const auto refused = gang.pass(slot, *unit);
        ASSERT_TRUE(refused) << name << " passed on a retired number";
        EXPECT_EQ(refused->reason, FailReason::LeaseReclaimed) << name << ": " << refused->detail;
    }

    UnitNumbers next;
    ASSERT_FALSE(gang.start(2, next));
    EXPECT_GT(*next.rxSerialValue, oldLast);
    EXPECT_GT(*next.txSerialValue, std::stoll(db.query(
                                       "SELECT max(last_value) FROM rfbind.leases WHERE kind = "
                                       "'tx_serial' AND reclaimed_at IS NOT NULL")));
    const auto refused = gang.pass(2, next);
    EXPECT_FALSE(refused) << refused->detail;
}
