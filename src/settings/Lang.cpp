// SPDX-License-Identifier: MIT
#include "settings/Lang.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string>

namespace rfbind {

namespace {

struct Message {
    int id;
    std::array<const char*, 3> text; // indexed by TLanguateKind
};

// The station's texts in English, Traditional Chinese and Simplified Chinese, in UTF-8.
// Ids 1, 26 and 31..35 are looked up by nothing and are left out.
constexpr Message kMessages[] = {
    {0, {"USB Info.", "USB資訊", "USB信息"}},
    {2, {"Connect", "連線訊息", "对码"}},
    {3, {"&Connect", "連線(&C)", "对码(&C)"}},
    {4, {"&Connecting", "連線中(&C)", "对码中(&C)"}},
    {5, {"Connect Success", "連線成功", "对码成功"}},
    {6, {"Connect Fail", "連線失敗", "对码失败"}},
    {7, {"CustKey", "自訂熱鍵", "可编程按键定义"}},
    {8, {"CustKey1", "熱鍵1", "可编程按键1"}},
    {9, {"CustKey2", "熱鍵2", "可编程按键2"}},
    {10, {"Switch CPI by L+R", "L+R複合鍵切換CPI功能", "L+R复合键切换CPI功能"}},
    {11, {"Enable", "啟用", "启用"}},
    {12, {"Disable", "關閉", "关闭"}},
    {13, {"Wakeup Setting", "裝置喚醒設定", "装置唤醒设定"}},
    {14, {"Motion+Button Wakeup", "偵測移動及按鍵", "侦测移动及按键"}},
    {15, {"Button Wakeup Only", "偵測按鍵", "侦测按键"}},
    {16, {"Setup CPI", "CPI設定", "CPI设定"}},
    {17, {"High", "高", "高"}},
    {18, {"Low", "低", "低"}},
    {19,
     {"Sensor Power Management(During RF Disconnect)", "未連線裝置省電模式設定",
      "未连线时省电模式设定"}},
    {20, {"Disable power saving mode", "不使用省電模式", "不使用省电模式"}},
    {21,
     {"Enable (L+R+M) buttons wakeup", "啟用省電模式並以 (L+R+M) 按鍵時喚醒",
      "启用省电模式并以 (L+R+M) 按键时唤醒"}},
    {22, {"Enable power saving mode", "啟用省電模式並於連線後喚醒", "启用省电模式并于连线后唤醒"}},
    {23, {"Keyboard Binding", "鍵盤對碼", "键盘对码"}},
    {24, {"PowerOn Auto Connecting", "通電後自動連線", "上电后自动对码"}},
    {25, {"Mouse Bettery Low Level", "滑鼠電池低壓告警設定", "鼠标电池低电压指示设定"}},
    {27, {"R", "讀", "读"}},
    {28, {"W", "寫", "写"}},
    {29, {"VID PID StringDesc", "VID PID 字串描述符設定", "VID PID 字串描述符设定"}},
    {30, {"StringDesc", "字串描述符", "字串描述符"}},
    {36, {"Please Check Device:", "請檢查以下裝置：", "请检查以下装置："}},
    {37, {"Go", "設定", "设定"}},
    {38, {"Hotkey:PageDown", "快速鍵:PageDown", "快速键:PageDown"}},
    {39, {"RF Power(dbm)", "RF功率(dbm)", "RF功率(dbm)"}},
    {40,
     {"Reset RF Power When End of Setting", "設定完成時重設RF功率至0dbm",
      "设定完成时重设RF功率至0dbm"}},
    {41,
     {"Show(Save)/Hide(Don't Save)", "顯示【儲存信息】/隱藏【不儲存信息】",
      "显示【储存信息】/隐藏【不储存信息】"}},
    {42,
     {"Date YY(00-99)+DD(1-366) 2Bytes", "包含日期 YY(00-99)+DD(1-366) 佔2字節",
      "包含日期 YY(00-99)+DD(1-366) 占2字节"}},
    {43, {"Fixed", "固定信息", "固定信息"}},
    {44, {"Incre", "遞增信息", "递增信息"}},
    {45, {"Bytes", "字節", "字节"}},
    {46, {"Value", "值", "值"}},
    {47, {"Initial", "初始值", "初始值"}},
    {48, {"Current", "目前值", "目前值"}},
    {49, {"Next", "下一個", "下一个"}},
    {50, {"Random", "動態產生", "动态产生"}},
    {51, {"Custom", "自訂", "自订"}},
    {52, {"RX Type", "RX種類設定", "RX种类设定"}},
    {53, {"Mouse Only", "純滑鼠", "纯鼠标"}},
    {54, {"Keyboard + Mouse", "鍵盤+滑鼠", "键盘+滑鼠"}},
    {55,
     {"Program will skip values that reserved for system.", "自訂ID時軟件將自動跳過系統保留數值",
      "自订ID时软件将自动跳过系统保留数值"}},
    // Why a unit failed, shown under the result label; "%1" is an address or a detail.
    {60, {"No receiver found", "找不到接收器", "找不到接收器"}},
    {61, {"Receiver not answering", "接收器沒有回應", "接收器没有响应"}},
    {62, {"Transmitter not answering", "發射器沒有回應", "发射器没有响应"}},
    {63, {"TX EEPROM write at %1 not confirmed", "TX EEPROM 位址 %1 寫入未確認",
          "TX EEPROM 地址 %1 写入未确认"}},
    {64, {"RX EEPROM word %1 write not confirmed", "RX EEPROM 字組 %1 寫入未確認",
          "RX EEPROM 字 %1 写入未确认"}},
    {65, {"No link at the final check (mouse not moved?)", "最後檢查時沒有連線（滑鼠未移動？）",
          "最后检查时没有连线（鼠标未移动？）"}},
    {66, {"Keyboard binding timed out", "鍵盤配對逾時", "键盘对码超时"}},
    {67, {"The mouse paired instead of the keyboard", "配對到滑鼠而不是鍵盤",
          "对码到鼠标而不是键盘"}},
    {68, {"Receiver pulled during the run", "執行中接收器被拔除", "执行中接收器被拔出"}},
    {69, {"Settings refused: %1", "設定無法燒錄：%1", "设定无法烧录：%1"}},
    {70, {"Cancelled: the station was closed", "已取消：程式已關閉", "已取消：程序已关闭"}},
    // Erase results.
    {71, {"TX Erase FAIL", "TX 清除失敗", "TX 清除失败"}},
    {72, {"RX Erase FAIL", "RX 清除失敗", "RX 清除失败"}},
    // A station on a line.
    {73, {"Line offline and no numbers left for this station: %1",
          "產線離線，本站已無可用號碼：%1", "产线离线，本站已无可用号码：%1"}},
    {74, {"Line not usable: %1", "產線無法使用：%1", "产线无法使用：%1"}},
    {75, {"Numbers reclaimed by the line's supervisor: %1", "號碼已被產線管理者收回：%1",
          "号码已被产线管理者收回：%1"}},
    // A gang station's slots: "%1" is the slot's number; 79 takes 80 or 81 as its "%2".
    {76,
     {"Slot %1: the unit passed, but its line could not be written to %2 (%3). Write it down "
      "by hand: radio ID %4, serial numbers %5 / %6.",
      "槽位 %1：產品已通過，但其記錄無法寫入 %2（%3）。請手動記下：無線 ID %4，序號 %5 / %6。",
      "槽位 %1：产品已通过，但其记录无法写入 %2（%3）。请手动记下：无线 ID %4，序号 %5 / %6。"}},
    {77,
     {"Slot %1: the receiver \"%2\" is plugged in, but this user is not allowed to use it (%3). "
      "The station's device rule 70-rfbind.rules is missing.",
      "槽位 %1：接收器「%2」已插上，但目前的使用者沒有權限使用它（%3）。本站缺少裝置規則 "
      "70-rfbind.rules。",
      "槽位 %1：接收器“%2”已插上，但当前用户没有权限使用它（%3）。本站缺少设备规则 "
      "70-rfbind.rules。"}},
    {78, {"Slot %1: the numbering could not be stored: %2", "槽位 %1：編號無法儲存：%2",
          "槽位 %1：编号无法保存：%2"}},
    {79, {"Slot %1: no unit is programmed while the station cannot %2: %3.",
          "槽位 %1：本站無法%2，因此不會燒錄任何產品：%3。",
          "槽位 %1：本站无法%2，因此不会烧录任何产品：%3。"}},
    {80, {"store its numbering", "儲存編號", "保存编号"}},
    {81, {"write down its units", "記錄產品", "记录产品"}},
};

constexpr std::array<const char*, 3> kLanguageNames = {"lkEng", "lkCht", "lkChs"};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

const char* MessageText(int id, TLanguateKind language) {
    if (language > lkChs)
        return nullptr;
    for (const Message& m : kMessages)
        if (m.id == id)
            return m.text[language];
    return nullptr;
}

const char* LanguageName(TLanguateKind language) {
    return language <= lkChs ? kLanguageNames[language] : kLanguageNames[lkEng];
}

std::optional<TLanguateKind> ParseLanguageName(std::string_view stored) {
    // A three-letter value such as "ENG" is the name without its "lk".
    std::string name = stored.size() == 3 ? "lk" + std::string(stored) : std::string(stored);
    for (std::size_t i = 0; i < kLanguageNames.size(); ++i)
        if (equalsIgnoringCase(name, kLanguageNames[i]))
            return static_cast<TLanguateKind>(i);
    return std::nullopt;
}

TLanguateKind PreselectedLanguage(int codePage) {
    switch (codePage) {
    // Simplified Chinese code pages: the dialog offers English first.
    case 936:
    case 10008:
    case 50935:
    case 51936:
    case 52936:
        return lkEng;
    // Traditional Chinese code pages.
    case 950:
    case 10002:
    case 20000:
    case 20002:
    case 50937:
        return lkCht;
    default:
        return lkChs;
    }
}

int CodePageForLocale(std::string_view locale) {
    // language[_territory][.codeset][@modifier]
    if (const auto at = locale.find('@'); at != std::string_view::npos)
        locale = locale.substr(0, at);
    std::string_view codeset;
    if (const auto dot = locale.find('.'); dot != std::string_view::npos) {
        codeset = locale.substr(dot + 1);
        locale = locale.substr(0, dot);
    }
    const std::string name = lower(locale);

    // Chinese systems count by their script, whatever character set the locale uses, as the
    // Windows code page of such a system would.
    if (name == "zh_tw" || name == "zh_hk" || name == "zh_mo")
        return 950;
    if (name == "zh" || name.rfind("zh_", 0) == 0)
        return 936;
    const bool portable = name.empty() || name == "c" || name == "posix";
    if (portable && codeset.empty())
        return 20127; // US-ASCII

    // Everyone else by the character set; "UTF-8" and "utf8" are the same name.
    std::string cs;
    for (char c : lower(codeset))
        if (c != '-' && c != '_')
            cs += c;
    if (cs.empty())
        return 28591; // a locale without a character set is ISO-8859-1 in the C library
    if (cs == "utf8")
        return 65001;
    if (cs.rfind("iso8859", 0) == 0) {
        const int part = std::atoi(cs.c_str() + 7);
        if (part >= 1 && part <= 9)
            return 28590 + part;
        if (part == 13 || part == 15)
            return 28590 + part;
        return 65001;
    }
    if (cs.rfind("cp", 0) == 0 && cs.size() > 2)
        return std::atoi(cs.c_str() + 2);
    struct Known {
        const char* name;
        int codePage;
    };
    static constexpr Known kKnown[] = {
        {"gb2312", 936},         {"gbk", 936},     {"gb18030", 54936}, {"big5", 950},
        {"big5hkscs", 950},      {"eucjp", 20932}, {"sjis", 932},      {"shiftjis", 932},
        {"euckr", 949},          {"koi8r", 20866}, {"koi8u", 21866},   {"tis620", 874},
        {"ansix3.41968", 20127}, {"ascii", 20127}, {"usascii", 20127},
    };
    for (const Known& k : kKnown)
        if (cs == k.name)
            return k.codePage;
    // Unknown character sets are treated as Unicode: the dialog then offers Simplified
    // Chinese, as for any system outside the two Chinese groups.
    return 65001;
}

} // namespace rfbind
