// SPDX-License-Identifier: MIT
// rfbind-line: what a supervisor does to the line's leases by hand. Reclaiming is only ever
// done here, on purpose, never by a station.
#include "line/LineLedger.h"
#include "line/LinePools.h"
#include "text/Hex.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

using namespace rfbind;

namespace {

const char* kUsage =
    "usage: rfbind-line --db URI leases [--pool POOL]\n"
    "       rfbind-line --db URI reclaim --pool POOL --idle MINUTES\n"
    "\n"
    "leases   lists every lease that still has numbers left: its station, pool, kind, block,\n"
    "         how far the station got and when it last said so.\n"
    "reclaim  ends the pool's leases whose station has not used a number for MINUTES. Their\n"
    "         unused numbers are retired, never handed out again; a station still holding\n"
    "         one is told at its next number and leases a new block. Reclaim only the leases\n"
    "         of stations that are gone or stopped.\n"
    "Counter values are hex, as the station shows them. A pool the line does not have is an\n"
    "error.\n";

// A counter value as the station shows it: hex, a radio ID in six digits, a serial number's
// counter in whole bytes.
std::string counter(const Lease& lease, std::int64_t value) {
    const bool radioId = lease.kind == NumberKind::RxRadioId || lease.kind == NumberKind::TxRadioId;
    int digits = 2;
    while (digits < 16 && (static_cast<std::uint64_t>(value) >> (4 * digits)) != 0)
        digits += 2;
    return hexText(static_cast<std::uint64_t>(value), radioId ? 6 : digits);
}

int fail(const std::string& why) {
    std::cerr << "rfbind-line: " << why << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string database, command, pool, idle;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        }
        std::string* value = a == "--db" ? &database : a == "--pool" ? &pool
                                                     : a == "--idle" ? &idle : nullptr;
        if (value) {
            if (i + 1 >= args.size())
                return std::cerr << "rfbind-line: " << a << " needs a value\n" << kUsage, 2;
            *value = args[++i];
        } else if (command.empty() && (a == "leases" || a == "reclaim")) {
            command = a;
        } else {
            return std::cerr << "rfbind-line: unexpected " << a << "\n" << kUsage, 2;
        }
    }
    if (database.empty() || command.empty())
        return std::cerr << kUsage, 2;
    long long minutes = -1;
    if (command == "reclaim") {
        try {
            std::size_t used = 0;
            minutes = std::stoll(idle, &used);
            if (used != idle.size() || minutes < 0)
                minutes = -1;
        } catch (const std::exception&) {
        }
        if (pool.empty() || minutes < 0)
            return std::cerr << "rfbind-line: reclaim needs --pool and --idle MINUTES (0 or more)\n"
                             << kUsage,
                   2;
    }

    LineConfig config;
    config.database = database;
    // Not a station: a name of its own, so the supervisor never takes a station's place.
    config.station = "supervisor@" + LineConfig::hostName();
    auto ledger = LineLedger::connect(config);
    if (!ledger)
        return fail(ledger.error().message);
    if (!pool.empty()) {
        const auto pools = LinePools::names(database);
        if (!pools)
            return fail(pools.error().message);
        if (const std::string unknown = LinePools::unknownPool(pool, *pools); !unknown.empty())
            return fail(unknown);
    }

    if (command == "leases") {
        const auto leases = ledger->openLeases(pool);
        if (!leases)
            return fail(leases.error().message);
        std::printf("%-8s %-20s %-12s %-16s %12s %12s %12s  %-26s %s\n", "lease", "pool", "kind",
                    "station", "first", "last", "next", "last use", "reclaimed");
        for (const auto& s : *leases)
            std::printf("%-8lld %-20s %-12s %-16s %12s %12s %12s  %-26s %s\n",
                        static_cast<long long>(s.lease.id), s.lease.pool.c_str(),
                        std::string(numberKindName(s.lease.kind)).c_str(),
                        s.lease.station.c_str(), counter(s.lease, s.lease.first).c_str(),
                        counter(s.lease, s.lease.last).c_str(),
                        counter(s.lease, s.lease.nextUnused()).c_str(), s.updatedAt.c_str(),
                        s.reclaimedAt.c_str());
        return 0;
    }

    const auto reclaimed = ledger->reclaimIdle(pool, std::chrono::minutes(minutes));
    if (!reclaimed)
        return fail(reclaimed.error().message);
    for (const Lease& l : *reclaimed)
        std::printf("reclaimed lease %lld of %s (%s): %s to %s retired\n",
                    static_cast<long long>(l.id), l.station.c_str(),
                    std::string(numberKindName(l.kind)).c_str(),
                    counter(l, l.nextUnused()).c_str(), counter(l, l.last).c_str());
    std::printf("%zu lease(s) reclaimed\n", reclaimed->size());
    return 0;
}
