// SPDX-License-Identifier: MIT
// The HTML page of a ProductionReport: hand-written SVG, so the page needs no script, font or
// file beside it and opens the same in any browser, on a machine without network.
#include "line/ProductionReport.h"

#include "text/DisplayWidth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rfbind {

namespace {

constexpr const char* kPassColour = "#3a9d5d";
constexpr const char* kFailColour = "#d0453b";
constexpr const char* kCycleColour = "#4a78c2";
constexpr const char* kRefusedColour = "#a0a0a0";

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
    double lx = left + plotW - 100 * double(series.size());
    for (const auto& s : series) {
        svg += "<rect x=\"" + num(lx) + "\" y=\"12\" width=\"12\" height=\"12\" fill=\"" +
               s.colour + "\"/><text x=\"" + num(lx + 16) + "\" y=\"22\" class=\"tick\">" +
               escaped(s.name) + "</text>";
        lx += 100;
    }
    return svg + "</svg>\n";
}

// Horizontal bars, one per label, series stacked; `note` is written after each bar. A label
// longer than its column is wrapped onto more lines, its row made taller: a station's name is
// never cut off.
std::string bars(const std::string& title, const std::vector<std::string>& labels,
                 const std::vector<Series>& series, const std::vector<std::string>& notes) {
    // 12 px text: about 30 columns of a Latin name fit the 232 px before the bars.
    // The right margin holds the longest note ("58 / 12 · 100.0 % · 14 refused") in 11 px text.
    const double width = 1080, left = 240, right = 220, top = 40, row = 26, lineHeight = 14;
    constexpr std::size_t kLabelColumns = 30;
    std::vector<std::vector<std::string>> wrapped;
    double height = top + 20;
    for (const std::string& label : labels) {
        wrapped.push_back(wrapToWidth(label, kLabelColumns));
        height += std::max(row, lineHeight * double(wrapped.back().size()) + 12);
    }
    if (labels.empty())
        height += row;
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
    double y = top;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const auto& lines = wrapped[i];
        const double h = std::max(row, lineHeight * double(lines.size()) + 12);
        const double middle = y + h / 2;
        svg += "<text y=\"" + num(middle + 4 - lineHeight * double(lines.size() - 1) / 2) +
               "\" text-anchor=\"end\" class=\"label\">";
        for (std::size_t l = 0; l < lines.size(); ++l)
            svg += "<tspan x=\"" + num(left - 8) + "\"" +
                   (l ? " dy=\"" + num(lineHeight) + "\"" : std::string()) + ">" +
                   escaped(lines[l]) + "</tspan>";
        svg += "<title>" + escaped(labels[i]) + "</title></text>";
        double x = left;
        for (const auto& s : series) {
            const double w = s.values[i] / most * plotW;
            if (w > 0)
                svg += "<rect x=\"" + num(x) + "\" y=\"" + num(middle - (row - 8) / 2) +
                       "\" width=\"" + num(w) + "\" height=\"" + num(row - 8) + "\" fill=\"" +
                       s.colour + "\"><title>" + escaped(s.name) + " " +
                       num(s.values[i]).substr(0, num(s.values[i]).size() - 2) +
                       "</title></rect>";
            x += w;
        }
        svg += "<text x=\"" + num(x + 6) + "\" y=\"" + num(middle + 4) + "\" class=\"tick\">" +
               escaped(notes[i]) + "</text>\n";
        y += h;
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
           percent(c.yield()) + "</td><td class=\"n\">" + std::to_string(c.refused) +
           "</td></tr>\n";
}

constexpr const char* kCountsHeads =
    "<th>passed</th><th>failed</th><th>attempts</th><th>first-pass yield</th><th>refused</th>";

