// SPDX-License-Identifier: MIT
#include "settings/StationSettings.h"

#include "commands/ProductString.h"
#include "settings/IniFile.h"

namespace rfbind {

namespace {

constexpr std::string_view kSection = kSettingsSection;

// A number with a range: the stored value when it is one, else the key's default, so a
// hand-edited value the list does not have cannot leave the option half chosen. A present
// value that is not taken is listed, so the change the next save makes is not made unseen.
// `instead` says what the station does instead, in the settings' words; by default it names
// the default value.
std::int32_t readRanged(const IniFile& ini, std::string_view key, std::int32_t first,
                        std::int32_t last, std::int32_t fallback, StationSettings& s,
                        std::string instead = {}) {
    if (!ini.hasKey(kSection, key))
        return fallback;
    const std::string stored = ini.readString(kSection, key);
    const std::optional<std::int32_t> v = ParseIniInteger(stored);
    if (v && *v >= first && *v <= last)
        return *v;
    if (instead.empty())
        instead = "the default " + std::to_string(fallback) + " is used instead";
    s.replacedByDefault.push_back(
        {std::string(key), stored,
         (v ? "not one of the values " + std::to_string(first) + " to " + std::to_string(last)
            : std::string("not a number")) +
             "; " + instead + "."});
    return fallback;
}

// A USB ID as stored: 1..FFFF is an ID, 0 (or no key) is none, anything else is refused and
// reads as none.
std::int32_t readUsbId(const IniFile& ini, std::string_view key, StationSettings& s) {
    if (!ini.hasKey(kSection, key))
        return 0;
    const std::string stored = ini.readString(kSection, key);
    const std::optional<std::int32_t> v = ParseIniInteger(stored);
    if (v && *v >= 0 && *v <= kUsbIdMax)
        return *v;
    s.refused.push_back({std::string(key), stored,
                         v ? "a USB ID is 1 to FFFF (hex), this is " + std::to_string(*v) + "."
                           : std::string("not a number; a USB ID is 1 to FFFF (hex).")});
    return 0;
}

// True for well-formed UTF-8 with at least one character beyond ASCII.
bool looksLikeUtf8(std::string_view bytes) {
    bool beyondAscii = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
                          : (lead & 0xF8) == 0xF0                         ? 3
                                                                           : -1;
        if (extra < 0 || lead == 0xC0 || lead == 0xC1 || i + static_cast<std::size_t>(extra) >= bytes.size())
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80)
                return false;
        beyondAscii = true;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return beyondAscii;
}

// The product name as text: see ReadStationSettings for the two encodings a file may hold.
std::string productNameText(const std::string& stored) {
    return looksLikeUtf8(stored) ? stored : productstring::fromReceiverBytes(stored);
}

// The bytes the file keeps for a product name: Latin-1 where the text allows it.
std::string productNameBytes(const std::string& text) {
    const productstring::Refusal r = productstring::explain(text);
    return r.problem == productstring::Problem::NotLatin1 ? text
                                                           : productstring::toReceiverBytes(text);
}

} // namespace

const Refused* StationSettings::refusedEntry(std::string_view key) const {
    for (const Refused& r : refused)
        if (r.key == key)
            return &r;
    return nullptr;
}

