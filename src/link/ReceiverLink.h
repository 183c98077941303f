// SPDX-License-Identifier: MIT
#pragma once

#include "link/Clock.h"
#include "link/Frame.h"
#include "link/HidDevice.h"

#include <cstdint>
#include <string>

namespace rfbind {

/// The first failure of the link's primitives since CommError was last cleared: what kind of
/// failure and, for messages, what happened ("feature report transfer failed (Input/output
/// error)", "not acknowledged after 30 tries").
struct LinkFailure {
    enum class Kind {
        None,
        NoReceiver,      ///< no receiver selected, or its device is gone or cannot be opened
        TransferFailed,  ///< the system failed the transfer (its reason in the text)
        ShortTransfer,   ///< a transfer moved fewer bytes than the report holds
        NotAcknowledged, ///< the receiver or transmitter never acknowledged within the tries
        NotConfirmed,    ///< an EEPROM word never read back as written
    };
    Kind kind = Kind::None;
    std::string text;

    explicit operator bool() const { return kind != Kind::None; }
    /// True for the failures that happened below the protocol: a transfer the system failed or
    /// cut short, or a device that could not be reached.
    bool transferLevel() const {
        return kind == Kind::NoReceiver || kind == Kind::TransferFailed ||
               kind == Kind::ShortTransfer;
    }
};

/// The sticky failure flag, usable as the plain bool it has always been. It also holds the
/// first failure the primitives noted since it was last cleared: clearing the flag (assigning
/// false) forgets that failure, so a later one is reported as the run's own.
class CommErrorFlag {
public:
    CommErrorFlag& operator=(bool failed) {
        failed_ = failed;
        if (!failed)
            failure_ = {};
        return *this;
    }
    operator bool() const { return failed_; }

    /// Sets the flag; keeps `failure` unless one is held already.
    void raise(LinkFailure failure) {
        failed_ = true;
        if (!failure_)
            failure_ = std::move(failure);
    }
    const LinkFailure& failure() const { return failure_; }

private:
    bool failed_ = false;
    LinkFailure failure_;
};

/// The link to the selected receiver and the five primitives every command goes through.
///
/// Failure contract: primitives never throw. SendReport returns false and leaves CommError
/// alone; the others set CommError (sticky: nothing here ever clears it) and the readers
/// return -1. The engineering pages clear CommError before a command and test it after; where
/// a primitive sets it, it also says why (lastFailure), the first reason since it was cleared.
/// The production runs judge each step on its own instead: every failure is also noted for
/// the operation under way (beginOperation, operationFailure), whatever CommError holds.
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
    CommErrorFlag CommError;
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

    /// The first failure since CommError was last cleared; Kind::None when CommError is clear
    /// or was set by a caller rather than by a primitive.
    const LinkFailure& lastFailure() const { return CommError.failure(); }

    /// Starts watching one operation (a write, a command, a search) for failures of the
    /// primitives, independent of CommError: forgets the failure noted so far.
    void beginOperation() { operationFailure_ = {}; }
    /// The first failure of the primitives since beginOperation(); Kind::None when they all
    /// went through. The production runs judge their steps by this, never by CommError.
    const LinkFailure& operationFailure() const { return operationFailure_; }

    /// The latest transfer through this link as a failure: Kind::None when it went through
    /// (or none was made), else how it failed. Commands that leave CommError alone (the link
    /// query) fail this way.
    LinkFailure lastTransferFailure() const;

    /// Sets CommError, with why for lastFailure unless an earlier failure is held. For the
    /// command layers that build on the primitives.
    void fail(LinkFailure::Kind kind, std::string text);
    /// Sets CommError with the failure of the last transfer made through this link (or with no
    /// receiver when none is selected).
    void failTransfer();

    Clock& clock() { return clock_; }

private:
    std::size_t reportBytes() const;
    /// Runs one transfer on the active device and remembers how it went, for failTransfer.
    TransferResult transfer(bool set, std::uint8_t* buffer, std::size_t length);

    /// Sets CommError and notes the failure for both watchers.
    void raise(LinkFailure failure);

    TransferResult lastTransfer_ = TransferResult::done(0);
    LinkFailure operationFailure_;

    Clock& clock_;
};

} // namespace rfbind
