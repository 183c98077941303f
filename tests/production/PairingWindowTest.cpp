// SPDX-License-Identifier: MIT
// Only one slot of a gang station pairs over the air at a time, in the order they asked.
#include "production/PairingWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace rfbind;

TEST(PairingWindow, SlotsPairOneAtATimeInTheOrderTheyAsked) {
    // Each step: a slot asks ('?') or gives up ('-'); for '?', whether it may pair now.
    struct Step {
        int slot;
        char op;
        bool granted = false;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::optional<int> holder;
    };
    const Case cases[] = {
        {"the first to ask pairs, the others wait", {{2, '?', true}, {1, '?', false}, {3, '?', false}}, 2},
        {"asking again while pairing keeps the window", {{1, '?', true}, {1, '?', true}}, 1},
        {"the next in line pairs once the window is free",
         {{1, '?', true}, {3, '?', false}, {2, '?', false}, {1, '-'}, {2, '?', false}, {3, '?', true}}, 3},
        {"asking again does not jump the queue",
         {{1, '?', true}, {2, '?', false}, {3, '?', false}, {3, '?', false}, {1, '-'}, {3, '?', false}, {2, '?', true}}, 2},
        {"a slot that stops waiting leaves the queue",
         {{1, '?', true}, {2, '?', false}, {3, '?', false}, {2, '-'}, {1, '-'}, {3, '?', true}}, 3},
        {"a slot that never asked gives nothing up", {{1, '?', true}, {2, '-'}}, 1},
        {"the window is free when every slot gave up", {{1, '?', true}, {1, '-'}}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PairingWindow window;
        for (const Step& s : c.steps) {
            if (s.op == '?')
                EXPECT_EQ(window.request(s.slot), s.granted) << "slot " << s.slot;
            else
                window.release(s.slot);
        }
        EXPECT_EQ(window.holder(), c.holder);
    }
}

TEST(PairingWindow, ATurnGivesTheWindowUpHoweverThePairingEnds) {
    PairingWindow window;
    ASSERT_TRUE(window.request(1));
    EXPECT_FALSE(window.request(2));
    {
        PairingWindow::Turn turn(&window, 1);
    }
    EXPECT_TRUE(window.request(2));
    EXPECT_FALSE(window.waiting(2));
}

TEST(PairingWindow, SlotsOnTheirOwnThreadsNeverPairTogether) {
    constexpr int kSlots = 6;
    PairingWindow window;
    std::atomic<int> pairing = 0;
    std::atomic<int> overlaps = 0;
    std::atomic<int> turns = 0;
    std::vector<std::thread> threads;
    for (int k = 1; k <= kSlots; ++k)
        threads.emplace_back([&, k] {
            for (int i = 0; i < 200; ++i) {
                while (!window.request(k))
                    std::this_thread::yield();
                if (pairing.fetch_add(1) != 0)
                    ++overlaps;
                std::this_thread::yield();
                pairing.fetch_sub(1);
                ++turns;
                window.release(k);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(turns.load(), kSlots * 200);
    EXPECT_FALSE(window.holder());
}
