// SPDX-License-Identifier: MIT
#include "ReportCommandLine.h"

#include <gtest/gtest.h>

using namespace rfbind;

namespace {

struct ArgsCase {
    std::vector<std::string> args;
    std::string error; // part of the error; empty: accepted
    std::string from, to;
};

TEST(ReportCommandLine, AcceptsADayOrARangeFromOneSource) {
    const std::vector<ArgsCase> cases = {
        {{"--db", "postgresql://h/d"}, "", "2026-12-08", "2026-12-08"},
        {{"--journals", "x", "--day", "2026-11-30"}, "", "2026-11-30", "2026-11-30"},
        {{"--journals", "x", "--from", "2026-11-01"}, "", "2026-11-01", "2026-11-01"},
        {{"--journals", "x", "--from", "2026-11-01", "--to", "2026-11-30"}, "", "2026-11-01",
         "2026-11-30"},
        {{"--journals", "x", "--db", "postgresql://h/d"}, "either --db or --journals", "", ""},
        {{"--day", "2026-12-08"}, "either --db or --journals", "", ""},
        {{"--journals", "x", "--day", "2026-12-08", "--from", "2026-12-01"}, "either --day", "", ""},
        {{"--journals", "x", "--to", "2026-12-08"}, "--to needs --from", "", ""},
        {{"--journals", "x", "--day", "8.12.2026"}, "not a day", "", ""},
        {{"--journals", "x", "--day", "2026-13-01"}, "not a day", "", ""},
        {{"--journals", "x", "--from", "2026-12-08", "--to", "2026-12-01"}, "ends before", "", ""},
        {{"--journals"}, "needs a value", "", ""},
        {{"--journals", "x", "--colour"}, "unknown option", "", ""},
    };
    for (const auto& c : cases) {
        const auto parsed = ReportCommandLine::parse(c.args, "2026-12-08");
        if (c.error.empty()) {
            EXPECT_EQ(parsed.error, "") << c.args[0];
            EXPECT_EQ(parsed.fromDay, c.from);
            EXPECT_EQ(parsed.toDay, c.to);
        } else {
            EXPECT_NE(parsed.error.find(c.error), std::string::npos)
                << "got \"" << parsed.error << "\" for " << c.args.back();
        }
    }
}

} // namespace
