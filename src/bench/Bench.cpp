// SPDX-License-Identifier: MIT
#include "bench/Bench.h"

#include "bench/FirmwareFrames.h"

#include <algorithm>
#include <string>

namespace rfbind::bench {

namespace {

RadioId anyId(std::mt19937& rng) {
    const std::uint32_t v = rng();
    return RadioId{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                   static_cast<std::uint8_t>(v)};
}

// Keyboards leave their own assembly with IDs and channel maps free of zero bytes: the
// receiver stores them as complement words, and a zero byte there would read like a word the
// station cleared.
RadioId nonZeroId(std::mt19937& rng) {
    RadioId id{};
    for (auto& b : id)
        b = static_cast<std::uint8_t>(1 + rng() % 255);
    return id;
}

void loadKeyboard(BenchTransmitter& keyboard, std::mt19937& rng) {
    const RadioId id = nonZeroId(rng);
    for (std::size_t i = 0; i < id.size(); ++i)
        keyboard.loadEepromByte(BenchTransmitter::kOwnIdAddress + i, id[i]);
    keyboard.setChannelMap(nonZeroId(rng));
}

constexpr std::uint16_t kKeyboardVendorId = 0x1A2C;
constexpr std::uint16_t kKeyboardProductId = 0x0002;
constexpr std::uint16_t kKeyboardVersion = 0x0110;
constexpr std::uint16_t kGenericDesktopPage = 1;
constexpr std::uint16_t kKeyboardUsage = 6;

} // namespace

Bench::Bench(Clock& clock, BenchOptions options, SleepFunction transferSleep)
    : clock_(clock), transferSleep_(std::move(transferSleep)), options_(std::move(options)),
      mouse_(TransmitterKind::Mouse, options_.sensorId),
      keyboard_(TransmitterKind::Keyboard, options_.sensorId) {
    if (!transferSleep_)
        transferSleep_ = [this](int ms) { clock_.sleepMs(ms); };
    std::mt19937 rng(0);
    loadKeyboard(keyboard_, rng);
    setFaults(options_.faults);
    unplugCountdownStart_ = clock_.tickMs();
}

// --- Operator ---------------------------------------------------------------------------

void Bench::plugReceiver() {
    const std::lock_guard lock(mutex_);
    if (plugged_)
        return;
    plugged_ = true;
    ++generation_;
    unplugCountdownStart_ = clock_.tickMs();
    answer_ = Frame{};
    receiver_.powerOn();
    notifyPlugListeners();
}

void Bench::unplugReceiver() {
    const std::lock_guard lock(mutex_);
    if (!plugged_)
        return;
    plugged_ = false;
    notifyPlugListeners();
}

void Bench::switchMouse(bool on) {
    const std::lock_guard lock(mutex_);
    checkTime();
    if (on && !faults().transmitterOff)
        mouse_.switchOn(clock_.tickMs());
    else if (!on)
        mouse_.switchOff();
    checkTime(); // a mouse switched on into an open pairing window pairs at once
}

void Bench::switchKeyboard(bool on) {
    const std::lock_guard lock(mutex_);
    if (faults().noKeyboard)
        return;
    checkTime();
    if (on)
        keyboard_.switchOn(clock_.tickMs());
    else
        keyboard_.switchOff();
}

void Bench::setMouseMoving(bool moving) {
    const std::lock_guard lock(mutex_);
    mouse_.setMoving(moving && !faults().mouseNeverMoves);
}

void Bench::setKeyboardTyping(bool typing) {
    const std::lock_guard lock(mutex_);
    if (!faults().noKeyboard)
        keyboard_.setMoving(typing);
}

void Bench::pressKeyboardBindButton() {
    const std::lock_guard lock(mutex_);
    if (faults().noKeyboard)
        return;
    checkTime();
    keyboard_.pressBindButton();
    checkTime();
}

void Bench::freshUnit(std::uint32_t seed) {
    const std::lock_guard lock(mutex_);
    std::mt19937 rng(seed);
    const RadioId rxId = anyId(rng);
    const RadioId txId = anyId(rng);

    unplugReceiver();
    receiver_.reset();
    for (std::size_t i = 0; i < rxId.size(); ++i) {
        receiver_.loadEepromWord(BenchReceiver::kOwnIdWord + i, complementWord(rxId[i]));
        receiver_.loadEepromWord(BenchReceiver::kPartnerMouseWord + i, complementWord(txId[i]));
    }
    mouse_.reset(options_.sensorId);
    for (std::size_t i = 0; i < txId.size(); ++i) {
        mouse_.loadEepromByte(BenchTransmitter::kOwnIdAddress + i, txId[i]);
        mouse_.loadEepromByte(BenchTransmitter::kPartnerIdAddress + i, rxId[i]);
    }
    keyboard_.reset(options_.sensorId);
    loadKeyboard(keyboard_, rng);

    plugReceiver();
    switchMouse(true);
    switchKeyboard(true);
}

void Bench::checkTime() {
    const std::lock_guard lock(mutex_);
    const std::uint32_t now = clock_.tickMs();
    const auto& after = faults().unplugAfterMs;
    if (plugged_ && after && now - unplugCountdownStart_ >= *after)
        unplugReceiver();
    if (plugged_)
        receiver_.service(now);
}

// --- Configuration ----------------------------------------------------------------------

void Bench::setFaults(const BenchFaults& faults) {
    const std::lock_guard lock(mutex_);
    const bool countdownChanged = faults.unplugAfterMs != options_.faults.unplugAfterMs;
    options_.faults = faults;
    ackLoss_.seed(faults.ackLossSeed);
    mouse_.setWriteIgnoringByte(faults.stuckTransmitterEepromByte);
    receiver_.setWriteIgnoringWord(faults.stuckReceiverEepromWord);
    connectRadio();
    if (faults.transmitterOff)
        mouse_.switchOff();
    if (faults.mouseNeverMoves)
        mouse_.setMoving(false);
    if (countdownChanged)
        unplugCountdownStart_ = clock_.tickMs();
}

void Bench::connectRadio() {
    receiver_.connectRadio(&mouse_, faults().noKeyboard ? nullptr : &keyboard_);
}

const BenchTransmitter* Bench::keyboard() const {
    return faults().noKeyboard ? nullptr : &keyboard_;
}

// --- HID side ---------------------------------------------------------------------------

BenchIdentity Bench::identity(BenchEndpoint endpoint) const {
    const std::lock_guard lock(mutex_);
    if (endpoint == BenchEndpoint::UnrelatedKeyboard)
        return BenchIdentity{{kKeyboardVendorId, kKeyboardProductId, kKeyboardVersion},
                             {kGenericDesktopPage, kKeyboardUsage, 0},
                             "USB Keyboard",
                             "bench:keyboard",
                             "1-1"};
    return BenchIdentity{
        {options_.receiverVendorId, options_.receiverProductId, options_.receiverVersion},
        {options_.receiverUsagePage, options_.receiverUsage, options_.receiverFeatureReportLength},
        options_.receiverProduct,
        "bench:receiver/" + std::to_string(generation_),
        options_.receiverPortPath};
}

bool Bench::present(BenchEndpoint endpoint, std::uint64_t generation) {
    const std::lock_guard lock(mutex_);
    if (endpoint == BenchEndpoint::UnrelatedKeyboard)
        return true;
    checkTime();
    return plugged_ && generation == generation_;
}

bool Bench::acceptable(const std::uint8_t* buffer, std::size_t length) const {
    // The receiver declares one feature report, ID 1, of a fixed size; the HID stack refuses
    // anything else before it reaches the wire.
    return buffer != nullptr && length == options_.receiverFeatureReportLength &&
           length <= Frame{}.size() && buffer[0] == frame::kReportId;
}

void Bench::spendLatency(BenchEndpoint endpoint, std::uint64_t generation) {
    // Spent on the bus, outside the bench's lock: the operator's hands (moving the mouse,
    // pressing a bind button) are never kept waiting behind a transfer, as they would be for
    // as long as the station keeps the pipe busy. A transfer to a receiver that is not there
    // fails at once, as before.
    int latencyMs = 0;
    {
        const std::lock_guard lock(mutex_);
        if (endpoint == BenchEndpoint::Receiver && present(endpoint, generation))
            latencyMs = faults().usbLatencyMs;
    }
    if (latencyMs > 0)
        transferSleep_(latencyMs);
}

std::size_t Bench::setFeature(BenchEndpoint endpoint, std::uint64_t generation,
                              const std::uint8_t* buffer, std::size_t length) {
    spendLatency(endpoint, generation);
    const std::lock_guard lock(mutex_);
    ++setFeatures_;
    if (endpoint != BenchEndpoint::Receiver || !present(endpoint, generation) ||
        !acceptable(buffer, length))
        return 0;
    if (const auto& taken = faults().shortWriteBytes;
        taken && static_cast<std::size_t>(std::max(*taken, 1)) < length)
        // The report arrives cut short: the firmware never sees a whole request.
        return static_cast<std::size_t>(std::max(*taken, 1));
    Frame request{};
    std::copy_n(buffer, length, request.begin());
    const std::uint32_t now = clock_.tickMs();
    receiver_.service(now);
    answer_ = receiver_.handle(request, now);
    answersPairingStatus_ = request[1] == firmware::kDirectRead && request[2] == firmware::kStatusRegister &&
                            request[3] == firmware::kStatusMark && request[4] == firmware::kStatusBinding;
    receiver_.service(now); // a window the request just opened pairs a waiting transmitter
    return length;
}

bool Bench::getFeature(BenchEndpoint endpoint, std::uint64_t generation, std::uint8_t* buffer,
                       std::size_t length) {
    spendLatency(endpoint, generation);
    const std::lock_guard lock(mutex_);
    ++getFeatures_;
    if (endpoint != BenchEndpoint::Receiver || !present(endpoint, generation) ||
        !acceptable(buffer, length))
        return false;
    Frame answer = answer_;
    // One draw per answer whatever it holds, so the losses depend only on the seed and the
    // number of answers fetched.
    const bool lost = options_.faults.ackLossProbability > 0.0 &&
                      static_cast<double>(ackLoss_()) / 4294967296.0 <
                          options_.faults.ackLossProbability;
    if (lost || faults().receiverNeverAcknowledges ||
        (answersPairingStatus_ && faults().pairingStatusUnanswered))
        answer[7] = 0;
    std::copy_n(answer.begin(), length, buffer);
    return true;
}

// --- Plug listeners ---------------------------------------------------------------------

int Bench::addPlugListener(Listener listener) {
    const std::lock_guard lock(mutex_);
    const int id = nextListenerId_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void Bench::removePlugListener(int id) {
    const std::lock_guard lock(mutex_);
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void Bench::notifyPlugListeners() {
    // A copy: a listener may add or remove listeners.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners)
        if (listener)
            listener();
}

} // namespace rfbind::bench
