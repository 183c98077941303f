// SPDX-License-Identifier: MIT
#include "settings/StationSettings.h"

#include "commands/DeviceOptions.h"
#include "commands/HotKeys.h"
#include "settings/IniFile.h"
#include "settings/ReceiverEntries.h"
#include "settings/StoredGenerators.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <stdlib.h>

using namespace rfbind;
namespace fs = std::filesystem;

namespace {

class StationSettingsFile : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "rfbind-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        path = dir / "TX.ini";
    }
    void TearDown() override { fs::remove_all(dir); }

    IniFile iniWith(const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        IniFile ini(path);
        EXPECT_EQ(ini.load().status, IniLoadStatus::Loaded);
        return ini;
    }

    fs::path dir;
    fs::path path;
};

using Check = std::function<void(const StationSettings&)>;

struct ReadRow {
    const char* line;
    Check check;
};

} // namespace

TEST_F(StationSettingsFile, ReadRulesForEveryKind) {
    const ReadRow rows[] = {
        // Integers: decimal, 0x and $ hexadecimal; anything else is the default.
        {"Sleep=0x20", [](auto& s) { EXPECT_EQ(s.Sleep, 0x20); }},
        {"Sleep=$1f", [](auto& s) { EXPECT_EQ(s.Sleep, 0x1F); }},
        {"Sleep=40", [](auto& s) { EXPECT_EQ(s.Sleep, 40); }},
        {"Sleep=forty", [](auto& s) { EXPECT_EQ(s.Sleep, 56); }},
        {"WakeupPeriod=", [](auto& s) { EXPECT_EQ(s.WakeupPeriod, 15); }},
        {"Delay=-3", [](auto& s) { EXPECT_EQ(s.Delay, -3); }},
        // Booleans: any integer other than 0 is True.
        {"MouseOnly=0", [](auto& s) { EXPECT_FALSE(s.MouseOnly); }},
        {"MouseOnly=yes", [](auto& s) { EXPECT_TRUE(s.MouseOnly); }},
        {"TX_Erased=7", [](auto& s) { EXPECT_TRUE(s.TX_Erased); }},
        {"RX_Erased=-1", [](auto& s) { EXPECT_TRUE(s.RX_Erased); }},
        {"KBind=$0", [](auto& s) { EXPECT_FALSE(s.KBind); }},
        {"ResetRF=0", [](auto& s) { EXPECT_FALSE(s.ResetRF); }},
        // Choices: a value the list does not have is the key's default.
        {"BTY=1", [](auto& s) { EXPECT_EQ(s.BTY, 1); }},
        {"BTY=7", [](auto& s) { EXPECT_EQ(s.BTY, 7); }},
        {"BTY=9", [](auto& s) { EXPECT_EQ(s.BTY, 6); }},
        {"BTY=-1", [](auto& s) { EXPECT_EQ(s.BTY, 6); }},
        {"RFPower=1", [](auto& s) { EXPECT_EQ(s.RFPower, 1); }},
        {"RFPower=4", [](auto& s) { EXPECT_EQ(s.RFPower, 3); }},
        {"CPI=1", [](auto& s) { EXPECT_EQ(s.CPI, 1); }},
        {"CPI=2", [](auto& s) { EXPECT_EQ(s.CPI, 0); }},
        {"PowerSaving=2", [](auto& s) { EXPECT_EQ(s.PowerSaving, 2); }},
        {"PowerSaving=3", [](auto& s) { EXPECT_EQ(s.PowerSaving, 0); }},
        // Strings are kept as they are, semicolons included.
        {"PName=Desk;Set; 2", [](auto& s) { EXPECT_EQ(s.PName, "Desk;Set; 2"); }},
        {"PName=", [](auto& s) { EXPECT_EQ(s.PName, ""); }},
        // Hot keys default to what the caller's lists mark.
        {"CustKey1=$A",
         [](auto& s) {
             EXPECT_EQ(s.CustKey1, 10);
             EXPECT_EQ(s.CustKey2, 8);
         }},
        // Key names compare without letter case, as the platform's profile functions do.
        {"vid=$046D\npid=0xC52B",
         [](auto& s) {
             EXPECT_EQ(s.VID, 0x046D);
             EXPECT_EQ(s.PID, 0xC52B);
         }},
    };
    for (const ReadRow& row : rows) {
        SCOPED_TRACE(row.line);
        const IniFile ini = iniWith(std::string("[TX]\n") + row.line + "\n");
        row.check(ReadStationSettings(ini, 7, 8, 24));
    }
}

