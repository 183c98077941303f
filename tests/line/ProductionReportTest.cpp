// SPDX-License-Identifier: MIT
#include "line/ProductionReport.h"

#include "line/AttemptsJournalReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace rfbind;

namespace {

AttemptRecord attempt(const std::string& station, const std::string& start, long long ms,
                      const std::string& reason = {}) {
    static int next = 0;
    char id[33];
    std::snprintf(id, sizeof id, "%032x", ++next);
    AttemptRecord r;
    r.attemptId = id;
    r.startedAt = start + ".000+08:00";
    r.durationMs = ms;
    r.result = reason.empty() ? "PASS" : "FAIL";
    r.reasonCode = reason;
    r.reasonText = reason.empty() ? "" : "text of " + reason;
    r.station = station;
    return r;
}

// Two stations over two hours, one attempt the day before and one the day after.
std::vector<AttemptRecord> sampleDay() {
    return {
        attempt("st-1", "2026-12-07T23:59:59", 4000),
        attempt("st-1", "2026-12-08T09:00:01", 4100),
        attempt("st-1", "2026-12-08T09:10:00", 4200),
        attempt("st-1", "2026-12-08T09:20:00", 900, "no_receiver"),
        attempt("st-2", "2026-12-08T09:30:00", 4300),
        attempt("st-2", "2026-12-08T10:00:00", 2500, "tx_eeprom_write"),
        attempt("st-2", "2026-12-08T10:10:00", 1500, "no_receiver"),
        attempt("st-2", "2026-12-08T10:20:00", 4400),
        attempt("st-2", "2026-12-08T10:59:59", 9000),
        attempt("st-1", "2026-12-09T00:00:00", 4000),
    };
}

TEST(ProductionReport, CountsYieldReasonsAndCycleTimesOfTheDayOnly) {
    const auto r = ProductionReport::build(sampleDay(), "2026-12-08", "2026-12-08");
    EXPECT_EQ(r.total.passed, 5u);
    EXPECT_EQ(r.total.failed, 3u);
    EXPECT_DOUBLE_EQ(r.total.yield(), 5.0 / 8.0);
    EXPECT_EQ(r.byStation.at("st-1").passed, 2u);
    EXPECT_EQ(r.byStation.at("st-1").failed, 1u);
    EXPECT_EQ(r.byStation.at("st-2").passed, 3u);
    ASSERT_EQ(r.byHour.size(), 2u);
    EXPECT_EQ(r.byHour.at("2026-12-08 09").at("st-2").passed, 1u);
    EXPECT_EQ(r.byHour.at("2026-12-08 10").at("st-2").failed, 2u);
    EXPECT_EQ(ProductionReport::sum(r.byHour.at("2026-12-08 09")).attempts(), 4u);

    ASSERT_EQ(r.failures.size(), 2u);
    EXPECT_EQ(r.failures[0].code, "no_receiver");
    EXPECT_EQ(r.failures[0].count, 2u);
    EXPECT_EQ(r.failures[1].code, "tx_eeprom_write");

    // Passed units only: 4100 4200 4300 4400 9000.
    EXPECT_EQ(r.cycle.count, 5u);
    EXPECT_EQ(r.cycle.minMs, 4100);
    EXPECT_EQ(r.cycle.medianMs, 4300);
    EXPECT_EQ(r.cycle.p90Ms, 9000);
    EXPECT_EQ(r.cycle.maxMs, 9000);
    std::size_t inBuckets = 0;
    for (const auto& b : r.cycle.histogram) {
        inBuckets += b.count;
        EXPECT_LT(b.fromMs, b.toMs);
    }
    EXPECT_EQ(inBuckets, 5u);
    EXPECT_LE(r.cycle.histogram.size(), 13u);
    EXPECT_LE(r.cycle.histogram.front().fromMs, 4100);
    EXPECT_GT(r.cycle.histogram.back().toMs, 9000);

    const auto range = ProductionReport::build(sampleDay(), "2026-12-07", "2026-12-09");
    EXPECT_EQ(range.total.attempts(), 10u);
}

TEST(ProductionReport, TextShowsEveryStationHourAndReason) {
    const std::string text = ProductionReport::build(sampleDay(), "2026-12-08", "2026-12-08").text();
    for (const char* expected :
         {"Production 2026-12-08", "st-1           2       1         3    66.7 %",
          "all            5       3         8    62.5 %", "2026-12-08 10h  st-2",
          "no_receiver", "e.g. text of tx_eeprom_write", "median 4300"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST(ProductionReport, HtmlIsOneSelfContainedPageWithFourChartsAndEscapedNames) {
    auto day = sampleDay();
    day[1].station = "<b>st&1</b>";
    const std::string html = ProductionReport::build(day, "2026-12-08", "2026-12-08").html();
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    std::size_t charts = 0;
    for (auto at = html.find("<svg"); at != std::string::npos; at = html.find("<svg", at + 1))
        ++charts;
    EXPECT_EQ(charts, 4u);
    EXPECT_EQ(html.find("<b>st&1"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;st&amp;1&lt;/b&gt;"), std::string::npos);
    for (const char* external : {"<script", "src=", "href=", "@import", "url("})
        EXPECT_EQ(html.find(external), std::string::npos) << external;
}

TEST(ProductionReport, AnEmptyDayStillGivesAPage) {
    const auto r = ProductionReport::build({}, "2026-12-08", "2026-12-08");
    EXPECT_NE(r.text().find("no passed units"), std::string::npos);
    EXPECT_NE(r.html().find("No passed units"), std::string::npos);
}

// The program itself, on a folder of two stations' journals.
TEST(ProductionReport, ReportProgramReadsAFolderOfJournals) {
    const fs::path dir = fs::temp_directory_path() / ("rfbind-report-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    for (const std::string station : {"st-1", "st-2"}) {
        fs::create_directories(dir / station / "Log");
        std::ofstream out(dir / station / "Log" / "attempts-2026-12-08.csv", std::ios::binary);
        out << AttemptsJournalReader::kHeader << "\r\n";
        for (const auto& r : sampleDay())
            if (r.station == station && r.startedAt.starts_with("2026-12-08"))
                out << AttemptsJournalReader::formatLine(r);
        if (station == "st-2")
            out << "torn,last,li"; // a station killed while writing
    }
    const fs::path html = dir / "report.html";
    const std::string command = std::string(RFBIND_REPORT) + " --journals '" + dir.string() +
                                "' --day 2026-12-08 --html '" + html.string() + "' > '" +
                                (dir / "out.txt").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(dir / "out.txt");
    const std::string out{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(out.find("all            5       3         8    62.5 %"), std::string::npos) << out;
    EXPECT_TRUE(fs::file_size(html) > 1000);

    const std::string bad = std::string(RFBIND_REPORT) + " --day 2026-12-08 > /dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(bad.c_str())), 2);
    fs::remove_all(dir);
}

} // namespace
