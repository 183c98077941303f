// SPDX-License-Identifier: MIT
// The main window as its layout stores it, and as the operator first sees it.
#include "StationFixture.h"
#include "ui_TForm1.h"
#include "widgets/AnimatedPicture.h"
#include "widgets/ImageComboBox.h"
#include "widgets/Led.h"
#include "widgets/PageControl.h"
#include "widgets/THexEdit.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <ostream>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

using rfbind::test::StationFixture;

namespace {

/// The window's layout set up on a plain widget: the controls exactly as stored, before any
/// start-up step has touched them.
struct StoredForm {
    StoredForm() { ui.setupUi(&window); }
    template <class T = QWidget> T* get(const char* name) const {
        auto* w = window.findChild<T*>(name);
        if (w == nullptr)
            ADD_FAILURE() << "no " << name;
        return w;
    }
    QWidget window;
    Ui::TForm1 ui;
};

enum class Vis { Shown, Hidden };
enum class Ena { Enabled, Disabled };
enum class Chk { None, Checked, Unchecked };
using enum Vis;
using enum Ena;
using enum Chk;

struct Control {
    const char* name;
    const char* kind;    // the exact class
    const char* caption; // title, text or caption as stored; nullptr: none to compare
    Vis vis = Shown;
    Ena ena = Enabled;
    Chk chk = None;
    QRect geometry{}; // where the layout gives it
};

constexpr auto LBL = "QLabel", BTN = "QPushButton", CHK = "QCheckBox", RB = "QRadioButton",
               GRP = "QGroupBox", CB = "QComboBox", SPIN = "QSpinBox", EDIT = "QLineEdit",
               LIST = "QListWidget", PAGE = "QWidget", HEX = "rfbind::app::THexEdit",
               LED = "rfbind::app::Led";

void PrintTo(const Control& c, std::ostream* os) {
    *os << c.name;
}

std::vector<Control> controls() {
    std::vector<Control> c = {
        // Top-level areas.
        {"imgLogo", LBL, nullptr, Shown, Enabled, None, {17, 23, 200, 66}},
        {"imgCust", LBL, nullptr, Hidden, Enabled, None, {6, 29, 274, 57}},
        {"gifBind",
         "rfbind::app::AnimatedPicture",
         nullptr,
         Hidden,
         Enabled,
         None,
         {568, 34, 50, 50}},
        {"imgNoneDev", LBL, nullptr},
        {"imgConnected", LBL, nullptr, Hidden},
        {"btnCombo_Cmd_Soft_Bind_SW", BTN, "連線(&C)", Shown, Enabled, None, {635, 59, 73, 27}},
        {"gbSysStatus", GRP, "USB資訊 ", Shown, Enabled, None, {722, 25, 164, 38}},
        {"edtVID", HEX, ""},
        {"edtPID", HEX, ""},
        {"cbbLang",
         "rfbind::app::ImageComboBox",
         nullptr,
         Shown,
         Enabled,
         None,
         {722, 66, 164, 21}},
        {"gbSetting", GRP, "", Shown, Disabled, None, {12, 88, 700, 235}},
        {"EraseEEPROM", GRP, "Erase EEPROM", Shown, Enabled, None, {721, 94, 166, 125}},
        {"suiGroupBox3", GRP, "L+R+M Binding", Shown, Enabled, None, {720, 224, 169, 57}},
        {"LRMBinding", CHK, "Enabled L+R+M Binding", Shown, Disabled, Unchecked},
        {"suiGroupBox2",
         GRP,
         "Rx USB Suspend Behavior",
         Shown,
         Enabled,
         None,
         {718, 285, 169, 139}},
        {"CallQUVE", CHK, "Enabled Auto QVUE", Shown, Disabled, Unchecked, {726, 428, 142, 21}},
        {"gb1", GRP, "ID", Hidden, Enabled, None, {10, 322, 700, 77}},
        {"gbRX", GRP, "RX", Hidden, Enabled, None, {10, 399, 700, 95}},
        {"gbTX", GRP, "TX", Hidden, Enabled, None, {8, 496, 700, 95}},
        {"gbGo", GRP, "", Shown, Enabled, None, {10, 592, 700, 129}},
        {"pbSetTX", "QProgressBar", nullptr},
        {"gbPO_BIND", GRP, "通電後自動連線", Hidden, Enabled, None, {967, 53, 331, 56}},
        {"rbRF_DR_5A", RB, "啟用", Shown, Enabled, Checked},
        {"rbRF_DR_55", RB, "關閉", Shown, Enabled, Unchecked},
        {"lstDebug", LIST, nullptr, Hidden, Enabled, None, {1100, 281, 394, 344}},
        {"DevListBox", LIST, nullptr, Hidden, Enabled, None, {856, 458, 668, 143}},
        {"spgcntrl1",
         "rfbind::app::PageControl",
         nullptr,
         Hidden,
         Enabled,
         None,
         {3, 722, 1082, 413}},

        // The settings area.
        {"gbRXType", GRP, "RX種類設定"},
        {"rbMouseOnly", RB, "純滑鼠", Shown, Enabled, Checked},
        {"rbKbdMse", RB, "鍵盤+滑鼠", Shown, Enabled, Unchecked},
        {"gbCustKey", GRP, "自訂熱鍵"},
        {"lblHK1", LBL, "熱鍵1"},
        {"lblHK2", LBL, "熱鍵2"},
        {"cbCustKey1", CB, nullptr},
        {"cbCustKey2", CB, nullptr},
        {"gbISS", GRP, "L+R複合鍵切換CPI功能"},
        {"rbRF_DR_15", RB, "啟用", Shown, Enabled, Unchecked},
        {"rbRF_DR_1A", RB, "關閉", Shown, Enabled, Checked},
        {"gbCPI", GRP, "CPI設定"},
        {"rbRF_CPI_H", RB, "高", Shown, Enabled, Unchecked},
        {"rbRF_CPI_L", RB, "低", Shown, Enabled, Checked},
        {"gbNL", GRP, "未連線裝置省電模式設定"},
        {"rbRF_DR_45", RB, "不使用省電模式", Shown, Enabled, Checked},
        {"rbRF_DR_4A", RB, "啟用省電模式並以 (L+R+M) 按鍵時喚醒", Shown, Enabled, Unchecked},
        {"rbRF_DR_4F", RB, "啟用省電模式並於連線後喚醒", Shown, Enabled, Unchecked},
        {"gbWKUP", GRP, "裝置喚醒設定", Shown, Disabled},
        {"rbRF_DR_25", RB, "偵測移動及按鍵", Shown, Enabled, Checked},
        {"rbRF_DR_2A", RB, "偵測按鍵", Shown, Enabled, Unchecked},
        {"gbBTY", GRP, "電池低壓告警設定"},
        {"cbRF_Set_BTY_Low_Level", CB, nullptr},
        {"gbVIDPID", GRP, "VID PID 字串描述符設定"},
        {"edtVID_SET", HEX, ""},
        {"edtPID_SET", HEX, ""},
        {"lblStrDesc", LBL, "字串描述符"},
        {"edtEEPROM_20", EDIT, "123456789A123456789B123456789C123456789D123456"},

        // Erase, suspend timing.
        {"TX_Erased", CHK, "TX Erase Operation", Shown, Disabled, Unchecked},
        {"suiButton2", BTN, "Erase TX", Shown, Disabled},
        {"RX_Erased", CHK, "RX Erase Operation", Shown, Disabled, Unchecked},
        {"suiButton1", BTN, "Erase RX", Shown, Disabled},
        {"gbWakeupPeriod", GRP, "Wakeup Period"},
        {"suiSpinEdit2", SPIN, nullptr, Shown, Disabled},
        {"Label4", LBL, "6.4ms"},
        {"gbSleepPeriod", GRP, "Sleep Period"},
        {"suiSpinEdit1", SPIN, nullptr, Shown, Disabled},
        {"Label3", LBL, "1828.2ms"},

        // The station area.
        {"ledRX", LED, nullptr},
        {"ledTX", LED, nullptr},
        {"edtRX", EDIT, "Mouse RX Not Ready"},
        {"edtTX", EDIT, "Mouse TX Not Ready"},
        {"lblResult", LBL, "PASS"},
        {"Image1", LBL, nullptr, Hidden},
        {"Image2", LBL, nullptr, Hidden},
        {"btnGo", BTN, "Go"},
        {"lblHotKey", LBL, "Hotkey:PageDown"},
        {"lblRFPower", LBL, "RF Power(dbm)"},
        {"ComboRFPower", CB, nullptr, Shown, Disabled},
        {"cbResetRF", CHK, "Reset RF Power When End of Setting", Shown, Disabled, Checked},
        {"cbKeyboardbind", CHK, "Keyboard Binding", Hidden, Disabled, Unchecked},
        {"edtCaliTime", EDIT, ""},
        {"lbl10", LBL, "sec"},
        {"edtMseDongleAddr", HEX, "HHHHHH-HHHHHH"},
        {"edtTX_SN", HEX, "HHHHHH-HHHHHH"},
        {"edtRX_SN", HEX, "HHHHHH-HHHHHH"},
        {"lbl14", LBL, "ID"},
        {"Label2", LBL, "TXSN"},
        {"lbl55", LBL, "RXSN"},

        // The radio-ID panel; its transmitter row is laid out hidden.
        {"rbRX_RandomRFID", RB, "隨機產生", Shown, Disabled, Unchecked},
        {"rbRX_CustomRFID", RB, "自訂", Shown, Disabled, Unchecked},
        {"edtRX_IncInitRFID", HEX, "", Shown, Disabled},
        {"edtRX_IncCurrentRFID", HEX, ""},
        {"edtRX_IncNextRFID", HEX, ""},
        {"lblRX_IncInitRFID", LBL, "初始值"},
        {"lblRX_IncCurrentRFID", LBL, "目前"},
        {"lblRX_IncNextRFID", LBL, "下一個"},
        {"rbTX_RandomRFID", RB, "隨機產生", Hidden, Disabled, Unchecked},
        {"rbTX_CustomRFID", RB, "自訂", Hidden, Disabled, Unchecked},
        {"edtTX_IncInitRFID", HEX, "", Hidden, Disabled},
        {"edtTX_IncCurrentRFID", HEX, "", Hidden},
        {"edtTX_IncNextRFID", HEX, "", Hidden},
        {"lblTX_IncInitRFID", LBL, "初始值", Hidden},
        {"lblTX_IncCurrentRFID", LBL, "目前", Hidden},
        {"lblTX_IncNextRFID", LBL, "下一個", Hidden},
        {"lblRFIDNOTE", LBL, "自訂ID時軟件將自動跳過系統保留數值"},

        // Engineering pages: special commands and the receiver's registers.
        {"stbsht1", PAGE, nullptr, Shown, Disabled},
        {"btnSpecialCmd1", BTN, "14 FF AA 01"},
        {"btnSpecialCmd4", BTN, "14 FF AA 04"},
        {"edtDirectAddr", HEX, "00"},
        {"edtDirectData", HEX, "00"},
        {"btnC_Rd_Direct_Reg", BTN, "C_Rd_Direct_Reg"},
        {"btnC_Wrt_Direct_Reg", BTN, "C_Wrt_Direct_Reg"},
        {"edtRFICAddr", HEX, "00"},
        {"edtRFICData", HEX, "00"},
        {"btnRd_RFIC", BTN, "C_Rd_RFIC_ARF2496K"},
        {"btnWrt_RFIC", BTN, "C_Wrt_RFIC_ARF2496K"},
        // Restart and reload.
        {"stbsht3", PAGE, nullptr, Shown, Disabled},
        {"btnC_JUMP_TO_POR", BTN, "C_JUMP_TO_POR"},
        {"btnC_RELOAD_PARAMETER", BTN, "C_RELOAD_PARAMETER"},
        {"gbSetTestMode", GRP, "Set Test Mode", Hidden},
        {"edtTestMode", SPIN, nullptr},
        {"btnC_Combo_Cmd_Set_Test_Mode", BTN, "C_Combo_Cmd_Set_Test_Mode"},
        // The transmitter over the radio.
        {"shtRF", PAGE, nullptr, Shown, Disabled},
        {"rbC_RF_ENTER_ACCESS_WO_LED", RB, "C_RF_ENTER_ACCESS wo LED", Shown, Enabled, Unchecked},
        {"rbC_RF_ENTER_ACCESS_W_LED", RB, "C_RF_ENTER_ACCESS w LED", Shown, Enabled, Unchecked},
        {"rbC_RF_LEAVE_ACCESS", RB, "C_RF_LEAVE_ACCESS", Shown, Enabled, Checked},
        {"edtC_RF_SETUP_CPI", SPIN, nullptr},
        {"btnC_RF_SETUP_CPI", BTN, "C_RF_SETUP_CPI"},
        {"btnRF_DR_3C", BTN, "Execute Jump to POR Function"},
        {"btnRF_DR_3D", BTN, "Fast Reload System Parameter"},
        // The receiver's EEPROM words.
        {"sht1", PAGE, nullptr, Shown, Disabled},
        {"btnEEPROM_W_19", BTN, "W", Hidden, Disabled},
        {"btnEEPROM_R_VID", BTN, "讀"},
        {"btnEEPROM_W_VID", BTN, "寫"},
        {"btnEEPROM_R_PID", BTN, "讀"},
        {"btnEEPROM_W_PID", BTN, "寫"},
        {"btnEEPROM_R_20", BTN, "讀"},
        {"btnEEPROM_W_20", BTN, "寫"},
        // Mouse or keyboard, and the settings file.
        {"sht2", PAGE, nullptr},
        {"rbMSE", RB, "MOUSE", Shown, Enabled, Checked},
        {"rbKB", RB, "KEYBOARD", Shown, Enabled, Unchecked},
        {"btnUpdateCustKey", BTN, "Update Cust Key"},
        {"sht3", PAGE, nullptr, Shown, Disabled},
        {"btnLoadSetting", BTN, "Load Setting"},
        {"btnWriteSetting", BTN, "Write Setting"},
        {"btnSetTX", BTN, "Set TX"},
    };

    // The two serial-number panels have the same controls.
    static const std::vector<std::string> keep = [] {
        std::vector<std::string> names;
        for (const char* side : {"RX", "TX"})
            for (const char* n :
                 {"cb%_IsSN", "cb%_IsDate", "lbl%_Date", "edt%_FixByteCount", "edt%_FixSN",
                  "rb%_FixAscii", "rb%_FixHex", "edt%_IncByteCount", "edt%_IncInitSN",
                  "edt%_IncCurrentSN", "edt%_IncNextSN", "lbl%_FixSN", "lbl%_FixSNByte",
                  "lbl%_IncSNByte", "lbl%_FixSNV", "lbl%_IncSN", "lbl%_IncInitSN",
                  "lbl%_IncCurrentSN", "lbl%_IncNextSN"}) {
                std::string s = n;
                s.replace(s.find('%'), 1, side);
                names.push_back(s);
            }
        return names;
    }();
    const Control panel[] = {
        {nullptr, CHK, "顯示【儲存信息】/隱藏【不儲存信息】", Shown, Disabled, Unchecked},
        {nullptr, CHK, "包含日期 YY(00-99)+DD(1-366) 佔2字節", Shown, Disabled, Unchecked},
        {nullptr, LBL, "2009.01.01"},
        {nullptr, SPIN, nullptr, Shown, Disabled},
        {nullptr, HEX, "", Shown, Disabled},
        {nullptr, RB, "ASCII", Shown, Disabled, Unchecked},
        {nullptr, RB, "HEX", Shown, Disabled, Unchecked},
        {nullptr, SPIN, nullptr, Shown, Disabled},
        {nullptr, HEX, "", Shown, Disabled},
        {nullptr, HEX, ""},
        {nullptr, HEX, ""},
        {nullptr, LBL, "固定信息"},
        {nullptr, LBL, "字節"},
        {nullptr, LBL, "字節"},
        {nullptr, LBL, "值"},
        {nullptr, LBL, "遞增信息"},
        {nullptr, LBL, "初始值"},
        {nullptr, LBL, "目前"},
        {nullptr, LBL, "下一個"},
    };
    constexpr std::size_t perPanel = std::size(panel);
    for (std::size_t i = 0; i < keep.size(); ++i) {
        Control row = panel[i % perPanel];
        row.name = keep[i].c_str();
        c.push_back(row);
    }

    // The special-command answers and the RF page's operand fields start as "00".
    static const std::vector<std::string> zeros = [] {
        std::vector<std::string> names;
        for (int n : {1, 4})
            for (int p = 0; p <= 6; ++p)
                names.push_back("edtSC0" + std::to_string(n) + "_0" + std::to_string(p));
        for (const char* f : {"EEPROM", "DirectReg", "IndexReg", "Sensor", "RFIC"})
            for (const char* part : {"Addr", "Data"})
                names.push_back(std::string("edtRF_") + f + part);
        for (const char* word : {"00", "01", "02", "15", "16", "17", "18", "19"})
            names.push_back(std::string("edtEEPROM_") + word);
        return names;
    }();
    for (const std::string& n : zeros)
        c.push_back({n.c_str(), HEX, "00"});
    static const std::vector<std::pair<std::string, std::string>> buttons = [] {
        std::vector<std::pair<std::string, std::string>> b;
        for (const char* cmd : {"EEPROM", "Direct_Reg", "Index_Reg", "Sensor", "RFIC_ARF2496K"})
            for (const char* op : {"Rd", "Wrt"}) {
                const std::string caption = std::string("C_RF_") + op + "_" + cmd;
                b.emplace_back("btn" + caption, caption);
            }
        for (const char* word : {"00", "01", "02", "15", "16", "17", "18"})
            for (const char* op : {"R", "W"})
                b.emplace_back(std::string("btnEEPROM_") + op + "_" + word, op);
        b.emplace_back("btnEEPROM_R_19", "R");
        return b;
    }();
    for (const auto& [name, caption] : buttons)
        c.push_back({name.c_str(), BTN, caption.c_str()});
    return c;
}

QString captionOf(const QWidget* w) {
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    return {};
}

class TForm1Layout : public ::testing::TestWithParam<Control> {
protected:
    static void SetUpTestSuite() { form_ = std::make_unique<StoredForm>(); }
    static void TearDownTestSuite() { form_.reset(); }
    static std::unique_ptr<StoredForm> form_;
};
std::unique_ptr<StoredForm> TForm1Layout::form_;

TEST_P(TForm1Layout, ControlIsStoredWithItsKindCaptionAndState) {
    const Control c = GetParam();
    QWidget* w = form_->get(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->metaObject()->className(), c.kind);
    if (c.caption != nullptr) {
        EXPECT_EQ(captionOf(w), QString::fromUtf8(c.caption));
    }
    // The control's own flags; a parent's state is checked on the parent.
    if (std::string(c.kind) != PAGE) { // the page control shows one page at a time
        EXPECT_EQ(w->isHidden(), c.vis == Hidden);
    }
    EXPECT_EQ(w->testAttribute(Qt::WA_ForceDisabled), c.ena == Disabled);
    if (c.chk != None) {
        auto* b = qobject_cast<QAbstractButton*>(w);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->isChecked(), c.chk == Checked);
    }
    if (!c.geometry.isNull()) {
        EXPECT_EQ(w->geometry(), c.geometry);
    }
}

