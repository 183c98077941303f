// SPDX-License-Identifier: MIT
#include "production/ProductionLog.h"
#include "support/RecordingFileSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using rfbind::ProductionLog;
namespace fs = std::filesystem;

namespace {

struct TempFolder {
    fs::path path;
    TempFolder() {
        char tmpl[] = "/tmp/rfbind-log-XXXXXX";
        path = mkdtemp(tmpl);
        fs::create_directory(path / "Log");
    }
    ~TempFolder() { fs::remove_all(path); }
};

std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(ProductionLog, LineDropsDashesFromTheNumbersAndKeepsEmptyFields) {
    struct Case {
        ProductionLog::Entry entry;
        std::string line;
    };
    const Case cases[] = {
        {{"2026-12-06 08:15:02", "123456", "1201-4142-0005", "4142-00000123"},
         "2026-12-06 08:15:02,123456,120141420005,414200000123"},
        {{"2026-12-06 23:59:59", "0A0B0C", "", "ABCDEF-012345"},
         "2026-12-06 23:59:59,0A0B0C,,ABCDEF012345"},
        {{"2026-12-07 00:00:00", "120101", "", ""}, "2026-12-07 00:00:00,120101,,"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProductionLog::line(c.entry), c.line);
}

TEST(ProductionLog, FirstPassOfTheDayCreatesTheFileAndLaterPassesAppend) {
    TempFolder t;
    const std::string file = ProductionLog::path(t.path.string(), "2026-12-06");
    EXPECT_EQ(file, t.path.string() + "/Log/2026-12-06.txt");
    ASSERT_TRUE(ProductionLog::append(file, {"2026-12-06 08:00:00", "123456", "", "AB-CD"}).ok);
    ASSERT_TRUE(ProductionLog::append(file, {"2026-12-06 08:00:12", "123457", "", "AB-CE"}).ok);
    EXPECT_EQ(contents(file),
              "2026-12-06 08:00:00,123456,,ABCD\r\n2026-12-06 08:00:12,123457,,ABCE\r\n");
}

TEST(ProductionLog, AFileThatCannotBeOpenedIsReportedWithItsPath) {
    TempFolder t;
    const std::string file = (t.path / "NoSuchFolder" / "2026-12-06.txt").string();
    const auto r = ProductionLog::append(file, {"2026-12-06 08:00:00", "123456", "", ""});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.path, file);
    EXPECT_NE(r.error.find("cannot open"), std::string::npos) << r.error;
}

TEST(ProductionLog, EachLineReachesTheDiskBeforeAppendReturns) {
    TempFolder t;
    const std::string file = ProductionLog::path(t.path.string(), "2026-12-06");
    rfbind::test::RecordingFileSystem files;
    ASSERT_TRUE(ProductionLog::append(file, {"2026-12-06 08:00:00", "123456", "", "AB"}, files).ok);
    // The day's first line also makes the new file's entry in its folder durable.
    EXPECT_EQ(files.calls, (std::vector<std::string>{"write 2026-12-06.txt",
                                                     "fsync 2026-12-06.txt", "fsync Log/"}));
    files.calls.clear();
    ASSERT_TRUE(ProductionLog::appendLine(file, "any record", files).ok);
    EXPECT_EQ(files.calls,
              (std::vector<std::string>{"write 2026-12-06.txt", "fsync 2026-12-06.txt"}));
    EXPECT_EQ(contents(file), "2026-12-06 08:00:00,123456,,AB\r\nany record\r\n");
}
