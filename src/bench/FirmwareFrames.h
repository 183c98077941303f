// SPDX-License-Identifier: MIT
#pragma once

#include "link/Frame.h"

#include <array>
#include <cstdint>

/// The firmware side of the command frame: the request codes the bench's receiver and
/// transmitters recognise, and the shapes of their answers. Request layout and the
/// acknowledgement mark are those of link/Frame.h; an answer is the eight bytes the next
/// get-feature returns.
namespace rfbind::bench::firmware {

// --- Receiver requests (position 1 = code, positions 2.. arguments) -------------------------

inline constexpr std::uint8_t kEepromRead = frame::kEepromRead;   ///< 03 a
inline constexpr std::uint8_t kEepromWrite = frame::kEepromWrite; ///< 04 a hi lo
inline constexpr std::uint8_t kRadioChipRead = 0x06;              ///< 06 a
inline constexpr std::uint8_t kRadioChipWrite = 0x07;             ///< 07 a d
inline constexpr std::uint8_t kBind = 0x08;                       ///< 08 00 01 opens pairing
inline constexpr std::uint8_t kLinkQuery = 0x09;                  ///< 09
inline constexpr std::uint8_t kRestart = 0x0E;                    ///< 0E 55 AA CC
inline constexpr std::uint8_t kReload = 0x0F;                     ///< 0F CC 33 55
inline constexpr std::uint8_t kDirectWrite = 0x12;                ///< 12 a d
inline constexpr std::uint8_t kDirectRead = 0x14;                 ///< 14 a, or 14 FF AA n

/// 08 00 01: the bind request's sub-code bytes.
inline constexpr std::array<std::uint8_t, 2> kBindArgs = {0x00, 0x01};
/// 0E 55 AA CC and 0F CC 33 55: the keys that guard restart and reload against stray frames.
inline constexpr std::array<std::uint8_t, 3> kRestartKey = {0x55, 0xAA, 0xCC};
inline constexpr std::array<std::uint8_t, 3> kReloadKey = {0xCC, 0x33, 0x55};

/// 14 FF AA n: a direct-register read of FF followed by AA selects a status query instead.
inline constexpr std::uint8_t kStatusRegister = 0xFF;
inline constexpr std::uint8_t kStatusMark = 0xAA;
inline constexpr std::uint8_t kStatusLink = 0x01;    ///< link counters and channels
inline constexpr std::uint8_t kStatusBinding = 0x04; ///< pairing window
inline constexpr std::uint8_t kPairingWindowOpen = 0x33;
inline constexpr std::uint8_t kPairingWindowClosed = 0xBB;

// --- Remote requests: 01 cmd AA addr value, forwarded to the mouse --------------------------

inline constexpr std::uint8_t kRemoteFirst = 0x21;
inline constexpr std::uint8_t kRemoteLast = 0x2F;

inline constexpr std::uint8_t kTxEepromWrite = 0x21;
inline constexpr std::uint8_t kTxIndexWrite = 0x22;
inline constexpr std::uint8_t kTxDirectWrite = 0x23;
inline constexpr std::uint8_t kTxEepromRead = 0x24;
inline constexpr std::uint8_t kTxIndexRead = 0x25;
inline constexpr std::uint8_t kTxDirectRead = 0x26;
inline constexpr std::uint8_t kTxRadioChipWrite = 0x27;
inline constexpr std::uint8_t kTxRadioChipRead = 0x28;
inline constexpr std::uint8_t kTxSensorWrite = 0x29;
inline constexpr std::uint8_t kTxSensorRead = 0x2A;
inline constexpr std::uint8_t kTxEnterAccess = 0x2B; ///< 2B 5A 33 (no LED) | 2B 5A CC (LED)
inline constexpr std::uint8_t kTxLeaveAccess = 0x2C;
inline constexpr std::uint8_t kTxSetupCpi = 0x2F; ///< 2F level CC

inline constexpr std::uint8_t kAccessKey = 0x5A;
inline constexpr std::uint8_t kAccessWithoutLed = 0x33;
inline constexpr std::uint8_t kAccessWithLed = 0xCC;
inline constexpr std::uint8_t kCpiKey = 0xCC;

/// Transmitter direct register FF takes commands: 3C restart, 3D fast reload.
inline constexpr std::uint8_t kTxCommandRegister = 0xFF;
inline constexpr std::uint8_t kTxRestart = 0x3C;
inline constexpr std::uint8_t kTxFastReload = 0x3D;

constexpr bool isRemote(const Frame& request) {
    return request[1] >= kRemoteFirst && request[1] <= kRemoteLast &&
           request[2] == frame::kRemoteMark;
}
constexpr std::uint8_t remoteAddress(const Frame& request) { return request[3]; }
constexpr std::uint8_t remoteValue(const Frame& request) { return request[4]; }

// --- Answers --------------------------------------------------------------------------------

/// The request handed back with the acknowledgement mark: what every command that returns no
/// data answers.
constexpr Frame ackedEcho(Frame request) {
    request[7] = frame::kAck;
    return request;
}

/// One byte at position 0: direct-register reads and every remote read.
constexpr Frame byteAnswer(std::uint8_t value) { return Frame{value, 0, 0, 0, 0, 0, 0, frame::kAck}; }

/// One byte at position 1: the radio-chip register read.
constexpr Frame radioChipAnswer(std::uint8_t value) {
    return Frame{0, value, 0, 0, 0, 0, 0, frame::kAck};
}

/// A 16-bit word, high byte at position 0: the EEPROM read.
constexpr Frame wordAnswer(std::uint16_t word) {
    return Frame{static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFF),
                 0, 0, 0, 0, 0, frame::kAck};
}

/// Status query 1: threshold, mouse link counter, keyboard link counter, current channel,
/// RSSI channel, bind channel, good-channel count.
constexpr Frame linkStatusAnswer(std::uint8_t threshold, std::uint8_t mouseCounter,
                                 std::uint8_t keyboardCounter, std::uint8_t channel,
                                 std::uint8_t rssiChannel, std::uint8_t bindChannel,
                                 std::uint8_t goodChannels) {
    return Frame{threshold,   mouseCounter, keyboardCounter, channel,
                 rssiChannel, bindChannel,  goodChannels,    frame::kAck};
}

/// Status query 4: the pairing window state at position 1.
constexpr Frame bindingStatusAnswer(bool windowOpen) {
    return Frame{0, windowOpen ? kPairingWindowOpen : kPairingWindowClosed, 0, 0, 0, 0, 0,
                 frame::kAck};
}

/// Link query: channel, mouse ID, keyboard ID.
constexpr Frame linkQueryAnswer(std::uint8_t channel, std::uint8_t mouseId,
                                std::uint8_t keyboardId) {
    return Frame{channel, mouseId, keyboardId, 0, 0, 0, 0, frame::kAck};
}

/// What a remote request gets when the transmitter is out of reach: nothing came back over
/// the radio, so the receiver hands over an empty buffer without the mark.
inline constexpr Frame kNoRadioAnswer{};

} // namespace rfbind::bench::firmware
