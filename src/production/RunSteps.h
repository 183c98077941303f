// SPDX-License-Identifier: MIT
#pragma once

#include "commands/ReceiverEepromMap.h"
#include "commands/TransmitterEepromMap.h"

#include <cstdint>
#include <string>

namespace rfbind::runsteps {

/// Fixed figures and small rules of the production runs (programming run, Go run, erase
/// runs) that need no window. Times are milliseconds.

// ---- programming run -------------------------------------------------------------------

/// The transmitter needs this long after every access-mode change and radio-chip write.
inline constexpr int kSettleMs = 50;
/// The three link waits of a run give up after this many negative link tests in total.
inline constexpr int kLinkWaitFailures = 10;
/// Pause after a negative link test inside a wait.
inline constexpr int kLinkWaitPauseMs = 1;
/// Link tests of the final check (the operator moves the mouse meanwhile).
inline constexpr int kFinalLinkTests = 10;
/// Pause between two polls of the keyboard words while a keyboard binds.
inline constexpr int kBindPollMs = 100;
/// Pause between two asks for the pairing window while another slot pairs (gang station).
inline constexpr int kPairingTurnPollMs = 50;
/// Pause between the transmitter's and the receiver's power restore.
inline constexpr int kPowerRestoreGapMs = 20;
/// The progress bar's last step: the unit answered after programming.
inline constexpr int kProgressDone = 20;

/// Radio-chip register that holds the RF power code (both radio chips).
inline constexpr std::uint8_t kPowerRegister = 0x01;
/// Transmitter radio-chip registers the run clears before programming.
inline constexpr std::uint8_t kTxRadioRegister0F = 0x0F;
inline constexpr std::uint8_t kTxRadioRegister0A = 0x0A;

/// Receivers after this version take the radio settings as receiver commands; older ones
/// as direct-register writes.
inline constexpr std::uint16_t kLastDirectRegisterVersion = 0xA011;

/// The four command bytes after the report ID of one receiver report.
struct ReportBytes {
    std::uint8_t b1, b2, b3, b4;
    friend constexpr bool operator==(const ReportBytes&, const ReportBytes&) = default;
};

/// The receiver radio setting sent after the RF power is lowered (first) and after the
/// transmitter's radio register 0x0A is cleared (second).
constexpr ReportBytes firstRadioSetting(std::uint16_t receiverVersion) {
    return receiverVersion > kLastDirectRegisterVersion ? ReportBytes{0x08, 0x30, 0x00, 0x02}
                                                        : ReportBytes{0x12, 0x92, 0x00, 0x02};
}
constexpr ReportBytes secondRadioSetting(std::uint16_t receiverVersion) {
    return receiverVersion > kLastDirectRegisterVersion ? ReportBytes{0x08, 0x32, 0x00, 0x02}
                                                        : ReportBytes{0x12, 0x98, 0x00, 0x02};
}

/// Sensor class code kept in the receiver's sensor code word, from the transmitter sensor's
/// identification byte (-1 when it could not be read).
constexpr std::int32_t sensorCode(int sensorId) {
    return sensorId == 0x11 || sensorId == 0x29 ? 0x91 : 0x9D;
}

/// The L+R+M binding byte of the transmitter EEPROM (its complement goes after it).
constexpr std::uint8_t lrmBindingByte(bool enabled) { return enabled ? 0x24 : 0x20; }

// ---- erase runs ------------------------------------------------------------------------

/// Pause after each erased address.
inline constexpr int kErasePauseMs = 20;
/// Link tests before an erase run decides whether the devices are there.
inline constexpr int kEraseLinkTests = 11;

/// The progress bar (0..20) after erasing transmitter byte `address` (0..127).
constexpr int transmitterEraseProgress(int address) { return (address + 1) * 20 / txeeprom::kByteCount; }
/// The same after erasing receiver word `address` (0..63); the last two words both show 20.
constexpr int receiverEraseProgress(int address) { return (address + 1) * 20 / (rxeeprom::kWordCount - 1); }

// ---- cycle time ------------------------------------------------------------------------

/// Link tests of the Go run before it decides whether the transmitter is there.
inline constexpr int kGoLinkTests = 5;

/// A duration as the station shows it: seconds, a point and the milliseconds as three
/// digits (12045 ms as "12.045", 9 ms as "0.009").
std::string secondsText(std::uint32_t ms);

} // namespace rfbind::runsteps
