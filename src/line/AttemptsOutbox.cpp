// SPDX-License-Identifier: MIT
#include "line/AttemptsOutbox.h"

#include "line/AttemptsJournalReader.h"
#include "line/LineLedger.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace rfbind {

namespace {

using Marks = std::map<std::string, std::size_t>;

Marks readMarks(const fs::path& file) {
    Marks marks;
    std::ifstream in(file);
    std::string name;
    std::size_t offset = 0;
    while (in >> name >> offset)
        marks[name] = offset;
    return marks;
}

// The marker is replaced whole (temporary file, flush, rename), so a kill leaves the old or
// the new one; either is safe to go on from.
std::optional<std::string> writeMarks(const fs::path& file, const Marks& marks) {
    std::string text;
    for (const auto& [name, offset] : marks)
        text += name + " " + std::to_string(offset) + "\n";
    const fs::path tmp = file.string() + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return "cannot write " + tmp.string();
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!written || !synced || std::rename(tmp.c_str(), file.c_str()) != 0)
        return "cannot write " + file.string();
    return std::nullopt;
}

std::vector<fs::path> journals(const fs::path& logFolder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(logFolder, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(ec) && name.starts_with("attempts-") && name.ends_with(".csv"))
            files.push_back(entry.path());
    }
    // attempts-YYYY-MM-DD.csv: the names sort by day.
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

AttemptsOutbox::AttemptsOutbox(fs::path stationFolder) : folder_(std::move(stationFolder)) {}

fs::path AttemptsOutbox::markerPath() const { return folder_ / "Log" / "attempts-outbox.txt"; }

LineResult<AttemptsOutbox::Report> AttemptsOutbox::sync(LineLedger& ledger, std::size_t batchSize) {
    batchSize = std::max<std::size_t>(batchSize, 1);
    Report report;
    Marks marks = readMarks(markerPath());
    for (const fs::path& file : journals(folder_ / "Log")) {
        const std::string name = file.filename().string();
        ++report.journals;
        auto read = AttemptsJournalReader::readFile(file, marks[name]);
        if (!read) {
            report.problems.push_back(read.error().message);
            continue;
        }
        for (const auto& p : read->problems)
            report.problems.push_back(name + ":" + std::to_string(p.line) + ": " + p.reason);

        const auto& entries = read->entries;
        for (std::size_t begin = 0; begin < entries.size(); begin += batchSize) {
            const std::size_t end = std::min(entries.size(), begin + batchSize);
            std::vector<AttemptRecord> batch;
            for (std::size_t i = begin; i < end; ++i) {
                batch.push_back(entries[i].record);
                // A line that carries no pool (a journal begun before the pool was journalled,
                // a Go refused before the unit had one) is stored under the line's Product.
                if (batch.back().product.empty())
                    batch.back().product = ledger.config().product;
            }
            auto stored = ledger.recordAttempts(batch);
            if (!stored) {
                LineError error = stored.error();
                if (error.kind == LineErrorKind::Refused) {
                    // A record the database cannot take would block the outbox for ever: say
                    // so and go on with the next journal; its marker stays, so it is retried.
                    report.problems.push_back(name + ": " + error.message);
                    break;
                }
                if (auto bad = writeMarks(markerPath(), marks))
                    error.message += "; " + *bad;
                return error;
            }
            report.stored += *stored;
            report.alreadyStored += batch.size() - *stored;
            marks[name] = end < entries.size() ? entries[end - 1].end : read->consumed;
        }
        if (entries.empty())
            marks[name] = read->consumed;
    }
    if (auto bad = writeMarks(markerPath(), marks))
        return LineError{LineErrorKind::Refused, *bad};
    return report;
}

LineResult<std::size_t> AttemptsOutbox::backlog() const {
    const Marks marks = readMarks(markerPath());
    std::size_t pending = 0;
    for (const fs::path& file : journals(folder_ / "Log")) {
        const auto found = marks.find(file.filename().string());
        auto read = AttemptsJournalReader::readFile(file, found == marks.end() ? 0 : found->second);
        if (!read)
            return read.error();
        pending += read->entries.size();
    }
    return pending;
}

} // namespace rfbind
