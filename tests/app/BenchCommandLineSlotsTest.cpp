// SPDX-License-Identifier: MIT
// The gang bench's command line: how many slots, and a fault for one slot only.
#include "benchapp/BenchCommandLine.h"

#include <gtest/gtest.h>

using namespace rfbind;
using app::BenchCommandLine;

TEST(BenchCommandLine, SlotsAndOneSlotsFaults) {
    struct Case {
        const char* name;
        QStringList args;
        bool ok;
        int slotCount;
        int faultySlot;        // the slot whose bench must carry the faults below; 0: none
        bool txOff;
        std::optional<std::uint32_t> unplugAfterMs;
        double ackLoss;
    };
    const Case cases[] = {
        {"a bench of one unit", {}, true, 1, 0, false, std::nullopt, 0.0},
        {"four slots", {"--slots", "4"}, true, 4, 0, false, std::nullopt, 0.0},
        {"a fault in slot 2", {"--slots", "3", "--slot-fault", "2:tx-off"}, true, 3, 2, true,
         std::nullopt, 0.0},
        {"a fault before the slots are given", {"--slot-fault", "3:unplug-after=2500", "--slots", "3"},
         true, 3, 3, false, 2500u, 0.0},
        {"ack loss in one slot", {"--slots", "2", "--slot-fault", "1:ack-loss=0.25"}, true, 2, 1,
         false, std::nullopt, 0.25},
        {"no slot 0", {"--slots", "0"}, false, 0, 0, false, std::nullopt, 0.0},
        {"at most 8 slots", {"--slots", "9"}, false, 0, 0, false, std::nullopt, 0.0},
        {"a fault for a slot the bench lacks", {"--slots", "2", "--slot-fault", "3:tx-off"}, false,
         0, 0, false, std::nullopt, 0.0},
        {"a fault that is none", {"--slots", "2", "--slot-fault", "1:smoke"}, false, 0, 0, false,
         std::nullopt, 0.0},
        {"a fault that needs a value", {"--slots", "2", "--slot-fault", "1:unplug-after"}, false, 0,
         0, false, std::nullopt, 0.0},
        {"a loss that is no probability", {"--slots", "2", "--slot-fault", "1:ack-loss=2"}, false,
         0, 0, false, std::nullopt, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const auto parsed = BenchCommandLine::parse(c.args, error);
        ASSERT_EQ(parsed.has_value(), c.ok) << error.toStdString();
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->slotCount, c.slotCount);
        for (int k = 1; k <= c.slotCount; ++k) {
            const bench::BenchOptions box = parsed->slotBench(k);
            EXPECT_EQ(box.receiverPortPath, "1-1." + std::to_string(k));
            const bool faulty = k == c.faultySlot;
            EXPECT_EQ(box.faults.transmitterOff, faulty && c.txOff) << "slot " << k;
            EXPECT_EQ(box.faults.unplugAfterMs, faulty ? c.unplugAfterMs : std::nullopt);
            EXPECT_EQ(box.faults.ackLossProbability, faulty ? c.ackLoss : 0.0);
        }
    }
}
