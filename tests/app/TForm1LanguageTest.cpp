// SPDX-License-Identifier: MIT
#include "StationFixture.h"
#include "settings/Lang.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

using rfbind::lkChs;
using rfbind::lkCht;
using rfbind::lkEng;
using rfbind::TLanguateKind;
using rfbind::test::StationFixture;

namespace {

/// Sets the locale variables for one test and puts the previous ones back afterwards.
class LocaleScope {
public:
    explicit LocaleScope(std::map<std::string, std::string> values) {
        for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            if (const char* old = std::getenv(name))
                saved_[name] = old;
            const auto it = values.find(name);
            if (it != values.end())
                setenv(name, it->second.c_str(), 1);
            else
                unsetenv(name);
        }
    }
    ~LocaleScope() {
        for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const auto it = saved_.find(name);
            if (it != saved_.end())
                setenv(name, it->second.c_str(), 1);
            else
                unsetenv(name);
        }
    }

private:
    std::map<std::string, std::string> saved_;
};

QString captionOf(const QWidget* w) {
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    return qobject_cast<const QLabel*>(w)->text();
}

/// Every caption the language replaces, with its message.
const std::vector<std::pair<const char*, int>> kCaptions = {{"gbSysStatus", 0},
                                                            {"btnCombo_Cmd_Soft_Bind_SW", 3},
                                                            {"gbCustKey", 7},
                                                            {"lblHK1", 8},
                                                            {"lblHK2", 9},
                                                            {"lblRFPower", 39},
                                                            {"cbResetRF", 40},
                                                            {"gbISS", 10},
                                                            {"rbRF_DR_15", 11},
                                                            {"rbRF_DR_1A", 12},
                                                            {"gbWKUP", 13},
                                                            {"rbRF_DR_25", 14},
                                                            {"rbRF_DR_2A", 15},
                                                            {"gbCPI", 16},
                                                            {"rbRF_CPI_H", 17},
                                                            {"rbRF_CPI_L", 18},
                                                            {"gbNL", 19},
                                                            {"rbRF_DR_45", 20},
                                                            {"rbRF_DR_4A", 21},
                                                            {"rbRF_DR_4F", 22},
                                                            {"gbPO_BIND", 24},
                                                            {"rbRF_DR_55", 12},
                                                            {"rbRF_DR_5A", 11},
                                                            {"gbBTY", 25},
                                                            {"btnGo", 37},
                                                            {"cbKeyboardbind", 23},
                                                            {"gbVIDPID", 29},
                                                            {"lblStrDesc", 30},
                                                            {"btnEEPROM_R_VID", 27},
                                                            {"btnEEPROM_R_PID", 27},
                                                            {"btnEEPROM_R_20", 27},
                                                            {"btnEEPROM_W_VID", 28},
                                                            {"btnEEPROM_W_PID", 28},
                                                            {"btnEEPROM_W_20", 28},
                                                            {"lblHotKey", 38},
                                                            {"cbRX_IsSN", 41},
                                                            {"cbRX_IsDate", 42},
                                                            {"lblRX_FixSN", 43},
                                                            {"lblRX_IncSN", 44},
                                                            {"lblRX_FixSNByte", 45},
                                                            {"lblRX_IncSNByte", 45},
                                                            {"lblRX_FixSNV", 46},
                                                            {"lblRX_IncInitSN", 47},
                                                            {"lblRX_IncCurrentSN", 48},
                                                            {"lblRX_IncNextSN", 49},
                                                            {"cbTX_IsSN", 41},
                                                            {"cbTX_IsDate", 42},
                                                            {"lblTX_FixSN", 43},
                                                            {"lblTX_IncSN", 44},
                                                            {"lblTX_FixSNByte", 45},
                                                            {"lblTX_IncSNByte", 45},
                                                            {"lblTX_FixSNV", 46},
                                                            {"lblTX_IncInitSN", 47},
                                                            {"lblTX_IncCurrentSN", 48},
                                                            {"lblTX_IncNextSN", 49},
                                                            {"rbRX_RandomRFID", 50},
                                                            {"rbRX_CustomRFID", 51},
                                                            {"lblRX_IncInitRFID", 47},
                                                            {"lblRX_IncCurrentRFID", 48},
                                                            {"lblRX_IncNextRFID", 49},
                                                            {"rbTX_RandomRFID", 50},
                                                            {"rbTX_CustomRFID", 51},
                                                            {"lblTX_IncInitRFID", 47},
                                                            {"lblTX_IncCurrentRFID", 48},
                                                            {"lblTX_IncNextRFID", 49},
                                                            {"lblRFIDNOTE", 55},
                                                            {"gbRXType", 52},
                                                            {"rbMouseOnly", 53},
                                                            {"rbKbdMse", 54}};