INSTANTIATE_TEST_SUITE_P(Stored, TForm1Layout, ::testing::ValuesIn(controls()),
                         [](const auto& info) { return std::string(info.param.name); });

// Names the layout gives to captions and groups that no handler refers to.
const std::set<std::string> kLayoutOnlyNames = {
    "lblVID",        "lblPID",          "lblVID_SET",   "lblPID_SET",   "lblRX_RFID",
    "lblTX_RFID",    "gbSpecialCmd",    "lblSC01_00",   "lblSC01_01",   "lblSC01_02",
    "lblSC01_03",    "lblSC01_04",      "lblSC01_05",   "lblSC01_06",   "lblSC04",
    "gbDirectReg",   "gbRFIC",          "lblTestMode",  "gbRF_EEPROM",  "gbRF_DirectReg",
    "gbRF_IndexReg", "gbRF_Sensor",     "gbRF_RFIC",    "gbRF_ACCESS",  "gbRF_SETUP_CPI",
    "gbRF_POR",      "gbRF_FastReload", "lblEEPROM_00", "lblEEPROM_01", "lblEEPROM_02",
    "lblEEPROM_15",  "lblEEPROM_16",    "lblEEPROM_17", "lblEEPROM_18", "lblEEPROM_19",
    "lblEEPROM_20"};

