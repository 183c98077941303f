// SPDX-License-Identifier: MIT
#include "bench/BenchReceiver.h"

#include "bench/FirmwareFrames.h"

#include <algorithm>

namespace rfbind::bench {

namespace fw = firmware;

namespace {

// Fixed radio figures of the status answer. The station reads only the link counter; the
// others are plausible values for a quiet bench: every channel good, binding on channel 2.
constexpr std::uint8_t kRssiThreshold = 0x30;
constexpr std::uint8_t kBindChannel = 0x02;
constexpr std::uint8_t kGoodChannels = 0x51; // channels 2..82

bool argsAre(const Frame& request, std::size_t first, const auto& key) {
    return std::equal(key.begin(), key.end(), request.begin() + static_cast<long>(first));
}

} // namespace

BenchReceiver::BenchReceiver() { powerOn(); }

void BenchReceiver::connectRadio(BenchTransmitter* mouse, BenchTransmitter* keyboard) {
    mouse_ = mouse;
    keyboard_ = keyboard;
}

void BenchReceiver::reset() {
    eeprom_.fill(0);
    powerOn();
}

void BenchReceiver::powerOn() {
    radioChip_.fill(0);
    direct_.fill(0);
    windowOpen_ = false;
    mouseCounter_ = 0;
    keyboardCounter_ = 0;
    mouseId_ = 0;
    keyboardId_ = 0;
    reload();
    partnerKeyboard_ = idFromWords(kKeyboardIdWord);
}

void BenchReceiver::reload() {
    ownId_ = idFromWords(kOwnIdWord);
    partnerMouse_ = idFromWords(kPartnerMouseWord);
}

Frame BenchReceiver::handle(const Frame& r, std::uint32_t nowMs) {
    switch (r[1]) {
    case fw::kEepromRead:
        return fw::wordAnswer(r[2] < kEepromWords ? eeprom_[r[2]] : std::uint16_t{0});
    case fw::kEepromWrite:
        if (r[2] < kEepromWords)
            writeWord(r[2], static_cast<std::uint16_t>(r[3] * 256 + r[4]));
        return fw::ackedEcho(r);
    case fw::kRadioChipRead:
        return fw::radioChipAnswer(radioChip_[r[2]]);
    case fw::kRadioChipWrite:
        radioChip_[r[2]] = r[3];
        return fw::ackedEcho(r);
    case fw::kDirectWrite:
        direct_[r[2]] = r[3];
        return fw::ackedEcho(r);
    case fw::kDirectRead:
        if (r[2] != fw::kStatusRegister)
            return fw::byteAnswer(direct_[r[2]]);
        if (r[3] == fw::kStatusMark && r[4] == fw::kStatusLink) {
            // The counters stand for radio packets heard since the last query: a linked
            // transmitter that moves, or that the station holds in access mode, talks.
            if (mouse_ && reachable(*mouse_) && mouse_->sendsTraffic())
                ++mouseCounter_;
            if (keyboard_ && reachable(*keyboard_) && keyboard_->sendsTraffic())
                ++keyboardCounter_;
            return fw::linkStatusAnswer(kRssiThreshold, mouseCounter_, keyboardCounter_, channel_,
                                        channel_, kBindChannel, kGoodChannels);
        }
        if (r[3] == fw::kStatusMark && r[4] == fw::kStatusBinding)
            return fw::bindingStatusAnswer(pairingWindowOpen(nowMs));
        return fw::ackedEcho(r);
    case fw::kLinkQuery:
        return fw::linkQueryAnswer(channel_, mouseId_, keyboardId_);
    case fw::kBind:
        if (argsAre(r, 2, fw::kBindArgs)) {
            windowOpen_ = true;
            windowOpenedAt_ = nowMs;
        }
        return fw::ackedEcho(r);
    case fw::kReload:
        if (argsAre(r, 2, fw::kReloadKey))
            reload();
        return fw::ackedEcho(r);
    case fw::kRestart:
        // Restart comes back up with the IDs of the EEPROM, like reload; the registers and
        // the pairing state survive, so a restart in the middle of a run changes no answer
        // the station relies on.
        if (argsAre(r, 2, fw::kRestartKey))
            reload();
        return fw::ackedEcho(r);
    default:
        if (fw::isRemote(r))
            return forward(r);
        // Preludes, the second connection query, the device-type report, hot-key and run
        // settings: accepted, nothing to model.
        return fw::ackedEcho(r);
    }
}

Frame BenchReceiver::forward(const Frame& r) {
    if (mouse_ == nullptr || !reachable(*mouse_))
        return fw::kNoRadioAnswer;
    const auto read = mouse_->handleRemote(r[1], fw::remoteAddress(r), fw::remoteValue(r));
    return read ? fw::byteAnswer(*read) : fw::ackedEcho(r);
}

void BenchReceiver::service(std::uint32_t nowMs) {
    if (!pairingWindowOpen(nowMs)) {
        windowOpen_ = false;
        return;
    }
    if (mouse_ && mouse_->inPairingMode(nowMs))
        pair(*mouse_);
    else if (keyboard_ && keyboard_->inPairingMode(nowMs))
        pair(*keyboard_);
}

void BenchReceiver::pair(BenchTransmitter& tx) {
    if (tx.kind() == TransmitterKind::Mouse) {
        partnerMouse_ = tx.ownId();
        storeId(kPartnerMouseWord, partnerMouse_);
        // Any new value tells the station a transmitter has paired; counting up is enough.
        ++mouseId_;
    } else {
        partnerKeyboard_ = tx.ownId();
        storeId(kKeyboardIdWord, partnerKeyboard_);
        storeId(kKeyboardChannelWord, tx.channelMap());
        ++keyboardId_;
    }
    tx.pairWith(ownId_);
    windowOpen_ = false;
}

bool BenchReceiver::reachable(const BenchTransmitter& tx) const {
    const RadioId& partner =
        tx.kind() == TransmitterKind::Mouse ? partnerMouse_ : partnerKeyboard_;
    return tx.switchedOn() && tx.ownId() == partner && tx.partnerId() == ownId_;
}

bool BenchReceiver::pairingWindowOpen(std::uint32_t nowMs) const {
    return windowOpen_ && nowMs - windowOpenedAt_ < kPairingWindowMs;
}

void BenchReceiver::setChannel(std::uint8_t channel) {
    channel_ = std::clamp(channel, kLowestChannel, kHighestChannel);
}

void BenchReceiver::loadEepromWord(std::size_t address, std::uint16_t value) {
    if (address < kEepromWords)
        eeprom_[address] = value;
}

void BenchReceiver::writeWord(std::size_t address, std::uint16_t value) {
    if (stuckWord_ && static_cast<std::size_t>(*stuckWord_) == address)
        return;
    loadEepromWord(address, value);
}

RadioId BenchReceiver::idFromWords(std::size_t firstWord) const {
    return RadioId{highByte(eeprom_[firstWord]), highByte(eeprom_[firstWord + 1]),
                   highByte(eeprom_[firstWord + 2])};
}

void BenchReceiver::storeId(std::size_t firstWord, const RadioId& id) {
    for (std::size_t i = 0; i < id.size(); ++i)
        writeWord(firstWord + i, complementWord(id[i]));
}

} // namespace rfbind::bench
