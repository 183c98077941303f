// SPDX-License-Identifier: MIT
#include "line/ProductionReport.h"

#include "numbering/OnAirId.h"
#include "text/DisplayWidth.h"
#include "text/Hex.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <optional>

namespace rfbind {

namespace {

using CycleTimes = ProductionReport::CycleTimes;

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

std::string padded(const std::string& s, std::size_t width, bool right = false) {
    return padToWidth(s, width, right);
}

CycleTimes cycleTimes(std::vector<long long> cycles) {
    std::sort(cycles.begin(), cycles.end());
    CycleTimes c;
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
    return c;
}

std::string recipeLabel(const AttemptRecord& a) {
    if (a.product.empty() && a.recipe.empty())
        return "recipe not recorded";
    if (a.recipe.empty())
        return a.product;
    return (a.product.empty() ? "" : a.product + ", ") + "recipe " + a.recipe;
}

// The on-air ID of a radio ID as the journal writes it (hex), or nothing when there is none.
std::optional<std::string> onAirText(const std::string& radioId) {
    if (radioId.empty() || radioId.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : radioId) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | std::uint32_t(digit);
    }
    return hexText(onAirRadioId(value), 6);
}

std::vector<ProductionReport::Reason> mostFrequentFirst(const std::map<std::string, ProductionReport::Reason>& reasons) {
    std::vector<ProductionReport::Reason> out;
    for (const auto& [code, reason] : reasons)
        out.push_back(reason);
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.count > b.count; });
    return out;
}

// The numbers found in two or more passed units, each with the units that carry it.
void appendDuplicates(std::string& out, const std::vector<ProductionReport::Duplicate>& duplicates,
                      std::size_t stationWidth) {
    auto line = [&out](const std::string& s) { out += s + "\n"; };
    if (duplicates.empty()) {
        line("No serial number or on-air radio ID in two passed units.");
        return;
    }
    line("DUPLICATES: " + std::to_string(duplicates.size()) +
         " number(s) in two or more passed units");
    for (const ProductionReport::Duplicate& d : duplicates) {
        line("  " + d.what + " " + d.value + " in " + std::to_string(d.units.size()) +
             " passed units:");
        for (const ProductionReport::Duplicate::Unit& u : d.units)
            line("    " + padded(u.station, stationWidth) + u.startedAt + "  attempt " +
                 u.attemptId);
    }
}

// Each recipe's cycle times: its summary and a histogram of hashes.
void appendCycles(std::string& out,
                  const std::map<std::string, ProductionReport::CycleTimes>& cycles) {
    auto line = [&out](const std::string& s) { out += s + "\n"; };
    if (cycles.empty()) {
        line("  no passed units");
        return;
    }
    for (const auto& [recipe, cycle] : cycles) {
        line("  " + recipe);
        char summary[160];
        std::snprintf(summary, sizeof summary,
                      "  n %zu   min %lld   median %lld   mean %.0f   p90 %lld   max %lld",
                      cycle.count, cycle.minMs, cycle.medianMs, cycle.meanMs, cycle.p90Ms,
                      cycle.maxMs);
        line(summary);
        std::size_t most = 1;
        for (const ProductionReport::Bucket& b : cycle.histogram)
            most = std::max(most, b.count);
        for (const ProductionReport::Bucket& b : cycle.histogram) {
            const std::size_t bar = (b.count * 40 + most - 1) / most;
            line("  " + padded(std::to_string(b.fromMs), 8, true) + " - " +
                 padded(std::to_string(b.toMs - 1), 8, true) +
                 padded(std::to_string(b.count), 7, true) +
                 (bar ? "  " + std::string(bar, '#') : ""));
        }
        line("");
    }
}

} // namespace

bool ProductionReport::isRefusal(const std::string& reasonCode) {
    return reasonCode == "line_unusable" || reasonCode == "line_offline";
}

