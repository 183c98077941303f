// SPDX-License-Identifier: MIT
#include "StationBench.h"

#include "bench/BenchTransmitter.h"
#include "numbering/TProdRFID.h"
#include "production/PairingWindow.h"
#include "production/SharedNumbering.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace rfbind::test {
namespace {

bool contains(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

TEST(Station, DeviceChangeListsTheBenchAndFindsItsReceiver) {
    StationBench s;
    EXPECT_FALSE(s.view.devices.empty());
    EXPECT_EQ(s.station->link().ActiveDevice, nullptr) << "a device change selects nothing";

    s.station->findReceiver(ReceiverFilter{});
    ASSERT_NE(s.station->link().ActiveDevice, nullptr);
    EXPECT_TRUE(s.station->receiverIsReady());
    EXPECT_TRUE(s.view.receiverShownReady);
    EXPECT_TRUE(s.view.transmitterShownAlive);
    EXPECT_TRUE(s.station->linkPolling().isActive());
    EXPECT_EQ(s.station->receiverVersion(), 0xA012);

    s.bench.unplugReceiver();
    s.runPosted();
    EXPECT_EQ(s.station->link().ActiveDevice, nullptr);
    EXPECT_FALSE(s.view.receiverShownReady);
    EXPECT_FALSE(s.station->linkPolling().isActive());
}

TEST(Station, ReceiverSearchFollowsTheSettingsAndTheZoomKeys) {
    struct Row {
        const char* name;
        std::uint16_t productId;
        std::optional<ReceiverFilter> filter;
        bool found;
        bool zoomKeys;
    };
    const Row rows[] = {
        {"a preset receiver, any", 0x053A, ReceiverFilter{}, true, false},
        {"a zoom-key receiver", 0x05CF, ReceiverFilter{}, true, true},
        {"settings that were no numbers", 0x053A, std::nullopt, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        bench::BenchOptions options;
        options.receiverProductId = row.productId;
        StationBench s(options);
        s.station->findReceiver(row.filter);
        EXPECT_EQ(s.station->link().ActiveDevice != nullptr, row.found);
        EXPECT_EQ(s.station->zoomKeysAvailable(), row.zoomKeys);
        EXPECT_EQ(s.station->hotKeyListsZoom(), row.zoomKeys);
        EXPECT_EQ(s.station->defaultCustKey1(), row.zoomKeys ? 24 : 7);
        if (row.zoomKeys) {
            EXPECT_EQ(s.view.hotKeyListsZoom, 1) << "the view rebuilds its lists with the zoom keys";
        }
    }
}

TEST(Station, LinkPollingRunsOnTheSchedulerAndSeesTheTransmitterGo) {
    StationBench s;
    s.station->findReceiver(ReceiverFilter{});
    ASSERT_TRUE(s.view.transmitterShownAlive);
    EXPECT_EQ(s.scheduler.runDue(), 0) << "nothing is due before its interval";
    EXPECT_EQ(s.scheduler.msUntilNext(), s.station->linkPolling().interval());

    s.bench.switchMouse(false);
    s.clock.advance(500);
    EXPECT_EQ(s.scheduler.runDue(), 1);
    EXPECT_FALSE(s.view.transmitterShownAlive);
    EXPECT_TRUE(s.station->linkPolling().isActive()) << "the polling goes on";

    s.station->setLinkPollingSuspended(true);
    s.bench.switchMouse(true);
    s.clock.advance(1000);
    s.scheduler.runDue();
    EXPECT_FALSE(s.view.transmitterShownAlive) << "a suspended polling leaves the receiver alone";
}

TEST(Station, GoProgramsLogsAndAdvancesTheNumbering) {
    StationBench s;
    s.station->rxRFID()->SetIsRandom(false);
    s.station->rxRFID()->SetIncInitRFID(0x123456);
    s.station->txRFID()->SetIsRandom(false);
    s.station->txRFID()->SetIncInitRFID(0x345678);

    s.station->go(s.recipe());
    ASSERT_TRUE(s.station->lastOutcome());
    EXPECT_TRUE(s.station->lastOutcome()->passed) << s.station->lastOutcome()->reasonText();
    EXPECT_EQ(s.view.label(), RunDisplay::Label::Pass);
    EXPECT_FALSE(s.station->runActive());
    EXPECT_EQ(s.station->runMode(), 0);
    EXPECT_EQ(s.station->link().ActiveDevice, nullptr) << "the receiver is let go after a cycle";

    const auto log = s.folder.logLines("20");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(",123456,"), std::string::npos) << log[0];
    EXPECT_TRUE(contains(s.folder.logLines("attempts-"), ",PASS,"));
    // The stored numbering hands out the next ID after a restart.
    EXPECT_NE(s.folder.read("TX.ini").find("IncCurrentRFID = 1193046"), std::string::npos)
        << s.folder.read("TX.ini");
}

TEST(Station, WhatArrivesDuringARunWaitsForItsEnd) {
    struct Row {
        const char* name;
        std::function<void(StationBench&)> during;
        std::function<void(StationBench&)> check;
    };
    const Row rows[] = {
        {"Go again does nothing",
         [](StationBench& s) { s.station->go(s.recipe()); },
         [](StationBench& s) { EXPECT_EQ(s.folder.logLines("attempts-").size(), 2u) << "header and one unit"; }},
        {"Set TX and the erases do nothing",
         [](StationBench& s) {
             s.station->setTx(s.recipe());
             s.station->eraseReceiver();
             s.station->eraseTransmitter();
         },
         [](StationBench& s) {
             EXPECT_TRUE(s.station->lastOutcome()->passed);
             EXPECT_EQ(s.folder.logLines("attempts-").size(), 2u);
         }},
        {"a changed setting is stored once the run has ended",
         [](StationBench& s) {
             StationSettings changed;
             changed.Sleep = 30;
             s.station->keepForNextUnit(changed);
             EXPECT_EQ(s.folder.read("TX.ini").find("Sleep=30"), std::string::npos);
         },
         [](StationBench& s) { EXPECT_NE(s.folder.read("TX.ini").find("Sleep=30"), std::string::npos); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StationBench s;
        bool once = false;
        int queued = 0;
        s.duringRun = [&] {
            if (once || !s.station->runActive() || s.view.label() != RunDisplay::Label::Move)
                return;
            once = true;
            row.during(s);
            s.station->whenIdle([&] { ++queued; });
            EXPECT_EQ(queued, 0);
        };
        s.station->go(s.recipe());
        ASSERT_TRUE(once);
        ASSERT_TRUE(s.station->lastOutcome());
        row.check(s);
        EXPECT_EQ(queued, 0) << "queued work runs once the station is free";
        s.scheduler.runDue();
        EXPECT_EQ(queued, 1);
    }
}

TEST(Station, ClosingDuringARunEndsItAsCancelled) {
    StationBench s;
    s.duringRun = [&] {
        if (s.station->runActive() && s.view.label() == RunDisplay::Label::Move)
            s.station->requestClose();
    };
    s.station->go(s.recipe());
    ASSERT_TRUE(s.station->lastOutcome());
    EXPECT_FALSE(s.station->lastOutcome()->passed);
    EXPECT_EQ(s.station->lastOutcome()->reason, FailReason::Cancelled);
    EXPECT_TRUE(s.folder.logLines("20").empty()) << "nothing in the production log";
    EXPECT_TRUE(contains(s.folder.logLines("attempts-"), "cancelled"));
    EXPECT_EQ(s.view.closes, 0) << "the window closes only once the run is over";
    s.scheduler.runDue();
    EXPECT_EQ(s.view.closes, 1);
}

TEST(Station, GoIsRefusedWhileTheNumberingCannotBeStored) {
    StationBench s;
    std::filesystem::create_directory(s.folder.path / "TX.ini"); // a folder where the file belongs
    const auto saved = s.station->storeSettings(StationSettings{});
    ASSERT_TRUE(saved) << "a save that cannot happen says why";
    EXPECT_EQ(std::count_if(s.view.boxes.begin(), s.view.boxes.end(),
                            [](const std::string& b) { return b.rfind("not saved", 0) == 0; }),
              1);
    s.station->storeSettings(StationSettings{});
    EXPECT_EQ(s.view.boxes.size(), 1u) << "said once until a save succeeds";

    const auto transfers = s.bench.featureTransfers();
    s.station->go(s.recipe());
    EXPECT_EQ(s.bench.featureTransfers(), transfers) << "no frame before the refusal";
    EXPECT_FALSE(s.station->lastOutcome());
    EXPECT_TRUE(contains(s.view.boxes, "refused numbering: the last save of the settings failed"));
}

TEST(Station, AMissingTransmitterAsksTheOperatorAndFails) {
    StationBench s;
    s.bench.switchMouse(false);
    s.station->go(s.recipe());
    ASSERT_TRUE(s.station->lastOutcome());
    EXPECT_FALSE(s.station->lastOutcome()->passed);
    EXPECT_TRUE(contains(s.view.boxes, "not ready TX"));
    EXPECT_TRUE(contains(s.view.debug, "FAIL "));
}

TEST(Station, ConnectWatchesOnItsOwnTimerUntilAPairingOrTheSixteenthTick) {
    struct Row {
        const char* name;
        bool mouseJustSwitchedOn;
        int ticks;
        const char* verdict;
    };
    const Row rows[] = {
        {"a mouse in its pairing period pairs at the first tick", true, 1, "paired"},
        {"nothing in pairing mode times out", false, 16, "binding timed out"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StationBench s;
        if (row.mouseJustSwitchedOn) {
            s.bench.switchMouse(false);
            s.bench.switchMouse(true);
        } else {
            s.clock.advance(bench::BenchTransmitter::kMousePairingMs + 1000);
        }
        s.station->connectTransmitter(ReceiverFilter{});
        ASSERT_TRUE(s.station->bindingPolling().isActive());
        EXPECT_FALSE(s.station->linkPolling().isActive()) << "no link tests while it watches";
        int ticks = 0;
        while (s.station->bindingPolling().isActive() && ticks < 20) {
            s.clock.advance(static_cast<std::uint32_t>(s.station->bindingPolling().interval()));
            s.scheduler.runDue();
            ++ticks;
        }
        EXPECT_EQ(ticks, row.ticks);
        EXPECT_EQ(s.station->bindTicks(), row.ticks);
        ASSERT_FALSE(s.view.boxes.empty());
        EXPECT_EQ(s.view.boxes.back(), row.verdict);
        EXPECT_TRUE(s.station->linkPolling().isActive()) << "link polling resumes";
    }
}

TEST(Station, AGangSlotsConnectPairsOnlyInItsTurnAtThePairingWindow) {
    // Slot 2 holds the pairing window (its keyboard binding); slot 1's operator presses
    // Connect. Slot 1's receiver must not be told to pair before slot 2 gives the window up,
    // and must give it up itself when its binding ends, however it ends.
    struct Row {
        const char* name;
        bool receiverLeavesWhileWaiting;
    };
    const Row rows[] = {
        {"the binding starts once the other slot is done, then frees the window", false},
        {"a receiver pulled while waiting leaves the queue", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StationBench s;
        SharedNumbering numbering(NumberingGenerators{*s.station->rxSN(), *s.station->txSN(),
                                                      *s.station->rxRFID(), *s.station->txRFID()},
                                  {});
        PairingWindow pairing;
        s.station->joinGang(1, numbering, pairing);
        ASSERT_TRUE(pairing.request(2));
        s.bench.switchMouse(false);
        s.bench.switchMouse(true);

        s.station->connectTransmitter(ReceiverFilter{});
        auto tick = [&s] {
            s.clock.advance(static_cast<std::uint32_t>(s.station->bindingPolling().interval()));
            s.scheduler.runDue();
        };
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(pairing.waiting(1));
            EXPECT_FALSE(contains(s.view.debug, "--preMseID-"))
                << "told to pair while another box pairs";
            ASSERT_TRUE(s.station->bindingPolling().isActive());
            tick();
        }
        if (row.receiverLeavesWhileWaiting) {
            s.bench.unplugReceiver();
            s.runPosted();
            EXPECT_FALSE(pairing.waiting(1));
            pairing.release(2);
            EXPECT_EQ(pairing.holder(), std::nullopt);
            continue;
        }
        pairing.release(2);
        tick();
        EXPECT_EQ(pairing.holder(), std::optional<int>(1));
        for (int i = 0; i < 20 && s.station->bindingPolling().isActive(); ++i)
            tick();
        ASSERT_FALSE(s.view.boxes.empty());
        EXPECT_EQ(s.view.boxes.back(), "paired");
        EXPECT_EQ(pairing.holder(), std::nullopt) << "the window is free for the next slot";
    }
}

} // namespace
} // namespace rfbind::test
