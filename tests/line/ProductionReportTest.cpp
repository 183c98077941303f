// SPDX-License-Identifier: MIT
#include "line/ProductionReport.h"

#include "line/AttemptsJournalReader.h"
#include "text/DisplayWidth.h"

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
    ASSERT_EQ(r.cycles.size(), 1u);
    const auto& cycle = r.cycles.at("recipe not recorded");
    EXPECT_EQ(cycle.count, 5u);
    EXPECT_EQ(cycle.minMs, 4100);
    EXPECT_EQ(cycle.medianMs, 4300);
    EXPECT_EQ(cycle.p90Ms, 9000);
    EXPECT_EQ(cycle.maxMs, 9000);
    std::size_t inBuckets = 0;
    for (const auto& b : cycle.histogram) {
        inBuckets += b.count;
        EXPECT_LT(b.fromMs, b.toMs);
    }
    EXPECT_EQ(inBuckets, 5u);
    EXPECT_LE(cycle.histogram.size(), 13u);
    EXPECT_LE(cycle.histogram.front().fromMs, 4100);
    EXPECT_GT(cycle.histogram.back().toMs, 9000);

    const auto range = ProductionReport::build(sampleDay(), "2026-12-07", "2026-12-09");
    EXPECT_EQ(range.total.attempts(), 10u);
}

// A Go the line refused wrote nothing to a unit: it is neither a failure nor in the yield.
TEST(ProductionReport, GoRefusedByTheLineIsCountedApartFromFailures) {
    auto day = sampleDay();
    day.push_back(attempt("st-1", "2026-12-08T09:40:00", 20, "line_unusable"));
    day.push_back(attempt("st-1", "2026-12-08T09:41:00", 15, "line_offline"));
    day.push_back(attempt("st-2", "2026-12-08T10:30:00", 15, "line_offline"));
    const auto r = ProductionReport::build(day, "2026-12-08", "2026-12-08");
    const struct {
        const char* name;
        ProductionReport::Counts counts;
        std::size_t passed, failed, refused;
        double yield;
    } cases[] = {
        {"all", r.total, 5, 3, 3, 5.0 / 8.0},
        {"st-1", r.byStation.at("st-1"), 2, 1, 2, 2.0 / 3.0},
        {"st-2 at 10h", r.byHour.at("2026-12-08 10").at("st-2"), 2, 2, 1, 0.5},
        {"hour 09 summed", ProductionReport::sum(r.byHour.at("2026-12-08 09")), 3, 1, 2, 0.75},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.counts.passed, c.passed) << c.name;
        EXPECT_EQ(c.counts.failed, c.failed) << c.name;
        EXPECT_EQ(c.counts.refused, c.refused) << c.name;
        EXPECT_DOUBLE_EQ(c.counts.yield(), c.yield) << c.name;
    }
    for (const auto& f : r.failures)
        EXPECT_FALSE(ProductionReport::isRefusal(f.code)) << f.code;
    // A unit failed on numbers a supervisor reclaimed was written: a failure, never a refusal.
    EXPECT_FALSE(ProductionReport::isRefusal("lease_reclaimed"));
    ASSERT_EQ(r.refusals.size(), 2u);
    EXPECT_EQ(r.refusals[0].code, "line_offline");
    EXPECT_EQ(r.refusals[0].count, 2u);
    EXPECT_NE(r.text().find("all            5       3         8    62.5 %        3"),
              std::string::npos)
        << r.text();
    EXPECT_NE(r.html().find("<b>3</b>refused"), std::string::npos);
}

// Any number that must be unique, found in two passed units, is listed before everything else.
TEST(ProductionReport, NumbersInTwoPassedUnitsAreListedFirst) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> a, b; // field, value of two units
        bool bothPassed;
        std::string what, value; // empty: no duplicate
    };
    const Case cases[] = {
        {"receiver serial", {{"rxSerial", "4142-00000123"}}, {{"rxSerial", "4142-00000123"}},
         true, "receiver serial number", "4142-00000123"},
        {"transmitter serial", {{"txSerial", "4143-00000007"}}, {{"txSerial", "4143-00000007"}},
         true, "transmitter serial number", "4143-00000007"},
        // Bit 23 marks the first byte in the EEPROM; on air both are 12A5B6.
        {"radio ID with bit 23 set", {{"rxRadioId", "92A5B6"}}, {{"txRadioId", "12A5B6"}}, true,
         "on-air radio ID", "12A5B6"},
        {"same radio ID, both receivers", {{"rxRadioId", "0000AB"}}, {{"rxRadioId", "0000ab"}},
         true, "on-air radio ID", "0000AB"},
        {"one of them failed", {{"rxSerial", "4142-00000123"}}, {{"rxSerial", "4142-00000123"}},
         false, "", ""},
        {"receiver and transmitter serials may be alike", {{"rxSerial", "0001"}},
         {{"txSerial", "0001"}}, true, "", ""},
        {"distinct IDs", {{"rxRadioId", "12A5B6"}}, {{"rxRadioId", "12A5B7"}}, true, "", ""},
    };
    auto set = [](AttemptRecord& r, const std::string& field, const std::string& value) {
        (field == "rxSerial"    ? r.rxSerial
         : field == "txSerial"  ? r.txSerial
         : field == "rxRadioId" ? r.rxRadioId
                                : r.txRadioId) = value;
    };
    for (const Case& c : cases) {
        auto first = attempt("st-1", "2026-12-08T09:00:00", 4000);
        auto second = attempt("工位-2", "2026-12-08T11:00:00", 4000, c.bothPassed ? "" : "no_receiver");
        for (const auto& [field, value] : c.a)
            set(first, field, value);
        for (const auto& [field, value] : c.b)
            set(second, field, value);
        const auto r = ProductionReport::build({second, first}, "2026-12-08", "2026-12-08");
        if (c.what.empty()) {
            EXPECT_TRUE(r.duplicates.empty()) << c.name;
            EXPECT_NE(r.text().find("No serial number or on-air radio ID in two passed units"),
                      std::string::npos) << c.name;
            EXPECT_EQ(r.html().find("class=\"duplicates\""), std::string::npos) << c.name;
            continue;
        }
        ASSERT_EQ(r.duplicates.size(), 1u) << c.name;
        const auto& d = r.duplicates[0];
        EXPECT_EQ(d.what, c.what) << c.name;
        EXPECT_EQ(d.value, c.value) << c.name;
        ASSERT_EQ(d.units.size(), 2u) << c.name;
        EXPECT_EQ(d.units[0].attemptId, first.attemptId) << c.name; // oldest first
        EXPECT_EQ(d.units[1].station, "工位-2") << c.name;

        const std::string text = r.text();
        const auto listed = text.find(c.what + " " + c.value);
        EXPECT_NE(text.find("DUPLICATES"), std::string::npos) << c.name;
        EXPECT_LT(listed, text.find("station ")) << c.name << "\n" << text;
        EXPECT_NE(text.find(second.attemptId, listed), std::string::npos) << c.name;
        const std::string html = r.html();
        const auto box = html.find("<div class=\"duplicates\">");
        ASSERT_NE(box, std::string::npos) << c.name;
        EXPECT_LT(box, html.find("class=\"kpi\"")) << c.name;
        EXPECT_LT(box, html.find("<svg")) << c.name;
        EXPECT_NE(html.find(".duplicates{color:#b00020"), std::string::npos);
        EXPECT_NE(html.find(c.value, box), std::string::npos) << c.name;
    }
}

