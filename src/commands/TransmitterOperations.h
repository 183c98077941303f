// SPDX-License-Identifier: MIT
#pragma once

#include "commands/RemoteCommands.h"
#include "link/ReceiverLink.h"

#include <cstdint>

namespace rfbind {

/// Commands to the transmitter, forwarded by the receiver over the radio: byte reads and
/// writes of its address spaces, the verified EEPROM write, access mode and resolution.
///
/// Failure contract: as the link's primitives (reads return -1 and set CommError, writes set
/// CommError only without a receiver). The access commands do nothing at all without a
/// receiver. Stateless; the link must outlive the object.
class TransmitterOperations {
public:
    explicit TransmitterOperations(ReceiverLink& link) : link_(link) {}

    /// Write-and-read-back cycles of a verified EEPROM write.
    static constexpr int kVerifiedWriteCycles = 11;
    /// Time the transmitter needs to program one EEPROM byte before it is read back, in ms.
    static constexpr int kEepromProgramMs = 40;

    /// One byte through read command `code` (remote::kRdEeprom, …): 0..255 or -1.
    int read(std::uint8_t code, int address) { return link_.RemoteRead(code, address); }

    /// One unverified write through command `code` (sent three times, nothing read back).
    void write(std::uint8_t code, int address, int value) {
        link_.RemoteWrite(code, address, value);
    }

    /// Sends one remote command (three times).
    void send(const remote::RemoteCommand& command) {
        link_.RemoteWrite(command.code, command.address, command.value);
    }

    /// Writes `value` at EEPROM `address` and reads it back, up to 11 cycles, until it
    /// matches. Returns the last read-back (-1 after a failed read); CommError is set when it
    /// never matched, also without a receiver (after the full 11 cycles).
    int verifiedEepromWrite(int address, int value);

    /// Access mode on, with or without the transmitter's LED. Nothing without a receiver.
    void enterAccess(bool withLed);
    /// Access mode off. Nothing without a receiver.
    void leaveAccess();

    /// Resolution level 0..3.
    void setupCpi(int level) { send(remote::setupCpi(static_cast<std::uint8_t>(level))); }

private:
    ReceiverLink& link_;
};

} // namespace rfbind
