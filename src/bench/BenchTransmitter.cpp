// SPDX-License-Identifier: MIT
#include "bench/BenchTransmitter.h"

#include "bench/FirmwareFrames.h"

namespace rfbind::bench {

namespace fw = firmware;

namespace {
constexpr int kHighestResolutionLevel = 3;
} // namespace

BenchTransmitter::BenchTransmitter(TransmitterKind kind, std::uint8_t sensorId) : kind_(kind) {
    reset(sensorId);
}

void BenchTransmitter::reset(std::uint8_t sensorId) {
    on_ = false;
    moving_ = false;
    access_ = AccessMode::Off;
    switchedOnAt_ = 0;
    pairedSinceSwitchOn_ = false;
    bindButtonPressed_ = false;
    resolution_ = 0;
    eeprom_.fill(0);
    direct_.fill(0);
    index_.fill(0);
    sensor_.fill(0);
    radioChip_.fill(0);
    // The sensor identifies itself in register 0; the station classifies it by this byte.
    sensor_[0] = sensorId;
    ownId_ = {};
    partnerId_ = {};
}

void BenchTransmitter::switchOn(std::uint32_t nowMs) {
    if (on_)
        return;
    on_ = true;
    switchedOnAt_ = nowMs;
    pairedSinceSwitchOn_ = false;
    reload();
}

void BenchTransmitter::switchOff() {
    on_ = false;
    access_ = AccessMode::Off;
    bindButtonPressed_ = false;
}

void BenchTransmitter::pressBindButton() {
    if (on_ && kind_ == TransmitterKind::Keyboard)
        bindButtonPressed_ = true;
}

bool BenchTransmitter::inPairingMode(std::uint32_t nowMs) const {
    if (!on_)
        return false;
    if (kind_ == TransmitterKind::Keyboard)
        return bindButtonPressed_;
    // Unsigned difference: correct across the tick counter's wrap.
    return !pairedSinceSwitchOn_ && nowMs - switchedOnAt_ < kMousePairingMs;
}

std::optional<std::uint8_t> BenchTransmitter::handleRemote(std::uint8_t command,
                                                           std::uint8_t address,
                                                           std::uint8_t value) {
    switch (command) {
    case fw::kTxEepromWrite:
        writeEeprom(address, value);
        return std::nullopt;
    case fw::kTxEepromRead:
        return address < kEepromBytes ? eeprom_[address] : std::uint8_t{0};
    case fw::kTxIndexWrite:
        index_[address] = value;
        return std::nullopt;
    case fw::kTxIndexRead:
        return index_[address];
    case fw::kTxDirectWrite:
        direct_[address] = value;
        // Register FF is the command register. A restart (3C) comes back up with the same
        // loaded IDs as a fast reload (3D); the bench keeps access mode across both, as the
        // station leaves access mode itself afterwards.
        if (address == fw::kTxCommandRegister &&
            (value == fw::kTxRestart || value == fw::kTxFastReload))
            reload();
        return std::nullopt;
    case fw::kTxDirectRead:
        return direct_[address];
    case fw::kTxRadioChipWrite:
        radioChip_[address] = value;
        return std::nullopt;
    case fw::kTxRadioChipRead:
        return radioChip_[address];
    case fw::kTxSensorWrite:
        sensor_[address] = value;
        return std::nullopt;
    case fw::kTxSensorRead:
        return sensor_[address];
    case fw::kTxEnterAccess:
        // The key byte guards against a stray frame switching the mode.
        if (address == fw::kAccessKey && value == fw::kAccessWithoutLed)
            access_ = AccessMode::OnWithoutLed;
        else if (address == fw::kAccessKey && value == fw::kAccessWithLed)
            access_ = AccessMode::OnWithLed;
        return std::nullopt;
    case fw::kTxLeaveAccess:
        access_ = AccessMode::Off;
        return std::nullopt;
    case fw::kTxSetupCpi:
        if (value == fw::kCpiKey && address <= kHighestResolutionLevel)
            resolution_ = address;
        return std::nullopt;
    default:
        return std::nullopt; // 2D, 2E: no such command in this firmware
    }
}

void BenchTransmitter::reload() {
    ownId_ = eepromId(kOwnIdAddress);
    partnerId_ = eepromId(kPartnerIdAddress);
}

void BenchTransmitter::pairWith(const RadioId& receiverId) {
    partnerId_ = receiverId;
    for (std::size_t i = 0; i < receiverId.size(); ++i)
        writeEeprom(kPartnerIdAddress + i, receiverId[i]);
    pairedSinceSwitchOn_ = true;
    bindButtonPressed_ = false;
}

void BenchTransmitter::loadEepromByte(std::size_t address, std::uint8_t value) {
    if (address < kEepromBytes)
        eeprom_[address] = value;
}

void BenchTransmitter::writeEeprom(std::size_t address, std::uint8_t value) {
    if (address >= kEepromBytes)
        return;
    if (stuckByte_ && static_cast<std::size_t>(*stuckByte_) == address)
        return;
    eeprom_[address] = value;
}

RadioId BenchTransmitter::eepromId(std::size_t address) const {
    return RadioId{eeprom_[address], eeprom_[address + 1], eeprom_[address + 2]};
}

} // namespace rfbind::bench