ProductionReport ProductionReport::build(const std::vector<AttemptRecord>& attempts,
                                         const std::string& fromDay, const std::string& toDay) {
    ProductionReport report;
    report.fromDay = fromDay;
    report.toDay = toDay;
    std::map<std::string, Reason> reasons, refusals;
    std::map<std::string, std::vector<long long>> cycles;
    // (what, value) -> the passed units holding it, in the order the attempts came.
    std::map<std::pair<std::string, std::string>, std::vector<Duplicate::Unit>> numbers;
    std::vector<AttemptRecord> sorted;
    for (const AttemptRecord& a : attempts) {
        if (a.startedAt.size() < 13)
            continue;
        const std::string day = a.startedAt.substr(0, 10);
        if (day < fromDay || day > toDay)
            continue;
        const bool refusal = !a.passed() && isRefusal(a.reasonCode);
        const std::string hour = day + " " + a.startedAt.substr(11, 2);
        auto count = [&a, refusal](Counts& c) {
            (a.passed() ? c.passed : refusal ? c.refused : c.failed) += 1;
        };
        count(report.total);
        count(report.byStation[a.station]);
        count(report.byHour[hour][a.station]);
        if (a.passed()) {
            cycles[recipeLabel(a)].push_back(a.durationMs);
            const Duplicate::Unit unit{a.station, a.startedAt, a.attemptId};
            if (!a.rxSerial.empty())
                numbers[{"receiver serial number", a.rxSerial}].push_back(unit);
            if (!a.txSerial.empty())
                numbers[{"transmitter serial number", a.txSerial}].push_back(unit);
            for (const std::string* id : {&a.rxRadioId, &a.txRadioId})
                if (const auto onAir = onAirText(*id))
                    numbers[{"on-air radio ID", *onAir}].push_back(unit);
        } else {
            const std::string code = a.reasonCode.empty() ? "unknown" : a.reasonCode;
            Reason& r = (refusal ? refusals : reasons)[code];
            r.code = code;
            ++r.count;
            if (!a.reasonText.empty())
                r.example = a.reasonText;
        }
    }
    report.failures = mostFrequentFirst(reasons);
    report.refusals = mostFrequentFirst(refusals);
    for (auto& [key, units] : numbers) {
        if (units.size() < 2)
            continue;
        std::stable_sort(units.begin(), units.end(),
                         [](const auto& a, const auto& b) { return a.startedAt < b.startedAt; });
        report.duplicates.push_back({key.first, key.second, std::move(units)});
    }
    for (auto& [recipe, times] : cycles)
        report.cycles[recipe] = cycleTimes(std::move(times));
    return report;
}

ProductionReport::Counts ProductionReport::sum(const std::map<std::string, Counts>& byStation) {
    Counts total;
    for (const auto& [station, c] : byStation) {
        total.passed += c.passed;
        total.failed += c.failed;
        total.refused += c.refused;
    }
    return total;
}

std::string ProductionReport::text() const {
    std::string out;
    auto line = [&out](const std::string& s) { out += s + "\n"; };
    auto row = [](const std::string& name, std::size_t nameWidth, const Counts& c) {
        return padded(name, nameWidth) + padded(std::to_string(c.passed), 8, true) +
               padded(std::to_string(c.failed), 8, true) +
               padded(std::to_string(c.attempts()), 10, true) +
               padded(percent(c.yield()), 10, true) + padded(std::to_string(c.refused), 9, true);
    };
    const std::string heading = "  passed  failed  attempts  1st-pass  refused";
    std::size_t stationWidth = 8;
    for (const auto& [station, c] : byStation)
        stationWidth = std::max(stationWidth, displayWidth(station) + 2);

    line("Production " + (fromDay == toDay ? fromDay : fromDay + " to " + toDay));
    line("");
    // A number in two units is a fault in the field, not a statistic: it comes first.
    appendDuplicates(out, duplicates, stationWidth);
    line("");

    line(padded("station", stationWidth) + heading);
    for (const auto& [station, c] : byStation)
        line(row(station, stationWidth, c));
    line(row("all", stationWidth, total));
    line("");

    line(padded("hour", 16) + padded("station", stationWidth) + heading);
    for (const auto& [hour, stations] : byHour) {
        for (const auto& [station, c] : stations)
            line(padded(hour + "h", 16) + row(station, stationWidth, c));
        if (stations.size() > 1)
            line(padded(hour + "h", 16) + row("all", stationWidth, sum(stations)));
    }
    line("");

    auto reasonLines = [&line](const std::vector<Reason>& reasons, std::size_t of) {
        if (reasons.empty())
            line("  none");
        for (const Reason& r : reasons)
            line("  " + padded(r.code, 28) + padded(std::to_string(r.count), 6, true) +
                 padded(percent(of ? double(r.count) / double(of) : 0.0), 10, true) +
                 (r.example.empty() ? "" : "   e.g. " + r.example));
    };
    line("Failures by reason");
    reasonLines(failures, total.failed);
    line("");
    line("Refused by the line (nothing written to the unit; not in the yield)");
    reasonLines(refusals, total.refused);
    line("");

    line("Cycle time of passed units (ms)");
    appendCycles(out, cycles);
    return out;
}

} // namespace rfbind
