// SPDX-License-Identifier: MIT
#include "settings/IniFile.h"
#include "support/RecordingFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <stdlib.h>
#include <sys/stat.h>

using namespace rfbind;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "rfbind-ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        path = dir / "TX.ini";
    }
    void TearDown() override { fs::remove_all(dir); }

    void put(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string contents() const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    IniFile loaded() {
        IniFile ini(path);
        EXPECT_EQ(ini.load().status, IniLoadStatus::Loaded);
        return ini;
    }

    fs::path dir;
    fs::path path;
};

} // namespace

TEST(ParseIniInteger, DecimalOrHexWithTheStationsPrefixes) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } rows[] = {
        {"56", 56},
        {"-1", -1},
        {"+7", 7},
        {"007", 7},
        {"0x1D57", 0x1D57},
        {"0X1d57", 0x1D57},
        {"$1D57", 0x1D57},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"2147483648", std::nullopt},
        {"$100000000", std::nullopt},
        {"", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"12abc", std::nullopt},
        {"1D57", std::nullopt}, // hex only with a prefix
        {"1 2", std::nullopt},
        {"--1", std::nullopt},
        {"True", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseIniInteger(row.text), row.value) << row.text;
}

TEST_F(IniFileTest, ReadsIntegersAndBooleansWithDefaults) {
    put("[TX]\nSleep=0x38\nBTY=-1\nVID=$1D57\nCPI=abc\nEmpty=\nMouseOnly=2\nKBind=0\n"
        "ResetRF=yes\n");
    IniFile ini = loaded();
    EXPECT_EQ(ini.readInteger("TX", "Sleep", 0), 56);
    EXPECT_EQ(ini.readInteger("TX", "BTY", 6), -1);
    EXPECT_EQ(ini.readInteger("TX", "VID", 0), 0x1D57);
    EXPECT_EQ(ini.readInteger("TX", "CPI", 9), 9) << "not a number";
    EXPECT_EQ(ini.readInteger("TX", "Empty", 9), 9);
    EXPECT_EQ(ini.readInteger("TX", "Absent", 9), 9);
    EXPECT_TRUE(ini.readBool("TX", "MouseOnly", false)) << "any non-zero integer is True";
    EXPECT_FALSE(ini.readBool("TX", "KBind", true));
    EXPECT_TRUE(ini.readBool("TX", "ResetRF", true)) << "not a number gives the default";
    EXPECT_FALSE(ini.readBool("TX", "ResetRF", false));
    EXPECT_EQ(ini.readString("TX", "Absent", "USB"), "USB");
}

TEST_F(IniFileTest, RewritingKeepsOrderUnknownKeysAndOtherSections) {
    put("[TX]\nCustKey1=3\nUnknownKey=keep me\nMouseOnly=1\nVID=7511\nPID=1\n"
        "[Device]\n0=1D570001\n1=1D57\n");
    IniFile ini = loaded();
    EXPECT_TRUE(ini.writeInteger("tx", "mouseonly", 0)); // same key, any letter case
    EXPECT_TRUE(ini.writeInteger("TX", "Sleep", 56));
    EXPECT_TRUE(ini.writeInteger("TX", "CustKey1", 4));
    EXPECT_TRUE(ini.writeBool("TX", "KBind", true));
    EXPECT_TRUE(ini.deleteKey("TX", "VID"));
    EXPECT_TRUE(ini.deleteKey("TX", "PID"));
    EXPECT_FALSE(ini.deleteKey("TX", "PID"));
    EXPECT_TRUE(ini.writeInteger("TX", "VID", 4660)); // a deleted key comes back at the end
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(contents(), "[TX]\nCustKey1=4\nUnknownKey=keep me\nMouseOnly=0\nSleep=56\nKBind=1\n"
                          "VID=4660\n\n\n[Device]\n0=1D570001\n1=1D57\n");
}

TEST_F(IniFileTest, DuplicateKeysReadTheFirstAndCollapseOnWrite) {
    put("[TX]\nsleep=1\nDelay=5\nSLEEP=2\nDelay=6\n");
    IniFile ini = loaded();
    EXPECT_EQ(ini.readInteger("TX", "Sleep", 0), 1) << "the first, whatever its letter case";
    ini.writeInteger("TX", "Sleep", 3);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(contents(), "[TX]\nsleep=3\nDelay=5\nDelay=6\n")
        << "keys not written stay as they were";
}

TEST_F(IniFileTest, MissingFileCreatesNothingUntilSaved) {
    IniFile ini(path);
    EXPECT_EQ(ini.load().status, IniLoadStatus::Missing);
    EXPECT_EQ(ini.readInteger("TX", "Sleep", 56), 56);
    ini.writeString("TX", "CustKey1", "3");
    ini.writeString("TX", "CustKey2", "4");
    EXPECT_FALSE(fs::exists(path));
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(contents(), "[TX]\nCustKey1=3\nCustKey2=4\n");
}

