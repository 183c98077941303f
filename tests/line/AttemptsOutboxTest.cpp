// SPDX-License-Identifier: MIT
#include "line/AttemptsOutbox.h"

#include "line/AttemptsJournalReader.h"
#include "line/LineLedger.h"

#include "PgTestServer.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace rfbind;
using rfbind::test::PgTestServer;
using rfbind::test::TestDatabase;

namespace {

AttemptRecord attempt(int n, const std::string& day = "2026-12-08") {
    char id[33];
    std::snprintf(id, sizeof id, "%032x", n);
    AttemptRecord r;
    r.attemptId = id;
    r.startedAt = day + "T10:00:00.000+01:00";
    r.durationMs = 4000 + n;
    r.result = n % 5 ? "PASS" : "FAIL";
    r.station = "st-1";
    r.rxSerial = "4142-" + std::to_string(n);
    return r;
}

class StationFolder {
public:
    StationFolder() : dir_(fs::temp_directory_path() / ("rfbind-outbox-" + std::to_string(::getpid()) + "-" +
                                                        std::to_string(counter_++))) {
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Log");
    }
    ~StationFolder() { fs::remove_all(dir_); }
    const fs::path& path() const { return dir_; }

    // Appends text to the day's journal, writing the header first into a new one.
    void append(const std::string& day, const std::string& text) {
        const fs::path file = dir_ / "Log" / ("attempts-" + day + ".csv");
        const bool fresh = !fs::exists(file);
        std::ofstream out(file, std::ios::binary | std::ios::app);
        if (fresh)
            out << AttemptsJournalReader::kHeader << "\r\n";
        out << text;
    }
    void append(const AttemptRecord& r) {
        append(r.startedAt.substr(0, 10), AttemptsJournalReader::formatLine(r));
    }

private:
    static inline int counter_ = 0;
    fs::path dir_;
};

LineLedger connect(const std::string& uri) {
    LineConfig config;
    config.database = uri;
    config.station = "st-1";
    config.product = "mouse-a";
    auto ledger = LineLedger::connect(config);
    if (!ledger)
        throw std::runtime_error(ledger.error().message);
    return std::move(ledger.value());
}

TEST(AttemptsOutbox, EveryLineReachesTheDatabaseOnceAcrossSyncsAppendsAndALostMarker) {
    TestDatabase db;
    LineLedger ledger = connect(db.station("st-1"));
    StationFolder station;
    for (int n = 1; n <= 3; ++n)
        station.append(attempt(n, "2026-12-07"));
    const std::string torn = AttemptsJournalReader::formatLine(attempt(4));
    station.append(attempt(5));
    station.append("2026-12-08", torn.substr(0, torn.size() - 2)); // still being written
    AttemptsOutbox outbox(station.path());
    EXPECT_EQ(outbox.backlog().value(), 4u);

    auto first = outbox.sync(ledger, 2);
    ASSERT_TRUE(first.ok()) << first.error().message;
    EXPECT_EQ(first->stored, 4u);
    EXPECT_EQ(first->journals, 2u);
    EXPECT_TRUE(first->problems.empty());
    EXPECT_EQ(outbox.backlog().value(), 0u);

    station.append("2026-12-08", "\r\n"); // the write completes
    station.append(attempt(6));
    station.append("2026-12-08", "garbage\r\n");
    auto second = outbox.sync(ledger);
    ASSERT_TRUE(second.ok()) << second.error().message;
    EXPECT_EQ(second->stored, 2u);
    EXPECT_EQ(second->alreadyStored, 0u);
    ASSERT_EQ(second->problems.size(), 1u);
    EXPECT_NE(second->problems[0].find("attempts-2026-12-08.csv:5:"), std::string::npos)
        << second->problems[0];

    fs::remove(outbox.markerPath()); // lost: everything is sent again, and stored once
    auto third = outbox.sync(ledger);
    ASSERT_TRUE(third.ok());
    EXPECT_EQ(third->stored, 0u);
    EXPECT_EQ(third->alreadyStored, 6u);
    EXPECT_EQ(db.query("SELECT count(DISTINCT attempt_id) || '/' || count(*) || ' ' || min(product)"
                       " FROM rfbind.attempts"),
              "6/6 mouse-a");
}

TEST(AttemptsOutbox, ABacklogBuiltWhileTheDatabaseIsDownIsSentWhenItIsBack) {
    PgTestServer server; // its own server: this test stops it
    LineLedger ledger = connect(rfbind::test::lineLogin(server.uri(), "st-1"));
    StationFolder station;
    AttemptsOutbox outbox(station.path());
    station.append(attempt(1));
    ASSERT_EQ(outbox.sync(ledger).value().stored, 1u);

    server.pause();
    station.append(attempt(2));
    station.append(attempt(3));
    const auto down = outbox.sync(ledger);
    ASSERT_FALSE(down.ok());
    EXPECT_EQ(down.error().kind, LineErrorKind::Unreachable) << down.error().message;
    EXPECT_FALSE(ledger.online());
    station.append(attempt(4));
    EXPECT_EQ(outbox.backlog().value(), 3u);
    // Now a connection is tried and no server answers: for a while the ledger does not try
    // again, so an offline station does not wait for a connect timeout on every call.
    EXPECT_EQ(outbox.sync(ledger).error().kind, LineErrorKind::Unreachable);

    server.resume();
    EXPECT_EQ(outbox.sync(ledger).error().kind, LineErrorKind::Unreachable);
    ledger.setReconnectInterval(std::chrono::milliseconds(0));
    const auto back = outbox.sync(ledger);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back->stored, 3u);
    EXPECT_EQ(outbox.backlog().value(), 0u);
    EXPECT_TRUE(ledger.online());
}

} // namespace
