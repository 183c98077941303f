// SPDX-License-Identifier: MIT
#include "ReportCommandLine.h"

namespace rfbind {

namespace {

bool isDay(const std::string& s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (s[i] < '0' || s[i] > '9')
            return false;
    const int month = std::stoi(s.substr(5, 2)), day = std::stoi(s.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

} // namespace

const char* ReportCommandLine::usage() {
    return "usage: rfbind-report (--db URI | --journals DIR) [--day YYYY-MM-DD |\n"
           "                     --from YYYY-MM-DD [--to YYYY-MM-DD]] [--html FILE]\n"
           "\n"
           "First any serial number or on-air radio ID in two passed units; then units passed,\n"
           "failed and refused by the line per station and per hour, first-pass yield (refusals\n"
           "left out), failures and refusals by reason and the cycle time of passed units per\n"
           "recipe, for a day (default today) or a range of days in each station's local time.\n"
           "Reads the line's database (the view rfbind.attempts) or every Log/attempts-*.csv\n"
           "under DIR. Prints text tables; --html also writes a self-contained page with charts.\n";
}

ReportCommandLine ReportCommandLine::parse(const std::vector<std::string>& args,
                                           const std::string& today) {
    ReportCommandLine c;
    auto fail = [&c](const std::string& why) {
        c.error = why;
        return c;
    };
    std::string day;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            c.help = true;
            return c;
        }
        std::string* target = a == "--db"         ? &c.database
                              : a == "--journals" ? &c.journals
                              : a == "--day"      ? &day
                              : a == "--from"     ? &c.fromDay
                              : a == "--to"       ? &c.toDay
                              : a == "--html"     ? &c.htmlFile
                                                  : nullptr;
        if (!target)
            return fail("unknown option " + a);
        if (i + 1 >= args.size() || args[i + 1].empty())
            return fail(a + " needs a value");
        *target = args[++i];
    }
    if (c.database.empty() == c.journals.empty())
        return fail("give either --db or --journals");
    if (!day.empty() && (!c.fromDay.empty() || !c.toDay.empty()))
        return fail("give either --day or --from/--to");
    if (!day.empty())
        c.fromDay = c.toDay = day;
    if (c.fromDay.empty() && !c.toDay.empty())
        return fail("--to needs --from");
    if (c.fromDay.empty())
        c.fromDay = today;
    if (c.toDay.empty())
        c.toDay = c.fromDay;
    for (const std::string* d : {&c.fromDay, &c.toDay})
        if (!isDay(*d))
            return fail("not a day (YYYY-MM-DD): " + *d);
    if (c.toDay < c.fromDay)
        return fail("the range ends before it starts");
    return c;
}

} // namespace rfbind
