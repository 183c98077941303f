// SPDX-License-Identifier: MIT
#include "link/ReceiverLink.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace rfbind {

namespace {
constexpr int kEepromSettleMs = 20;     // between an EEPROM write and its read-back
constexpr int kRemoteAnswerMs = 16;     // between a remote request and fetching its answer
constexpr int kRemotePauseMs = 8;       // after each remote attempt / around remote writes
constexpr std::uint32_t kRemoteReadLimitMs = 1000;
constexpr int kRemoteWriteRepeats = 3;  // the transmitter tolerates duplicates

std::string hexWord(int value) {
    char b[8];
    std::snprintf(b, sizeof b, "0x%04X", value & 0xFFFF);
    return b;
}
} // namespace

std::size_t ReceiverLink::reportBytes() const {
    // ReportLength is 8 for every receiver the station accepts; never hand the transfer more
    // bytes than the frame holds.
    return static_cast<std::size_t>(std::clamp<std::int32_t>(ReportLength, 0, 8));
}

TransferResult ReceiverLink::transfer(bool set, std::uint8_t* buffer, std::size_t length) {
    if (ActiveDevice == nullptr)
        lastTransfer_ = TransferResult::noDevice({});
    else if (set)
        lastTransfer_ = ActiveDevice->setFeature(buffer, length);
    else
        lastTransfer_ = ActiveDevice->getFeature(buffer, length);
    return lastTransfer_;
}

bool ReceiverLink::setFeature(const Frame& frame) {
    // The device only reads a set-feature's buffer.
    return transfer(true, const_cast<std::uint8_t*>(frame.data()), reportBytes()).ok();
}

bool ReceiverLink::getFeature(Frame& frame) {
    return transfer(false, frame.data(), reportBytes()).ok();
}

bool ReceiverLink::setFeature8(const Frame& frame) {
    return transfer(true, const_cast<std::uint8_t*>(frame.data()), frame.size()).ok();
}

bool ReceiverLink::getFeature8(Frame& frame) {
    return transfer(false, frame.data(), frame.size()).ok();
}

void ReceiverLink::raise(LinkFailure failure) {
    if (!operationFailure_)
        operationFailure_ = failure;
    CommError.raise(std::move(failure));
}

void ReceiverLink::fail(LinkFailure::Kind kind, std::string text) {
    raise({kind, std::move(text)});
}

LinkFailure ReceiverLink::lastTransferFailure() const {
    using Kind = LinkFailure::Kind;
    const std::string& why = lastTransfer_.error;
    switch (lastTransfer_.status) {
    case TransferResult::Status::Done:
        return {};
    case TransferResult::Status::NoDevice:
        if (why.empty())
            return {Kind::NoReceiver, "no receiver selected"};
        return {Kind::NoReceiver, "receiver cannot be reached (" + why + ")"};
    case TransferResult::Status::Short:
        return {Kind::ShortTransfer, "feature report transfer failed (" + why + ")"};
    case TransferResult::Status::Failed:
        break;
    }
    return {Kind::TransferFailed, "feature report transfer failed (" + why + ")"};
}

void ReceiverLink::failTransfer() {
    if (ActiveDevice == nullptr)
        return fail(LinkFailure::Kind::NoReceiver, "no receiver selected");
    LinkFailure failure = lastTransferFailure();
    if (!failure) // not reached: only a failed transfer comes here
        failure = {LinkFailure::Kind::TransferFailed, "feature report transfer failed"};
    raise(std::move(failure));
}

bool ReceiverLink::SendReport(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4) {
    if (ActiveDevice == nullptr)
        return false;
    return setFeature8(frame::receiver(b1, b2, b3, b4));
}