StationSettings ReadStationSettings(const IniFile& ini, std::int32_t defaultCustKey1,
                                    std::int32_t defaultCustKey2, std::int32_t hotKeyCount) {
    StationSettings s;
    s.MouseOnly = ini.readBool(kSection, "MouseOnly", s.MouseOnly);
    // A hot key past the list shows (and programs) the list's default; the start-up message
    // names the stored index.
    s.CustKey1 = readRanged(ini, "CustKey1", 0, hotKeyCount - 1, defaultCustKey1, s,
                            "the list's default key is chosen instead");
    s.CustKey2 = readRanged(ini, "CustKey2", 0, hotKeyCount - 1, defaultCustKey2, s,
                            "the list's default key is chosen instead");
    s.SoftISS = ini.readBool(kSection, "SoftISS", s.SoftISS);
    s.Delay = ini.readInteger(kSection, "Delay", s.Delay);
    s.CPI = readRanged(ini, "CPI", 0, 1, s.CPI, s);
    s.Wakeup = readRanged(ini, "Wakeup", 0, 1, s.Wakeup, s);
    s.PowerSaving = readRanged(ini, "PowerSaving", 0, 2, s.PowerSaving, s);
    s.TX_Erased = ini.readBool(kSection, "TX_Erased", s.TX_Erased);
    s.RX_Erased = ini.readBool(kSection, "RX_Erased", s.RX_Erased);
    // The list has three items, but 3..7 are kept as stored: they leave it without a selection,
    // which is what the station has always done with them. -1 is what the station itself
    // stores for a list without a selection: it reads as 6, the same "no selection", without
    // a word, since nothing changes.
    s.BTY = ParseIniInteger(ini.readString(kSection, "BTY")) == -1
                ? s.BTY
                : readRanged(ini, "BTY", 0, 7, s.BTY, s,
                             "the battery-level list is left without a selection instead");
    s.VID = readUsbId(ini, "VID", s);
    s.PID = readUsbId(ini, "PID", s);
    s.LRMBinding = ini.readBool(kSection, "LRMBinding", s.LRMBinding);
    if (ini.hasKey(kSection, "PName")) {
        const std::string stored = ini.readString(kSection, "PName");
        s.PName = productNameText(stored);
        const productstring::Refusal r = productstring::explain(s.PName);
        if (r.problem != productstring::Problem::None)
            s.refused.push_back({"PName", s.PName, "the receiver cannot take it: " + r.reason});
    }
    s.RFPower = readRanged(ini, "RFPower", 0, 3, s.RFPower, s);
    s.Sleep = readRanged(ini, "Sleep", kSleepFirst, kSleepLast, s.Sleep, s);
    s.WakeupPeriod =
        readRanged(ini, "WakeupPeriod", kWakeupPeriodFirst, kWakeupPeriodLast, s.WakeupPeriod, s);
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
    const Refused* refusedVid = s.refusedEntry("VID");
    const Refused* refusedPid = s.refusedEntry("PID");
    if (refusedVid || refusedPid) {
        // A stored ID the station refused stays in the file as it was until the supervisor
        // enters another; its partner is kept beside it.
        const auto usbId = [&](std::string_view key, const Refused* r, std::int32_t v) {
            if (r)
                note(ini.writeString(kSection, key, r->value), key);
            else if (v > 0)
                integer(key, v);
            else
                ini.deleteKey(kSection, key);
        };
        usbId("VID", refusedVid, s.VID);
        usbId("PID", refusedPid, s.PID);
    } else if (s.VID > 0 && s.PID > 0) {
        // A receiver gets its own USB IDs only as a pair: half a pair is no setting at all.
        integer("VID", s.VID);
        integer("PID", s.PID);
    } else {
        ini.deleteKey(kSection, "VID");
        ini.deleteKey(kSection, "PID");
    }
    boolean("TX_Erased", s.TX_Erased);
    boolean("RX_Erased", s.RX_Erased);
    // An unchanged name keeps its bytes, whichever of the two encodings the file holds it in.
    if (!ini.hasKey(kSection, "PName") ||
        productNameText(ini.readString(kSection, "PName")) != s.PName)
        note(ini.writeString(kSection, "PName", productNameBytes(s.PName)), "PName");
    boolean("LRMBinding", s.LRMBinding);
    integer("RFPower", s.RFPower);
    boolean("ResetRF", s.ResetRF);
    integer("Delay", s.Delay);
    boolean("KBind", s.KBind);
    boolean("EnabledQUVE", s.EnabledQUVE);
    return refused;
}

} // namespace rfbind