std::string reasonTable(const std::vector<ProductionReport::Reason>& reasons, const char* what) {
    if (reasons.empty())
        return {};
    std::string h = std::string("<table><tr><th>reason</th><th>") + what +
                    "</th><th>latest text</th></tr>\n";
    for (const auto& r : reasons)
        h += "<tr><td>" + escaped(r.code) + "</td><td class=\"n\">" + std::to_string(r.count) +
             "</td><td>" + escaped(r.example) + "</td></tr>\n";
    return h + "</table>\n";
}


// The page's head and style, up to its body.
std::string htmlHead(const std::string& period) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                    "<title>Production " + escaped(period) + "</title>\n<style>\n"
                    "body{font-family:sans-serif;margin:24px;color:#222;max-width:1100px}\n"
                    "h1{font-size:22px}h2{font-size:17px;margin-top:28px}\n"
                    "table{border-collapse:collapse;margin:8px 0}td,th{border:1px solid #ccc;"
                    "padding:3px 10px;text-align:left}td.n{text-align:right}\n"
                    ".title{font-size:15px;font-weight:bold}.tick{font-size:11px;fill:#444}"
                    ".label{font-size:12px}.grid{stroke:#e4e4e4}\n"
                    ".kpi{display:inline-block;margin:0 28px 8px 0}.kpi b{font-size:24px;"
                    "display:block}\n"
                    ".duplicates{color:#b00020;border:2px solid #b00020;background:#fdecee;"
                    "padding:4px 14px;margin:12px 0}.duplicates h2{margin-top:10px}"
                    ".duplicates td,.duplicates th{border-color:#e8a0a8}td.nw{white-space:nowrap}\n"
                    ".unique{color:#2e7d4a}\n</style>\n</head>\n<body>\n";
}

// The numbers found in two or more passed units, in red; a green line when there are none.
std::string duplicatesHtml(const std::vector<ProductionReport::Duplicate>& duplicates) {
    std::string h;
    if (duplicates.empty()) {
        h += "<p class=\"unique\">No serial number or on-air radio ID in two passed units.</p>\n";
    } else {
        h += "<div class=\"duplicates\"><h2>Duplicates: " + std::to_string(duplicates.size()) +
             " number(s) in two or more passed units</h2>\n<table><tr><th>number</th>"
             "<th>value</th><th>station</th><th>started</th><th>attempt</th></tr>\n";
        for (const ProductionReport::Duplicate& d : duplicates)
            for (const ProductionReport::Duplicate::Unit& u : d.units)
                h += "<tr><td>" + escaped(d.what) + "</td><td class=\"nw\">" + escaped(d.value) +
                     "</td><td>" + escaped(u.station) + "</td><td class=\"nw\">" +
                     escaped(u.startedAt) + "</td><td class=\"nw\">" + escaped(u.attemptId) +
                     "</td></tr>\n";
        h += "</table></div>\n";
    }
    return h;
}

// Each recipe's cycle-time histogram and summary.
std::string cyclesHtml(const std::map<std::string, ProductionReport::CycleTimes>& cycles) {
    std::string h;
    for (const auto& [recipe, cycle] : cycles) {
        std::vector<std::string> ranges;
        Series cs{"units", kCycleColour, {}};
        for (const ProductionReport::Bucket& b : cycle.histogram) {
            ranges.push_back(std::to_string(b.fromMs));
            cs.values.push_back(double(b.count));
        }
        h += columns(recipe + ": cycle time distribution (bucket start, ms)", ranges, {cs},
                     "units");
        char line[200];
        std::snprintf(line, sizeof line,
                      "<p>n %zu &nbsp; min %lld ms &nbsp; median %lld ms &nbsp; mean %.0f ms "
                      "&nbsp; p90 %lld ms &nbsp; max %lld ms</p>\n",
                      cycle.count, cycle.minMs, cycle.medianMs, cycle.meanMs, cycle.p90Ms,
                      cycle.maxMs);
        h += line;
    }
    if (cycles.empty())
        h += "<p>No passed units.</p>\n";

    return h;
}

} // namespace

