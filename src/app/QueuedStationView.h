// SPDX-License-Identifier: MIT
#pragma once

#include "station/StationView.h"

#include <QObject>

#include <functional>

namespace rfbind::app {

/// The window as a station working on its own thread sees it: every report is queued to the
/// window's thread and the station goes on; a box that needs the operator's answer (not
/// ready, a refusal, the unlogged unit, ...) blocks the station until the operator has
/// answered it. Called on the window's own thread, a call goes straight through.
///
/// `window` and `context` (the window's QObject, living on the user-interface thread) must
/// outlive every call.
class QueuedStationView : public StationView {
public:
    QueuedStationView(StationView& window, QObject* context) : window_(window), context_(context) {}

    void showLabel(Label label) override { report(&StationView::showLabel, label); }
    void showFailReason(int messageId, const std::string& detail,
                        const std::string& cause) override {
        report(&StationView::showFailReason, messageId, detail, cause);
    }
    void showProgress(int value) override { report(&StationView::showProgress, value); }
    void showNextUnitPrompt(bool shown) override {
        report(&StationView::showNextUnitPrompt, shown);
    }
    void showKeyboardPrompt(bool shown) override {
        report(&StationView::showKeyboardPrompt, shown);
    }
    void clearCycle() override { report(&StationView::clearCycle); }
    void showDuration(const std::string& seconds) override {
        report(&StationView::showDuration, seconds);
    }
    void enableGo(bool enabled) override { report(&StationView::enableGo, enabled); }
    void showRadioId(const std::string& hexDigits) override {
        report(&StationView::showRadioId, hexDigits);
    }
    void showRxSerial(const std::string& text) override {
        report(&StationView::showRxSerial, text);
    }
    void showTxSerial(const std::string& text) override {
        report(&StationView::showTxSerial, text);
    }
    void showTransmitterEepromWrite(int address, int value) override {
        report(&StationView::showTransmitterEepromWrite, address, value);
    }
    void showTransmitterRadioChipWrite(int address, int value) override {
        report(&StationView::showTransmitterRadioChipWrite, address, value);
    }
    void showReceiverRadioChip(int address, int value) override {
        report(&StationView::showReceiverRadioChip, address, value);
    }
    void showTransmitterDirectRegisterWrite(int address, int value) override {
        report(&StationView::showTransmitterDirectRegisterWrite, address, value);
    }
    void showSensorRead(int address, int value) override {
        report(&StationView::showSensorRead, address, value);
    }
    void showCpiLevel(int level) override { report(&StationView::showCpiLevel, level); }
    void showReceiverByte(int word, int value) override {
        report(&StationView::showReceiverByte, word, value);
    }
    void showProductLengthWord(int value) override {
        report(&StationView::showProductLengthWord, value);
    }
    void clearUsbIds() override { report(&StationView::clearUsbIds); }
    void showStatusAnswer(int n, const std::uint8_t* bytes) override;
    void showNumbering(Panel panel, const std::string& current, const std::string& next) override {
        report(&StationView::showNumbering, panel, current, next);
    }
    void showBindingWatch(bool watching) override {
        report(&StationView::showBindingWatch, watching);
    }
    void stopBindingAnimation() override { report(&StationView::stopBindingAnimation); }
    void addDebugLine(const std::string& line) override {
        report(&StationView::addDebugLine, line);
    }
    void showLineOffline(bool offline) override { report(&StationView::showLineOffline, offline); }
    void showUnloggedUnit(const RunOutcome& outcome) override {
        question(&StationView::showUnloggedUnit, outcome);
    }

    void showDevices(const std::vector<std::string>& productStrings) override {
        report(&StationView::showDevices, productStrings);
    }
    void showLinkReset() override { report(&StationView::showLinkReset); }
    void showReceiverSelected(bool present, std::uint16_t vendorId,
                              std::uint16_t productId) override {
        report(&StationView::showReceiverSelected, present, vendorId, productId);
    }
    void showReceiverConnected() override { report(&StationView::showReceiverConnected); }
    void showTransmitterLink(bool alive) override {
        report(&StationView::showTransmitterLink, alive);
    }
    void showHotKeyLists(bool zoomKeys) override {
        // The lists are read back into the recipe of the next unit: they must be filled first.
        question(&StationView::showHotKeyLists, zoomKeys);
    }
    void showReceiverNotPermitted(const std::string& productString,
                                  const std::string& path) override {
        question(&StationView::showReceiverNotPermitted, productString, path);
    }
    void reportNotReady(bool transmitterMissing, bool receiverMissing) override {
        question(&StationView::reportNotReady, transmitterMissing, receiverMissing);
    }
    void showBindingVerdict(bool paired) override {
        question(&StationView::showBindingVerdict, paired);
    }
    void showSettingsNotSaved(const std::string& why) override {
        question(&StationView::showSettingsNotSaved, why);
    }
    void showRunRefused(bool numbering, const std::string& why) override {
        question(&StationView::showRunRefused, numbering, why);
    }
    void showLineMessage(const std::string& text, bool error) override {
        question(&StationView::showLineMessage, text, error);
    }
    void startCalibrationProgram() override { question(&StationView::startCalibrationProgram); }
    void closeAfterRun() override { report(&StationView::closeAfterRun); }

private:
    /// A report: its arguments are copied (the station's are gone by the time the window
    /// shows them), it is queued, and the station goes on.
    template <typename Display, typename... Params, typename... Args>
    void report(void (Display::*shown)(Params...), const Args&... args) {
        deliver(Qt::QueuedConnection, [shown, args...](StationView& w) { (w.*shown)(args...); });
    }
    /// A question: the station waits until the window has shown it and the operator answered,
    /// so the window may read the station's own arguments meanwhile.
    template <typename Display, typename... Params, typename... Args>
    void question(void (Display::*asked)(Params...), const Args&... args) {
        deliver(Qt::BlockingQueuedConnection,
                [asked, &args...](StationView& w) { (w.*asked)(args...); });
    }
    /// On the window's own thread the call goes straight through.
    void deliver(Qt::ConnectionType connection, std::function<void(StationView&)> call);

    StationView& window_;
    QObject* context_;
};

} // namespace rfbind::app
