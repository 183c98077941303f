// SPDX-License-Identifier: MIT
#include "QueuedStationView.h"

#include "commands/ReceiverFrames.h"

#include <QThread>

#include <array>

namespace rfbind::app {

void QueuedStationView::post(std::function<void(StationView&)> call) {
    StationView& window = window_;
    if (QThread::currentThread() == context_->thread()) {
        call(window);
        return;
    }
    QMetaObject::invokeMethod(context_, [&window, call = std::move(call)] { call(window); },
                              Qt::QueuedConnection);
}

void QueuedStationView::ask(std::function<void(StationView&)> call) {
    StationView& window = window_;
    if (QThread::currentThread() == context_->thread()) {
        call(window);
        return;
    }
    // The reports queued before it reach the window first: the box shows over them.
    QMetaObject::invokeMethod(context_, [&window, &call] { call(window); },
                              Qt::BlockingQueuedConnection);
}

void QueuedStationView::showLabel(Label label) {
    post([=](StationView& w) { w.showLabel(label); });
}
void QueuedStationView::showFailReason(int messageId, const std::string& detail, const std::string& cause) {
    post([=](StationView& w) { w.showFailReason(messageId, detail, cause); });
}
void QueuedStationView::showProgress(int value) {
    post([=](StationView& w) { w.showProgress(value); });
}
void QueuedStationView::showNextUnitPrompt(bool shown) {
    post([=](StationView& w) { w.showNextUnitPrompt(shown); });
}
void QueuedStationView::showKeyboardPrompt(bool shown) {
    post([=](StationView& w) { w.showKeyboardPrompt(shown); });
}
void QueuedStationView::clearCycle() {
    post([](StationView& w) { w.clearCycle(); });
}
void QueuedStationView::showDuration(const std::string& seconds) {
    post([=](StationView& w) { w.showDuration(seconds); });
}
void QueuedStationView::enableGo(bool enabled) {
    post([=](StationView& w) { w.enableGo(enabled); });
}
void QueuedStationView::showRadioId(const std::string& hexDigits) {
    post([=](StationView& w) { w.showRadioId(hexDigits); });
}
void QueuedStationView::showRxSerial(const std::string& text) {
    post([=](StationView& w) { w.showRxSerial(text); });
}
void QueuedStationView::showTxSerial(const std::string& text) {
    post([=](StationView& w) { w.showTxSerial(text); });
}
void QueuedStationView::showTransmitterEepromWrite(int address, int value) {
    post([=](StationView& w) { w.showTransmitterEepromWrite(address, value); });
}
void QueuedStationView::showTransmitterRadioChipWrite(int address, int value) {
    post([=](StationView& w) { w.showTransmitterRadioChipWrite(address, value); });
}
void QueuedStationView::showReceiverRadioChip(int address, int value) {
    post([=](StationView& w) { w.showReceiverRadioChip(address, value); });
}
void QueuedStationView::showTransmitterDirectRegisterWrite(int address, int value) {
    post([=](StationView& w) { w.showTransmitterDirectRegisterWrite(address, value); });
}
void QueuedStationView::showSensorRead(int address, int value) {
    post([=](StationView& w) { w.showSensorRead(address, value); });
}
void QueuedStationView::showCpiLevel(int level) {
    post([=](StationView& w) { w.showCpiLevel(level); });
}
void QueuedStationView::showReceiverByte(int word, int value) {
    post([=](StationView& w) { w.showReceiverByte(word, value); });
}
void QueuedStationView::showProductLengthWord(int value) {
    post([=](StationView& w) { w.showProductLengthWord(value); });
}
void QueuedStationView::clearUsbIds() {
    post([](StationView& w) { w.clearUsbIds(); });
}
void QueuedStationView::showStatusAnswer(int n, const std::uint8_t* bytes) {
    // The answer buffer is the run's: the window gets a copy.
    std::array<std::uint8_t, receiver::kStatusAnswerBytes> copy{};
    std::copy(bytes, bytes + copy.size(), copy.begin());
    post([=](StationView& w) { w.showStatusAnswer(n, copy.data()); });
}
void QueuedStationView::showNumbering(Panel panel, const std::string& current, const std::string& next) {
    post([=](StationView& w) { w.showNumbering(panel, current, next); });
}
void QueuedStationView::showBindingWatch(bool watching) {
    post([=](StationView& w) { w.showBindingWatch(watching); });
}
void QueuedStationView::stopBindingAnimation() {
    post([](StationView& w) { w.stopBindingAnimation(); });
}
void QueuedStationView::addDebugLine(const std::string& line) {
    post([=](StationView& w) { w.addDebugLine(line); });
}
void QueuedStationView::showLineOffline(bool offline) {
    post([=](StationView& w) { w.showLineOffline(offline); });
}
void QueuedStationView::showUnloggedUnit(const RunOutcome& outcome) {
    ask([&](StationView& w) { w.showUnloggedUnit(outcome); });
}

void QueuedStationView::showDevices(const std::vector<std::string>& productStrings) {
    post([=](StationView& w) { w.showDevices(productStrings); });
}
void QueuedStationView::showLinkReset() {
    post([](StationView& w) { w.showLinkReset(); });
}
void QueuedStationView::showReceiverSelected(bool present, std::uint16_t vendorId, std::uint16_t productId) {
    post([=](StationView& w) { w.showReceiverSelected(present, vendorId, productId); });
}
void QueuedStationView::showReceiverConnected() {
    post([](StationView& w) { w.showReceiverConnected(); });
}
void QueuedStationView::showTransmitterLink(bool alive) {
    post([=](StationView& w) { w.showTransmitterLink(alive); });
}
void QueuedStationView::showHotKeyLists(bool zoomKeys) {
    // The lists are read back into the recipe of the next unit: they must be filled first.
    ask([=](StationView& w) { w.showHotKeyLists(zoomKeys); });
}
void QueuedStationView::showReceiverNotPermitted(const std::string& productString, const std::string& path) {
    ask([&](StationView& w) { w.showReceiverNotPermitted(productString, path); });
}
void QueuedStationView::reportNotReady(bool transmitterMissing, bool receiverMissing) {
    ask([=](StationView& w) { w.reportNotReady(transmitterMissing, receiverMissing); });
}
void QueuedStationView::showBindingVerdict(bool paired) {
    ask([=](StationView& w) { w.showBindingVerdict(paired); });
}
void QueuedStationView::showSettingsNotSaved(const std::string& why) {
    ask([&](StationView& w) { w.showSettingsNotSaved(why); });
}
void QueuedStationView::showRunRefused(bool numbering, const std::string& why) {
    ask([&](StationView& w) { w.showRunRefused(numbering, why); });
}
void QueuedStationView::showLineMessage(const std::string& text, bool error) {
    ask([&](StationView& w) { w.showLineMessage(text, error); });
}
void QueuedStationView::startCalibrationProgram() {
    ask([](StationView& w) { w.startCalibrationProgram(); });
}
void QueuedStationView::closeAfterRun() {
    post([](StationView& w) { w.closeAfterRun(); });
}

} // namespace rfbind::app
