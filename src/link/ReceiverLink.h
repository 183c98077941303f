// SPDX-License-Identifier: MIT
#pragma once

#include "link/Clock.h"
#include "link/Frame.h"
#include "link/HidDevice.h"

#include <cstdint>

namespace rfbind {

/// The link to the selected receiver and the five primitives every command goes through.
///
/// Failure contract: primitives never throw. SendReport returns false and leaves CommError
/// alone; the others set CommError (sticky: nothing here ever clears it) and the readers
/// return -1. A run clears CommError before its steps and tests it after each one.
///
/// All calls happen on the user-interface thread; the primitives pump pending window messages
/// inside their loops (through the Clock), so a device change may set ActiveDevice to none in
/// the middle of a call; the next transfer then fails in the orderly way above.
class ReceiverLink {
public:
    explicit ReceiverLink(Clock& clock) : clock_(clock) {}

    /// The receiver all primitives talk to, or nullptr. Not owned: it points into the
    /// station's device list, which outlives it until the next device change.
    HidDevice* ActiveDevice = nullptr;
    /// Sticky failure flag.
    bool CommError = false;
    /// Attempts of the EEPROM primitives, RemoteRead and the register and status loops.
    std::int32_t RetryCount = 30;
    /// Bytes handed to the transfers of remote commands and of handlers that build frames.
    std::int32_t ReportLength = 8;

    /// Sends 01 b1 b2 b3 b4 00 00 00 (length 8). True when the set-feature succeeded.
    bool SendReport(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4);

    /// Writes a 16-bit word at a receiver EEPROM word address (0..255) and verifies it by
    /// reading back: up to RetryCount writes. Failure sets CommError.
    void WriteReceiverEeprom(int address, int value);

    /// The 16-bit word at a receiver EEPROM word address, or -1 (CommError set).
    int ReadReceiverEeprom(int address);

    /// One byte read from the transmitter through the receiver (0..255), or -1 (CommError set)
    /// after RetryCount unanswered attempts or one second.
    int RemoteRead(int command, int address);

    /// Sends a remote command three times; nothing is read back. Sets CommError only when no
    /// receiver is selected.
    void RemoteWrite(int command, int address, int value);

    /// Set-feature of `frame` with ReportLength bytes (at most the frame's 8). False when no
    /// receiver is selected or the transfer failed.
    bool setFeature(const Frame& frame);
    /// Get-feature into `frame` with ReportLength bytes; same result rule.
    bool getFeature(Frame& frame);
    /// The same two with a fixed length of 8 bytes.
    bool setFeature8(const Frame& frame);
    bool getFeature8(Frame& frame);

    Clock& clock() { return clock_; }

private:
    std::size_t reportBytes() const;

    Clock& clock_;
};

} // namespace rfbind