TEST(ProductionReport, EachRecipeHasItsOwnCycleTimes) {
    std::vector<AttemptRecord> day;
    for (int i = 0; i < 6; ++i) {
        day.push_back(attempt("st-1", "2026-12-08T09:0" + std::to_string(i) + ":00", 5200 + i * 10));
        day.back().product = "mouse-a";
        day.back().recipe = "00112233aabbccdd";
        day.push_back(attempt("st-2", "2026-12-08T09:1" + std::to_string(i) + ":00", 1800 + i * 10));
        day.back().product = "keyboard-b";
        day.back().recipe = "99887766ffeeddcc";
    }
    day.push_back(attempt("st-2", "2026-12-08T09:30:00", 300, "no_receiver"));
    day.back().recipe = "99887766ffeeddcc";
    const auto r = ProductionReport::build(day, "2026-12-08", "2026-12-08");
    ASSERT_EQ(r.cycles.size(), 2u);
    const auto& mouse = r.cycles.at("mouse-a, recipe 00112233aabbccdd");
    const auto& keyboard = r.cycles.at("keyboard-b, recipe 99887766ffeeddcc");
    EXPECT_EQ(mouse.count, 6u);
    EXPECT_EQ(mouse.minMs, 5200);
    EXPECT_EQ(keyboard.count, 6u);
    EXPECT_EQ(keyboard.maxMs, 1850);
    EXPECT_GT(keyboard.histogram.size(), 3u); // 1800..1850 spread out, not one bar of a mix
    const std::string text = r.text(), html = r.html();
    for (const char* recipe : {"mouse-a, recipe", "keyboard-b, recipe"}) {
        EXPECT_NE(text.find(recipe), std::string::npos) << recipe;
        EXPECT_NE(html.find(std::string(recipe)), std::string::npos) << recipe;
    }
    std::size_t charts = 0;
    for (auto at = html.find("<svg"); at != std::string::npos; at = html.find("<svg", at + 1))
        ++charts;
    EXPECT_EQ(charts, 5u); // hours, stations, reasons, two recipes
}

// Station names in any script line up in the text tables, and are never cut in the chart.
TEST(ProductionReport, StationNamesOfAnyLengthAndScriptStayReadable) {
    const std::string longName = "assembly-hall-2-line-B-pairing-station-17-night-shift";
    std::vector<AttemptRecord> day;
    for (const std::string station : {"st-1", "Prüfplatz-ü", "工位-3", longName.c_str()})
        day.push_back(attempt(station, "2026-12-08T09:00:00", 4000));
    const auto r = ProductionReport::build(day, "2026-12-08", "2026-12-08");

    std::istringstream text(r.text());
    std::string line;
    std::vector<std::size_t> widths;
    bool inTable = false;
    while (std::getline(text, line)) {
        if (line.rfind("station ", 0) == 0)
            inTable = true;
        else if (line.empty())
            inTable = false;
        if (inTable)
            widths.push_back(displayWidth(line));
    }
    ASSERT_EQ(widths.size(), 6u); // heading, four stations, all
    for (std::size_t w : widths)
        EXPECT_EQ(w, widths[0]) << r.text();

    const std::string html = r.html();
    std::string shown;
    for (auto at = html.find("<tspan"); at != std::string::npos; at = html.find("<tspan", at + 1)) {
        const auto from = html.find('>', at) + 1;
        const std::string piece = html.substr(from, html.find("</tspan>", from) - from);
        EXPECT_LE(displayWidth(piece), 30u) << piece;
        shown += piece;
    }
    EXPECT_NE(shown.find(longName), std::string::npos) << shown;
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
    EXPECT_TRUE(r.cycles.empty());
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