/// The parts Qt makes inside its own controls (a spin box's edit, a tab bar's scroll buttons).
bool insideQtControl(const QWidget* w) {
    for (; w != nullptr; w = w->parentWidget())
        if (w->objectName().startsWith("qt_"))
            return true;
    return false;
}

TEST(TForm1LayoutWhole, EveryNamedControlIsAccountedFor) {
    StoredForm form;
    std::set<std::string> listed(kLayoutOnlyNames);
    for (const Control& c : controls())
        EXPECT_TRUE(listed.insert(c.name).second) << c.name << " listed twice";
    for (const QWidget* w : form.window.findChildren<QWidget*>()) {
        const std::string name = w->objectName().toStdString();
        if (name.empty() || insideQtControl(w))
            continue;
        EXPECT_TRUE(listed.count(name)) << "unexpected control " << name;
    }
}

TEST(TForm1LayoutWhole, WindowTitleSizeAndFont) {
    StoredForm form;
    EXPECT_EQ(form.window.windowTitle(), "Halvoreth 2.4GHz RF SoC Manufacture Tool V0.32");
    EXPECT_EQ(form.window.size(), QSize(891, 733));
    EXPECT_EQ(form.window.font().pointSize(), 8);
    EXPECT_TRUE(form.get<QPushButton>("btnGo")->isDefault());
}

