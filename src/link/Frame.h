// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

namespace rfbind {

/// One receiver command exchange: an 8-byte HID feature report with report ID 1.
///
/// Request: [0] report ID 0x01, [1] command code, [2..7] arguments, zero-filled.
/// Answer (same buffer, after get-feature): data in [0] (and [1] for a 16-bit word, most
/// significant byte first); valid only when [7] holds the acknowledgement mark 0xCC.
using Frame = std::array<std::uint8_t, 8>;

namespace frame {

inline constexpr std::uint8_t kReportId = 0x01;
inline constexpr std::uint8_t kAck = 0xCC;      ///< position 7 of a valid answer
inline constexpr std::uint8_t kRemoteMark = 0xAA; ///< position 2 of a remote command

/// Receiver command: 01 cmd a2 a3 a4 a5 a6 a7.
constexpr Frame receiver(std::uint8_t cmd, std::uint8_t a2 = 0, std::uint8_t a3 = 0,
                         std::uint8_t a4 = 0, std::uint8_t a5 = 0, std::uint8_t a6 = 0,
                         std::uint8_t a7 = 0) {
    return Frame{kReportId, cmd, a2, a3, a4, a5, a6, a7};
}

/// Remote (transmitter) command, forwarded by the receiver over the radio:
/// 01 cmd AA address value 00 00 00.
constexpr Frame remote(std::uint8_t cmd, std::uint8_t address, std::uint8_t value = 0) {
    return Frame{kReportId, cmd, kRemoteMark, address, value, 0, 0, 0};
}

constexpr bool acknowledged(const Frame& answer) { return answer[7] == kAck; }

/// 16-bit answer: position 0 is the high byte, position 1 the low byte.
constexpr int word(const Frame& answer) { return answer[0] * 256 + answer[1]; }

// Command codes the primitives use themselves.
inline constexpr std::uint8_t kPrelude = 0x01;     ///< 01 01 07 08 05 / 01 01 07 08 03
inline constexpr std::uint8_t kEepromRead = 0x03;  ///< 01 03 addr
inline constexpr std::uint8_t kEepromWrite = 0x04; ///< 01 04 addr hi lo

/// Prelude sent before a receiver EEPROM write: 01 01 07 08 05 00 00 00.
inline constexpr Frame kEepromWritePrelude = receiver(kPrelude, 0x07, 0x08, 0x05);
/// Prelude sent before a remote read: 01 01 07 08 03 00 00 00.
inline constexpr Frame kRemoteReadPrelude = receiver(kPrelude, 0x07, 0x08, 0x03);

constexpr Frame eepromRead(std::uint8_t address) { return receiver(kEepromRead, address); }
constexpr Frame eepromWrite(std::uint8_t address, std::uint16_t value) {
    return receiver(kEepromWrite, address, static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value & 0xFF));
}

} // namespace frame
} // namespace rfbind
