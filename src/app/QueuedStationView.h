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

    void showLabel(Label label) override;
    void showFailReason(int messageId, const std::string& detail, const std::string& cause) override;
    void showProgress(int value) override;
    void showNextUnitPrompt(bool shown) override;
    void showKeyboardPrompt(bool shown) override;
    void clearCycle() override;
    void showDuration(const std::string& seconds) override;
    void enableGo(bool enabled) override;
    void showRadioId(const std::string& hexDigits) override;
    void showRxSerial(const std::string& text) override;
    void showTxSerial(const std::string& text) override;
    void showTransmitterEepromWrite(int address, int value) override;
    void showTransmitterRadioChipWrite(int address, int value) override;
    void showReceiverRadioChip(int address, int value) override;
    void showTransmitterDirectRegisterWrite(int address, int value) override;
    void showSensorRead(int address, int value) override;
    void showCpiLevel(int level) override;
    void showReceiverByte(int word, int value) override;
    void showProductLengthWord(int value) override;
    void clearUsbIds() override;
    void showStatusAnswer(int n, const std::uint8_t* bytes) override;
    void showNumbering(Panel panel, const std::string& current, const std::string& next) override;
    void showBindingWatch(bool watching) override;
    void stopBindingAnimation() override;
    void addDebugLine(const std::string& line) override;
    void showLineOffline(bool offline) override;
    void showUnloggedUnit(const RunOutcome& outcome) override;

    void showDevices(const std::vector<std::string>& productStrings) override;
    void showLinkReset() override;
    void showReceiverSelected(bool present, std::uint16_t vendorId, std::uint16_t productId) override;
    void showReceiverConnected() override;
    void showTransmitterLink(bool alive) override;
    void showHotKeyLists(bool zoomKeys) override;
    void showReceiverNotPermitted(const std::string& productString, const std::string& path) override;
    void reportNotReady(bool transmitterMissing, bool receiverMissing) override;
    void showBindingVerdict(bool paired) override;
    void showSettingsNotSaved(const std::string& why) override;
    void showRunRefused(bool numbering, const std::string& why) override;
    void showLineMessage(const std::string& text, bool error) override;
    void startCalibrationProgram() override;
    void closeAfterRun() override;

private:
    /// A report: queued, the station goes on.
    void post(std::function<void(StationView&)> call);
    /// A question: the station waits until the window has shown it and the operator answered.
    void ask(std::function<void(StationView&)> call);

    StationView& window_;
    QObject* context_;
};

} // namespace rfbind::app
