// SPDX-License-Identifier: MIT
#include "production/UnitRecords.h"

#include "production/AttemptsJournal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using namespace rfbind;
namespace fs = std::filesystem;

namespace {

/// The real file calls, with writes that can be made to fail: all of them (a full disk), or
/// by taking only the first half of the bytes (a disk that fills up in the middle).
class FailingWrites : public FileSystem {
public:
    enum class Mode { Fine, Full, Short };
    Mode mode = Mode::Fine;

    ssize_t write(int fd, const void* data, std::size_t size) override {
        if (mode == Mode::Full) {
            errno = ENOSPC;
            return -1;
        }
        if (mode == Mode::Short)
            return FileSystem::write(fd, data, size / 2);
        return FileSystem::write(fd, data, size);
    }
};

struct Folder {
    Folder() {
        char pattern[] = "/tmp/rfbind-records-XXXXXX";
        path = ::mkdtemp(pattern);
        fs::create_directory(path / "Log");
    }
    ~Folder() {
        std::error_code ignored;
        fs::permissions(path / "Log", fs::perms::owner_all, ignored);
        fs::remove_all(path, ignored);
    }
    static std::string read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    fs::path path;
};

AttemptRecord attempt(const char* id, const char* result) {
    AttemptRecord r;
    r.attemptId = id;
    r.startedAt = "2026-12-08T10:00:00.000+00:00";
    r.result = result;
    r.station = "bench-1";
    return r;
}

constexpr std::int64_t kNoon = 1796817600000; // 2026-12-09, any day will do

} // namespace

TEST(UnitRecords, ALineTheDiskTakesOnlyPartOfIsAFailureAndLeavesTheFileAsItWas) {
    const struct {
        const char* name;
        FailingWrites::Mode mode;
        std::function<ProductionLog::AppendResult(UnitRecords&)> append;
        std::function<std::string(const Folder&)> file;
    } rows[] = {
        {"log, short", FailingWrites::Mode::Short,
         [](UnitRecords& r) { return r.logPassed({"2026-12-09 12:00:00", "123456", "A-1", "B-2"}, kNoon); },
         [](const Folder& f) { return ProductionLog::path(f.path.string(), UnitRecords::localDate(kNoon)); }},
        {"log, full", FailingWrites::Mode::Full,
         [](UnitRecords& r) { return r.logPassed({"2026-12-09 12:00:00", "123456", "A-1", "B-2"}, kNoon); },
         [](const Folder& f) { return ProductionLog::path(f.path.string(), UnitRecords::localDate(kNoon)); }},
        {"journal, short", FailingWrites::Mode::Short,
         [](UnitRecords& r) { return r.journal(attempt("b", "FAIL"), kNoon); },
         [](const Folder& f) { return AttemptsJournal::path(f.path.string(), UnitRecords::localDate(kNoon)); }},
        {"journal, full", FailingWrites::Mode::Full,
         [](UnitRecords& r) { return r.journal(attempt("b", "FAIL"), kNoon); },
         [](const Folder& f) { return AttemptsJournal::path(f.path.string(), UnitRecords::localDate(kNoon)); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Folder folder;
        FailingWrites files;
        UnitRecords records(folder.path.string(), "bench-1", files);
        // A first line that fits, so "as it was" is more than an empty file.
        ASSERT_TRUE(row.append(records).ok);
        const std::string before = Folder::read(row.file(folder));
        files.mode = row.mode;
        const ProductionLog::AppendResult result = row.append(records);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(Folder::read(row.file(folder)), before);
    }
}

TEST(UnitRecords, AJournalLineThatCannotBeWrittenWaitsAndGoesOutFirstOnceItCan) {
    Folder folder;
    FailingWrites files;
    UnitRecords records(folder.path.string(), "bench-1", files);
    const std::string journal = AttemptsJournal::path(folder.path.string(), UnitRecords::localDate(kNoon));

    EXPECT_FALSE(records.whyCannotRecord(kNoon));
    files.mode = FailingWrites::Mode::Full;
    EXPECT_FALSE(records.journal(attempt("first", "PASS"), kNoon).ok);
    EXPECT_EQ(records.unwritten(), 1u);
    const auto why = records.whyCannotRecord(kNoon);
    ASSERT_TRUE(why) << "no further unit while an attempt waits";
    EXPECT_NE(why->find("No space left"), std::string::npos) << *why;

    files.mode = FailingWrites::Mode::Fine;
    EXPECT_FALSE(records.whyCannotRecord(kNoon)) << "asking writes what waited";
    EXPECT_EQ(records.unwritten(), 0u);
    ASSERT_TRUE(records.journal(attempt("second", "FAIL"), kNoon).ok);
    const std::string text = Folder::read(journal);
    const auto first = text.find("first,");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_LT(first, text.find("second,")) << "in the order the units ended";
}

TEST(UnitRecords, AStationThatCannotWriteItsLogFolderSaysWhy) {
    const struct {
        const char* name;
        std::function<void(const fs::path& log)> spoil;
        const char* says;
    } rows[] = {
        {"write-protected folder",
         [](const fs::path& log) { fs::permissions(log, fs::perms::owner_read | fs::perms::owner_exec); },
         "write-protected"},
        {"no folder", [](const fs::path& log) { fs::remove(log); }, "Log"},
        {"a file in its place",
         [](const fs::path& log) {
             fs::remove(log);
             std::ofstream(log) << "x";
         },
         "is not a folder"},
        {"today's journal frozen",
         [](const fs::path& log) {
             const fs::path journal = log / ("attempts-" + UnitRecords::localDate(kNoon) + ".csv");
             std::ofstream(journal) << "x";
             fs::permissions(journal, fs::perms::owner_read);
         },
         "attempts journal"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Folder folder;
        UnitRecords records(folder.path.string(), "bench-1");
        row.spoil(folder.path / "Log");
        const auto why = records.whyCannotRecord(kNoon);
        ASSERT_TRUE(why);
        EXPECT_NE(why->find(row.says), std::string::npos) << *why;
    }
}