TEST(TForm1LayoutWhole, PagesInOrderWithTheirCaptionsAndOnlyTheDevicePageEnabled) {
    StoredForm form;
    auto* pages = form.get<QTabWidget>("spgcntrl1");
    const std::vector<std::pair<const char*, const char*>> expected = {
        {"stbsht1", "EEPROM   RFIC  Reg"},
        {"stbsht3", "Combo_cmd   ACCESS   JUMP_TO_POR RSSI"},
        {"shtRF", "                 RF                  "},
        {"sht1", "          EEPROM             "},
        {"sht2", "       Device       "},
        {"sht3", "  SETTING"},
    };
    ASSERT_EQ(pages->count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), expected[i].first);
        EXPECT_EQ(pages->tabText(i), expected[i].second) << i;
        EXPECT_EQ(pages->isTabEnabled(i), i == 4) << expected[i].first;
    }
}

TEST(TForm1LayoutWhole, CaptionsWithoutANameOfTheirOwnAreOnTheirPages) {
    StoredForm form;
    const std::vector<std::pair<const char*, std::vector<const char*>>> pages = {
        {"stbsht1",
         {"Special Command", "RSSIthreshold", "MSE_SN", "KBD_SN ", "CurrentChannelIdx",
          "RSSIChannelIdx", "BindChannelIdx", "GoodChannelCNT",
          "Remain KBD ChannelMap Array & Binding Status", "Direct Reg", "RFIC"}},
        {"stbsht3", {"Set Test Mode", "(1-12)"}},
        {"shtRF",
         {"Direct Reg", "ACCESS", "SETUP CPI", "EEPROM", "Index Reg", "Sensor", "RFIC", "POR",
          "Fast Reload System Parameter"}},
        {"sht1",
         {"C_DongleMseAd0_AD equ 00d", "C_DongleMseAd1_AD equ 01d", "C_DongleMseAd2_AD equ 02d",
          "C_VID_H_AD  equ 15d", "C_VID_L_AD  equ 16d ", "C_PID_H_AD  equ 17d",
          "C_PID_L_AD  equ 18d", "C_Str_Length_AD equ 19d", "C_String_AD (20d~42d)"}},
        {"gbSysStatus", {"VID", "PID"}},
        {"gbVIDPID", {"VID", "PID"}},
        {"gb1", {"ID", "TX"}},
    };
    for (const auto& [page, captions] : pages) {
        QStringList found;
        for (const QWidget* w : form.get(page)->findChildren<QWidget*>())
            found << captionOf(w);
        for (const char* caption : captions)
            EXPECT_TRUE(found.contains(QString::fromUtf8(caption))) << page << ": " << caption;
    }
}

