// SPDX-License-Identifier: MIT
#pragma once

#include "production/RunOutcome.h"

#include <cstdint>
#include <string>

namespace rfbind {

/// What the operator sees of a run. The window implements it; the runs call it as they go and
/// never read anything back. Every call happens on the user-interface thread, inside the run.
class RunDisplay {
public:
    virtual ~RunDisplay() = default;

    /// The big result label.
    enum class Label { Empty, Move, Wait, Pass, Fail, TxErased, RxErased, TxEraseFail, RxEraseFail };
    virtual void showLabel(Label label) = 0;
    /// The reason under the label after a failure (message-table id, its detail and the
    /// cause the link reported, see composeFailReason), or cleared (id -1).
    virtual void showFailReason(int messageId, const std::string& detail,
                                const std::string& cause) = 0;
    /// The progress bar, 0..20.
    virtual void showProgress(int value) = 0;
    /// The "put in the next unit" picture and the "press the keyboard's bind button" one.
    virtual void showNextUnitPrompt(bool shown) = 0;
    virtual void showKeyboardPrompt(bool shown) = 0;
    /// Empties the cycle's fields (duration, label, radio ID, both serials) and hides the
    /// next-unit picture: a new cycle begins.
    virtual void clearCycle() = 0;
    /// The cycle's duration, as "12.045".
    virtual void showDuration(const std::string& seconds) = 0;
    /// Go is usable (or not).
    virtual void enableGo(bool enabled) = 0;

    // ---- the values the run wrote, so the engineering fields show the last ones --------
    /// Receiver radio ID as drawn, six hex digits, growing two digits at a time; "" empties.
    virtual void showRadioId(const std::string& hexDigits) = 0;
    virtual void showRxSerial(const std::string& text) = 0;
    virtual void showTxSerial(const std::string& text) = 0;
    /// A transmitter EEPROM write: address and value (the RF page's EEPROM fields).
    virtual void showTransmitterEepromWrite(int address, int value) = 0;
    /// A transmitter radio-chip write (the RF page's radio-chip fields).
    virtual void showTransmitterRadioChipWrite(int address, int value) = 0;
    /// A receiver radio-chip write: the address and the value the register now shows.
    virtual void showReceiverRadioChip(int address, int value) = 0;
    /// A transmitter direct-register write (the RF page's direct-register fields).
    virtual void showTransmitterDirectRegisterWrite(int address, int value) = 0;
    /// The sensor read: address and the value read (-1 when it failed).
    virtual void showSensorRead(int address, int value) = 0;
    /// The resolution level sent.
    virtual void showCpiLevel(int level) = 0;
    /// A receiver EEPROM byte written through the EEPROM page (its field `word`).
    virtual void showReceiverByte(int word, int value) = 0;
    /// The product string's length word as written.
    virtual void showProductLengthWord(int value) = 0;
    /// Both VID/PID settings emptied: the unit carries no USB IDs of its own.
    virtual void clearUsbIds() = 0;
    /// Status query `n`'s answer bytes 0..6.
    virtual void showStatusAnswer(int n, const std::uint8_t* bytes) = 0;
    /// The numbering panels after a PASS: side (receiver or transmitter), serial or radio ID,
    /// the value used and the next one.
    enum class Panel { RxSerial, TxSerial, RxRadioId, TxRadioId };
    virtual void showNumbering(Panel panel, const std::string& current, const std::string& next) = 0;
    /// The binding watch started (animated picture, "&Connecting") or came to a verdict
    /// (connected picture, "&Connect").
    virtual void showBindingWatch(bool watching) = 0;
    /// The run stopped watching: the animation stops where it is (its picture stays).
    virtual void stopBindingAnimation() = 0;
    /// A line for the hidden debug list.
    virtual void addDebugLine(const std::string& line) = 0;
    /// Whether the station's line is offline (shown after every attempt). A station on its own
    /// is never offline, so a display without a line may ignore it.
    virtual void showLineOffline(bool offline) { (void)offline; }
    /// A passed unit whose production-log line could not be written (`outcome.logError`): the
    /// operator must write it down by hand now. Called at the end of the unit, before Go
    /// starts the calibration program and lets the receiver go.
    virtual void showUnloggedUnit(const RunOutcome& outcome) { (void)outcome; }
};

} // namespace rfbind
