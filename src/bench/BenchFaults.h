// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

namespace rfbind::bench {

/// Faults the bench can show, for tests and demonstrations. All off by default.
struct BenchFaults {
    /// The mouse stays switched off: switching it on does nothing (a flat battery).
    bool transmitterOff = false;
    /// The mouse never moves: setting it moving does nothing.
    bool mouseNeverMoves = false;
    /// No keyboard on the bench: nothing to bind, its bind button does nothing.
    bool noKeyboard = false;
    /// Every receiver answer comes back without the acknowledgement mark (the request still
    /// takes effect).
    bool receiverNeverAcknowledges = false;
    /// The receiver leaves its pairing-status query (status 4) unanswered: those answers come
    /// back without the acknowledgement mark, so the station never hears "pairing" or "idle".
    bool pairingStatusUnanswered = false;
    /// Probability (0..1) that one answer loses its acknowledgement mark on the way back.
    double ackLossProbability = 0.0;
    /// Seed of the generator that draws those losses; the same seed and the same transfers
    /// give the same losses.
    std::uint32_t ackLossSeed = 1;
    /// A mouse EEPROM byte (0..127) that ignores writes, also the firmware's own.
    std::optional<int> stuckTransmitterEepromByte = std::nullopt;
    /// A receiver EEPROM word (0..63) that ignores writes, also the firmware's own.
    std::optional<int> stuckReceiverEepromWord = std::nullopt;
    /// The receiver drops off the bus this many milliseconds after it was plugged in (or after
    /// the fault was set, whichever is later), noticed at the next transfer or time check.
    std::optional<std::uint32_t> unplugAfterMs = std::nullopt;
    /// The receiver's set-feature takes only this many bytes of the report (1..7, report ID
    /// included) and drops the incomplete request, as a transfer cut short on the bus.
    std::optional<int> shortWriteBytes = std::nullopt;
    /// Time every transfer that reaches the receiver takes, in milliseconds (1 is realistic
    /// for full-speed control transfers).
    int usbLatencyMs = 0;
};

} // namespace rfbind::bench
