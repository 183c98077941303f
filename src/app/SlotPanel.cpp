// SPDX-License-Identifier: MIT
#include "SlotPanel.h"

#include "Dialogs.h"
#include "RunTexts.h"
#include "StationProgram.h"
#include "widgets/Led.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace rfbind::app {

namespace {

/// The "Please Check Device" entry of the message table.
constexpr int kCheckDeviceMessage = 36;
/// The Go button's caption, as the main window's.
constexpr int kGoMessage = 37;
/// The binding's verdicts, "Connect Success" and "Connect Fail".
constexpr int kConnectSuccessMessage = 5;
constexpr int kConnectFailMessage = 6;

QLineEdit* field(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setAlignment(Qt::AlignCenter);
    return e;
}

} // namespace

SlotPanel::SlotPanel(int slot, Dialogs& dialogs, std::function<QString(int)> messageText,
                     QWidget* parent)
    : QFrame(parent), slot_(slot), dialogs_(dialogs), messageText_(std::move(messageText)) {
    setObjectName(QStringLiteral("SlotPanel%1").arg(slot));
    setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(3);

    auto* top = new QHBoxLayout;
    header_ = new QLabel(this);
    header_->setObjectName(QStringLiteral("lblSlot"));
    QFont bold = header_->font();
    bold.setBold(true);
    header_->setFont(bold);
    ledRX_ = new Led(this);
    ledRX_->setObjectName(QStringLiteral("ledRX"));
    ledTX_ = new Led(this);
    ledTX_->setObjectName(QStringLiteral("ledTX"));
    for (Led* led : {ledRX_, ledTX_})
        led->setFixedSize(14, 14);
    top->addWidget(header_, 1);
    top->addWidget(ledRX_);
    top->addWidget(ledTX_);
    column->addLayout(top);

    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("lblResult"));
    result_->setAlignment(Qt::AlignCenter);
    QFont big = result_->font();
    big.setPointSize(22);
    big.setBold(true);
    result_->setFont(big);
    result_->setMinimumHeight(40);
    column->addWidget(result_);

    reason_ = new QLabel(this);
    reason_->setObjectName(QStringLiteral("lblFailReason"));
    reason_->setAlignment(Qt::AlignCenter);
    reason_->setWordWrap(true);
    // A server's or the system's words are shown as they are, never as markup.
    reason_->setTextFormat(Qt::PlainText);
    reason_->setMinimumHeight(2 * reason_->fontMetrics().height());
    QPalette red = reason_->palette();
    red.setColor(QPalette::WindowText, kFailColour);
    reason_->setPalette(red);
    column->addWidget(reason_);

    cycle_ = field(this, "edtCaliTime");
    rxSerial_ = field(this, "edtRX_SN");
    txSerial_ = field(this, "edtTX_SN");
    radioId_ = field(this, "edtMseDongleAddr");
    for (QLineEdit* e : {cycle_, rxSerial_, txSerial_, radioId_})
        column->addWidget(e);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("pbSetTX"));
    progress_->setRange(0, 20);
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(10);
    column->addWidget(progress_);

    go_ = new QPushButton(QStringLiteral("Go"), this);
    go_->setObjectName(QStringLiteral("btnGo"));
    // PageDown goes to the window, which starts every idle slot: the slot's Go keeps no focus.
    go_->setFocusPolicy(Qt::NoFocus);
    connect(go_, &QPushButton::clicked, this, [this] { emit goClicked(slot_); });
    // The operator's binding of this slot's box: it waits for the gang's pairing window.
    connect_ = new QPushButton(this);
    connect_->setObjectName(QStringLiteral("btnCombo_Cmd_Soft_Bind_SW"));
    connect_->setFocusPolicy(Qt::NoFocus);
    connect(connect_, &QPushButton::clicked, this, [this] { emit connectClicked(slot_); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(go_, 1);
    buttons->addWidget(connect_, 1);
    column->addLayout(buttons);
    column->addStretch(1);

    showPort({});
    showLinkReset();
    retranslate();
}

void SlotPanel::showPort(const QString& port) {
    port_ = port;
    header_->setText(port.isEmpty() ? QString::number(slot_)
                                    : QStringLiteral("%1  %2").arg(slot_).arg(port));
}

void SlotPanel::retranslate() {
    drawReason();
    // Eight slots' buttons cannot share one keyboard shortcut: the caption goes without it.
    QString caption = messageText_(bindingWatched_ ? 4 : 3);
    caption.remove(QStringLiteral("(&C)"));
    caption.remove(QLatin1Char('&'));
    connect_->setText(caption);
    go_->setText(messageText_(kGoMessage));
}

void SlotPanel::showBindingWatch(bool watching) {
    // The slot whose transmitter the operator must switch to pairing says "Wait", as a run's
    // keyboard binding does, and only while its binding holds the pairing window.
    bindingWatched_ = watching;
    if (watching) {
        reason.reset();
        drawReason();
    }
    showLabel(watching ? Label::Wait : Label::Empty);
    retranslate();
}

void SlotPanel::showBindingVerdict(bool paired) {
    // In the slot, not in a box: a box would stop every slot's reports to say which one.
    reason = Reason{paired ? kConnectSuccessMessage : kConnectFailMessage, {}, {}};
    drawReason();
}

QString SlotPanel::resultText() const {
    return result_->text();
}

void SlotPanel::showResult(const QString& text, const QColor& colour) {
    QPalette p = result_->palette();
    p.setColor(QPalette::WindowText, colour);
    result_->setPalette(p);
    result_->setText(text);
}

void SlotPanel::showLabel(Label label) {
    // In the main window's words and colours: the operator reads a slot as they read the window.
    const ResultLook look = resultLook(label, messageText_);
    if (look.text.isEmpty())
        result_->clear();
    else
        showResult(look.text, look.colour);
}

void SlotPanel::showFailReason(int messageId, const std::string& detail, const std::string& cause) {
    if (messageId < 0)
        reason.reset();
    else
        reason = Reason{messageId, QString::fromStdString(detail), QString::fromStdString(cause)};
    drawReason();
}

void SlotPanel::drawReason() {
    if (!reason) {
        reason_->clear();
        reason_->setToolTip({});
        return;
    }
    QString text;
    if (reason->messageId == kCheckDeviceMessage && (reason->transmitterMissing || reason->receiverMissing)) {
        text = messageText_(kCheckDeviceMessage);
        if (reason->transmitterMissing)
            text += QStringLiteral(": TX");
        if (reason->receiverMissing)
            text += QStringLiteral(": RX");
    } else {
        // As the main window words it: the reason in the operator's language, its detail and
        // cause as the core and the system gave them.
        text = messageText_(reason->messageId);
        if (text.contains(QStringLiteral("%1")))
            text.replace(QStringLiteral("%1"), reason->detail);
        else if (!reason->detail.isEmpty())
            text += QStringLiteral(": ") + reason->detail;
        if (!reason->cause.isEmpty())
            text += QStringLiteral(": ") + reason->cause;
    }
    QPalette colour = reason_->palette();
    colour.setColor(QPalette::WindowText,
                    reason->messageId == kConnectSuccessMessage ? kPassColour : kFailColour);
    reason_->setPalette(colour);
    // The slot is narrow: the whole text is in the tool tip.
    reason_->setText(text);
    reason_->setToolTip(text);
}

void SlotPanel::showProgress(int value) { progress_->setValue(value); }

void SlotPanel::clearCycle() {
    cycle_->clear();
    result_->clear();
    radioId_->clear();
    rxSerial_->clear();
    txSerial_->clear();
    progress_->setValue(0);
}

void SlotPanel::showDuration(const std::string& seconds) { cycle_->setText(QString::fromStdString(seconds)); }
void SlotPanel::enableGo(bool enabled) { go_->setEnabled(enabled); }
void SlotPanel::showRadioId(const std::string& hexDigits) { radioId_->setText(QString::fromStdString(hexDigits)); }
void SlotPanel::showRxSerial(const std::string& text) { rxSerial_->setText(QString::fromStdString(text)); }
void SlotPanel::showTxSerial(const std::string& text) { txSerial_->setText(QString::fromStdString(text)); }

namespace {

// The slots' own entries of the message table.
constexpr int kUnloggedUnitMessage = 76;
constexpr int kReceiverNotPermittedMessage = 77;
constexpr int kSettingsNotSavedMessage = 78;
constexpr int kRunRefusedMessage = 79;
constexpr int kCannotStoreNumberingMessage = 80;
constexpr int kCannotLogUnitsMessage = 81;

} // namespace

void SlotPanel::showUnloggedUnit(const RunOutcome& outcome) {
    dialogs_.message(this, stationTitle(),
                     messageText_(kUnloggedUnitMessage)
                         .arg(slot_)
                         .arg(QString::fromStdString(outcome.logPath),
                              QString::fromStdString(outcome.logError),
                              radioId_->text(), QString::fromStdString(outcome.rxSerial),
                              QString::fromStdString(outcome.txSerial)),
                     Dialogs::Icon::Warning);
}

void SlotPanel::showLinkReset() {
    ledRX_->setOn(false);
    ledTX_->setOn(false);
}

void SlotPanel::showReceiverConnected() { ledRX_->setOn(true); }
void SlotPanel::showTransmitterLink(bool alive) { ledTX_->setOn(alive); }

void SlotPanel::showReceiverNotPermitted(const std::string& productString, const std::string& path) {
    dialogs_.message(this, stationTitle(),
                     messageText_(kReceiverNotPermittedMessage)
                         .arg(slot_)
                         .arg(QString::fromStdString(productString), QString::fromStdString(path)),
                     Dialogs::Icon::Warning);
}

void SlotPanel::reportNotReady(bool transmitterMissing, bool receiverMissing) {
    reason = Reason{kCheckDeviceMessage, {}, {}, transmitterMissing, receiverMissing};
    drawReason();
}

void SlotPanel::showSettingsNotSaved(const std::string& why) {
    dialogs_.message(this, stationTitle(),
                     messageText_(kSettingsNotSavedMessage)
                         .arg(slot_)
                         .arg(QString::fromStdString(why)),
                     Dialogs::Icon::Error);
}

void SlotPanel::showRunRefused(bool numbering, const std::string& why) {
    dialogs_.message(this, stationTitle(),
                     messageText_(kRunRefusedMessage)
                         .arg(slot_)
                         .arg(messageText_(numbering ? kCannotStoreNumberingMessage
                                                     : kCannotLogUnitsMessage),
                              QString::fromStdString(why)),
                     Dialogs::Icon::Error);
}

void SlotPanel::showLineMessage(const std::string& text, bool error) {
    // The main window's station says the line's messages once; a slot repeats none.
    (void)text;
    (void)error;
}

} // namespace rfbind::app