struct EditMode {
    const char* name;
    int maxLength; // -1: none
    bool readOnly;
    bool hexFilter;
    bool upperCase;
};

TEST(TForm1LayoutWhole, EditLimitsAndModes) {
    StoredForm form;
    constexpr int none = 32767; // the toolkit's "no limit"
    const EditMode modes[] = {
        {"edtVID_SET", 4, false, true, true},
        {"edtPID_SET", 4, false, true, true},
        {"edtEEPROM_20", 46, false, false, false},
        {"edtVID", none, true, false, false},
        {"edtPID", none, true, false, false},
        {"edtRX", none, true, false, false},
        {"edtTX", none, true, false, false},
        {"edtCaliTime", none, true, false, false},
        {"edtMseDongleAddr", none, true, false, false},
        {"edtTX_SN", none, true, false, false},
        {"edtRX_SN", none, true, false, false},
        {"edtRX_IncInitRFID", 6, false, true, true},
        {"edtTX_IncInitRFID", 6, false, true, true},
        {"edtRX_IncCurrentRFID", none, true, false, false},
        {"edtRX_IncNextRFID", none, true, false, false},
        {"edtRX_FixSN", none, false, false, true},
        {"edtTX_FixSN", none, false, false, true},
        {"edtRX_IncInitSN", none, false, true, true},
        {"edtTX_IncInitSN", none, false, true, true},
        {"edtRX_IncCurrentSN", none, true, false, false},
        {"edtTX_IncNextSN", none, true, false, false},
        {"edtSC01_01", none, true, false, false},
        {"edtSC04_06", none, true, false, false},
        // Operand fields take whatever a failed read shows ("FFFFFFFF"); no length limit.
        {"edtRF_EEPROMData", none, false, false, false},
        {"edtEEPROM_15", none, false, false, false},
        {"edtDirectAddr", none, false, false, false},
    };
    for (const EditMode& m : modes) {
        SCOPED_TRACE(m.name);
        auto* e = form.get<QLineEdit>(m.name);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->maxLength(), m.maxLength);
        EXPECT_EQ(e->isReadOnly(), m.readOnly);
        if (auto* hex = qobject_cast<rfbind::app::THexEdit*>(e)) {
            EXPECT_EQ(hex->hexFilter(), m.hexFilter);
            EXPECT_EQ(hex->upperCase(), m.upperCase);
        }
    }
}

