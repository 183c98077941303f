// SPDX-License-Identifier: MIT
// The station's ledger work off its own thread: what each call costs on the wire, and a
// station's exit against a server that hangs.
#include "line/LineConnection.h"
#include "line/LineLedger.h"
#include "line/LineWorker.h"

#include "LineProxy.h"
#include "PgTestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace rfbind;
using namespace rfbind::test;

namespace {

LineLedger connectedThrough(const LineProxy& proxy, const TestDatabase& db,
                            const std::string& station) {
    auto ledger = LineLedger::connect(configFor(proxy.through(db.station(station)), station));
    if (!ledger)
        throw std::runtime_error(ledger.error().message);
    return std::move(ledger.value());
}

struct CallCase {
    const char* name;
    std::function<bool(LineLedger&, Lease&)> call;
};

class LineLedgerCall : public testing::TestWithParam<CallCase> {};

// What a station may need while a unit waits costs one round trip, however far away the line
// is: a statement of its own, no BEGIN and COMMIT around it. (The station counts one wait per
// such call; this is what makes that count the round trips.)
TEST_P(LineLedgerCall, IsOneRoundTripOnTheWire) {
    const TestDatabase db;
    LineProxy proxy(serverPortOf(db.uri()));
    LineLedger ledger = connectedThrough(proxy, db, "st-wire");
    ASSERT_TRUE(ledger.openPool("mouse-a", NumberKind::RxSerial, 0, std::nullopt).ok());
    auto leased = ledger.leaseBlock("mouse-a", NumberKind::RxSerial, 10);
    ASSERT_TRUE(leased.ok()) << leased.error().message;
    Lease lease = *leased;

    const int before = proxy.roundTrips();
    ASSERT_TRUE(GetParam().call(ledger, lease));
    EXPECT_EQ(proxy.roundTrips() - before, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, LineLedgerCall,
    testing::Values(
        CallCase{"MarkUsed", [](LineLedger& l, Lease& lease) { return l.markUsed(lease, lease.first).ok(); }},
        CallCase{"LeaseBlock",
                 [](LineLedger& l, Lease&) { return l.leaseBlock("mouse-a", NumberKind::RxSerial, 10).ok(); }},
        CallCase{"ClaimRadioIdsInABatch",
                 [](LineLedger& l, Lease&) {
                     const auto claimed = l.claimRadioIds("mouse-a", {0x100001, 0x100002, 0x100003, 0x100001});
                     return claimed.ok() && claimed->size() == 3;
                 }},
        CallCase{"ResumeLease",
                 [](LineLedger& l, Lease&) {
                     const auto found = l.currentLease("mouse-a", NumberKind::RxSerial, "st-wire");
                     return found.ok() && found->has_value();
                 }},
        CallCase{"OpenPool",
                 [](LineLedger& l, Lease&) {
                     return l.openPool("mouse-a", NumberKind::TxSerial, 0, std::nullopt).ok();
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

// A batch claims only what no unit has on air: an ID held by another station, or the same ID
// with bit 23 set, is left out, and the order asked is kept.
TEST(LineLedger, ABatchOfRadioIdsClaimsOnlyThoseNotOnAir) {
    const TestDatabase db;
    LineProxy proxy(serverPortOf(db.uri()));
    LineLedger a = connectedThrough(proxy, db, "st-a");
    LineLedger b = connectedThrough(proxy, db, "st-b");
    ASSERT_EQ(a.claimRadioIds("mouse-a", {0x200002}).value(), std::vector<std::uint32_t>{0x200002});
    const auto claimed = b.claimRadioIds("mouse-b", {0x300003, 0x200002, 0x100001});
    ASSERT_TRUE(claimed.ok()) << claimed.error().message;
    EXPECT_EQ(*claimed, (std::vector<std::uint32_t>{0x300003, 0x100001}));
    EXPECT_FALSE(b.claimRadioIds("mouse-b", {0x800001}).ok()) << "bit 23 is cleared first";
    EXPECT_EQ(db.query("SELECT string_agg(station || ':' || to_hex(on_air_id), ',' ORDER BY on_air_id)"
                       " FROM rfbind.radio_id_claims"),
              "st-b:100001,st-a:200002,st-b:300003");
}

// A station closing while its server hangs: the job under way ends at its deadline, the jobs
// behind it are abandoned, and a call still waiting learns that it did not run.
TEST(LineWorker, StoppingWithAHungServerEndsWithinOneDeadline) {
    const TestDatabase db;
    LineProxy proxy(serverPortOf(db.uri()));
    LineWorker worker(connectedThrough(proxy, db, "st-hung"));
    ASSERT_TRUE(worker.call([](LineLedger& l) {
        ASSERT_TRUE(l.openPool("mouse-a", NumberKind::RxSerial, 0, std::nullopt).ok());
    }));
    EXPECT_TRUE(worker.online());

    proxy.stall();
    int ran = 0;
    for (int i = 0; i < 4; ++i)
        worker.post([&ran](LineLedger& l) {
            (void)l.leaseBlock("mouse-a", NumberKind::RxSerial, 5);
            ++ran;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the first job is under way
    const auto start = std::chrono::steady_clock::now();
    worker.stop();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, kLineCallDeadline + std::chrono::seconds(2));
    EXPECT_EQ(ran, 1) << "the jobs behind the hung one were abandoned";
    EXPECT_FALSE(worker.online());
    EXPECT_FALSE(worker.call([](LineLedger&) {})) << "a stopped worker runs nothing";
}

// A station closing while its line answers finishes what it posted: the last unit's attempt
// and use reach the ledger before the program ends.
TEST(LineWorker, StoppingWhileTheLineAnswersFinishesTheQueue) {
    const TestDatabase db;
    LineProxy proxy(serverPortOf(db.uri()));
    LineWorker worker(connectedThrough(proxy, db, "st-close"));
    worker.post([](LineLedger& l) { (void)l.openPool("mouse-a", NumberKind::RxSerial, 0, std::nullopt); });
    int ran = 0;
    for (int i = 0; i < 5; ++i)
        worker.post([&ran](LineLedger& l) { ran += l.leaseBlock("mouse-a", NumberKind::RxSerial, 5).ok(); });
    worker.stop();
    EXPECT_EQ(ran, 5);
    EXPECT_EQ(db.query("SELECT count(*) FROM rfbind.leases"), "5");
}

} // namespace
