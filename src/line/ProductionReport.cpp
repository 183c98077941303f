// SPDX-License-Identifier: MIT
#include "line/ProductionReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace rfbind {

namespace {

// The value at fraction q of the sorted values (nearest rank).
long long quantile(const std::vector<long long>& sorted, double q) {
    const auto rank = static_cast<std::size_t>(std::ceil(q * double(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

// A bucket width of 1, 2 or 5 times a power of ten giving at most `most` buckets.
long long niceWidth(long long span, int most) {
    for (long long power = 1;; power *= 10)
        for (long long step : {1LL, 2LL, 5LL})
            if (step * power * most >= span)
                return step * power;
}

std::string percent(double share) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f %%", share * 100.0);
    return text;
}

std::string padded(std::string s, std::size_t width, bool right = false) {
    if (s.size() >= width)
        return s;
    const std::string fill(width - s.size(), ' ');
    return right ? fill + s : s + fill;
}

} // namespace

ProductionReport ProductionReport::build(const std::vector<AttemptRecord>& attempts,
                                         const std::string& fromDay, const std::string& toDay) {
    ProductionReport report;
    report.fromDay = fromDay;
    report.toDay = toDay;
    std::map<std::string, Reason> reasons;
    std::vector<long long> cycles;
    for (const AttemptRecord& a : attempts) {
        if (a.startedAt.size() < 13)
            continue;
        const std::string day = a.startedAt.substr(0, 10);
        if (day < fromDay || day > toDay)
            continue;
        const std::string hour = day + " " + a.startedAt.substr(11, 2);
        auto count = [&a](Counts& c) { (a.passed() ? c.passed : c.failed) += 1; };
        count(report.total);
        count(report.byStation[a.station]);
        count(report.byHour[hour][a.station]);
        if (a.passed()) {
            cycles.push_back(a.durationMs);
        } else {
            const std::string code = a.reasonCode.empty() ? "unknown" : a.reasonCode;
            Reason& r = reasons[code];
            r.code = code;
            ++r.count;
            if (!a.reasonText.empty())
                r.example = a.reasonText;
        }
    }
    for (auto& [code, reason] : reasons)
        report.failures.push_back(reason);
    std::stable_sort(report.failures.begin(), report.failures.end(),
                     [](const Reason& a, const Reason& b) { return a.count > b.count; });

    if (!cycles.empty()) {
        std::sort(cycles.begin(), cycles.end());
        CycleTimes& c = report.cycle;
        c.count = cycles.size();
        c.minMs = cycles.front();
        c.maxMs = cycles.back();
        c.medianMs = quantile(cycles, 0.5);
        c.p90Ms = quantile(cycles, 0.9);
        c.meanMs = double(std::accumulate(cycles.begin(), cycles.end(), 0LL)) / double(c.count);
        const long long width = niceWidth(c.maxMs - c.minMs + 1, 12);
        const long long start = c.minMs / width * width;
        for (long long from = start; from <= c.maxMs; from += width)
            c.histogram.push_back({from, from + width, 0});
        for (long long ms : cycles)
            ++c.histogram[static_cast<std::size_t>((ms - start) / width)].count;
    }
    return report;
}

ProductionReport::Counts ProductionReport::sum(const std::map<std::string, Counts>& byStation) {
    Counts total;
    for (const auto& [station, c] : byStation) {
        total.passed += c.passed;
        total.failed += c.failed;
    }
    return total;
}

std::string ProductionReport::text() const {
    std::string out;
    auto line = [&out](const std::string& s) { out += s + "\n"; };
    auto row = [](const std::string& name, std::size_t nameWidth, const Counts& c) {
        return padded(name, nameWidth) + padded(std::to_string(c.passed), 8, true) +
               padded(std::to_string(c.failed), 8, true) +
               padded(std::to_string(c.attempts()), 10, true) + padded(percent(c.yield()), 10, true);
    };
    std::size_t stationWidth = 8;
    for (const auto& [station, c] : byStation)
        stationWidth = std::max(stationWidth, station.size() + 2);

    line("Production " + (fromDay == toDay ? fromDay : fromDay + " to " + toDay));
    line("");
    line(padded("station", stationWidth) + "  passed  failed  attempts  1st-pass");
    for (const auto& [station, c] : byStation)
        line(row(station, stationWidth, c));
    line(row("all", stationWidth, total));
    line("");

    line(padded("hour", 16) + padded("station", stationWidth) + "  passed  failed  attempts  1st-pass");
    for (const auto& [hour, stations] : byHour) {
        for (const auto& [station, c] : stations)
            line(padded(hour + "h", 16) + row(station, stationWidth, c));
        if (stations.size() > 1)
            line(padded(hour + "h", 16) + row("all", stationWidth, sum(stations)));
    }
    line("");

    line("Failures by reason");
    if (failures.empty())
        line("  none");
    for (const Reason& r : failures)
        line("  " + padded(r.code, 28) + padded(std::to_string(r.count), 6, true) +
             padded(percent(total.failed ? double(r.count) / double(total.failed) : 0.0), 10,
                    true) +
             (r.example.empty() ? "" : "   e.g. " + r.example));
    line("");

    line("Cycle time of passed units (ms)");
    if (!cycle.count) {
        line("  no passed units");
        return out;
    }
    char summary[160];
    std::snprintf(summary, sizeof summary,
                  "  n %zu   min %lld   median %lld   mean %.0f   p90 %lld   max %lld",
                  cycle.count, cycle.minMs, cycle.medianMs, cycle.meanMs, cycle.p90Ms, cycle.maxMs);
    line(summary);
    std::size_t most = 1;
    for (const Bucket& b : cycle.histogram)
        most = std::max(most, b.count);
    for (const Bucket& b : cycle.histogram) {
        const std::size_t bar = (b.count * 40 + most - 1) / most;
        line("  " + padded(std::to_string(b.fromMs), 8, true) + " - " +
             padded(std::to_string(b.toMs - 1), 8, true) + padded(std::to_string(b.count), 7, true) +
             (bar ? "  " + std::string(bar, '#') : ""));
    }
    return out;
}

} // namespace rfbind
