// SPDX-License-Identifier: MIT
#include "commands/ReceiverOperations.h"

#include "commands/DeviceOptions.h"
#include "commands/HotKeys.h"
#include "commands/ProductString.h"
#include "commands/ReceiverEepromMap.h"

#include <vector>

namespace rfbind {

void ReceiverOperations::writeByte(int address, std::uint8_t value) {
    link_.WriteReceiverEeprom(address, rxeeprom::complementWord(value));
}

void ReceiverOperations::writeProductString(std::string_view text) {
    const int n = static_cast<int>(text.size());
    writeByte(rxeeprom::kStringLength, static_cast<std::uint8_t>(productstring::lengthField(n)));
    const std::vector<std::uint16_t> words = productstring::pack(text);
    for (std::size_t k = 0; k < words.size(); ++k)
        link_.WriteReceiverEeprom(rxeeprom::kStringFirst + static_cast<int>(k), words[k]);
}

ReceiverOperations::ProductStringRead ReceiverOperations::readProductString() {
    ProductStringRead result;
    result.lengthWord = link_.ReadReceiverEeprom(rxeeprom::kStringLength);
    if (result.lengthWord < 0)
        return result;
    // Only the high half counts: the low half is its complement.
    const int n = productstring::characterCount(rxeeprom::complementWordByte(
        static_cast<std::uint16_t>(result.lengthWord)));
    std::vector<std::uint16_t> words;
    for (int k = 0; k < productstring::wordCount(n); ++k) {
        const int w = link_.ReadReceiverEeprom(rxeeprom::kStringFirst + k);
        if (w < 0)
            return result;
        words.push_back(static_cast<std::uint16_t>(w));
    }
    result.text = productstring::unpack(words, n);
    return result;
}

std::optional<std::uint8_t> ReceiverOperations::readRegister(const Frame& request,
                                                             int answerPosition) {
    if (link_.ActiveDevice == nullptr)
        return std::nullopt;
    Clock& clock = link_.clock();
    Frame buffer{};
    int attempts = 0;
    bool transferred = false;
    do {
        ++attempts;
        buffer = request;
        // A failed request leaves the buffer as sent (position 7 = 0): an unanswered attempt.
        transferred = link_.setFeature(buffer);
        if (transferred) {
            clock.sleepMs(kRegisterAnswerMs);
            transferred = link_.getFeature(buffer);
        }
        clock.sleepMs(kRegisterAnswerMs);
        clock.pumpMessages();
    } while (!frame::acknowledged(buffer) && attempts < link_.RetryCount);
    if (!frame::acknowledged(buffer)) {
        // A last attempt that never reached the receiver is put down to its transfer.
        if (!transferred)
            link_.failTransfer();
        else
            link_.fail(LinkFailure::Kind::NotAcknowledged,
                       "receiver did not acknowledge after " + std::to_string(attempts) + " tries");
        return std::nullopt;
    }
    return buffer[static_cast<std::size_t>(answerPosition)];
}

std::optional<std::uint8_t> ReceiverOperations::readDirectRegister(std::uint8_t address) {
    return readRegister(receiver::directRegisterRead(address), receiver::kDirectAnswerPos);
}

void ReceiverOperations::writeDirectRegister(std::uint8_t address, std::uint8_t data) {
    if (link_.ActiveDevice == nullptr)
        return;
    // The receiver takes a direct-register write without refusal; nothing to check.
    link_.setFeature(receiver::directRegisterWrite(address, data));
}

std::optional<std::uint8_t> ReceiverOperations::readRadioChipRegister(std::uint8_t address) {
    return readRegister(receiver::radioChipRead(address), receiver::kRadioChipAnswerPos);
}

std::optional<std::uint8_t> ReceiverOperations::writeRadioChipRegister(std::uint8_t address,
                                                                       int value) {
    if (link_.ActiveDevice == nullptr)
        return std::nullopt;
    std::optional<std::uint8_t> shown;
    int attempts = 0;
    do {
        // Verified below by reading back; the write's own result tells nothing more.
        link_.setFeature(receiver::radioChipWrite(address, static_cast<std::uint8_t>(value)));
        link_.clock().sleepMs(kRadioChipSettleMs);
        if (const auto readBack = readRadioChipRegister(address))
            shown = readBack;
        ++attempts;
        // Until a read-back is acknowledged the field still shows the value written, which
        // counts as a match.
    } while (attempts < link_.RetryCount && shown.has_value() && *shown != value);
    return shown;
}

std::optional<Frame> ReceiverOperations::statusQuery(std::uint8_t n) {
    Clock& clock = link_.clock();
    const std::uint32_t start = clock.tickMs();
    if (link_.ActiveDevice == nullptr)
        return std::nullopt;
    int attempts = 0;
    for (;;) {
        ++attempts;
        Frame buffer = receiver::statusQuery(n);
        if (!link_.setFeature(buffer))
            return std::nullopt;
        clock.sleepMs(kStatusPauseMs);
        if (!link_.getFeature(buffer))
            return std::nullopt;
        if (clock.tickMs() - start > kStatusLimitMs)
            attempts = link_.RetryCount; // this attempt is the last; its answer still counts
        if (frame::acknowledged(buffer))
            return buffer;
        if (attempts >= link_.RetryCount)
            return std::nullopt;
    }
}

void ReceiverOperations::sendOnce(const Frame& request) {
    if (link_.ActiveDevice == nullptr)
        return;
    if (!link_.setFeature(request))
        link_.failTransfer();
}

void ReceiverOperations::updateCustKey() {
    if (link_.ActiveDevice == nullptr)
        return;
    // The receiver applies the words on its own; a lost frame shows at the next unit's test.
    link_.setFeature(receiver::updateCustKey());
}

std::optional<ReceiverOperations::LinkIds> ReceiverOperations::linkQuery() {
    Frame buffer = receiver::linkQuery();
    if (!link_.setFeature(buffer) || !link_.getFeature(buffer))
        return std::nullopt;
    return LinkIds{buffer[receiver::kLinkMouseIdPos], buffer[receiver::kLinkKeyboardIdPos]};
}

void ReceiverOperations::secondQuery() {
    Frame buffer = receiver::secondQuery();
    // Only the exchange matters to the receiver; its answer carries nothing the station uses.
    if (link_.setFeature(buffer))
        link_.getFeature(buffer);
}

void ReceiverOperations::reportDeviceType(receiver::DeviceType type) {
    if (link_.ActiveDevice == nullptr)
        return;
    // Repeated at every connection and every change of the choice; nothing to check here.
    link_.setFeature(receiver::deviceTypeReport(type));
}

void ReceiverOperations::writeReceiverType(bool mouseOnly) {
    link_.WriteReceiverEeprom(rxeeprom::kReceiverType, options::receiverTypeWord(mouseOnly));
}

void ReceiverOperations::writeBatteryLevel(std::uint8_t levelCode) {
    const int word = link_.ReadReceiverEeprom(rxeeprom::kBatteryLevel);
    writeByte(rxeeprom::kBatteryLevel, options::batteryByte(word, levelCode));
}

void ReceiverOperations::writeHotKey(int slot, std::uint16_t code) {
    const hotkeys::HotKeyWords words = hotkeys::hotKeyWords(slot, code);
    link_.WriteReceiverEeprom(words.lowAddress, words.low);
    link_.WriteReceiverEeprom(words.highAddress, words.high);
}

} // namespace rfbind
