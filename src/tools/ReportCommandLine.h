// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rfbind {

/// The options of rfbind-report, read from its command line.
struct ReportCommandLine {
    std::string database;  ///< --db URI
    std::string journals;  ///< --journals DIR
    std::string fromDay;   ///< --day D, or --from D; "YYYY-MM-DD"; default today
    std::string toDay;     ///< --day D, or --to D (default: the from day)
    std::string htmlFile;  ///< --html FILE; empty: none
    bool help = false;

    /// The options, or why the arguments cannot be used (`error` set).
    static ReportCommandLine parse(const std::vector<std::string>& args, const std::string& today);
    std::string error;

    static const char* usage();
};

} // namespace rfbind