struct LanguageCase {
    const char* stored;
    TLanguateKind language;
    int custKeyLeft;
    const char* go; // one caption spelled out, so the table itself is checked too
};

void PrintTo(const LanguageCase& c, std::ostream* os) {
    *os << c.stored;
}

class TForm1Captions : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(TForm1Captions, StartUpAppliesEveryCaptionOfTheStoredLanguage) {
    const LanguageCase c = GetParam();
    StationFixture f;
    f.languages.stored = QString(c.stored);
    auto& form = f.create();
    EXPECT_EQ(form.currentLanguage(), c.language);
    EXPECT_EQ(f.child<QComboBox>("cbbLang")->currentIndex(), int(c.language));
    for (const auto& [name, id] : kCaptions) {
        auto* w = f.child<QWidget>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(captionOf(w), QString::fromUtf8(rfbind::MessageText(id, c.language)))
            << name << " (message " << id << ")";
    }
    EXPECT_EQ(f.child<QAbstractButton>("btnGo")->text(), QString::fromUtf8(c.go));
    EXPECT_EQ(f.child<QWidget>("cbCustKey1")->x(), c.custKeyLeft);
    EXPECT_EQ(f.child<QWidget>("cbCustKey2")->x(), c.custKeyLeft);
    // Captions outside the language's list keep the layout's own words.
    EXPECT_EQ(f.child<QAbstractButton>("btnEEPROM_R_15")->text(), "R");
    EXPECT_EQ(f.child<QGroupBox>("EraseEEPROM")->title(), "Erase EEPROM");
}

INSTANTIATE_TEST_SUITE_P(TForm1Language, TForm1Captions,
                         ::testing::Values(LanguageCase{"lkEng", lkEng, 65, "Go"},
                                           LanguageCase{"lkCht", lkCht, 65, "設定"},
                                           LanguageCase{"lkChs", lkChs, 90, "设定"}));

struct StoredCase {
    std::optional<const char*> stored;
    bool asked;
    TLanguateKind language;
    const char* storedAfter;
};

void PrintTo(const StoredCase& c, std::ostream* os) {
    *os << (c.stored ? *c.stored : "(none)");
}

class TForm1StoredLanguage : public ::testing::TestWithParam<StoredCase> {};

TEST_P(TForm1StoredLanguage, AsksOnlyWhenTheStoredValueNamesNoLanguage) {
    const StoredCase c = GetParam();
    // A system outside both Chinese groups: the dialog offers Simplified Chinese.
    const LocaleScope locale(std::map<std::string, std::string>{{"LANG", "en_US.UTF-8"}});
    StationFixture f;
    f.languages.stored = c.stored ? std::optional<QString>(*c.stored) : std::nullopt;
    auto& form = f.create();
    EXPECT_EQ(f.dialogs.languagePrompts, c.asked ? 1 : 0);
    EXPECT_EQ(form.currentLanguage(), c.language);
    ASSERT_TRUE(f.languages.stored.has_value());
    EXPECT_EQ(*f.languages.stored, c.storedAfter) << "a usable value is left as it was";
}

INSTANTIATE_TEST_SUITE_P(TForm1Language, TForm1StoredLanguage,
                         ::testing::Values(StoredCase{"lkCht", false, lkCht, "lkCht"},
                                           StoredCase{"cht", false, lkCht, "cht"},
                                           StoredCase{"ENG", false, lkEng, "ENG"},
                                           StoredCase{"LKCHS", false, lkChs, "LKCHS"},
                                           StoredCase{"Chinese", true, lkChs, "lkChs"},
                                           StoredCase{"", true, lkChs, "lkChs"},
                                           StoredCase{std::nullopt, true, lkChs, "lkChs"}));

struct PreselectCase {
    std::map<std::string, std::string> locale;
    TLanguateKind preselected;
};

void PrintTo(const PreselectCase& c, std::ostream* os) {
    for (const auto& [k, v] : c.locale)
        *os << k << "=" << v << " ";
}

class TForm1Preselection : public ::testing::TestWithParam<PreselectCase> {};

