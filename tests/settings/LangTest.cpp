// SPDX-License-Identifier: MIT
#include "settings/Lang.h"

#include <gtest/gtest.h>

#include <ostream>

#include <optional>
#include <string>

using namespace rfbind;

namespace {

struct Sample {
    int id;
    const char* eng;
    const char* cht;
    const char* chs;
};

void PrintTo(const Sample& s, std::ostream* os) {
    *os << "id " << s.id;
}

class LangMessageText : public ::testing::TestWithParam<Sample> {};

// A sample across the table: the odd ones (a mnemonic, a full-width colon, mixed scripts, a
// text that is equal in two languages, the spelling mistake the stations show) and the ends.
TEST_P(LangMessageText, GivesTheTextOfEachLanguage) {
    const Sample s = GetParam();
    EXPECT_STREQ(MessageText(s.id, lkEng), s.eng);
    EXPECT_STREQ(MessageText(s.id, lkCht), s.cht);
    EXPECT_STREQ(MessageText(s.id, lkChs), s.chs);
}

INSTANTIATE_TEST_SUITE_P(
    Lang, LangMessageText,
    ::testing::Values(
        Sample{0, "USB Info.", "USB資訊", "USB信息"}, Sample{3, "&Connect", "連線(&C)", "对码(&C)"},
        Sample{4, "&Connecting", "連線中(&C)", "对码中(&C)"},
        Sample{6, "Connect Fail", "連線失敗", "对码失败"}, Sample{17, "High", "高", "高"},
        Sample{21, "Enable (L+R+M) buttons wakeup", "啟用省電模式並以 (L+R+M) 按鍵時喚醒",
               "启用省电模式并以 (L+R+M) 按键时唤醒"},
        Sample{25, "Mouse Bettery Low Level", "滑鼠電池低壓告警設定", "鼠标电池低电压指示设定"},
        Sample{36, "Please Check Device:", "請檢查以下裝置：", "请检查以下装置："},
        Sample{37, "Go", "設定", "设定"},
        Sample{41, "Show(Save)/Hide(Don't Save)", "顯示【儲存信息】/隱藏【不儲存信息】",
               "显示【储存信息】/隐藏【不储存信息】"},
        Sample{54, "Keyboard + Mouse", "鍵盤+滑鼠", "键盘+滑鼠"},
        Sample{55, "Program will skip values that reserved for system.",
               "自訂ID時軟件將自動跳過系統保留數值", "自订ID时软件将自动跳过系统保留数值"}));

TEST(Lang, EveryIdInUseHasThreeTextsAndTheUnusedOnesNone) {
    for (int id = 0; id <= 55; ++id) {
        const bool unused = id == 1 || id == 26 || (id >= 31 && id <= 35);
        for (TLanguateKind lang : {lkEng, lkCht, lkChs}) {
            const char* text = MessageText(id, lang);
            if (unused) {
                EXPECT_EQ(text, nullptr) << "id " << id;
            } else {
                ASSERT_NE(text, nullptr) << "id " << id << " language " << int(lang);
                EXPECT_NE(std::string(text), "") << "id " << id;
            }
        }
    }
    // The run-failure, erase, line and slot texts follow after a gap.
    for (int id = 60; id <= 81; ++id)
        for (TLanguateKind lang : {lkEng, lkCht, lkChs})
            EXPECT_NE(MessageText(id, lang), nullptr) << "id " << id << " language " << int(lang);
    EXPECT_EQ(MessageText(56, lkEng), nullptr);
    EXPECT_EQ(MessageText(59, lkEng), nullptr);
    EXPECT_EQ(MessageText(82, lkEng), nullptr);
    EXPECT_EQ(MessageText(-1, lkEng), nullptr);
    EXPECT_EQ(MessageText(0, static_cast<TLanguateKind>(3)), nullptr);
}

// A gang station's slot texts: in every language, with each of the placeholders the slot
// fills in (once, and none beyond them), the Chinese ones translated, the English ones worded
// as the slots have always shown them.
TEST(Lang, SlotTextsInEveryLanguageKeepTheirPlaceholders) {
    struct Case {
        int id;
        int placeholders;
        const char* english;
    };
    const Case cases[] = {
        {76, 6,
         "Slot %1: the unit passed, but its line could not be written to %2 (%3). Write it down "
         "by hand: radio ID %4, serial numbers %5 / %6."},
        {77, 3,
         "Slot %1: the receiver \"%2\" is plugged in, but this user is not allowed to use it "
         "(%3). The station's device rule 70-rfbind.rules is missing."},
        {78, 2, "Slot %1: the numbering could not be stored: %2"},
        {79, 3, "Slot %1: no unit is programmed while the station cannot %2: %3."},
        {80, 0, "store its numbering"},
        {81, 0, "write down its units"},
    };
    for (const TLanguateKind lang : {lkEng, lkCht, lkChs}) {
        for (const Case& c : cases) {
            SCOPED_TRACE("id " + std::to_string(c.id) + " language " + LanguageName(lang));
            const char* text = MessageText(c.id, lang);
            ASSERT_NE(text, nullptr);
            const std::string t = text;
            EXPECT_FALSE(t.empty());
            if (lang == lkEng) {
                EXPECT_EQ(t, c.english);
            } else {
                EXPECT_NE(t, MessageText(c.id, lkEng));
            }
            for (int n = 1; n <= c.placeholders + 1; ++n) {
                const std::string mark = "%" + std::to_string(n);
                const auto first = t.find(mark);
                if (n > c.placeholders) {
                    EXPECT_EQ(first, std::string::npos) << mark;
                } else {
                    ASSERT_NE(first, std::string::npos) << mark;
                    EXPECT_EQ(t.find(mark, first + 1), std::string::npos) << mark << " twice";
                }
            }
        }
    }
    // The two Chinese languages are written each in its own characters.
    for (const Case& c : cases)
        EXPECT_STRNE(MessageText(c.id, lkCht), MessageText(c.id, lkChs)) << "id " << c.id;
}

TEST(Lang, LanguageNamesAreTheStoredForms) {
    EXPECT_STREQ(LanguageName(lkEng), "lkEng");
    EXPECT_STREQ(LanguageName(lkCht), "lkCht");
    EXPECT_STREQ(LanguageName(lkChs), "lkChs");
}

struct Stored {
    const char* text;
    std::optional<TLanguateKind> language;
};

void PrintTo(const Stored& s, std::ostream* os) {
    *os << '"' << s.text << '"';
}

class LangParse : public ::testing::TestWithParam<Stored> {};

TEST_P(LangParse, AcceptsTheNamesAndTheirThreeLetterFormInAnyCase) {
    EXPECT_EQ(ParseLanguageName(GetParam().text), GetParam().language) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Lang, LangParse,
    ::testing::Values(Stored{"lkEng", lkEng}, Stored{"lkCht", lkCht}, Stored{"lkChs", lkChs},
                      Stored{"LKCHT", lkCht}, Stored{"lkchs", lkChs}, Stored{"cht", lkCht},
                      Stored{"ENG", lkEng}, Stored{"Chs", lkChs}, Stored{"Chinese", std::nullopt},
                      Stored{"", std::nullopt}, Stored{"lk", std::nullopt},
                      Stored{"lkEn", std::nullopt}, Stored{"en", std::nullopt},
                      Stored{"lkEng ", std::nullopt}, Stored{" lkEng", std::nullopt},
                      Stored{"kEng", std::nullopt}, Stored{"lklkEng", std::nullopt},
                      Stored{"deu", std::nullopt}));

struct CodePage {
    int codePage;
    TLanguateKind preselected;
};

void PrintTo(const CodePage& c, std::ostream* os) {
    *os << c.codePage;
}

class LangPreselection : public ::testing::TestWithParam<CodePage> {};

TEST_P(LangPreselection, FollowsTheCodePageGroups) {
    EXPECT_EQ(PreselectedLanguage(GetParam().codePage), GetParam().preselected)
        << GetParam().codePage;
}

// Simplified Chinese systems are offered English, Traditional ones Traditional, every other
// system Simplified Chinese: the stations' own rule, kept as it is.
INSTANTIATE_TEST_SUITE_P(
    Lang, LangPreselection,
    ::testing::Values(CodePage{936, lkEng}, CodePage{10008, lkEng}, CodePage{50935, lkEng},
                      CodePage{51936, lkEng}, CodePage{52936, lkEng}, CodePage{950, lkCht},
                      CodePage{10002, lkCht}, CodePage{20000, lkCht}, CodePage{20002, lkCht},
                      CodePage{50937, lkCht}, CodePage{1252, lkChs}, CodePage{65001, lkChs},
                      CodePage{54936, lkChs}, CodePage{932, lkChs}, CodePage{0, lkChs}));

struct Locale {
    const char* name;
    int codePage;
};

void PrintTo(const Locale& l, std::ostream* os) {
    *os << '"' << l.name << '"';
}

class LangLocale : public ::testing::TestWithParam<Locale> {};

TEST_P(LangLocale, MapsToTheCodePageOfItsScriptOrCharacterSet) {
    EXPECT_EQ(CodePageForLocale(GetParam().name), GetParam().codePage) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Lang, LangLocale,
    ::testing::Values(Locale{"zh_CN.UTF-8", 936}, Locale{"zh_CN.GB18030", 936},
                      Locale{"zh_SG.UTF-8", 936}, Locale{"zh_CN", 936}, Locale{"zh", 936},
                      Locale{"zh_TW.UTF-8", 950}, Locale{"zh_TW.Big5", 950},
                      Locale{"zh_HK.UTF-8", 950}, Locale{"zh_MO.UTF-8", 950},
                      Locale{"zh_tw.utf8", 950}, Locale{"en_US.UTF-8", 65001},
                      Locale{"de_DE.utf8@euro", 65001}, Locale{"de_DE.ISO-8859-15@euro", 28605},
                      Locale{"en_US.ISO-8859-1", 28591}, Locale{"pl_PL.ISO-8859-2", 28592},
                      Locale{"en_US", 28591}, Locale{"ja_JP.EUC-JP", 20932},
                      Locale{"ru_RU.KOI8-R", 20866}, Locale{"en_US.CP1252", 1252},
                      Locale{"C", 20127}, Locale{"POSIX", 20127}, Locale{"", 20127},
                      Locale{"C.UTF-8", 65001}, Locale{"xx_YY.SOMETHING", 65001}));

} // namespace
