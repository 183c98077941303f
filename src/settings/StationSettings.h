// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rfbind {

class IniFile;

/// The station's settings file, in the working folder.
inline constexpr std::string_view kSettingsFileName = "TX.ini";
/// The section that holds the station's options and its four numbering generators.
inline constexpr std::string_view kSettingsSection = "TX";
/// Product name of the receiver when the file holds none.
inline constexpr std::string_view kDefaultProductName = "USB 2.4G Wireless Desktop";

/// Every key the station writes to section "TX", in the order it writes them; a new file lists
/// them in this order.
inline constexpr std::array<std::string_view, 25> kSettingsKeys = {
    "CustKey1",    "CustKey2",   "MouseOnly",  "SoftISS",   "Sleep", "WakeupPeriod", "CPI",
    "PowerSaving", "Wakeup",     "BTY",        "VID",       "PID",   "TX_Erased",    "RX_Erased",
    "PName",       "LRMBinding", "RFPower",    "ResetRF",   "Delay", "KBind",        "EnabledQUVE",
    "RXSNINFO",    "TXSNINFO",   "RXRFIDINFO", "TXRFIDINFO"};

/// Range of the USB suspend sleep spin value ("Sleep").
inline constexpr std::int32_t kSleepFirst = 0, kSleepLast = 240;
/// Range of the USB suspend wake-up spin value ("WakeupPeriod").
inline constexpr std::int32_t kWakeupPeriodFirst = 3, kWakeupPeriodLast = 19;
/// Largest USB vendor or product ID; an ID of 0 means "none".
inline constexpr std::int32_t kUsbIdMax = 0xFFFF;

/// A stored value the station did not take as it is, with the reason in plain English.
struct Refused {
    std::string key;    ///< the key in section "TX", e.g. "PName"
    std::string value;  ///< the value as stored (UTF-8 for "PName")
    std::string reason; ///< why, one sentence
};

/// The option values of section "TX" (all keys but the four generators), as the window's
/// controls hold them. Each member carries the key's default, so a default-constructed value
/// is what a file without any of these keys describes.
struct StationSettings {
    std::int32_t CustKey1 = 0;      ///< item index of hot-key list 1 (default: the caller's)
    std::int32_t CustKey2 = 0;      ///< item index of hot-key list 2 (default: the caller's)
    bool MouseOnly = true;          ///< receiver type: mouse only (else keyboard and mouse)
    bool SoftISS = true;            ///< CPI switch enabled (else disabled)
    std::int32_t Sleep = 56;        ///< USB suspend sleep spin value
    std::int32_t WakeupPeriod = 15; ///< USB suspend wake-up spin value
    std::int32_t CPI = 0;           ///< 0 low, 1 high
    std::int32_t PowerSaving = 0;   ///< 0 off, 1 wake-up by button, 2 on
    std::int32_t Wakeup = 0;        ///< 0 by motion and button, 1 by button only
    /// Item index of the battery-level list; -1 (nothing selected, what the station stores for
    /// it) and 3..7 stand for no item.
    std::int32_t BTY = 6;
    /// USB IDs for the receiver; stored only when both are above 0.
    std::int32_t VID = 0;
    std::int32_t PID = 0;
    bool TX_Erased = false;
    bool RX_Erased = false;
    /// Receiver product string in UTF-8 (the file keeps it in Latin-1, see
    /// ReadStationSettings). productstring::check() tells whether a receiver can take it.
    std::string PName = std::string(kDefaultProductName);
    bool LRMBinding = false;
    std::int32_t RFPower = 3; ///< item index of the RF power list, 0..3
    bool ResetRF = true;
    /// Kept for the file's sake only: read and written back unchanged.
    std::int32_t Delay = 0;
    bool KBind = false;
    bool EnabledQUVE = false;

    /// Stored values the station can neither show nor program: "VID" or "PID" outside
    /// 1..0xFFFF, "PName" longer than 46 characters or holding a character that is not
    /// Latin-1 (productstring::check). For such a key the member above does not hold the
    /// stored value (an ID reads 0; "PName" holds the text, which check() refuses).
    ///
    /// - Filled by ReadStationSettings; the window lists every entry, with its reason, in the
    ///   message it shows after loading.
    /// - WriteStationSettings writes an entry's `value` back instead of the member, so the
    ///   file keeps the stored value as it is until the supervisor changes that field; the
    ///   window then drops the entry and the new value is saved.
    /// - A run must refuse settings with any entry here before its first frame to a unit,
    ///   naming the key and the reason: a unit would otherwise get a value nobody chose (an
    ///   empty ID, a cut or altered product string).
    std::vector<Refused> refused;

    /// Stored values that were not usable and were replaced by the key's default (a hot-key
    /// index past the list, a choice the list does not have, a spin value out of its range,
    /// text that is no number). The controls show the default, a run programs it and the next
    /// save stores it; the window lists every entry in the message it shows after loading, so
    /// nothing changes unseen. Filled by ReadStationSettings, ignored by WriteStationSettings.
    std::vector<Refused> replacedByDefault;

    /// The entry of `refused` for `key`, or nullptr.
    const Refused* refusedEntry(std::string_view key) const;
};

/// Reads the option keys of section "TX". An absent key, or a value that is not a number,
/// gives the key's default (`defaultCustKey1`/`defaultCustKey2` for the hot keys). Integers
/// may be decimal or hexadecimal after "0x" or "$"; a Boolean is any integer, True unless 0.
/// A number outside the values a choice has (e.g. "CPI" = 5, "RFPower" = 9, "BTY" outside
/// 0..7, a hot key outside 0..`hotKeyCount`−1, "Sleep" outside 0..240) gives the key's
/// default and is listed in `replacedByDefault`; a present value that is not a number is
/// listed there too; "BTY" = -1, what the station stores for no selection, reads as the default
/// without being listed. "VID"/"PID" outside 1..0xFFFF and a "PName" a receiver cannot take are
/// listed in `refused`.
///
/// "PName" is read as UTF-8 when its bytes are well-formed UTF-8 with at least one character
/// beyond ASCII (a file edited by hand in a UTF-8 editor), otherwise as Latin-1 bytes, the code
/// page the station writes. A Latin-1 text that happens to be well-formed UTF-8 (such as
/// "Ã©") is therefore read as UTF-8; real product names do not look like that.
StationSettings ReadStationSettings(const IniFile& ini, std::int32_t defaultCustKey1,
                                    std::int32_t defaultCustKey2, std::int32_t hotKeyCount);

/// Writes the option keys of section "TX" in the order of `kSettingsKeys` (integers in decimal,
/// Booleans as "1"/"0"); "VID" and "PID" are written when both are above 0 and otherwise both
/// deleted. A key listed in `settings.refused` is written with the entry's value instead
/// (and "VID"/"PID" are then written or deleted one by one). "PName" is written in Latin-1
/// when every character is Latin-1, otherwise (a refused text read from a UTF-8 file) in
/// UTF-8 as it was read. Keys already in the store keep their place. Returns the keys whose
/// value could not be stored (a value holding a line end), empty when all were.
std::string WriteStationSettings(IniFile& ini, const StationSettings& settings);

} // namespace rfbind
