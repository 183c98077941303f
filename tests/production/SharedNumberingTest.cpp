// SPDX-License-Identifier: MIT
// A gang station's one numbering: what units running at once in several slots hold, commit
// and give back.
#include "production/SharedNumbering.h"

#include "numbering/OnAirId.h"
#include "numbering/RfidRandomSource.h"
#include "RunBench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

using namespace rfbind;

namespace {

/// The station's generators, a shared numbering over them, and what TX.ini was last given.
struct Gang {
    TProdSN rxSN, txSN;
    TProdRFID rxRFID, txRFID;
    NumberingGenerators g{rxSN, txSN, rxRFID, txRFID};
    std::mutex storedMutex;
    std::optional<std::int64_t> storedRxSerial;
    std::optional<std::int32_t> storedRxRadioId;
    int stores = 0;
    SharedNumbering shared{g, [this](const NumberingGenerators& n, std::string&) {
                               const std::lock_guard lock(storedMutex);
                               storedRxSerial = n.rxSN.IncCurrentSN();
                               storedRxRadioId = n.rxRFID.IncCurrentRFID();
                               ++stores;
                               return true;
                           }};

    Gang() {
        test::freshStationGenerators(rxSN, txSN, rxRFID, txRFID);
        txSN.SetIsSN(false);
    }
};

/// Draws the values `script` names, in order, then repeats the last.
struct ScriptedDraws : RfidRandomSource {
    explicit ScriptedDraws(std::vector<std::uint32_t> v) : values(std::move(v)) {}
    void reseed() override {}
    std::uint32_t draw24() override {
        const std::uint32_t v = values[std::min(next, values.size() - 1)];
        ++next;
        return v;
    }
    std::vector<std::uint32_t> values;
    std::size_t next = 0;
};

} // namespace

