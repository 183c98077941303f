// SPDX-License-Identifier: MIT
#pragma once

#include "link/Frame.h"
#include "link/ReceiverLink.h"
#include "support/FakeHidDevice.h"
#include "support/RecordingClock.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace rfbind::test {

/// Just enough receiver firmware for golden-sequence tests: EEPROM words, radio-chip and
/// direct registers, a transmitter EEPROM behind the radio, and a status answer. Registers
/// and EEPROM bytes can be made to ignore writes.
struct ReceiverModel {
    std::array<int, 64> words{};
    std::array<std::uint8_t, 256> rfic{};
    std::array<std::uint8_t, 256> direct{};
    std::array<std::uint8_t, 128> txEeprom{};
    Frame status{0x10, 0x00, 0x00, 0x05, 0x06, 0x07, 0x08, 0xCC};
    bool ack = true;
    bool txReachable = true;
    int rficIgnoresWritesUntil = 0; ///< number of radio-chip writes that do not stick
    int txIgnoresWritesUntil = 0;   ///< number of transmitter EEPROM writes that do not stick

    std::optional<Frame> operator()(const Frame& r) {
        Frame a = r;
        switch (r[1]) {
        case 0x03: a = word(words[r[2] % 64]); break;
        case 0x04: if (r[2] < 64) words[r[2]] = r[3] * 256 + r[4]; break;
        case 0x06: a = Frame{0, rfic[r[2]], 0, 0, 0, 0, 0, 0}; break;
        case 0x07: if (rficIgnoresWritesUntil > 0) --rficIgnoresWritesUntil; else rfic[r[2]] = r[3]; break;
        case 0x14: a = r[2] == 0xFF ? status : Frame{direct[r[2]], 0, 0, 0, 0, 0, 0, 0}; break;
        case 0x21:
            if (txIgnoresWritesUntil > 0) --txIgnoresWritesUntil;
            else if (r[3] < 128) txEeprom[r[3]] = r[4];
            break;
        case 0x24:
            if (!txReachable)
                return Frame{};
            a = Frame{txEeprom[r[3] % 128], 0, 0, 0, 0, 0, 0, 0};
            break;
        default: break;
        }
        a[7] = ack ? frame::kAck : 0x00;
        return a;
    }

    static Frame word(int w) {
        return Frame{static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w & 0xFF), 0, 0, 0, 0, 0, 0};
    }
};

/// A link to a FakeHidDevice that answers with a ReceiverModel, all traffic in one log.
struct ModelBench {
    std::vector<std::string> log;
    RecordingClock clock{&log};
    FakeHidDevice device{&log};
    ReceiverModel model;
    ReceiverLink link{clock};
    ModelBench() {
        device.answer = [this](const Frame& r) { return model(r); };
        link.ActiveDevice = &device;
    }
    int count(const std::string& prefix) const {
        int n = 0;
        for (const auto& e : log)
            n += e.rfind(prefix, 0) == 0;
        return n;
    }
    /// Every set-feature whose frame starts with `prefix`, in order.
    std::vector<std::string> sets(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& e : log)
            if (e.rfind("set " + prefix, 0) == 0)
                out.push_back(e.substr(4));
        return out;
    }
};

} // namespace rfbind::test
