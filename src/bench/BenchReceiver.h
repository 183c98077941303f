// SPDX-License-Identifier: MIT
#pragma once

#include "bench/BenchTransmitter.h"
#include "bench/RadioId.h"
#include "link/Frame.h"

#include <array>
#include <cstdint>
#include <optional>

namespace rfbind::bench {

/// Firmware model of the receiver: what it does with one request frame and what it answers.
///
/// State: 64 EEPROM words, 256 radio-chip and 256 direct registers, the loaded radio IDs (own,
/// partner mouse, partner keyboard), the mouse and keyboard IDs the link query reports, the
/// radio channel (2..82), the pairing window and one link counter per transmitter.
///
/// The radio link is two non-owning pointers to the transmitters on the bench (the keyboard
/// may be absent); they must outlive the receiver or be disconnected first. Times are
/// milliseconds of the bench clock's wrapping tick counter, passed in by the caller. The
/// firmware never fails: a request it does not know is acknowledged and changes nothing.
class BenchReceiver {
public:
    static constexpr std::size_t kEepromWords = 64;
    static constexpr std::uint32_t kPairingWindowMs = 10000;
    static constexpr std::uint8_t kLowestChannel = 2;
    static constexpr std::uint8_t kHighestChannel = 82;

    /// EEPROM word addresses the firmware itself uses.
    static constexpr std::size_t kOwnIdWord = 0;           ///< words 0..2
    static constexpr std::size_t kKeyboardIdWord = 43;     ///< words 43..45
    static constexpr std::size_t kKeyboardChannelWord = 48; ///< words 48..50
    static constexpr std::size_t kPartnerMouseWord = 51;   ///< words 51..53

    using Eeprom = std::array<std::uint16_t, kEepromWords>;
    using Registers = std::array<std::uint8_t, 256>;

    BenchReceiver();

    /// Attaches the radio: the mouse and the keyboard (nullptr when there is none).
    void connectRadio(BenchTransmitter* mouse, BenchTransmitter* keyboard);

    /// Back to a receiver fresh from assembly: blank EEPROM, then powered on.
    void reset();

    /// Power-on (plugging in): registers cleared, pairing window closed, counters and reported
    /// IDs zero, then the IDs loaded as by the reload command plus the partner keyboard from
    /// words 43..45, where a keyboard pairing left it.
    void powerOn();

    /// The firmware's reaction to one request (a set-feature): carries out its effect and
    /// returns the answer the next get-feature hands over.
    Frame handle(const Frame& request, std::uint32_t nowMs);

    /// Lets time pass: closes an expired pairing window and pairs a transmitter in pairing
    /// mode while the window is open (the mouse first).
    void service(std::uint32_t nowMs);

    /// Switched on and linked: its own ID is our partner ID for it, its partner ID our own ID.
    bool reachable(const BenchTransmitter& transmitter) const;

    /// Reload: own ID := high bytes of words 0..2, partner mouse := high bytes of words 51..53.
    void reload();

    // --- State, for the bench, its panel and tests --------------------------------------

    const Eeprom& eeprom() const { return eeprom_; }
    /// Sets a word as the assembly line does, past any write fault; addresses >= 64 ignored.
    void loadEepromWord(std::size_t address, std::uint16_t value);
    const Registers& radioChipRegisters() const { return radioChip_; }
    const Registers& directRegisters() const { return direct_; }
    RadioId ownId() const { return ownId_; }
    RadioId partnerMouseId() const { return partnerMouse_; }
    RadioId partnerKeyboardId() const { return partnerKeyboard_; }
    std::uint8_t mouseId() const { return mouseId_; }
    std::uint8_t keyboardId() const { return keyboardId_; }
    std::uint8_t channel() const { return channel_; }
    /// Clamped to 2..82.
    void setChannel(std::uint8_t channel);
    bool pairingWindowOpen(std::uint32_t nowMs) const;
    std::uint8_t mouseLinkCounter() const { return mouseCounter_; }
    std::uint8_t keyboardLinkCounter() const { return keyboardCounter_; }

    /// Fault: the EEPROM word at this address keeps its value whatever is written to it.
    void setWriteIgnoringWord(std::optional<int> address) { stuckWord_ = address; }

private:
    Frame forward(const Frame& request);
    void pair(BenchTransmitter& transmitter);
    void writeWord(std::size_t address, std::uint16_t value);
    RadioId idFromWords(std::size_t firstWord) const;
    void storeId(std::size_t firstWord, const RadioId& id);

    BenchTransmitter* mouse_ = nullptr;
    BenchTransmitter* keyboard_ = nullptr;
    Eeprom eeprom_{};
    Registers radioChip_{};
    Registers direct_{};
    RadioId ownId_{};
    RadioId partnerMouse_{};
    RadioId partnerKeyboard_{};
    std::uint8_t mouseId_ = 0;
    std::uint8_t keyboardId_ = 0;
    std::uint8_t channel_ = 0x20;
    bool windowOpen_ = false;
    std::uint32_t windowOpenedAt_ = 0;
    std::uint8_t mouseCounter_ = 0;
    std::uint8_t keyboardCounter_ = 0;
    std::optional<int> stuckWord_;
};

} // namespace rfbind::bench
