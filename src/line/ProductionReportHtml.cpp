// SPDX-License-Identifier: MIT
// The HTML page of a ProductionReport: hand-written SVG, so the page needs no script, font or
// file beside it and opens the same in any browser, on a machine without network.
#include "line/ProductionReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rfbind {

namespace {

constexpr const char* kPassColour = "#3a9d5d";
constexpr const char* kFailColour = "#d0453b";
constexpr const char* kCycleColour = "#4a78c2";

std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

std::string percent(double share) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f&#8239;%%", share * 100.0);
    return text;
}

// A round axis maximum at or above `v`, and its tick step: 1, 2 or 5 times a power of ten.
std::pair<double, double> axis(double v) {
    if (v <= 0)
        return {1, 1};
    for (double power = 1;; power *= 10)
        for (double step : {1.0, 2.0, 5.0})
            if (step * power * 5 >= v)
                return {std::ceil(v / (step * power)) * step * power, step * power};
}

struct Series {
    std::string name;
    const char* colour;
    std::vector<double> values;
};

// Columns, one per label, with the series stacked in each.
std::string columns(const std::string& title, const std::vector<std::string>& labels,
                    const std::vector<Series>& series, const std::string& unit) {
    const double width = 1080, height = 320, left = 60, right = 20, top = 40, bottom = 70;
    const double plotW = width - left - right, plotH = height - top - bottom;
    double most = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        double total = 0;
        for (const auto& s : series)
            total += s.values[i];
        most = std::max(most, total);
    }
    const auto [top_, step] = axis(most);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) +
                      "\" height=\"" + num(height) + "\" role=\"img\" aria-label=\"" +
                      escaped(title) + "\">\n";
    svg += "<text x=\"" + num(left) + "\" y=\"22\" class=\"title\">" + escaped(title) + "</text>\n";
    for (double t = 0; t <= top_ + step / 2; t += step) {
        const double y = top + plotH - t / top_ * plotH;
        svg += "<line x1=\"" + num(left) + "\" x2=\"" + num(left + plotW) + "\" y1=\"" + num(y) +
               "\" y2=\"" + num(y) + "\" class=\"grid\"/>";
        svg += "<text x=\"" + num(left - 6) + "\" y=\"" + num(y + 4) +
               "\" text-anchor=\"end\" class=\"tick\">" + num(t).substr(0, num(t).size() - 2) +
               "</text>\n";
    }
    svg += "<text x=\"14\" y=\"" + num(top + plotH / 2) +
           "\" transform=\"rotate(-90 14 " + num(top + plotH / 2) +
           ")\" text-anchor=\"middle\" class=\"tick\">" + escaped(unit) + "</text>\n";
    const double slot = labels.empty() ? plotW : plotW / double(labels.size());
    const double barW = std::max(2.0, slot * 0.7);
    const bool slanted = labels.size() > 12;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const double x = left + slot * double(i) + (slot - barW) / 2;
        double base = top + plotH;
        std::string tip = labels[i];
        for (const auto& s : series) {
            const double h = s.values[i] / top_ * plotH;
            base -= h;
            tip += ", " + s.name + " " + num(s.values[i]).substr(0, num(s.values[i]).size() - 2);
            if (h > 0)
                svg += "<rect x=\"" + num(x) + "\" y=\"" + num(base) + "\" width=\"" + num(barW) +
                       "\" height=\"" + num(h) + "\" fill=\"" + s.colour + "\"/>";
        }
        svg += "<title>" + escaped(tip) + "</title>";
        const double lx = x + barW / 2, ly = top + plotH + 16;
        svg += "<text x=\"" + num(lx) + "\" y=\"" + num(ly) + "\" class=\"tick\" text-anchor=\"" +
               (slanted ? "end\" transform=\"rotate(-45 " + num(lx) + " " + num(ly) + ")\"" :
                          "middle\"") +
               ">" + escaped(labels[i]) + "</text>\n";
    }
    double lx = left + plotW - 200;
    for (const auto& s : series) {
        svg += "<rect x=\"" + num(lx) + "\" y=\"12\" width=\"12\" height=\"12\" fill=\"" +
               s.colour + "\"/><text x=\"" + num(lx + 16) + "\" y=\"22\" class=\"tick\">" +
               escaped(s.name) + "</text>";
        lx += 100;
    }
    return svg + "</svg>\n";
}