TEST(TForm1LayoutWhole, SpinEditRanges) {
    StoredForm form;
    const struct {
        const char* name;
        int minimum, maximum, value;
    } spins[] = {{"suiSpinEdit2", 3, 19, 15},     {"suiSpinEdit1", 0, 240, 56},
                 {"edtC_RF_SETUP_CPI", 0, 3, 0},  {"edtRX_FixByteCount", 0, 6, 0},
                 {"edtRX_IncByteCount", 0, 6, 0}, {"edtTX_FixByteCount", 0, 6, 0},
                 {"edtTX_IncByteCount", 0, 6, 0}, {"edtTestMode", 1, 12, 1}};
    for (const auto& s : spins) {
        SCOPED_TRACE(s.name);
        auto* spin = form.get<QSpinBox>(s.name);
        ASSERT_NE(spin, nullptr);
        EXPECT_EQ(spin->minimum(), s.minimum);
        EXPECT_EQ(spin->maximum(), s.maximum);
        EXPECT_EQ(spin->value(), s.value);
        EXPECT_EQ(spin->singleStep(), 1);
    }
}

TEST(TForm1LayoutWhole, ListsProgressAndPictures) {
    StoredForm form;
    auto* power = form.get<QComboBox>("ComboRFPower");
    ASSERT_EQ(power->count(), 4);
    EXPECT_EQ(power->itemText(0), "0");
    EXPECT_EQ(power->itemText(1), "-5");
    EXPECT_EQ(power->itemText(2), "-10");
    EXPECT_EQ(power->itemText(3), "-20");
    EXPECT_EQ(power->currentIndex(), 3);
    for (const char* list :
         {"ComboRFPower", "cbCustKey1", "cbCustKey2", "cbRF_Set_BTY_Low_Level", "cbbLang"})
        EXPECT_FALSE(form.get<QComboBox>(list)->isEditable()) << list << " is selection only";

    auto* lang = form.get<QComboBox>("cbbLang");
    ASSERT_EQ(lang->count(), 3);
    EXPECT_EQ(lang->iconSize(), QSize(63, 14));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(lang->itemIcon(i).isNull()) << i;

    auto* progress = form.get<QProgressBar>("pbSetTX");
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 20);
    EXPECT_EQ(progress->value(), 0);

    const struct {
        const char* name;
        QSize size;
    } pictures[] = {{"imgLogo", {200, 66}},
                    {"imgNoneDev", {50, 50}},
                    {"imgConnected", {50, 50}},
                    {"Image1", {200, 56}},
                    {"Image2", {200, 56}}};
    for (const auto& p : pictures) {
        auto* label = form.get<QLabel>(p.name);
        EXPECT_EQ(label->pixmap().size(), p.size) << p.name;
    }
    EXPECT_TRUE(form.get<QLabel>("Image1")->hasScaledContents());
    EXPECT_TRUE(form.get<QLabel>("Image2")->hasScaledContents());
    auto* bind = form.get<rfbind::app::AnimatedPicture>("gifBind");
    ASSERT_NE(bind->animation(), nullptr);
    EXPECT_TRUE(bind->animation()->isValid());
    EXPECT_GT(bind->animation()->frameCount(), 1);
}