TEST_F(IniFileTest, ValuesAreRawBytes) {
    const std::string generator = "object TProdSN;  IsSN = False;  IsDate = True;end;";
    const std::string name = "\xAA\xBB Desktop = #1 ; \"x\" <<<";
    IniFile ini(path);
    ini.load();
    ASSERT_TRUE(ini.writeString("TX", "RXSNINFO", generator));
    ASSERT_TRUE(ini.writeString("TX", "PName", name));
    ASSERT_TRUE(ini.save());
    IniFile back = loaded();
    EXPECT_EQ(back.readString("TX", "RXSNINFO"), generator);
    EXPECT_EQ(back.readString("TX", "PName"), name);
}

TEST_F(IniFileTest, RefusesWritesThatWouldReadBackDifferently) {
    IniFile ini(path);
    EXPECT_FALSE(ini.writeString("TX", "PName", "two\nlines"));
    EXPECT_FALSE(ini.writeString("TX", "PName", "cr\rhere"));
    EXPECT_FALSE(ini.writeString("TX", "PName", std::string("nul\0", 4)));
    EXPECT_FALSE(ini.writeString("TX", "A=B", "1"));
    EXPECT_FALSE(ini.writeString("TX", " Sleep", "1"));
    EXPECT_FALSE(ini.writeString("TX", ";Sleep", "1"));
    EXPECT_FALSE(ini.writeString("TX", "", "1"));
    EXPECT_FALSE(ini.writeString("T]X", "Sleep", "1"));
    EXPECT_EQ(ini.text(), "");
}

TEST_F(IniFileTest, SaveReplacesLeftoversAndKeepsPermissions) {
    put("[TX]\nSleep=1\n");
    ::chmod(path.c_str(), 0640);
    std::ofstream(dir / "TX.ini.tmp") << "half a file from a save that was cut short";
    IniFile ini = loaded();
    ini.writeInteger("TX", "Sleep", 2);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(contents(), "[TX]\nSleep=2\n");
    EXPECT_FALSE(fs::exists(dir / "TX.ini.tmp"));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(IniFileTest, SaveThroughALinkUpdatesItsTarget) {
    fs::create_directory(dir / "real");
    std::ofstream(dir / "real" / "TX.ini") << "[TX]\nSleep=1\n";
    fs::create_symlink(dir / "real" / "TX.ini", path);
    IniFile ini = loaded();
    ini.writeInteger("TX", "Sleep", 2);
    ASSERT_TRUE(ini.save());
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(contents(), "[TX]\nSleep=2\n");
}

TEST_F(IniFileTest, FailuresAreValuesAndLeaveTheFileAlone) {
    // No folder to write into.
    IniFile nowhere(dir / "absent" / "TX.ini");
    nowhere.writeInteger("TX", "Sleep", 1);
    const IniSaveResult failed = nowhere.save();
    EXPECT_FALSE(failed);
    EXPECT_FALSE(failed.error.empty());

    // A file that cannot be read is not replaced by a store that lacks its other sections.
    fs::create_directory(path);
    IniFile unreadable(path);
    const IniLoadResult load = unreadable.load();
    EXPECT_EQ(load.status, IniLoadStatus::Unreadable);
    EXPECT_FALSE(load.error.empty());
    unreadable.writeInteger("TX", "Sleep", 1);
    EXPECT_FALSE(unreadable.save());
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_FALSE(fs::exists(dir / "TX.ini.tmp"));
}

TEST_F(IniFileTest, AWriteProtectedFileIsNeverReplaced) {
    // Write-protecting TX.ini is how a supervisor freezes a recipe. The rename needs only the
    // folder's permission, so the save must refuse by itself; a file without any write bit is
    // frozen even for the administrator the permission check lets through.
    for (const mode_t mode : {0444, 0400, 0555}) {
        SCOPED_TRACE(mode);
        put("[TX]\nSleep=1\n");
        ::chmod(path.c_str(), mode);
        struct stat before {};
        ::stat(path.c_str(), &before);
        IniFile ini = loaded();
        ini.writeInteger("TX", "Sleep", 2);
        const IniSaveResult saved = ini.save();
        EXPECT_FALSE(saved);
        EXPECT_NE(saved.error.find("TX.ini"), std::string::npos) << saved.error;
        EXPECT_EQ(contents(), "[TX]\nSleep=1\n");
        struct stat after {};
        ::stat(path.c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino) << "the same file, not a new one";
        EXPECT_FALSE(fs::exists(dir / "TX.ini.tmp"));
        ::chmod(path.c_str(), 0644);
    }
}

TEST_F(IniFileTest, SaveFlushesTheTextBeforeTheRenameAndTheFolderAfterIt) {
    put("[TX]\nSleep=1\n");
    test::RecordingFileSystem files;
    IniFile ini(path, files);
    ASSERT_EQ(ini.load().status, IniLoadStatus::Loaded);
    ini.writeInteger("TX", "Sleep", 2);
    ASSERT_TRUE(ini.save());
    const std::string folder = dir.filename().string() + "/";
    EXPECT_EQ(files.calls, (std::vector<std::string>{"write TX.ini.tmp", "fsync TX.ini.tmp",
                                                     "rename TX.ini.tmp TX.ini",
                                                     "fsync " + folder}));
    EXPECT_EQ(contents(), "[TX]\nSleep=2\n");
}
