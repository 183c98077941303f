// SPDX-License-Identifier: MIT
#pragma once

#include "commands/ReceiverFrames.h"
#include "link/ReceiverLink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rfbind {

/// The receiver's own commands as sequences over the link's primitives: EEPROM words and the
/// product string, the two register spaces, the status query, restart and reload, the
/// connection queries and the option words.
///
/// Failure contract: as the link's primitives. Operations documented "with a receiver" do
/// nothing at all when none is selected; the others leave that case to the primitives
/// (CommError set, -1). Nothing here clears CommError. The object holds no state; it may be
/// created per call. The link must outlive it.
class ReceiverOperations {
public:
    explicit ReceiverOperations(ReceiverLink& link) : link_(link) {}

    /// Pauses inside the register loops, in ms: before fetching an answer and after it.
    static constexpr int kRegisterAnswerMs = 2;
    /// Pause between a radio-chip register write and its read-back, in ms.
    static constexpr int kRadioChipSettleMs = 15;
    /// Pause between two attempts of the status query, in ms.
    static constexpr int kStatusPauseMs = 8;
    /// The status query gives up after this long, in ms (the attempt that crosses it counts).
    static constexpr std::uint32_t kStatusLimitMs = 1000;

    // ---- EEPROM words ------------------------------------------------------------------

    /// The word at `address` (0..65535), or -1 (CommError set).
    int readWord(int address) { return link_.ReadReceiverEeprom(address); }

    /// Writes the byte `value` as a complement word and verifies it.
    void writeByte(int address, std::uint8_t value);

    /// Writes a raw word and verifies it.
    void writeWord(int address, std::uint16_t value) { link_.WriteReceiverEeprom(address, value); }

    /// Writes the product string: word 19 := complement word of 2 + 2n, then the character
    /// pairs into words 20.. (raw). `bytes` is productstring::toReceiverBytes() of a text that
    /// passes productstring::check(); the caller refuses any other text.
    void writeProductString(std::string_view bytes);

    struct ProductStringRead {
        int lengthWord = -1;             ///< word 19 as read, -1 when the read failed
        std::optional<std::string> text; ///< the string (bytes as stored); none after a failed read
    };
    /// Reads word 19 and the words the length calls for. Any failed read ends it without a
    /// text (CommError set), so the station never takes failure bytes for characters.
    ProductStringRead readProductString();

    // ---- registers (with a receiver) ---------------------------------------------------

    /// Direct register `address`: answer position 0. Nothing without a receiver; none and
    /// CommError set when RetryCount attempts bring no acknowledgement.
    std::optional<std::uint8_t> readDirectRegister(std::uint8_t address);

    /// Sends 01 12 addr data once; the outcome is not examined (the receiver never refuses it).
    void writeDirectRegister(std::uint8_t address, std::uint8_t data);

    /// Radio-chip register `address`: answer position 1; otherwise as readDirectRegister.
    std::optional<std::uint8_t> readRadioChipRegister(std::uint8_t address);

    /// Writes `value` to a radio-chip register and reads it back until it holds the value, up
    /// to RetryCount times. Returns the last acknowledged read-back, which the register's data
    /// field then shows; none while no read-back was acknowledged, which also ends the loop
    /// (the field still holds the value written). A register that keeps another value ends
    /// the loop silently; an unanswered read-back sets CommError. Nothing without a receiver.
    std::optional<std::uint8_t> writeRadioChipRegister(std::uint8_t address, int value);

    // ---- status and maintenance (with a receiver) --------------------------------------

    /// Status query n (1 or 4): the acknowledged answer, or none after RetryCount attempts,
    /// one second, a failed transfer or without a receiver. Never sets CommError and never
    /// lets window messages run (only 8 ms pauses), so callers comparing two answers see them
    /// from one undisturbed exchange.
    std::optional<Frame> statusQuery(std::uint8_t n);

    /// Restarts the receiver firmware. A failed transfer sets CommError.
    void jumpToPor() { sendOnce(receiver::jumpToPor()); }
    /// Makes the receiver reload its parameters. A failed transfer sets CommError.
    void reloadParameter() { sendOnce(receiver::reloadParameter()); }
    /// Makes the receiver apply its hot-key words; the outcome is not examined.
    void updateCustKey();

    // ---- connection (with a receiver) --------------------------------------------------

    struct LinkIds {
        std::uint8_t mouseId = 0;
        std::uint8_t keyboardId = 0;
    };
    /// Link query 01 09: the paired IDs, or none when either transfer failed. The
    /// acknowledgement is not required: the receiver answers this query unconditionally.
    std::optional<LinkIds> linkQuery();

    /// Second query 01 0A; its answer and outcome do not matter.
    void secondQuery();

    /// Tells the receiver which transmitter is handled; the result is ignored.
    void reportDeviceType(receiver::DeviceType type);

    // ---- options -----------------------------------------------------------------------

    /// Word 56: 0x5AA5 mouse only, 0xFFFF keyboard and mouse (raw).
    void writeReceiverType(bool mouseOnly);

    /// Word 47: keeps bits 4..0 of the stored byte, sets the level code, clears bit 7.
    void writeBatteryLevel(std::uint8_t levelCode);

    /// Words 3, 4 (slot 1) or 5, 6 (slot 2): the code's low and high byte as complement words.
    void writeHotKey(int slot, std::uint16_t code);

private:
    std::optional<std::uint8_t> readRegister(const Frame& request, int answerPosition);
    void sendOnce(const Frame& request);

    ReceiverLink& link_;
};

} // namespace rfbind