void ReceiverLink::WriteReceiverEeprom(int address, int value) {
    // The prelude's result does not matter: the write below fails on its own if the
    // receiver is gone.
    SendReport(0x01, 0x07, 0x08, 0x05);
    clock_.pumpMessages();
    if (ActiveDevice == nullptr) {
        failTransfer();
        return;
    }
    const auto addr = static_cast<std::uint8_t>(address);
    int attempts = 0;
    int readBack = 0;
    do {
        if (!SendReport(frame::kEepromWrite, addr, static_cast<std::uint8_t>((value >> 8) & 0xFF),
                        static_cast<std::uint8_t>(value & 0xFF))) {
            failTransfer();
            return;
        }
        clock_.sleepMs(kEepromSettleMs);
        readBack = ReadReceiverEeprom(address) & 0xFFFF;
        ++attempts;
    } while (attempts < RetryCount && readBack != value);
    if (readBack != value)
        fail(LinkFailure::Kind::NotConfirmed,
             "read back " + hexWord(readBack) + " after " + std::to_string(attempts) + " writes");
}

int ReceiverLink::ReadReceiverEeprom(int address) {
    if (ActiveDevice == nullptr) {
        failTransfer();
        return -1;
    }
    int attempts = 0;
    for (;;) {
        ++attempts;
        // Rebuilt every attempt: the previous answer overwrote the buffer.
        Frame buffer = frame::eepromRead(static_cast<std::uint8_t>(address));
        if (!setFeature8(buffer) || !getFeature8(buffer)) {
            failTransfer();
            return -1;
        }
        clock_.pumpMessages();
        if (frame::acknowledged(buffer))
            return frame::word(buffer);
        if (attempts >= RetryCount) {
            fail(LinkFailure::Kind::NotAcknowledged,
                 "receiver did not acknowledge after " + std::to_string(attempts) + " tries");
            return -1;
        }
    }
}

int ReceiverLink::RemoteRead(int command, int address) {
    const std::uint32_t start = clock_.tickMs();
    SendReport(0x01, 0x07, 0x08, 0x03);
    if (ActiveDevice == nullptr) {
        failTransfer();
        return -1;
    }
    int attempts = 0;
    for (;;) {
        ++attempts;
        Frame buffer = frame::remote(static_cast<std::uint8_t>(command),
                                     static_cast<std::uint8_t>(address));
        // A failed set-feature is only an unanswered attempt: the buffer keeps the request,
        // whose position 7 is 0. The get-feature's own result is not needed for the same
        // reason. Whether this attempt's transfers went through decides what a final failure
        // is put down to.
        bool transferred = setFeature(buffer);
        if (transferred) {
            clock_.sleepMs(kRemoteAnswerMs);
            transferred = getFeature(buffer);
        }
        clock_.sleepMs(kRemotePauseMs);
        clock_.pumpMessages();
        if (clock_.tickMs() - start > kRemoteReadLimitMs)
            attempts = RetryCount; // this attempt is the last; its answer still counts
        if (frame::acknowledged(buffer))
            return buffer[0];
        if (attempts >= RetryCount) {
            // A last attempt whose transfer failed did not reach the transmitter at all: the
            // system's reason explains the silence better than the count of tries.
            if (!transferred)
                failTransfer();
            else
                fail(LinkFailure::Kind::NotAcknowledged,
                     "transmitter did not answer after " + std::to_string(attempts) + " tries");
            return -1;
        }
    }
}

void ReceiverLink::RemoteWrite(int command, int address, int value) {
    clock_.sleepMs(kRemotePauseMs);
    if (ActiveDevice == nullptr) {
        failTransfer();
        return;
    }
    const Frame buffer =
        frame::remote(static_cast<std::uint8_t>(command), static_cast<std::uint8_t>(address),
                      static_cast<std::uint8_t>(value));
    for (int i = 0; i < kRemoteWriteRepeats; ++i) {
        // Unacknowledged by design: a caller that needs certainty reads the location back.
        setFeature(buffer);
        clock_.sleepMs(kRemotePauseMs);
    }
}

} // namespace rfbind
