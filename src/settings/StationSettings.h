// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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
    /// Item index of the battery-level list; -1 (nothing selected) and 3..7 stand for no item.
    std::int32_t BTY = 6;
    /// USB IDs for the receiver; stored only when both are above 0.
    std::int32_t VID = 0;
    std::int32_t PID = 0;
    bool TX_Erased = false;
    bool RX_Erased = false;
    /// Receiver product string, 8-bit code page.
    std::string PName = std::string(kDefaultProductName);
    bool LRMBinding = false;
    std::int32_t RFPower = 3; ///< item index of the RF power list, 0..3
    bool ResetRF = true;
    /// Kept for the file's sake only: read and written back unchanged.
    std::int32_t Delay = 0;
    bool KBind = false;
    bool EnabledQUVE = false;
};

/// Reads the option keys of section "TX". An absent key, or a value that is not a number,
/// gives the key's default (`defaultCustKey1`/`defaultCustKey2` for the hot keys). Integers
/// may be decimal or hexadecimal after "0x" or "$"; a Boolean is any integer, True unless 0.
/// A number outside the values a choice has (e.g. "CPI" = 5, "RFPower" = 9, "BTY" outside
/// 0..7) gives the key's default.
StationSettings ReadStationSettings(const IniFile& ini, std::int32_t defaultCustKey1,
                                    std::int32_t defaultCustKey2);

/// Writes the option keys of section "TX" in the order of `kSettingsKeys` (integers in decimal,
/// Booleans as "1"/"0"); "VID" and "PID" are written when both are above 0 and otherwise both
/// deleted. Keys already in the store keep their place. Returns the keys whose value could not
/// be stored (a value holding a line end), empty when all were.
std::string WriteStationSettings(IniFile& ini, const StationSettings& settings);

} // namespace rfbind