TEST(SharedNumbering, UnitsEndingInAnyOrderNeverShareOrRepeatASerialNumber) {
    // Each step: a slot ('A'..'D'), what its unit does ('+' takes its numbers, 'p' passes,
    // 'f' fails, 'c' the numbering is restarted at `value` between units), and for '+' the
    // serial value it must get.
    struct Step {
        char slot;
        char op;
        std::int64_t value = -1;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::int64_t stored;   // what TX.ini holds at the end (IncCurrentSN)
        std::int64_t nextTake; // what the next unit gets
    };
    const Case cases[] = {
        {"a later pass never takes the numbering back",
         {{'A', '+', 5}, {'B', '+', 6}, {'B', 'p'}, {'A', 'p'}}, 6, 7},
        {"a failed unit's number goes to the next unit of another slot",
         {{'A', '+', 5}, {'B', '+', 6}, {'A', 'f'}, {'C', '+', 5}, {'B', 'p'}, {'C', 'p'}}, 6, 7},
        {"numbers given back go out again oldest first",
         {{'A', '+', 5}, {'B', '+', 6}, {'C', '+', 7}, {'C', 'f'}, {'A', 'f'}, {'D', '+', 5},
          {'A', '+', 7}, {'B', 'p'}, {'D', 'p'}, {'A', 'p'}}, 7, 8},
        {"a unit that fails while others pass leaves a number the next unit takes",
         {{'A', '+', 5}, {'B', '+', 6}, {'C', '+', 7}, {'B', 'f'}, {'C', 'p'}, {'A', 'p'}}, 7, 6},
        {"a restarted numbering drops the numbers given back under the old one",
         {{'A', '+', 5}, {'A', 'f'}, {'B', 'c', 0x20}, {'B', '+', 0x20}, {'B', 'p'}}, 0x20, 0x21},
        {"a restart onto a number a running unit holds skips it",
         {{'A', '+', 5}, {'B', 'c', 5}, {'B', '+', 6}, {'A', 'p'}, {'B', 'p'}}, 6, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Gang gang;
        std::map<char, std::unique_ptr<NumberSource>> sources;
        std::map<char, UnitNumbers> running;
        std::set<std::int64_t> logged;
        for (const Step& s : c.steps) {
            auto& source = sources[s.slot];
            if (!source)
                source = gang.shared.source(s.slot - 'A' + 1);
            switch (s.op) {
            case '+': {
                UnitNumbers unit;
                ASSERT_FALSE(source->handOut(UnitRecipe{}, gang.g, unit));
                ASSERT_TRUE(unit.rxSerialValue);
                EXPECT_EQ(*unit.rxSerialValue, s.value) << "slot " << s.slot;
                for (const auto& [slot, other] : running)
                    EXPECT_NE(other.rxSerialValue, unit.rxSerialValue) << "held by " << slot;
                running[s.slot] = unit;
                break;
            }
            case 'p': {
                const UnitNumbers unit = running.at(s.slot);
                running.erase(s.slot);
                const auto shown = source->unitPassed(unit, gang.g);
                ASSERT_TRUE(shown.rxSerial);
                std::string why;
                ASSERT_TRUE(gang.shared.store(why));
                EXPECT_TRUE(logged.insert(*unit.rxSerialValue).second) << "logged twice";
                break;
            }
            case 'f':
                source->unitFailed(running.at(s.slot));
                running.erase(s.slot);
                break;
            case 'c':
                gang.shared.withGenerators(
                    [&](NumberingGenerators& n) { n.rxSN.SetIncInitSN(s.value); });
                break;
            }
        }
        EXPECT_EQ(gang.storedRxSerial, c.stored);
        UnitNumbers next;
        gang.shared.source(9)->handOut(UnitRecipe{}, gang.g, next);
        EXPECT_EQ(next.rxSerialValue, c.nextTake);
    }
}

TEST(SharedNumbering, RadioIdsAreHeldUntilTheUnitEndsAndNeverDrawnAgain) {
    struct Case {
        const char* name;
        bool random;
        std::vector<std::uint32_t> draws; // random mode: what the source draws, in order
        bool firstPasses;
        bool secondPasses;
        std::uint32_t thirdR; // the receiver ID a third unit then draws
        std::int32_t storedR; // IncCurrentRFID in TX.ini at the end
    };
    const Case cases[] = {
        // The second unit passes first; the first passing after must not take the counter
        // back to its own ID, or the third unit would draw the second's.
        {"sequential, passing out of order", false, {}, true, true, 0x123458, 0x123457},
        // A failed unit may carry its IDs: nobody gets them again.
        {"sequential, the first fails", false, {}, false, true, 0x123458, 0x123457},
        {"sequential, both fail", false, {}, false, false, 0x123458, 0},
        // A random draw that meets an ID a running unit holds is drawn again.
        {"random, a draw meets a held ID", true,
         {0x123456, 0x234567, 0x123456, 0x345678, 0x456789, 0x56789A, 0x6789AB},
         true, true, 0x56789A, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Gang gang;
        if (c.random) {
            gang.rxRFID.SetIsRandom(true);
            gang.txRFID.SetIsRandom(true);
            // Both generators draw from one script, as two boxes could meet the same value.
            auto script = std::make_shared<ScriptedDraws>(c.draws);
            struct Shared : RfidRandomSource {
                std::shared_ptr<ScriptedDraws> s;
                void reseed() override {}
                std::uint32_t draw24() override { return s->draw24(); }
            };
            auto rx = std::make_unique<Shared>();
            rx->s = script;
            auto tx = std::make_unique<Shared>();
            tx->s = script;
            gang.rxRFID.SetRandomSource(std::move(rx));
            gang.txRFID.SetRandomSource(std::move(tx));
        }
        auto a = gang.shared.source(1);
        auto b = gang.shared.source(2);
        UnitNumbers first, second;
        a->handOut(UnitRecipe{}, gang.g, first);
        b->handOut(UnitRecipe{}, gang.g, second);
        a->drawRadioIds(first, gang.g);
        b->drawRadioIds(second, gang.g);
        const std::set<std::uint32_t> onAir{onAirRadioId(first.ids->R), onAirRadioId(first.ids->T),
                                            onAirRadioId(second.ids->R),
                                            onAirRadioId(second.ids->T)};
        EXPECT_EQ(onAir.size(), 4u) << "two running units share a radio ID";
        std::string why;
        for (auto [source, unit, passes] : {std::tuple{b.get(), &second, c.secondPasses},
                                            std::tuple{a.get(), &first, c.firstPasses}}) {
            if (passes) {
                source->unitPassed(*unit, gang.g);
                gang.shared.store(why);
            } else {
                source->unitFailed(*unit);
            }
        }

        UnitNumbers third;
        a->handOut(UnitRecipe{}, gang.g, third);
        a->drawRadioIds(third, gang.g);
        EXPECT_EQ(third.ids->R, c.thirdR);
        EXPECT_FALSE(onAir.contains(onAirRadioId(third.ids->R)));
        EXPECT_FALSE(onAir.contains(onAirRadioId(third.ids->T)));
        if (!c.random && (c.firstPasses || c.secondPasses)) {
            EXPECT_EQ(gang.storedRxRadioId, c.storedR);
        }
        EXPECT_EQ(gang.shared.heldCount(), 3u) << "the third unit's serial number and two IDs only";
    }
}

TEST(SharedNumbering, ConcurrentSlotsNeverHoldOrLogANumberTwice) {
    // Eight slots, each on its own thread, run units that pass or fail at random between
    // their draws; the check is what a line's log and its running units would show.
    constexpr int kSlots = 8;
    constexpr int kUnitsPerSlot = 300;
    Gang gang;
    std::mutex m;
    std::set<std::int64_t> heldSerials;
    std::set<std::uint32_t> heldIds;
    std::set<std::int64_t> loggedSerials;
    std::set<std::uint32_t> loggedIds;
    std::int64_t highestLogged = -1;
    std::atomic<int> faults = 0;

    auto slot = [&](int k) {
        auto source = gang.shared.source(k);
        std::mt19937 rng(static_cast<unsigned>(k));
        for (int u = 0; u < kUnitsPerSlot; ++u) {
            UnitNumbers unit;
            source->handOut(UnitRecipe{}, gang.g, unit);
            {
                const std::lock_guard lock(m);
                if (!heldSerials.insert(*unit.rxSerialValue).second)
                    ++faults;
            }
            const bool reachesIds = rng() % 4 != 0;
            if (reachesIds) {
                source->drawRadioIds(unit, gang.g);
                const std::lock_guard lock(m);
                for (std::uint32_t id : {unit.ids->R, unit.ids->T})
                    if (!heldIds.insert(onAirRadioId(id)).second)
                        ++faults;
            }
            std::this_thread::yield();
            const bool passes = reachesIds && rng() % 3 != 0;
            {
                // The unit stops holding its numbers before it hands them on.
                const std::lock_guard lock(m);
                heldSerials.erase(*unit.rxSerialValue);
                if (unit.ids) {
                    heldIds.erase(onAirRadioId(unit.ids->R));
                    heldIds.erase(onAirRadioId(unit.ids->T));
                }
            }
            if (passes) {
                source->unitPassed(unit, gang.g);
                std::string why;
                gang.shared.store(why);
                const std::lock_guard lock(m);
                if (!loggedSerials.insert(*unit.rxSerialValue).second)
                    ++faults;
                for (std::uint32_t id : {unit.ids->R, unit.ids->T})
                    if (!loggedIds.insert(onAirRadioId(id)).second)
                        ++faults;
                highestLogged = std::max(highestLogged, *unit.rxSerialValue);
            } else {
                source->unitFailed(unit);
            }
        }
    };
    std::vector<std::thread> threads;
    for (int k = 1; k <= kSlots; ++k)
        threads.emplace_back(slot, k);
    for (auto& t : threads)
        t.join();

    EXPECT_EQ(faults.load(), 0) << "a number held or logged twice";
    ASSERT_GT(loggedSerials.size(), 100u);
    EXPECT_EQ(gang.storedRxSerial, highestLogged) << "TX.ini holds the highest committed value";
    EXPECT_EQ(gang.shared.heldCount(), 0u);
    // Numbers given back are used again: the log has few gaps below its highest number.
    EXPECT_LT(highestLogged - 5 + 1 - static_cast<std::int64_t>(loggedSerials.size()), kSlots);
}
