// SPDX-License-Identifier: MIT
#pragma once

#include "link/Frame.h"

#include <cstdint>

namespace rfbind::remote {

/// Commands the receiver forwards to the transmitter over the radio. On the wire each is the
/// frame 01 code AA address value 00 00 00 (frame::remote); reads answer one byte in
/// position 0, writes are not acknowledged.

inline constexpr std::uint8_t kWrtEeprom = 0x21;     ///< C_RF_Wrt_EEPROM: EEPROM byte address, data
inline constexpr std::uint8_t kWrtIndexReg = 0x22;   ///< C_RF_Wrt_Index_Reg
inline constexpr std::uint8_t kWrtDirectReg = 0x23;  ///< C_RF_Wrt_Direct_Reg
inline constexpr std::uint8_t kRdEeprom = 0x24;      ///< C_RF_Rd_EEPROM
inline constexpr std::uint8_t kRdIndexReg = 0x25;    ///< C_RF_Rd_Index_Reg
inline constexpr std::uint8_t kRdDirectReg = 0x26;   ///< C_RF_Rd_Direct_Reg
inline constexpr std::uint8_t kWrtRadioChip = 0x27;  ///< C_RF_Wrt_RFIC_ARF2496K
inline constexpr std::uint8_t kRdRadioChip = 0x28;   ///< C_RF_Rd_RFIC_ARF2496K
inline constexpr std::uint8_t kWrtSensor = 0x29;     ///< C_RF_Wrt_Sensor
inline constexpr std::uint8_t kRdSensor = 0x2A;      ///< C_RF_Rd_Sensor
inline constexpr std::uint8_t kEnterAccess = 0x2B;   ///< C_RF_ENTER_ACCESS: 5A, 33 | CC
inline constexpr std::uint8_t kLeaveAccess = 0x2C;   ///< C_RF_LEAVE_ACCESS: 00, 00
inline constexpr std::uint8_t kSetupCpi = 0x2F;      ///< C_RF_SETUP_CPI: level, CC

/// Address byte of the access command (a guard, not a location).
inline constexpr std::uint8_t kAccessGuard = 0x5A;
/// Value byte of the access command: access mode without or with the transmitter's LED.
inline constexpr std::uint8_t kAccessWithoutLed = 0x33;
inline constexpr std::uint8_t kAccessWithLed = 0xCC;
/// Value byte of the resolution command.
inline constexpr std::uint8_t kCpiGuard = 0xCC;
/// Highest resolution level.
inline constexpr int kMaxCpiLevel = 3;

/// The transmitter's direct register that takes a command byte.
inline constexpr std::uint8_t kCommandRegister = 0xFF;
/// Command bytes for that register: restart as after power-on, reload the system parameters
/// (own and partner radio IDs) from the EEPROM.
inline constexpr std::uint8_t kJumpToPor = 0x3C;
inline constexpr std::uint8_t kFastReload = 0x3D;

/// Radio-chip register that holds the RF power code (the same on both radio chips).
inline constexpr std::uint8_t kRadioChipPowerRegister = 0x01;
/// Sensor register that holds the sensor's identification.
inline constexpr std::uint8_t kSensorIdRegister = 0x00;

/// One remote command as the receiver primitive RemoteWrite takes it.
struct RemoteCommand {
    std::uint8_t code = 0;
    std::uint8_t address = 0;
    std::uint8_t value = 0;

    /// The frame on the wire: 01 code AA address value 00 00 00.
    constexpr Frame frame() const { return frame::remote(code, address, value); }
    friend constexpr bool operator==(const RemoteCommand&, const RemoteCommand&) = default;
};

/// Enter access mode: 01 2B AA 5A 33|CC 00 00 00.
constexpr RemoteCommand enterAccess(bool withLed) {
    return {kEnterAccess, kAccessGuard, withLed ? kAccessWithLed : kAccessWithoutLed};
}

/// Leave access mode: 01 2C AA 00 00 00 00 00.
constexpr RemoteCommand leaveAccess() { return {kLeaveAccess, 0x00, 0x00}; }

/// Set the resolution level 0..3: 01 2F AA level CC 00 00 00.
constexpr RemoteCommand setupCpi(std::uint8_t level) { return {kSetupCpi, level, kCpiGuard}; }

/// Restart the transmitter: direct register FF := 3C.
constexpr RemoteCommand jumpToPor() { return {kWrtDirectReg, kCommandRegister, kJumpToPor}; }

/// Reload the transmitter's system parameters: direct register FF := 3D.
constexpr RemoteCommand fastReload() { return {kWrtDirectReg, kCommandRegister, kFastReload}; }

} // namespace rfbind::remote
