// SPDX-License-Identifier: MIT
#pragma once

#include "station/StationView.h"

#include <QFrame>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace rfbind::app {

class Dialogs;
class Led;

/// One slot of a gang station's strip: the slot's number and port, its receiver and
/// transmitter LEDs, the result label (PASS, FAIL with its reason, Move, Wait), the cycle
/// time, the unit's serial numbers and radio ID, the progress bar and the slot's own Go.
///
/// It is that slot's StationView: the slot's station reports to it (queued from the station's
/// thread) and never reads it back. The engineering fields of a run are the main window's
/// business and are not shown here. Boxes the station must put in front of the operator go
/// through `dialogs`; a slot's missing device is shown in the slot itself, since with several
/// boxes a message box would stop every slot to say which one.
///
/// The child widgets carry the main window's object names (lblResult, edtRX_SN, btnGo, …),
/// the panel itself "SlotPanel<K>".
class SlotPanel : public QFrame, public StationView {
    Q_OBJECT

public:
    /// `messageText`: the operator's language's text of a message-table entry.
    SlotPanel(int slot, Dialogs& dialogs, std::function<QString(int)> messageText,
              QWidget* parent = nullptr);

    int slot() const { return slot_; }
    /// The port the slot works (empty until a receiver was seen).
    void showPort(const QString& port);
    /// Texts in the operator's language again (after a language change).
    void retranslate();

    /// The result label as shown ("PASS", "Move", …), for the bench's operator and tests.
    QString resultText() const;

    // RunDisplay
    void showLabel(Label label) override;
    void showFailReason(int messageId, const std::string& detail, const std::string& cause) override;
    void showProgress(int value) override;
    void showNextUnitPrompt(bool) override {}
    void showKeyboardPrompt(bool) override {}
    void clearCycle() override;
    void showDuration(const std::string& seconds) override;
    void enableGo(bool enabled) override;
    void showRadioId(const std::string& hexDigits) override;
    void showRxSerial(const std::string& text) override;
    void showTxSerial(const std::string& text) override;
    void showTransmitterEepromWrite(int, int) override {}
    void showTransmitterRadioChipWrite(int, int) override {}
    void showReceiverRadioChip(int, int) override {}
    void showTransmitterDirectRegisterWrite(int, int) override {}
    void showSensorRead(int, int) override {}
    void showCpiLevel(int) override {}
    void showReceiverByte(int, int) override {}
    void showProductLengthWord(int) override {}
    void clearUsbIds() override {}
    void showStatusAnswer(int, const std::uint8_t*) override {}
    void showNumbering(RunDisplay::Panel, const std::string&, const std::string&) override {}
    void showBindingWatch(bool watching) override;
    void stopBindingAnimation() override {}
    void addDebugLine(const std::string&) override {}
    void showUnloggedUnit(const RunOutcome& outcome) override;

    // StationView
    void showDevices(const std::vector<std::string>&) override {}
    void showLinkReset() override;
    void showReceiverSelected(bool, std::uint16_t, std::uint16_t) override {}
    void showReceiverConnected() override;
    void showTransmitterLink(bool alive) override;
    void showHotKeyLists(bool) override {}
    void showReceiverNotPermitted(const std::string& productString, const std::string& path) override;
    void reportNotReady(bool transmitterMissing, bool receiverMissing) override;
    void showBindingVerdict(bool paired) override;
    void showSettingsNotSaved(const std::string& why) override;
    void showRunRefused(bool numbering, const std::string& why) override;
    void showLineMessage(const std::string& text, bool error) override;
    void startCalibrationProgram() override {}
    void closeAfterRun() override {}

signals:
    /// The slot's own Go was pressed.
    void goClicked(int slot);
    /// The slot's own Connect was pressed.
    void connectClicked(int slot);

private:
    void showResult(const QString& text, const QColor& colour);
    void drawReason();

    int slot_;
    Dialogs& dialogs_;
    std::function<QString(int)> messageText_;
    QLabel* header_;
    Led* ledRX_;
    Led* ledTX_;
    QLabel* result_;
    QLabel* reason_;
    QLineEdit* cycle_;
    QLineEdit* rxSerial_;
    QLineEdit* txSerial_;
    QLineEdit* radioId_;
    QProgressBar* progress_;
    QPushButton* go_;
    QPushButton* connect_;
    bool bindingWatched_ = false;
    QString port_;
    /// What the reason label says: a message-table entry with its detail and cause, or the
    /// devices a Go found missing.
    struct Reason {
        int messageId = -1;
        QString detail;
        QString cause;
        bool transmitterMissing = false;
        bool receiverMissing = false;
    };
    std::optional<Reason> reason;
};

} // namespace rfbind::app
