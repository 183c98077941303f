// SPDX-License-Identifier: MIT
#include "settings/StationSettings.h"

#include "settings/IniFile.h"

namespace rfbind {

namespace {

constexpr std::string_view kSection = kSettingsSection;

// A choice stored as a number: one of its values, else the key's default, so a hand-edited
// value the list does not have cannot leave the option half chosen.
std::int32_t readChoice(const IniFile& ini, std::string_view key, std::int32_t first,
                        std::int32_t last, std::int32_t fallback) {
    const std::int32_t v = ini.readInteger(kSection, key, fallback);
    return v >= first && v <= last ? v : fallback;
}

} // namespace

StationSettings ReadStationSettings(const IniFile& ini, std::int32_t defaultCustKey1,
                                    std::int32_t defaultCustKey2) {
    StationSettings s;
    s.MouseOnly = ini.readBool(kSection, "MouseOnly", s.MouseOnly);
    s.CustKey1 = ini.readInteger(kSection, "CustKey1", defaultCustKey1);
    s.CustKey2 = ini.readInteger(kSection, "CustKey2", defaultCustKey2);
    s.SoftISS = ini.readBool(kSection, "SoftISS", s.SoftISS);
    s.Delay = ini.readInteger(kSection, "Delay", s.Delay);
    s.CPI = readChoice(ini, "CPI", 0, 1, s.CPI);
    s.Wakeup = readChoice(ini, "Wakeup", 0, 1, s.Wakeup);
    s.PowerSaving = readChoice(ini, "PowerSaving", 0, 2, s.PowerSaving);
    s.TX_Erased = ini.readBool(kSection, "TX_Erased", s.TX_Erased);
    s.RX_Erased = ini.readBool(kSection, "RX_Erased", s.RX_Erased);
    // The list has three items, but 3..7 are kept as stored: they leave it without a selection,
    // which is what the station has always done with them.
    s.BTY = readChoice(ini, "BTY", 0, 7, s.BTY);
    s.VID = ini.readInteger(kSection, "VID", s.VID);
    s.PID = ini.readInteger(kSection, "PID", s.PID);
    s.LRMBinding = ini.readBool(kSection, "LRMBinding", s.LRMBinding);
    s.PName = ini.readString(kSection, "PName", s.PName);
    s.RFPower = readChoice(ini, "RFPower", 0, 3, s.RFPower);
    s.Sleep = ini.readInteger(kSection, "Sleep", s.Sleep);
    s.WakeupPeriod = ini.readInteger(kSection, "WakeupPeriod", s.WakeupPeriod);
    s.KBind = ini.readBool(kSection, "KBind", s.KBind);
    s.EnabledQUVE = ini.readBool(kSection, "EnabledQUVE", s.EnabledQUVE);
    s.ResetRF = ini.readBool(kSection, "ResetRF", s.ResetRF);
    return s;
}

std::string WriteStationSettings(IniFile& ini, const StationSettings& s) {
    std::string refused;
    const auto note = [&refused](bool stored, std::string_view key) {
        if (stored)
            return;
        if (!refused.empty())
            refused += ", ";
        refused += key;
    };
    const auto integer = [&](std::string_view key, std::int32_t v) {
        note(ini.writeInteger(kSection, key, v), key);
    };
    const auto boolean = [&](std::string_view key, bool v) {
        note(ini.writeBool(kSection, key, v), key);
    };

    integer("CustKey1", s.CustKey1);
    integer("CustKey2", s.CustKey2);
    boolean("MouseOnly", s.MouseOnly);
    boolean("SoftISS", s.SoftISS);
    integer("Sleep", s.Sleep);
    integer("WakeupPeriod", s.WakeupPeriod);
    integer("CPI", s.CPI);
    integer("PowerSaving", s.PowerSaving);
    integer("Wakeup", s.Wakeup);
    integer("BTY", s.BTY);
    // A receiver gets its own USB IDs only as a pair: half a pair is no setting at all.
    if (s.VID > 0 && s.PID > 0) {
        integer("VID", s.VID);
        integer("PID", s.PID);
    } else {
        ini.deleteKey(kSection, "VID");
        ini.deleteKey(kSection, "PID");
    }
    boolean("TX_Erased", s.TX_Erased);
    boolean("RX_Erased", s.RX_Erased);
    note(ini.writeString(kSection, "PName", s.PName), "PName");
    boolean("LRMBinding", s.LRMBinding);
    integer("RFPower", s.RFPower);
    boolean("ResetRF", s.ResetRF);
    integer("Delay", s.Delay);
    boolean("KBind", s.KBind);
    boolean("EnabledQUVE", s.EnabledQUVE);
    return refused;
}

} // namespace rfbind