// Horizontal bars, one per label, series stacked; `note` is written after each bar.
std::string bars(const std::string& title, const std::vector<std::string>& labels,
                 const std::vector<Series>& series, const std::vector<std::string>& notes) {
    const double width = 1080, left = 240, right = 140, top = 40, row = 26;
    const double height = top + row * double(std::max<std::size_t>(labels.size(), 1)) + 20;
    const double plotW = width - left - right;
    double most = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        double total = 0;
        for (const auto& s : series)
            total += s.values[i];
        most = std::max(most, total);
    }
    most = std::max(most, 1.0);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) +
                      "\" height=\"" + num(height) + "\" role=\"img\" aria-label=\"" +
                      escaped(title) + "\">\n";
    svg += "<text x=\"10\" y=\"22\" class=\"title\">" + escaped(title) + "</text>\n";
    if (labels.empty())
        svg += "<text x=\"10\" y=\"" + num(top + 16) + "\" class=\"tick\">none</text>\n";
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const double y = top + row * double(i);
        svg += "<text x=\"" + num(left - 8) + "\" y=\"" + num(y + 16) +
               "\" text-anchor=\"end\" class=\"label\">" + escaped(labels[i]) + "</text>";
        double x = left;
        for (const auto& s : series) {
            const double w = s.values[i] / most * plotW;
            if (w > 0)
                svg += "<rect x=\"" + num(x) + "\" y=\"" + num(y + 4) + "\" width=\"" + num(w) +
                       "\" height=\"" + num(row - 8) + "\" fill=\"" + s.colour + "\"><title>" +
                       escaped(s.name) + " " +
                       num(s.values[i]).substr(0, num(s.values[i]).size() - 2) +
                       "</title></rect>";
            x += w;
        }
        svg += "<text x=\"" + num(x + 6) + "\" y=\"" + num(y + 16) + "\" class=\"tick\">" +
               escaped(notes[i]) + "</text>\n";
    }
    return svg + "</svg>\n";
}

std::string countsRow(const std::string& first, const std::string& second,
                      const ProductionReport::Counts& c, bool strong = false) {
    const std::string cell = strong ? "th" : "td";
    return "<tr><" + cell + ">" + escaped(first) + "</" + cell + ">" +
           (second.empty() ? "" : "<td>" + escaped(second) + "</td>") + "<td class=\"n\">" +
           std::to_string(c.passed) + "</td><td class=\"n\">" + std::to_string(c.failed) +
           "</td><td class=\"n\">" + std::to_string(c.attempts()) + "</td><td class=\"n\">" +
           percent(c.yield()) + "</td></tr>\n";
}

} // namespace

