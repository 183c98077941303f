// SPDX-License-Identifier: MIT
// rfbind-line: what an administrator and a supervisor do to the line's database by hand.
// Setting up the schema and the logins, and reclaiming, are only ever done here, on purpose,
// never by a station.
#include "line/LineLedger.h"
#include "line/LineMigrations.h"
#include "line/LinePools.h"
#include "text/Hex.h"

#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

using namespace rfbind;

namespace {

const char* kUsage =
    "usage: rfbind-line --db ADMIN_URI setup\n"
    "       rfbind-line --db ADMIN_URI add-station|add-supervisor|add-reader NAME\n"
    "       rfbind-line --db URI leases [--pool POOL]\n"
    "       rfbind-line --db URI reclaim --pool POOL --idle MINUTES\n"
    "\n"
    "setup       creates or updates the line's schema, owned by ADMIN_URI's login, and the\n"
    "            groups rfbind_stations, rfbind_supervisors and rfbind_readers. The only\n"
    "            command that changes the schema; run it again after updating rfbind.\n"
    "add-station NAME\n"
    "            creates the station's own login NAME (its Station= in Line.ini), reading its\n"
    "            password from one line of standard input; for a login that exists, sets its\n"
    "            password. add-supervisor and add-reader do the same for their groups.\n"
    "leases      lists every lease that still has numbers left: its station, pool, kind, block,\n"
    "            how far the station got and when it last said so (a reader's login will do).\n"
    "reclaim     ends the pool's leases whose station has not used a number for MINUTES\n"
    "            (a supervisor's login). Their unused numbers are retired, never handed out\n"
    "            again; a station still holding one is told at its next number and leases a\n"
    "            new block. Reclaim only the leases of stations that are gone or stopped.\n"
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

// A mistyped pool is said as such, not taken for a pool with nothing to do. Empty: go on.
std::string poolRefusal(const std::string& database, const std::string& pool) {
    if (pool.empty())
        return {};
    const auto pools = LinePools::names(database);
    if (!pools)
        return pools.error().message;
    return LinePools::unknownPool(pool, *pools);
}

int fail(const std::string& why) {
    std::cerr << "rfbind-line: " << why << "\n";
    return 1;
}

int usage(const std::string& why) {
    std::cerr << "rfbind-line: " << why << "\n" << kUsage;
    return 2;
}

const std::map<std::string, LineGroup> kAddCommands = {{"add-station", LineGroup::Stations},
                                                       {"add-supervisor", LineGroup::Supervisors},
                                                       {"add-reader", LineGroup::Readers}};

int addLogin(const std::string& database, const std::string& command, const std::string& name) {
    std::string password;
    if (!std::getline(std::cin, password))
        return fail("no password on standard input (one line)");
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    const auto added = LineMigrations::addLogin(database, name, kAddCommands.at(command), password);
    if (!added)
        return fail(added.error().message);
    std::printf("login %s is in %s\n", name.c_str(),
                std::string(lineGroupRole(kAddCommands.at(command))).c_str());
    return 0;
}

int listLeases(const std::string& database, const std::string& pool) {
    const auto leases = LineLedger::openLeases(database, pool);
    if (!leases)
        return fail(leases.error().message);
    std::printf("%-8s %-20s %-12s %-16s %12s %12s %12s  %-26s %s\n", "lease", "pool", "kind",
                "station", "first", "last", "next", "last use", "reclaimed");
    for (const auto& s : *leases)
        std::printf("%-8lld %-20s %-12s %-16s %12s %12s %12s  %-26s %s\n",
                    static_cast<long long>(s.lease.id), s.lease.pool.c_str(),
                    std::string(numberKindName(s.lease.kind)).c_str(), s.lease.station.c_str(),
                    counter(s.lease, s.lease.first).c_str(), counter(s.lease, s.lease.last).c_str(),
                    counter(s.lease, s.lease.nextUnused()).c_str(), s.updatedAt.c_str(),
                    s.reclaimedAt.c_str());
    return 0;
}

int reclaim(const std::string& database, const std::string& pool, const std::string& idle) {
    long long minutes = -1;
    try {
        std::size_t used = 0;
        minutes = std::stoll(idle, &used);
        if (used != idle.size() || minutes < 0)
            minutes = -1;
    } catch (const std::exception&) {
    }
    if (pool.empty() || minutes < 0)
        return usage("reclaim needs --pool and --idle MINUTES (0 or more)");
    const auto reclaimed = LineLedger::reclaimIdle(database, pool, std::chrono::minutes(minutes));
    if (!reclaimed)
        return fail(reclaimed.error().message);
    for (const Lease& l : *reclaimed)
        std::printf("reclaimed lease %lld of %s (%s): %s to %s retired\n",
                    static_cast<long long>(l.id), l.station.c_str(),
                    std::string(numberKindName(l.kind)).c_str(), counter(l, l.nextUnused()).c_str(),
                    counter(l, l.last).c_str());
    std::printf("%zu lease(s) reclaimed\n", reclaimed->size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string database, command, name, pool, idle;
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
                return usage(a + " needs a value");
            *value = args[++i];
        } else if (command.empty() && (a == "leases" || a == "reclaim" || a == "setup" ||
                                       kAddCommands.count(a))) {
            command = a;
            if (kAddCommands.count(a)) {
                if (i + 1 >= args.size())
                    return usage(a + " needs a login name");
                name = args[++i];
            }
        } else {
            return usage("unexpected " + a);
        }
    }
    if (database.empty() || command.empty())
        return std::cerr << kUsage, 2;
    if (command == "setup") {
        const auto version = LineMigrations::setup(database);
        if (!version)
            return fail(version.error().message);
        std::printf("the line's schema is at version %d\n", *version);
        return 0;
    }
    if (kAddCommands.count(command))
        return addLogin(database, command, name);
    if (const std::string refused = poolRefusal(database, pool); !refused.empty())
        return fail(refused);
    if (command == "leases")
        return listLeases(database, pool);
    return reclaim(database, pool, idle);
}