std::string ProductionReport::html() const {
    const std::string period = fromDay == toDay ? fromDay : fromDay + " to " + toDay;
    std::string h = htmlHead(period);
    h += "<h1>Production " + escaped(period) + "</h1>\n";
    // A number in two units is a fault to act on today, before any statistic.
    h += duplicatesHtml(duplicates);
    h += "<div class=\"kpi\"><b>" + std::to_string(total.passed) + "</b>passed</div>";
    h += "<div class=\"kpi\"><b>" + std::to_string(total.failed) + "</b>failed</div>";
    h += "<div class=\"kpi\"><b>" + percent(total.yield()) + "</b>first-pass yield</div>";
    h += "<div class=\"kpi\"><b>" + std::to_string(total.refused) +
         "</b>refused by the line</div>";
    if (cycles.size() == 1)
        h += "<div class=\"kpi\"><b>" + std::to_string(cycles.begin()->second.medianMs) +
             " ms</b>median cycle</div>";
    h += "\n";

    std::vector<std::string> hours;
    Series pass{"passed", kPassColour, {}}, fail{"failed", kFailColour, {}},
        refuse{"refused", kRefusedColour, {}};
    for (const auto& [hour, stations] : byHour) {
        const Counts c = sum(stations);
        hours.push_back(fromDay == toDay ? hour.substr(11) + "h" : hour + "h");
        pass.values.push_back(double(c.passed));
        fail.values.push_back(double(c.failed));
        refuse.values.push_back(double(c.refused));
    }
    h += "<h2>Units per hour</h2>\n" +
         columns("Units per hour, all stations", hours, {pass, fail, refuse}, "units");

    std::vector<std::string> stations, notes;
    Series spass{"passed", kPassColour, {}}, sfail{"failed", kFailColour, {}};
    for (const auto& [station, c] : byStation) {
        stations.push_back(station);
        spass.values.push_back(double(c.passed));
        sfail.values.push_back(double(c.failed));
        char note[96];
        std::snprintf(note, sizeof note, "%zu / %zu \u00b7 %.1f %%", c.passed, c.failed,
                      c.yield() * 100.0);
        notes.push_back(note + (c.refused ? " \u00b7 " + std::to_string(c.refused) + " refused"
                                          : std::string()));
    }
    h += "<h2>Stations</h2>\n" + bars("Passed and failed per station (first-pass yield)",
                                       stations, {spass, sfail}, notes);
    h += std::string("<table><tr><th>station</th>") + kCountsHeads + "</tr>\n";
    for (const auto& [station, c] : byStation)
        h += countsRow(station, "", c);
    h += countsRow("all", "", total, true) + "</table>\n";
    h += "<p>First-pass yield: passes per attempt. A unit tried again after a FAIL counts each "
         "try. A Go the line refused (line unusable, or offline with no numbers left) wrote "
         "nothing to a unit: it is counted as refused, not as a failure.</p>\n";

    std::vector<std::string> reasons, reasonNotes;
    Series rcount{"failures", kFailColour, {}};
    for (const Reason& r : failures) {
        reasons.push_back(r.code);
        rcount.values.push_back(double(r.count));
        reasonNotes.push_back(std::to_string(r.count));
    }
    h += "<h2>Failures by reason</h2>\n" + bars("Failures by reason", reasons, {rcount}, reasonNotes);
    h += reasonTable(failures, "failures");
    h += "<h2>Refused by the line</h2>\n";
    h += refusals.empty() ? std::string("<p>None.</p>\n") : reasonTable(refusals, "refused");

    h += "<h2>Cycle time of passed units, per recipe</h2>\n";
    h += cyclesHtml(cycles);

    h += std::string("<h2>Per hour and station</h2>\n<table><tr><th>hour</th><th>station</th>") +
         kCountsHeads + "</tr>\n";
    for (const auto& [hour, byStationOfHour] : byHour)
        for (const auto& [station, c] : byStationOfHour)
            h += countsRow(hour + "h", station, c);
    h += "</table>\n</body>\n</html>\n";
    return h;
}

} // namespace rfbind