TEST(TForm1LayoutWhole, RadioButtonGroupsAreSeparateExclusiveChoices) {
    StoredForm form;
    const std::vector<std::vector<const char*>> groups = {
        {"rbMouseOnly", "rbKbdMse"},
        {"rbRF_DR_15", "rbRF_DR_1A"},
        {"rbRF_CPI_H", "rbRF_CPI_L"},
        {"rbRF_DR_45", "rbRF_DR_4A", "rbRF_DR_4F"},
        {"rbRF_DR_25", "rbRF_DR_2A"},
        {"rbRF_DR_5A", "rbRF_DR_55"},
        {"rbRX_FixAscii", "rbRX_FixHex"},
        {"rbTX_FixAscii", "rbTX_FixHex"},
        {"rbRX_RandomRFID", "rbRX_CustomRFID"},
        {"rbTX_RandomRFID", "rbTX_CustomRFID"},
        {"rbC_RF_ENTER_ACCESS_WO_LED", "rbC_RF_ENTER_ACCESS_W_LED", "rbC_RF_LEAVE_ACCESS"},
        {"rbMSE", "rbKB"},
    };
    for (const auto& group : groups) {
        for (const char* chosen : group) {
            // The first member of every other group is chosen first, so a shared group
            // would show up as that choice being cleared.
            for (const auto& other : groups)
                if (&other != &group)
                    form.get<QAbstractButton>(other.front())->setChecked(true);
            form.get<QAbstractButton>(chosen)->setChecked(true);
            for (const char* member : group)
                EXPECT_EQ(form.get<QAbstractButton>(member)->isChecked(),
                          std::string(member) == chosen)
                    << chosen << " chosen, " << member;
            for (const auto& other : groups)
                if (&other != &group) {
                    EXPECT_TRUE(form.get<QAbstractButton>(other.front())->isChecked())
                        << chosen << " cleared " << other.front();
                }
        }
    }
}

