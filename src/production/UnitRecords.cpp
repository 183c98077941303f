// SPDX-License-Identifier: MIT
#include "production/UnitRecords.h"

#include "production/AttemptsJournal.h"
#include "settings/StorageCheck.h"

#include <ctime>

namespace rfbind {

namespace {

std::string localTime(std::int64_t ms, const char* format) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char out[32];
    std::strftime(out, sizeof out, format, &local);
    return out;
}

} // namespace

UnitRecords::UnitRecords(std::string folder, std::string station, FileSystem& files)
    : folder_(std::move(folder)), station_(std::move(station)), files_(files) {}

std::string UnitRecords::localDate(std::int64_t ms) { return localTime(ms, "%Y-%m-%d"); }
std::string UnitRecords::localDateTime(std::int64_t ms) { return localTime(ms, "%Y-%m-%d %H:%M:%S"); }

std::optional<std::string> UnitRecords::whyCannotRecord(std::int64_t nowMs) {
    const std::string date = localDate(nowMs);
    if (auto why = whyCannotStore(ProductionLog::path(folder_, date)))
        return "the production log: " + *why;
    if (auto why = whyCannotStore(AttemptsJournal::path(folder_, date)))
        return "the attempts journal: " + *why;
    if (const auto failed = writeBacklog(); failed && !failed->ok)
        return "the attempts journal: " + std::to_string(backlog_.size()) +
               " attempt(s) are still waiting to be written (" + failed->error + ")";
    return std::nullopt;
}

ProductionLog::AppendResult UnitRecords::logPassed(const ProductionLog::Entry& entry, std::int64_t nowMs) {
    return ProductionLog::append(ProductionLog::path(folder_, localDate(nowMs)), entry, files_);
}

ProductionLog::AppendResult UnitRecords::journal(const AttemptRecord& record, std::int64_t startedAtMs) {
    backlog_.push_back({AttemptsJournal::path(folder_, localDate(startedAtMs)), record});
    return *writeBacklog();
}

std::optional<ProductionLog::AppendResult> UnitRecords::writeBacklog() {
    std::optional<ProductionLog::AppendResult> last;
    // In the order the units ended: a line that cannot be written holds back those after it.
    while (!backlog_.empty()) {
        last = AttemptsJournal::append(backlog_.front().file, backlog_.front().record, files_);
        if (!last->ok)
            break;
        backlog_.pop_front();
    }
    return last;
}

} // namespace rfbind