TEST_F(StationSettingsFile, AbsentKeysGiveTheDefaults) {
    const StationSettings s = ReadStationSettings(iniWith("[Device]\n0=046DC52B\n"), 7, 8, 24);
    EXPECT_EQ(s.CustKey1, 7);
    EXPECT_EQ(s.CustKey2, 8);
    EXPECT_TRUE(s.MouseOnly);
    EXPECT_TRUE(s.SoftISS);
    EXPECT_EQ(s.Sleep, 56);
    EXPECT_EQ(s.WakeupPeriod, 15);
    EXPECT_EQ(s.BTY, 6);
    EXPECT_EQ(s.VID, 0);
    EXPECT_EQ(s.PName, "USB 2.4G Wireless Desktop");
    EXPECT_EQ(s.RFPower, 3);
    EXPECT_TRUE(s.ResetRF);
    EXPECT_FALSE(s.EnabledQUVE);
}

TEST_F(StationSettingsFile, UsbIdsAreStoredOnlyAsAPair) {
    const struct {
        std::int32_t vid, pid;
        bool stored;
    } rows[] = {{0x046D, 0xC52B, true}, {0x046D, 0, false}, {0, 0xC52B, false}, {-1, 5, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.vid << "/" << row.pid);
        IniFile ini = iniWith("[TX]\nVID=1\nPID=2\nSleep=3\n");
        StationSettings s;
        s.VID = row.vid;
        s.PID = row.pid;
        WriteStationSettings(ini, s);
        EXPECT_EQ(ini.hasKey("TX", "VID"), row.stored);
        EXPECT_EQ(ini.hasKey("TX", "PID"), row.stored);
        if (row.stored) {
            EXPECT_EQ(ini.readString("TX", "PID"), std::to_string(row.pid));
        }
    }
}

