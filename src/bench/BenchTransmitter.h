// SPDX-License-Identifier: MIT
#pragma once

#include "bench/RadioId.h"

#include <array>
#include <cstdint>
#include <optional>

namespace rfbind::bench {

/// Which transmitter of the set a BenchTransmitter plays.
enum class TransmitterKind { Mouse, Keyboard };

/// Access mode of a transmitter: what the station switches on before remote reads and writes.
enum class AccessMode { Off, OnWithoutLed, OnWithLed };

/// Firmware model of one transmitter (mouse or keyboard), reached only over the radio.
///
/// State: power, motion (for a keyboard: keys being typed), access mode, 128 EEPROM bytes,
/// four 256-byte register spaces (direct, index, sensor, radio chip), the loaded own and
/// partner radio IDs, the resolution level and the pairing state. Times are milliseconds of
/// the bench clock's wrapping tick counter. Plain state, no time source of its own: callers
/// pass the current tick where it matters. Never fails; out-of-range addresses are ignored
/// (writes) or read as 0.
class BenchTransmitter {
public:
    static constexpr std::size_t kEepromBytes = 128;
    /// A mouse pairs only during its first 5 s after being switched on.
    static constexpr std::uint32_t kMousePairingMs = 5000;
    /// EEPROM addresses of the loaded IDs.
    static constexpr std::size_t kOwnIdAddress = 8;
    static constexpr std::size_t kPartnerIdAddress = 12;

    using Eeprom = std::array<std::uint8_t, kEepromBytes>;
    using Registers = std::array<std::uint8_t, 256>;

    BenchTransmitter(TransmitterKind kind, std::uint8_t sensorId);

    TransmitterKind kind() const { return kind_; }

    /// Back to a unit fresh from assembly: off, still, blank EEPROM and registers (sensor
    /// register 0 = sensorId), IDs zero, not pairing.
    void reset(std::uint8_t sensorId);

    // --- What an operator does ----------------------------------------------------------

    /// Switching on loads the IDs from the EEPROM and, for a mouse, starts its pairing period.
    /// Switching on a transmitter that is on changes nothing.
    void switchOn(std::uint32_t nowMs);
    /// Off drops access mode and any pending pairing; the EEPROM keeps everything.
    void switchOff();
    bool switchedOn() const { return on_; }

    void setMoving(bool moving) { moving_ = moving; }
    bool moving() const { return moving_; }

    /// The keyboard's bind button: it stays in pairing mode until it pairs or is switched off.
    /// Ignored by a mouse (which has none) and while switched off.
    void pressBindButton();

    // --- Radio side ---------------------------------------------------------------------

    /// True while a receiver with an open pairing window would pair with it.
    bool inPairingMode(std::uint32_t nowMs) const;

    /// True while it sends traffic the receiver counts: moving, or held in access mode (the
    /// firmware keeps talking to the receiver then).
    bool sendsTraffic() const { return on_ && (moving_ || access_ != AccessMode::Off); }

    /// Carries out one remote command (code 0x21..0x2F, address, value). Returns the byte read
    /// for the read commands, nothing for writes and for codes it does not know.
    std::optional<std::uint8_t> handleRemote(std::uint8_t command, std::uint8_t address,
                                             std::uint8_t value);

    /// Loads own ID := EEPROM 8..10 and partner := EEPROM 12..14.
    void reload();

    /// Paired by a receiver: takes its ID as partner and keeps it in EEPROM 12..14, so that the
    /// pairing survives switching off. Ends pairing mode.
    void pairWith(const RadioId& receiverId);

    // --- State, for the bench, its panel and tests --------------------------------------

    const Eeprom& eeprom() const { return eeprom_; }
    /// Sets an EEPROM byte as the assembly line does, past any write fault.
    void loadEepromByte(std::size_t address, std::uint8_t value);
    const Registers& directRegisters() const { return direct_; }
    const Registers& indexRegisters() const { return index_; }
    const Registers& sensorRegisters() const { return sensor_; }
    const Registers& radioChipRegisters() const { return radioChip_; }
    AccessMode accessMode() const { return access_; }
    RadioId ownId() const { return ownId_; }
    RadioId partnerId() const { return partnerId_; }
    int resolutionLevel() const { return resolution_; }

    /// Fault: the EEPROM byte at this address keeps its value whatever is written to it.
    void setWriteIgnoringByte(std::optional<int> address) { stuckByte_ = address; }

    /// A keyboard's hop-channel map: three non-zero bytes it hands the receiver when it pairs.
    const RadioId& channelMap() const { return channelMap_; }
    void setChannelMap(const RadioId& map) { channelMap_ = map; }

private:
    void writeEeprom(std::size_t address, std::uint8_t value);
    RadioId eepromId(std::size_t address) const;

    TransmitterKind kind_;
    bool on_ = false;
    bool moving_ = false;
    AccessMode access_ = AccessMode::Off;
    std::uint32_t switchedOnAt_ = 0;
    bool pairedSinceSwitchOn_ = false;
    bool bindButtonPressed_ = false;
    int resolution_ = 0;
    Eeprom eeprom_{};
    Registers direct_{};
    Registers index_{};
    Registers sensor_{};
    Registers radioChip_{};
    RadioId ownId_{};
    RadioId partnerId_{};
    RadioId channelMap_{0x01, 0x01, 0x01};
    std::optional<int> stuckByte_;
};

} // namespace rfbind::bench
