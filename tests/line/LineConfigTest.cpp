// SPDX-License-Identifier: MIT
#include "line/LineConfig.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace rfbind;

namespace {

struct ConfigCase {
    const char* name;
    const char* text;      // nullptr: no file
    const char* error;     // expected part of the error, or nullptr when it loads
    const char* database;
    const char* station;   // nullptr: the host name
    const char* product;
    int blockSize;

    friend void PrintTo(const ConfigCase& c, std::ostream* os) { *os << c.name; }
};

class LineConfigLoad : public testing::TestWithParam<ConfigCase> {};

TEST_P(LineConfigLoad, ReadsOrSaysWhatIsWrong) {
    const ConfigCase& c = GetParam();
    const fs::path dir = fs::temp_directory_path() / ("rfbind-lineini-" + std::string(c.name));
    fs::create_directories(dir);
    const fs::path file = dir / "Line.ini";
    fs::remove(file);
    if (c.text)
        std::ofstream(file, std::ios::binary) << c.text;

    const auto loaded = LineConfig::load(file);
    if (c.error) {
        ASSERT_FALSE(loaded.ok());
        EXPECT_EQ(loaded.error().kind, LineErrorKind::Config);
        EXPECT_NE(loaded.error().message.find(c.error), std::string::npos) << loaded.error().message;
        EXPECT_NE(loaded.error().message.find("Line.ini"), std::string::npos);
        // Every password in the cases holds "S3cret"; a value is never repeated.
        EXPECT_EQ(loaded.error().message.find("S3cret"), std::string::npos)
            << loaded.error().message;
    } else if (!c.text) {
        ASSERT_TRUE(loaded.ok());
        EXPECT_FALSE(loaded.value().has_value());
    } else {
        ASSERT_TRUE(loaded.ok()) << loaded.error().message;
        ASSERT_TRUE(loaded.value().has_value());
        const LineConfig& config = *loaded.value();
        EXPECT_EQ(config.database, c.database);
        EXPECT_EQ(config.station, c.station ? std::string(c.station) : LineConfig::hostName());
        EXPECT_EQ(config.product, c.product);
        EXPECT_EQ(config.blockSize, c.blockSize);
    }
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LineConfigLoad,
    testing::Values(
        ConfigCase{"absent", nullptr, nullptr, "", nullptr, "", 50},
        ConfigCase{"full",
                   "[Line]\r\nDatabase=postgresql://st:pw@line-db:5433/rfbind\r\n"
                   "Station=st-3\r\nProduct=mouse-a\r\nBlockSize=20\r\n",
                   nullptr, "postgresql://st:pw@line-db:5433/rfbind", "st-3", "mouse-a", 20},
        ConfigCase{"defaults", "; a comment\n[line]\ndatabase = postgres://db/x \n", nullptr,
                   "postgres://db/x", nullptr, "", 50},
        ConfigCase{"semicolon_in_password", "[Line]\nDatabase=postgresql://a:b;c@h/d\n", nullptr,
                   "postgresql://a:b;c@h/d", nullptr, "", 50},
        ConfigCase{"empty_file", "", "no Database", nullptr, nullptr, nullptr, 0},
        ConfigCase{"other_section", "[TX]\nDatabase=postgresql://h/d\n", "no Database", nullptr,
                   nullptr, nullptr, 0},
        ConfigCase{"empty_database", "[Line]\nDatabase=\n", "Database in [Line] is empty",
                   nullptr, nullptr, nullptr, 0},
        ConfigCase{"not_a_uri", "[Line]\nDatabase=host=db dbname=x\n", "postgresql://", nullptr,
                   nullptr, nullptr, 0},
        ConfigCase{"bad_uri", "[Line]\nDatabase=postgresql://h/d?nosuchoption=1\n", "cannot be used",
                   nullptr, nullptr, nullptr, 0},
        ConfigCase{"line_without_equals", "[Line]\nDatabase postgresql://h/d\n",
                   "line 2 (Database) is not key=value", nullptr, nullptr, nullptr, 0},
        ConfigCase{"broken_section", "[Line\nDatabase=postgresql://h/d\n",
                   "line 1 is not a [section]", nullptr, nullptr, nullptr, 0},
        ConfigCase{"block_zero", "[Line]\nDatabase=postgresql://h/d\nBlockSize=0\n",
                   "BlockSize must be", nullptr, nullptr, nullptr, 0},
        ConfigCase{"block_text", "[Line]\nDatabase=postgresql://h/d\nBlockSize=fifty\n",
                   "BlockSize must be", nullptr, nullptr, nullptr, 0},
        ConfigCase{"colon_for_equals", "[Line]\nDatabase: postgresql://st:S3cret@h/d\n",
                   "line 2 (Database) is not key=value", nullptr, nullptr, nullptr, 0},
        ConfigCase{"colon_for_equals_with_query",
                   "[Line]\nDatabase: postgresql://st:S3cret@h/d?sslmode=require\n",
                   "line 2 (Database) is not key=value", nullptr, nullptr, nullptr, 0},
        ConfigCase{"password_on_its_own_line",
                   "[Line]\nDatabase=postgresql://st@h/d\nS3cret-word\n",
                   "line 3 is not key=value", nullptr, nullptr, nullptr, 0},
        ConfigCase{"broken_section_of_a_password", "[S3cret\nDatabase=postgresql://h/d\n",
                   "line 1 is not a [section]", nullptr, nullptr, nullptr, 0},
        ConfigCase{"unencoded_at_in_password", "[Line]\nDatabase=postgresql://st:p@S3cret@h/d\n",
                   "%40", nullptr, nullptr, nullptr, 0},
        ConfigCase{"bad_percent_in_password",
                   "[Line]\nDatabase=postgresql://st:S3cret%zz@h/d\n", "cannot be used",
                   nullptr, nullptr, nullptr, 0},
        ConfigCase{"block_of_a_password", "[Line]\nDatabase=postgresql://h/d\nBlockSize=S3cret\n",
                   "BlockSize must be", nullptr, nullptr, nullptr, 0},
        ConfigCase{"block_huge", "[Line]\nDatabase=postgresql://h/d\nBlockSize=100001\n",
                   "BlockSize must be", nullptr, nullptr, nullptr, 0}),
    [](const testing::TestParamInfo<ConfigCase>& info) { return std::string(info.param.name); });

TEST(LineConfig, APasswordOthersMayReadIsWarnedOf) {
    struct Case {
        const char* database;
        fs::perms mode;
        bool warned;
    };
    const Case cases[] = {
        {"postgresql://st:S3cret@h/d", fs::perms::owner_read | fs::perms::group_read, true},
        {"postgresql://st:S3cret@h/d", fs::perms::owner_read | fs::perms::others_read, true},
        {"postgresql://st:S3cret@h/d", fs::perms::owner_read | fs::perms::owner_write, false},
        {"postgresql://st@h/d?password=S3cret", fs::perms::owner_read | fs::perms::group_read,
         true},
        {"postgresql://st@h/d", fs::perms::owner_read | fs::perms::others_read, false},
    };
    const fs::path dir = fs::temp_directory_path() / "rfbind-lineini-perms";
    fs::create_directories(dir);
    const fs::path file = dir / "Line.ini";
    for (const Case& c : cases) {
        fs::remove(file);
        std::ofstream(file, std::ios::binary) << "[Line]\nDatabase=" << c.database << "\n";
        fs::permissions(file, c.mode);
        const auto loaded = LineConfig::load(file);
        ASSERT_TRUE(loaded.ok() && loaded.value()) << c.database;
        const auto& warnings = loaded.value()->warnings;
        EXPECT_EQ(!warnings.empty(), c.warned) << c.database;
        for (const std::string& w : warnings) {
            EXPECT_NE(w.find("Line.ini"), std::string::npos) << w;
            EXPECT_EQ(w.find("S3cret"), std::string::npos) << w;
        }
    }
    fs::remove_all(dir);
}

TEST(LineConfig, DerivedProductNamesUsbIdAndFixedParts) {
    EXPECT_EQ(LineConfig::derivedProduct(0x1D57, 0x00AF, "4142", ""), "1D57:00AF/4142/-");
}

} // namespace
