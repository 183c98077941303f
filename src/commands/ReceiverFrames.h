// SPDX-License-Identifier: MIT
#pragma once

#include "link/Frame.h"

#include <cstdint>

namespace rfbind::receiver {

/// Receiver command frames beyond the EEPROM primitives. Every request is an 8-byte feature
/// report 01 cmd args…, zero-filled; the answer comes back in the same buffer and counts only
/// when position 7 holds frame::kAck.

// Command codes (position 1).
inline constexpr std::uint8_t kRadioChipRead = 0x06;  ///< 01 06 addr
inline constexpr std::uint8_t kRadioChipWrite = 0x07; ///< 01 07 addr data
inline constexpr std::uint8_t kSubCommand = 0x08;     ///< 01 08 sub…
inline constexpr std::uint8_t kLinkQuery = 0x09;      ///< 01 09
inline constexpr std::uint8_t kSecondQuery = 0x0A;    ///< 01 0A
inline constexpr std::uint8_t kJumpToPor = 0x0E;      ///< 01 0E 55 AA CC
inline constexpr std::uint8_t kReloadParameter = 0x0F; ///< 01 0F CC 33 55
inline constexpr std::uint8_t kDirectWrite = 0x12;    ///< 01 12 addr data
inline constexpr std::uint8_t kDirectRead = 0x14;     ///< 01 14 addr; 01 14 FF AA n
inline constexpr std::uint8_t kDeviceType = 0x17;     ///< 01 17 3C 5A t

/// Sub-command of 0x08 that makes the receiver apply the hot keys stored in its EEPROM.
inline constexpr std::uint8_t kUpdateCustKey = 0x0B;
/// Direct-register address that turns a 0x14 read into a status query.
inline constexpr std::uint8_t kStatusRegister = 0xFF;

/// Status queries: n in 01 14 FF AA n.
inline constexpr std::uint8_t kStatusLink = 1;    ///< radio link state; position 1 counts mouse traffic
inline constexpr std::uint8_t kStatusBinding = 4; ///< position 1: 0x33 pairing, 0xBB otherwise
/// Answer positions a status query fills (position 7 is the acknowledgement).
inline constexpr int kStatusAnswerBytes = 7;

/// Answer positions.
inline constexpr int kDirectAnswerPos = 0;     ///< direct-register read answers in position 0
inline constexpr int kRadioChipAnswerPos = 1;  ///< radio-chip read answers in position 1
inline constexpr int kLinkMouseIdPos = 1;      ///< link query: mouse ID
inline constexpr int kLinkKeyboardIdPos = 2;   ///< link query: keyboard ID

/// Which transmitter the station handles, as the device-type report tells the receiver.
enum class DeviceType : std::uint8_t { Mouse = 0x01, Keyboard = 0x02 };

/// Link query: 01 09 00 00 00 00 00 00. Answer: channel, mouse ID, keyboard ID.
constexpr Frame linkQuery() { return frame::receiver(kLinkQuery); }

/// The query sent once more at connection: 01 0A 00 00 00 00 00 00; its answer is not used.
constexpr Frame secondQuery() { return frame::receiver(kSecondQuery); }

/// Device-type report: 01 17 3C 5A t 00 00 00 (3C 5A guard the command, t the device type).
constexpr Frame deviceTypeReport(DeviceType type) {
    return frame::receiver(kDeviceType, 0x3C, 0x5A, static_cast<std::uint8_t>(type));
}

/// Direct-register read: 01 14 addr 00 00 00 00 00; the register comes back in position 0.
constexpr Frame directRegisterRead(std::uint8_t address) {
    return frame::receiver(kDirectRead, address);
}

/// Direct-register write: 01 12 addr data 00 00 00 00; no answer is read.
constexpr Frame directRegisterWrite(std::uint8_t address, std::uint8_t data) {
    return frame::receiver(kDirectWrite, address, data);
}

/// Radio-chip register read: 01 06 addr 00 00 00 00 00; the register comes back in position 1.
constexpr Frame radioChipRead(std::uint8_t address) {
    return frame::receiver(kRadioChipRead, address);
}

/// Radio-chip register write: 01 07 addr data 00 00 00 00; verified by reading back.
constexpr Frame radioChipWrite(std::uint8_t address, std::uint8_t data) {
    return frame::receiver(kRadioChipWrite, address, data);
}

/// Status query n: 01 14 FF AA n 00 00 00 (FF selects the status register, AA guards it).
constexpr Frame statusQuery(std::uint8_t n) {
    return frame::receiver(kDirectRead, kStatusRegister, frame::kRemoteMark, n);
}

/// Restart the receiver firmware as after power-on: 01 0E 55 AA CC 00 00 00.
constexpr Frame jumpToPor() { return frame::receiver(kJumpToPor, 0x55, 0xAA, 0xCC); }

/// Reload the receiver's parameters from its EEPROM: 01 0F CC 33 55 00 00 00.
constexpr Frame reloadParameter() { return frame::receiver(kReloadParameter, 0xCC, 0x33, 0x55); }

/// Apply the hot keys of EEPROM words 3..6: 01 08 0B 00 00 00 00 00.
constexpr Frame updateCustKey() { return frame::receiver(kSubCommand, kUpdateCustKey); }

} // namespace rfbind::receiver
