// SPDX-License-Identifier: MIT
#include "production/UnitRecipe.h"

#include "commands/DeviceOptions.h"
#include "commands/HotKeys.h"
#include "commands/ProductString.h"
#include "text/Hex.h"

#include <cstdio>

namespace rfbind {

namespace {

/// The product string's problem in the words of its field: what is wrong (the first clause
/// of the explanation, which is all a FAIL line has room for) and where to mend it.
std::string productStringProblem(const std::string& text) {
    std::string why = productstring::explain(text).reason;
    why = why.substr(0, why.find(';'));
    if (!why.empty() && why.back() == '.')
        why.pop_back();
    return "the product string \"" + text + "\": " + why + "; correct it under StringDesc";
}

} // namespace

std::optional<std::string> UnitRecipe::problem() const {
    const StationSettings& s = settings;
    for (const auto& [name, value] : {std::pair{"VID", s.VID}, std::pair{"PID", s.PID}})
        if (value < 0 || value > 0xFFFF)
            return std::string(name) + " " + hexText(static_cast<std::uint64_t>(value), 1) +
                   " is not a USB ID: enter 1 to FFFF, or leave it empty";
    // Values the settings file holds but the station could not show or program are kept
    // as stored; a unit is never programmed with a stand-in for them.
    if (!s.refused.empty()) {
        const Refused& r = s.refused.front();
        if (r.key == "PName")
            return productStringProblem(r.value);
        return r.key + " " + r.value + " (as stored in the settings file): " + r.reason;
    }
    if (productstring::check(productName) != productstring::Problem::None)
        return productStringProblem(productName);
    const hotkeys::HotKeyList list = hotkeys::hotKeyList(zoomKeys);
    const int keys = static_cast<int>(list.items.size());
    for (const auto& [name, index] : {std::pair{"CustKey1", s.CustKey1}, std::pair{"CustKey2", s.CustKey2}}) {
        if (index < 0)
            return std::string(name) + ": no hot key is chosen; choose one";
        if (index >= keys)
            return std::string(name) + ": the stored choice (item " + std::to_string(index + 1) +
                   ") is not in this station's list of " + std::to_string(keys) + " hot keys; choose one";
    }
    if (s.Sleep < options::kSleepPeriodMin || s.Sleep > options::kSleepPeriodMax)
        return "Sleep Period " + std::to_string(s.Sleep) + " is outside 0 to 240";
    if (s.WakeupPeriod < options::kWakeupPeriodMin || s.WakeupPeriod > options::kWakeupPeriodMax)
        return "Wakeup Period " + std::to_string(s.WakeupPeriod) + " is outside 3 to 19";
    return std::nullopt;
}

UnitRecipe UnitRecipe::withZoomListsRefilled() const {
    UnitRecipe refilled = *this;
    const hotkeys::HotKeyList list = hotkeys::hotKeyList(true);
    refilled.zoomKeys = true;
    refilled.settings.CustKey1 = list.default1;
    refilled.settings.CustKey2 = list.default2;
    return refilled;
}

std::uint16_t UnitRecipe::hotKeyCode(int slot) const {
    const hotkeys::HotKeyList list = hotkeys::hotKeyList(zoomKeys);
    const int index = slot == 2 ? settings.CustKey2 : settings.CustKey1;
    return list.items[static_cast<std::size_t>(index)].code;
}

std::string UnitRecipe::productBytes() const { return productstring::toReceiverBytes(productName); }

std::string UnitRecipe::fingerprint() const {
    const StationSettings& s = settings;
    std::string text;
    const auto add = [&text](const char* key, long long value) {
        text += key;
        text += '=';
        text += std::to_string(value);
        text += '\n';
    };
    add("CustKey1", s.CustKey1);
    add("CustKey2", s.CustKey2);
    add("MouseOnly", s.MouseOnly);
    add("SoftISS", s.SoftISS);
    add("Sleep", s.Sleep);
    add("WakeupPeriod", s.WakeupPeriod);
    add("CPI", s.CPI);
    add("PowerSaving", s.PowerSaving);
    add("Wakeup", s.Wakeup);
    add("BTY", s.BTY);
    add("ZoomKeys", zoomKeys);
    add("VID", s.VID);
    add("PID", s.PID);
    add("LRMBinding", s.LRMBinding);
    add("RFPower", s.RFPower);
    add("ResetRF", s.ResetRF);
    add("KBind", s.KBind);
    text += "PName=" + productName + "\n";
    std::uint64_t h = 1469598103934665603ULL;
    for (const unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

} // namespace rfbind
