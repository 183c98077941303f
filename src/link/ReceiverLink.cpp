// SPDX-License-Identifier: MIT
#include "link/ReceiverLink.h"

#include <algorithm>

namespace rfbind {

namespace {
constexpr int kEepromSettleMs = 20;     // between an EEPROM write and its read-back
constexpr int kRemoteAnswerMs = 16;     // between a remote request and fetching its answer
constexpr int kRemotePauseMs = 8;       // after each remote attempt / around remote writes
constexpr std::uint32_t kRemoteReadLimitMs = 1000;
constexpr int kRemoteWriteRepeats = 3;  // the transmitter tolerates duplicates
} // namespace

std::size_t ReceiverLink::reportBytes() const {
    // ReportLength is 8 for every receiver the station accepts; never hand the transfer more
    // bytes than the frame holds.
    return static_cast<std::size_t>(std::clamp<std::int32_t>(ReportLength, 0, 8));
}

bool ReceiverLink::setFeature(const Frame& frame) {
    return ActiveDevice != nullptr && ActiveDevice->setFeature(frame.data(), reportBytes());
}

bool ReceiverLink::getFeature(Frame& frame) {
    return ActiveDevice != nullptr && ActiveDevice->getFeature(frame.data(), reportBytes());
}

bool ReceiverLink::setFeature8(const Frame& frame) {
    return ActiveDevice != nullptr && ActiveDevice->setFeature(frame.data(), frame.size());
}

bool ReceiverLink::getFeature8(Frame& frame) {
    return ActiveDevice != nullptr && ActiveDevice->getFeature(frame.data(), frame.size());
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
        CommError = true;
        return;
    }
    const auto addr = static_cast<std::uint8_t>(address);
    int attempts = 0;
    int readBack = 0;
    do {
        if (!SendReport(frame::kEepromWrite, addr, static_cast<std::uint8_t>((value >> 8) & 0xFF),
                        static_cast<std::uint8_t>(value & 0xFF))) {
            CommError = true;
            return;
        }
        clock_.sleepMs(kEepromSettleMs);
        readBack = ReadReceiverEeprom(address) & 0xFFFF;
        ++attempts;
    } while (attempts < RetryCount && readBack != value);
    if (readBack != value)
        CommError = true;
}

int ReceiverLink::ReadReceiverEeprom(int address) {
    if (ActiveDevice == nullptr) {
        CommError = true;
        return -1;
    }
    int attempts = 0;
    for (;;) {
        ++attempts;
        // Rebuilt every attempt: the previous answer overwrote the buffer.
        Frame buffer = frame::eepromRead(static_cast<std::uint8_t>(address));
        if (!setFeature8(buffer) || !getFeature8(buffer)) {
            CommError = true;
            return -1;
        }
        clock_.pumpMessages();
        if (frame::acknowledged(buffer))
            return frame::word(buffer);
        if (attempts >= RetryCount) {
            CommError = true;
            return -1;
        }
    }
}

int ReceiverLink::RemoteRead(int command, int address) {
    const std::uint32_t start = clock_.tickMs();
    SendReport(0x01, 0x07, 0x08, 0x03);
    if (ActiveDevice == nullptr) {
        CommError = true;
        return -1;
    }
    int attempts = 0;
    for (;;) {
        ++attempts;
        Frame buffer = frame::remote(static_cast<std::uint8_t>(command),
                                     static_cast<std::uint8_t>(address));
        // A failed set-feature is only an unanswered attempt: the buffer keeps the request,
        // whose position 7 is 0. The get-feature's own result is not needed for the same
        // reason.
        if (setFeature(buffer)) {
            clock_.sleepMs(kRemoteAnswerMs);
            getFeature(buffer);
        }
        clock_.sleepMs(kRemotePauseMs);
        clock_.pumpMessages();
        if (clock_.tickMs() - start > kRemoteReadLimitMs)
            attempts = RetryCount; // this attempt is the last; its answer still counts
        if (frame::acknowledged(buffer))
            return buffer[0];
        if (attempts >= RetryCount) {
            CommError = true;
            return -1;
        }
    }
}

void ReceiverLink::RemoteWrite(int command, int address, int value) {
    clock_.sleepMs(kRemotePauseMs);
    if (ActiveDevice == nullptr) {
        CommError = true;
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