TEST_P(TForm1Preselection, FollowsTheCodePageOfTheSessionLocale) {
    const LocaleScope locale(GetParam().locale);
    StationFixture f;
    f.languages.stored.reset();
    auto& form = f.create();
    ASSERT_EQ(f.dialogs.languagePrompts, 1);
    // Nobody changed the preselection, so it is what OK confirmed and what was stored.
    EXPECT_EQ(form.currentLanguage(), GetParam().preselected);
    EXPECT_EQ(*f.languages.stored, rfbind::LanguageName(GetParam().preselected));
}

INSTANTIATE_TEST_SUITE_P(
    TForm1Language, TForm1Preselection,
    ::testing::Values(
        // 936: a Simplified Chinese system is offered English.
        PreselectCase{{{"LANG", "zh_CN.UTF-8"}}, lkEng},
        // 950.
        PreselectCase{{{"LANG", "zh_TW.UTF-8"}}, lkCht},
        // 1252 and every other code page: Simplified Chinese.
        PreselectCase{{{"LANG", "en_US.CP1252"}}, lkChs},
        PreselectCase{{{"LANG", "de_DE.UTF-8"}}, lkChs},
        // LC_ALL before LC_CTYPE before LANG; an empty variable does not count.
        PreselectCase{{{"LC_ALL", "zh_TW.Big5"}, {"LC_CTYPE", "zh_CN.UTF-8"}}, lkCht},
        PreselectCase{{{"LC_ALL", ""}, {"LC_CTYPE", "zh_HK.UTF-8"}, {"LANG", "C"}}, lkCht},
        PreselectCase{{}, lkChs}));

TEST(TForm1Language, TheChoiceMadeInTheDialogIsStoredAndApplied) {
    StationFixture f;
    f.languages.stored.reset();
    f.dialogs.languageAnswer = 1;
    auto& form = f.create();
    EXPECT_EQ(form.currentLanguage(), lkCht);
    EXPECT_EQ(*f.languages.stored, "lkCht");
    EXPECT_EQ(f.child<QComboBox>("cbbLang")->currentIndex(), 1);
    EXPECT_EQ(f.child<QAbstractButton>("btnGo")->text(), "設定");
}

TEST(TForm1Language, ADialogClosedWithoutAChoiceKeepsThePreselection) {
    const LocaleScope locale(std::map<std::string, std::string>{{"LANG", "zh_TW.UTF-8"}});
    StationFixture f;
    f.languages.stored.reset();
    f.dialogs.languageAnswer = -1;
    auto& form = f.create();
    EXPECT_EQ(form.currentLanguage(), lkCht);
    EXPECT_EQ(*f.languages.stored, "lkCht");
}

TEST(TForm1Language, TheOperatorsChoiceInTheListIsAppliedAndStored) {
    StationFixture f;
    auto& form = f.create();
    auto* list = f.child<QComboBox>("cbbLang");
    ASSERT_EQ(list->currentIndex(), 0);

    QTest::keyClick(list, Qt::Key_Down); // English -> Traditional Chinese
    EXPECT_EQ(form.currentLanguage(), lkCht);
    EXPECT_EQ(*f.languages.stored, "lkCht");
    EXPECT_EQ(f.child<QAbstractButton>("btnGo")->text(), "設定");
    EXPECT_EQ(f.child<QWidget>("cbCustKey1")->x(), 65);

    QTest::keyClick(list, Qt::Key_Down); // -> Simplified Chinese
    EXPECT_EQ(*f.languages.stored, "lkChs");
    EXPECT_EQ(f.child<QGroupBox>("gbCustKey")->title(), "可编程按键定义");
    EXPECT_EQ(f.child<QWidget>("cbCustKey1")->x(), 90);
    EXPECT_EQ(f.child<QWidget>("cbCustKey2")->x(), 90);

    QTest::keyClick(list, Qt::Key_Home); // -> English, the lists move back
    EXPECT_EQ(*f.languages.stored, "lkEng");
    EXPECT_EQ(f.child<QWidget>("cbCustKey1")->x(), 65);
    EXPECT_EQ(f.child<QWidget>("cbCustKey2")->x(), 65);
    EXPECT_EQ(f.child<QAbstractButton>("btnCombo_Cmd_Soft_Bind_SW")->text(), "&Connect");
}

TEST(TForm1Language, TheProgramSettingTheListChangesNothing) {
    StationFixture f;
    auto& form = f.create();
    f.child<QComboBox>("cbbLang")->setCurrentIndex(2);
    EXPECT_EQ(form.currentLanguage(), lkEng);
    EXPECT_EQ(*f.languages.stored, "lkEng");
    EXPECT_EQ(f.child<QAbstractButton>("btnGo")->text(), "Go");
}

} // namespace