std::string ProductionReport::html() const {
    const std::string period = fromDay == toDay ? fromDay : fromDay + " to " + toDay;
    std::string h = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                    "<title>Production " + escaped(period) + "</title>\n<style>\n"
                    "body{font-family:sans-serif;margin:24px;color:#222;max-width:1100px}\n"
                    "h1{font-size:22px}h2{font-size:17px;margin-top:28px}\n"
                    "table{border-collapse:collapse;margin:8px 0}td,th{border:1px solid #ccc;"
                    "padding:3px 10px;text-align:left}td.n{text-align:right}\n"
                    ".title{font-size:15px;font-weight:bold}.tick{font-size:11px;fill:#444}"
                    ".label{font-size:12px}.grid{stroke:#e4e4e4}\n"
                    ".kpi{display:inline-block;margin:0 28px 8px 0}.kpi b{font-size:24px;"
                    "display:block}\n</style>\n</head>\n<body>\n";
    h += "<h1>Production " + escaped(period) + "</h1>\n";
    h += "<div class=\"kpi\"><b>" + std::to_string(total.passed) + "</b>passed</div>";
    h += "<div class=\"kpi\"><b>" + std::to_string(total.failed) + "</b>failed</div>";
    h += "<div class=\"kpi\"><b>" + percent(total.yield()) + "</b>first-pass yield</div>";
    h += "<div class=\"kpi\"><b>" + (cycle.count ? std::to_string(cycle.medianMs) : "-") +
         " ms</b>median cycle</div>\n";

    std::vector<std::string> hours;
    Series pass{"passed", kPassColour, {}}, fail{"failed", kFailColour, {}};
    for (const auto& [hour, stations] : byHour) {
        const Counts c = sum(stations);
        hours.push_back(fromDay == toDay ? hour.substr(11) + "h" : hour + "h");
        pass.values.push_back(double(c.passed));
        fail.values.push_back(double(c.failed));
    }
    h += "<h2>Units per hour</h2>\n" + columns("Units per hour, all stations", hours, {pass, fail}, "units");

    std::vector<std::string> stations, notes;
    Series spass{"passed", kPassColour, {}}, sfail{"failed", kFailColour, {}};
    for (const auto& [station, c] : byStation) {
        stations.push_back(station);
        spass.values.push_back(double(c.passed));
        sfail.values.push_back(double(c.failed));
        char note[64];
        std::snprintf(note, sizeof note, "%zu / %zu   %.1f %%", c.passed, c.failed,
                      c.yield() * 100.0);
        notes.push_back(note);
    }
    h += "<h2>Stations</h2>\n" + bars("Passed and failed per station (first-pass yield)",
                                       stations, {spass, sfail}, notes);
    h += "<table><tr><th>station</th><th>passed</th><th>failed</th><th>attempts</th>"
         "<th>first-pass yield</th></tr>\n";
    for (const auto& [station, c] : byStation)
        h += countsRow(station, "", c);
    h += countsRow("all", "", total, true) + "</table>\n";
    h += "<p>First-pass yield: passes per attempt. A unit tried again after a FAIL counts each "
         "try.</p>\n";

    std::vector<std::string> reasons, reasonNotes;
    Series rcount{"failures", kFailColour, {}};
    for (const Reason& r : failures) {
        reasons.push_back(r.code);
        rcount.values.push_back(double(r.count));
        reasonNotes.push_back(std::to_string(r.count));
    }
    h += "<h2>Failures by reason</h2>\n" + bars("Failures by reason", reasons, {rcount}, reasonNotes);
    if (!failures.empty()) {
        h += "<table><tr><th>reason</th><th>failures</th><th>latest text</th></tr>\n";
        for (const Reason& r : failures)
            h += "<tr><td>" + escaped(r.code) + "</td><td class=\"n\">" + std::to_string(r.count) +
                 "</td><td>" + escaped(r.example) + "</td></tr>\n";
        h += "</table>\n";
    }

    h += "<h2>Cycle time of passed units</h2>\n";
    if (cycle.count) {
        std::vector<std::string> ranges;
        Series cs{"units", kCycleColour, {}};
        for (const Bucket& b : cycle.histogram) {
            ranges.push_back(std::to_string(b.fromMs));
            cs.values.push_back(double(b.count));
        }
        h += columns("Cycle time distribution (bucket start, ms)", ranges, {cs}, "units");
        char line[200];
        std::snprintf(line, sizeof line,
                      "<p>n %zu &nbsp; min %lld ms &nbsp; median %lld ms &nbsp; mean %.0f ms "
                      "&nbsp; p90 %lld ms &nbsp; max %lld ms</p>\n",
                      cycle.count, cycle.minMs, cycle.medianMs, cycle.meanMs, cycle.p90Ms,
                      cycle.maxMs);
        h += line;
    } else {
        h += "<p>No passed units.</p>\n";
    }

    h += "<h2>Per hour and station</h2>\n<table><tr><th>hour</th><th>station</th><th>passed</th>"
         "<th>failed</th><th>attempts</th><th>first-pass yield</th></tr>\n";
    for (const auto& [hour, byStationOfHour] : byHour)
        for (const auto& [station, c] : byStationOfHour)
            h += countsRow(hour + "h", station, c);
    h += "</table>\n</body>\n</html>\n";
    return h;
}

} // namespace rfbind
