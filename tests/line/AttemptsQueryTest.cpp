// SPDX-License-Identifier: MIT
#include "line/AttemptsQuery.h"

#include "line/LineLedger.h"

#include "PgTestServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace rfbind;
using rfbind::test::TestDatabase;

namespace {

TEST(AttemptsQuery, GivesBackWhatTheStationsStoredInTheirOwnLocalTime) {
    TestDatabase db;
    LineConfig config;
    config.database = db.station("st-1");
    config.station = "st-1";
    config.product = "mouse-a";
    auto ledger = LineLedger::connect(config);
    ASSERT_TRUE(ledger.ok()) << ledger.error().message;

    std::vector<AttemptRecord> stored;
    // Stations in different time zones: each keeps its own wall-clock day and hour.
    const std::vector<std::string> starts = {"2026-12-07T23:30:00.000+08:00",
                                             "2026-12-08T00:10:00.250+08:00",
                                             "2026-12-08T23:59:59.999-05:00",
                                             "2026-12-09T00:00:00.000+01:00"};
    for (std::size_t i = 0; i < starts.size(); ++i) {
        AttemptRecord r;
        r.attemptId = std::string(31, 'a') + char('0' + i);
        r.startedAt = starts[i];
        r.durationMs = 4000 + long(i);
        r.result = i % 2 ? "FAIL" : "PASS";
        r.failStep = i % 2 ? "link_wait" : "";
        r.reasonCode = i % 2 ? "transmitter_not_answering" : "";
        r.reasonText = i % 2 ? "no answer, \"mouse\" off?" : "";
        r.rxRadioId = "12A5B6";
        r.rxSerial = "1201-4142-000" + std::to_string(i);
        r.rxUsb = "1D57:00AF";
        r.rxVersion = "0102";
        r.station = "st-1";
        r.recipe = "0123456789abcdef";
        r.product = "mouse-a";
        stored.push_back(r);
    }
    ASSERT_EQ(ledger->recordAttempts(stored).value(), 4u);

    // A reader's login, which holds no station's password.
    const std::string reader = db.reader("watcher");
    const auto day = AttemptsQuery::fetch(reader, "2026-12-08", "2026-12-08");
    ASSERT_TRUE(day.ok()) << day.error().message;
    ASSERT_EQ(day->size(), 2u);
    // Ordered by the instant: 00:10 at +08:00 comes before 23:59 at -05:00.
    EXPECT_EQ((*day)[0], stored[1]);
    EXPECT_EQ((*day)[1], stored[2]);

    EXPECT_EQ(AttemptsQuery::fetch(reader, "2026-12-07", "2026-12-09")->size(), 4u);

    // The report program on the database: the two attempts of the day, one passed.
    const std::string out = "/tmp/rfbind-query-report-" + std::to_string(::getpid());
    const std::string command = std::string(RFBIND_REPORT) + " --db '" + reader +
                                "' --day 2026-12-08 > " + out + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(out);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    std::remove(out.c_str());
    EXPECT_NE(text.find("all            1       1         2    50.0 %"), std::string::npos) << text;
    EXPECT_NE(text.find("transmitter_not_answering"), std::string::npos) << text;
}

} // namespace