// ---- as the operator first sees it ----------------------------------------------------------

TEST(TForm1StartUp, TheSettingsAreaShowsGreyedOutAndTheErasersAreDisabled) {
    StationFixture f;
    auto& form = f.create();
    auto* settings = f.child<QWidget>("gbSetting");
    EXPECT_TRUE(settings->isVisibleTo(&form));
    for (const QWidget* w : settings->findChildren<QWidget*>())
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    for (const char* name :
         {"suiButton1", "suiButton2", "TX_Erased", "RX_Erased", "CallQUVE", "LRMBinding",
          "ComboRFPower", "cbResetRF", "suiSpinEdit1", "suiSpinEdit2"})
        EXPECT_FALSE(f.child<QWidget>(name)->isEnabled()) << name;
    for (const char* name : {"btnGo", "btnCombo_Cmd_Soft_Bind_SW", "cbbLang"})
        EXPECT_TRUE(f.child<QWidget>(name)->isEnabled()) << name;
}

TEST(TForm1StartUp, TheStationAreaShowsBothLinksNotReady) {
    StationFixture f;
    auto& form = f.create();
    EXPECT_EQ(f.child<QLineEdit>("edtRX")->text(), "Mouse RX Not Ready");
    EXPECT_EQ(f.child<QLineEdit>("edtTX")->text(), "Mouse TX Not Ready");
    EXPECT_FALSE(f.child<rfbind::app::Led>("ledRX")->isOn());
    EXPECT_FALSE(f.child<rfbind::app::Led>("ledTX")->isOn());
    EXPECT_TRUE(f.child<QLabel>("lblResult")->text().isEmpty());
    EXPECT_TRUE(f.child<QWidget>("gbGo")->isVisibleTo(&form));
    EXPECT_TRUE(f.child<QWidget>("imgNoneDev")->isVisibleTo(&form));
}

TEST(TForm1StartUp, NoHiddenPanelShows) {
    StationFixture f;
    auto& form = f.create();
    for (const char* name :
         {"gb1", "gbRX", "gbTX", "gbPO_BIND", "lstDebug", "DevListBox", "spgcntrl1", "Image1",
          "Image2", "gifBind", "imgConnected", "edtMseDongleAddr", "edtTX_SN", "edtRX_SN", "lbl14",
          "lbl55", "Label2", "cbKeyboardbind"})
        EXPECT_FALSE(f.child<QWidget>(name)->isVisibleTo(&form)) << name;
    // Nothing of the hidden panels can take the keyboard focus either.
    for (const char* panel : {"gb1", "gbRX", "gbTX", "gbPO_BIND", "spgcntrl1"})
        for (const QWidget* w : f.child<QWidget>(panel)->findChildren<QWidget*>())
            EXPECT_FALSE(w->isVisibleTo(&form)) << w->objectName().toStdString();
}

} // namespace
