// SPDX-License-Identifier: MIT
#include "ReportCommandLine.h"

#include "line/AttemptsJournalReader.h"
#include "line/AttemptsQuery.h"
#include "line/ProductionReport.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;
using namespace rfbind;

namespace {

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

// Every attempts journal under `dir`, read whole; unreadable records are reported on stderr
// and left out.
std::vector<AttemptRecord> readJournals(const fs::path& dir, int& problems) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (it->is_regular_file() && name.starts_with("attempts-") && name.ends_with(".csv"))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    std::vector<AttemptRecord> records;
    for (const fs::path& file : files) {
        auto read = AttemptsJournalReader::readFile(file);
        if (!read) {
            std::cerr << "rfbind-report: " << read.error().message << "\n";
            ++problems;
            continue;
        }
        for (const auto& p : read->problems) {
            std::cerr << "rfbind-report: " << file.string() << ":" << p.line << ": " << p.reason
                      << " (left out)\n";
            ++problems;
        }
        for (auto& e : read->entries)
            records.push_back(std::move(e.record));
    }
    return records;
}

} // namespace

int main(int argc, char** argv) {
    const auto options =
        ReportCommandLine::parse(std::vector<std::string>(argv + 1, argv + argc), today());
    if (options.help) {
        std::cout << ReportCommandLine::usage();
        return 0;
    }
    if (!options.error.empty()) {
        std::cerr << "rfbind-report: " << options.error << "\n" << ReportCommandLine::usage();
        return 2;
    }

    std::vector<AttemptRecord> records;
    int problems = 0;
    if (!options.journals.empty()) {
        if (!fs::is_directory(options.journals)) {
            std::cerr << "rfbind-report: " << options.journals << " is not a folder\n";
            return 1;
        }
        records = readJournals(options.journals, problems);
    } else {
        auto fetched = AttemptsQuery::fetch(options.database, options.fromDay, options.toDay);
        if (!fetched) {
            std::cerr << "rfbind-report: " << fetched.error().message << "\n";
            return 1;
        }
        records = std::move(fetched.value());
    }

    const ProductionReport report = ProductionReport::build(records, options.fromDay, options.toDay);
    std::cout << report.text();
    if (!options.htmlFile.empty()) {
        std::ofstream out(options.htmlFile, std::ios::binary | std::ios::trunc);
        out << report.html();
        out.close();
        if (!out) {
            std::cerr << "rfbind-report: cannot write " << options.htmlFile << "\n";
            return 1;
        }
    }
    if (problems)
        std::cerr << "rfbind-report: " << problems << " journal record(s) could not be read\n";
    return 0;
}