TEST(ParseReceiverEntry, FirstAndLastFourCharactersAsHex) {
    const struct {
        const char* value;
        std::optional<std::pair<int, int>> ids;
    } rows[] = {
        {"046DC52B", std::pair{0x046D, 0xC52B}},
        {"046dc52b", std::pair{0x046D, 0xC52B}},
        {"1234", std::pair{0x1234, 0x1234}},
        {"12", std::pair{0x12, 0x12}},
        {"12345", std::pair{0x1234, 0x2345}},
        {"046D_C52B", std::pair{0x046D, 0xC52B}},
        {"0", std::pair{0, 0}},
        {"XYZW1234", std::nullopt},
        {"12G4ABCD", std::nullopt},
        {"12 4ABCD", std::nullopt},
        {"-123", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        const auto entry = ParseReceiverEntry(row.value);
        ASSERT_EQ(entry.has_value(), row.ids.has_value());
        if (entry) {
            EXPECT_EQ(entry->vendorId, row.ids->first);
            EXPECT_EQ(entry->productId, row.ids->second);
        }
    }
}

TEST_F(StationSettingsFile, AMalformedReceiverEntryIsListedAndTheOthersAreRead) {
    const ReceiverEntries r =
        ReadReceiverEntries(iniWith("[Device]\n0=046DC52B\n1=ZZZZ\n2=\n13=1A2B3C4D\n"));
    EXPECT_EQ(r.entries[0].vendorId, 0x046D);
    EXPECT_EQ(r.entries[0].productId, 0xC52B);
    EXPECT_EQ(r.entries[1].vendorId, 0);
    EXPECT_EQ(r.entries[2].productId, 0) << "an emptied value strikes the entry out";
    EXPECT_EQ(r.entries[5].vendorId, 0) << "an absent key is (0, 0)";
    EXPECT_EQ(r.entries[13].productId, 0x3C4D);
    ASSERT_EQ(r.malformed.size(), 1u);
    EXPECT_EQ(r.malformed[0].index, 1);
    EXPECT_EQ(r.malformed[0].key, "1");
    EXPECT_EQ(r.malformed[0].value, "ZZZZ");
}

TEST_F(StationSettingsFile, SavingTwiceInSequentialModeStoresTheSameInitialId) {
    IniFile ini(path);
    TProdSN rxSN, txSN;
    TProdRFID rxRFID, txRFID;
    rxRFID.SetIsRandom(false);
    rxRFID.SetIncInitRFID(0x123456);
    StoreGenerators(ini, rxSN, txSN, rxRFID, txRFID);
    const std::string first = ini.readString("TX", "RXRFIDINFO");
    StoreGenerators(ini, rxSN, txSN, rxRFID, txRFID);
    EXPECT_EQ(ini.readString("TX", "RXRFIDINFO"), first);
    EXPECT_EQ(first, "object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;  "
                     "IncPrevRFID = 1193045;  IncCurrentRFID = 0;end;");
}

TEST_F(StationSettingsFile, ValuesTheStationCannotShowOrProgramAreRefusedAndKeptAsStored) {
    const struct {
        std::string line;
        const char* key; // the refused key; nullptr: nothing refused
        std::string value;
    } rows[] = {
        {"VID=74565\nPID=$C52B", "VID", "74565"},
        {"VID=$046D\nPID=-1", "PID", "-1"},
        {"VID=$046D\nPID=lots", "PID", "lots"},
        {"PName=" + std::string(47, 'n'), "PName", std::string(47, 'n')},
        {"PName=M\xC3\xA4us\xE2\x82\xAC", "PName", "M\xC3\xA4us\xE2\x82\xAC"}, // UTF-8 file
        {"PName=Souris \xE9t\xE9", nullptr, ""}, // Latin-1, as the station writes it
        {"VID=$FFFF\nPID=1\nPName=" + std::string(46, 'n'), nullptr, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const std::string text = "[TX]\n" + row.line + "\nSleep=40\n";
        const StationSettings s = ReadStationSettings(iniWith(text), 7, 8, 24);
        if (!row.key) {
            EXPECT_TRUE(s.refused.empty()) << s.refused.front().key;
            continue;
        }
        ASSERT_EQ(s.refused.size(), 1u);
        EXPECT_EQ(s.refused[0].key, row.key);
        EXPECT_EQ(s.refused[0].value, row.value);
        EXPECT_FALSE(s.refused[0].reason.empty());
        if (std::string(row.key) != "PName") {
            EXPECT_EQ(std::string(row.key) == "VID" ? s.VID : s.PID, 0) << "no ID is shown";
        }

        // Saved back as stored (another key changed), not cut and not rewritten.
        StationSettings changed = s;
        changed.Sleep = 41;
        IniFile again = iniWith(text);
        WriteStationSettings(again, changed);
        const std::string saved = again.text();
        EXPECT_NE(saved.find(std::string(row.key) + "=" + row.value + "\n"), std::string::npos)
            << saved;
        EXPECT_NE(saved.find("Sleep=41\n"), std::string::npos);

        // Once the supervisor enters another value, it is saved and nothing is refused.
        StationSettings edited = s;
        edited.refused.clear();
        edited.VID = 0x1234;
        edited.PID = 0x5678;
        edited.PName = "Mouse";
        WriteStationSettings(again, edited);
        const StationSettings reread = ReadStationSettings(again, 7, 8, 24);
        EXPECT_TRUE(reread.refused.empty());
        EXPECT_EQ(reread.VID, 0x1234);
        EXPECT_EQ(reread.PName, "Mouse");
    }
}

TEST_F(StationSettingsFile, Latin1ProductNamesAreReadAsTextAndWrittenBackAsLatin1) {
    IniFile ini = iniWith("[TX]\nPName=Souris \xE9t\xE9\n");
    StationSettings s = ReadStationSettings(ini, 7, 8, 24);
    EXPECT_EQ(s.PName, "Souris \xC3\xA9t\xC3\xA9");
    s.PName = "Clavier \xC3\xA9t\xC3\xA9";
    WriteStationSettings(ini, s);
    EXPECT_EQ(ini.readString("TX", "PName"), "Clavier \xE9t\xE9");
}

TEST_F(StationSettingsFile, UnusableChoicesShowTheDefaultAndAreListed) {
    const struct {
        const char* line;
        std::function<void(const StationSettings&)> check;
        std::int32_t hotKeys = 24;
    } rows[] = {
        {"CustKey1=24", [](auto& s) { EXPECT_EQ(s.CustKey1, 7); }},
        {"CustKey2=-1", [](auto& s) { EXPECT_EQ(s.CustKey2, 8); }},
        {"CustKey1=key", [](auto& s) { EXPECT_EQ(s.CustKey1, 7); }},
        {"Sleep=300", [](auto& s) { EXPECT_EQ(s.Sleep, 56); }},
        {"WakeupPeriod=2", [](auto& s) { EXPECT_EQ(s.WakeupPeriod, 15); }},
        {"CPI=5", [](auto& s) { EXPECT_EQ(s.CPI, 0); }},
        {"CustKey1=26", [](auto& s) { EXPECT_EQ(s.CustKey1, 7); }, 26},
        // No battery level is no item of the list: the text says so rather than name a
        // "default 6" the list does not have.
        {"BTY=9", [](auto& s) { EXPECT_NE(s.replacedByDefault[0].reason.find("without a selection"), std::string::npos); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const StationSettings s = ReadStationSettings(iniWith(std::string("[TX]\n") + row.line +
                                                              "\nCustKey2=23\n"),
                                                      7, 8, row.hotKeys);
        ASSERT_EQ(s.replacedByDefault.size(), 1u);
        row.check(s);
        const std::string line = row.line;
        EXPECT_EQ(s.replacedByDefault[0].key, line.substr(0, line.find('=')));
        EXPECT_EQ(s.replacedByDefault[0].value, line.substr(line.find('=') + 1));
        EXPECT_EQ(s.replacedByDefault[0].reason.find("default 6"), std::string::npos);
        EXPECT_TRUE(s.refused.empty());
    }
}

TEST_F(StationSettingsFile, ValuesTheStationStoresItselfAreTakenWithoutAWord) {
    // A default station stores BTY=-1 (no battery level selected); a station that programmed
    // zoom receivers stores their hot keys. Each start reads them back as the station left them.
    const struct {
        const char* line;
        std::function<void(const StationSettings&)> check;
    } rows[] = {
        {"BTY=-1", [](auto& s) { EXPECT_EQ(options::batteryLevelCode(s.BTY), options::batteryLevelCode(-1)); }},
        {"CustKey1=24\nCustKey2=25",
         [](auto& s) {
             EXPECT_EQ(s.CustKey1, hotkeys::kZoomOut);
             EXPECT_EQ(s.CustKey2, hotkeys::kZoomIn);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const StationSettings s = ReadStationSettings(iniWith(std::string("[TX]\n") + row.line + "\n"), 7, 8,
                                                      static_cast<std::int32_t>(hotkeys::kHotKeys.size()));
        row.check(s);
        EXPECT_TRUE(s.replacedByDefault.empty()) << s.replacedByDefault[0].key << ": " << s.replacedByDefault[0].reason;
        EXPECT_TRUE(s.refused.empty());
    }
}

TEST_F(StationSettingsFile, ARaisedInitialSerialNumberStartsANewBatchAndNothingIsRewound) {
    const struct {
        const char* generator;
        std::int64_t next;
    } rows[] = {
        {"IncInitSN = 256;  IncPrevSN = 291;  IncCurrentSN = 291", 292},
        {"IncInitSN = 1024;  IncPrevSN = 291;  IncCurrentSN = 291", 1024}, // raised by hand
        {"IncInitSN = 1024;  IncCurrentSN = 291", 1024},
        {"IncInitSN = 16;  IncPrevSN = 291", 292}, // lowered: never rewinds
        {"IncInitSN = 256", 256},
        {"IncPrevSN = 7", 8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.generator);
        const std::string text = "object TProdSN;  IsSN = True;  IsDate = True;  "
                                 "FixSNByteCount = 2;  IncSNByteCount = 2;  " +
                                 std::string(row.generator) + ";end;";
        const StoredGenerators g =
            LoadGenerators(iniWith("[TX]\nRXSNINFO=" + text + "\nTXSNINFO=" + text + "\n"));
        EXPECT_EQ(g.RxSN->IncNextSN(), row.next);
        EXPECT_EQ(g.TxSN->IncNextSN(), row.next);
    }
}
