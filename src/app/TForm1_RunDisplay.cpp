// SPDX-License-Identifier: MIT
// The window's side of the runs: the recipe read from the controls, the RunDisplay the runs
// talk to, and the boxes the station asks for around a run (not ready, the log failure, the
// calibration program, the close that waited for the run). Each display call writes controls;
// none reads one back for the run.
#include "TForm1.h"
#include "RunTexts.h"

#include "StationProgram.h"

#include "Dialogs.h"
#include "commands/HexText.h"
#include "commands/ReceiverFrames.h"
#include "production/RunSteps.h"
#include "ui_TForm1.h"
#include "widgets/AnimatedPicture.h"
#include "widgets/Led.h"
#include "widgets/THexEdit.h"

#include <QDir>
#include <QFontMetrics>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QSysInfo>
#include <QTimer>

#include <algorithm>
#include <array>
#include <optional>

namespace rfbind::app {

namespace {

constexpr auto kCalibrationProgram = "QUVE_RF_auto.exe";

/// Space kept between the reason line and its neighbours (the pictures, Go).
constexpr int kReasonGap = 4;
/// The reason line's largest font: a short reason reads from the operator's seat.
constexpr qreal kReasonPoints = 10;
constexpr qreal kReasonPointStep = 0.5;
/// How a longer reason makes room, step by step: its own font goes down to the window's
/// 8 points while FAIL above it shrinks from 24 to 20 points; only a reason of some 200
/// characters takes FAIL to 16 points and itself a little below 8, which still reads at arm's
/// length.
struct ReasonRoom {
    qreal resultPoints;
    qreal reasonLeastPoints;
};
constexpr std::array<ReasonRoom, 3> kReasonRooms{{{24, 8}, {20, 8}, {16, 7.5}}};

/// A reason laid out in a width: its font, its text (with break chances added where a word is
/// wider than the line), and the height its lines take.
struct ReasonLines {
    QFont font;
    QString text;
    int height = 0;
};

/// The rectangle `text` takes wrapped at word boundaries to `width`, as the label draws it.
QRect wrappedRect(const QFontMetrics& fm, const QString& text, int width) {
    return fm.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap | Qt::AlignHCenter, text);
}

/// Lets a word wider than the line (a path, a server address) break between its characters
/// instead of being cut off at the label's edge.
QString breakOverlongWords(const QString& text, const QFontMetrics& fm, int width) {
    const QChar breakChance(0x200B); // zero-width space
    QStringList words = text.split(QLatin1Char(' '));
    for (QString& word : words) {
        if (fm.horizontalAdvance(word) <= width)
            continue;
        QString broken;
        for (const QChar c : word) {
            if (!broken.isEmpty() && !c.isLowSurrogate())
                broken += breakChance;
            broken += c;
        }
        word = broken;
    }
    return words.join(QLatin1Char(' '));
}

/// The largest font from kReasonPoints down to `leastPoints` in which the reason, wrapped to
/// `width`, takes no more than `maxHeight`; nothing when even the smallest is too large.
std::optional<ReasonLines> fitReasonLines(const QString& text, QFont font, int width, int maxHeight,
                                          qreal leastPoints) {
    for (qreal points = kReasonPoints; points >= leastPoints; points -= kReasonPointStep) {
        font.setPointSizeF(points);
        const QFontMetrics fm(font);
        const QString breakable = breakOverlongWords(text, fm, width);
        const QRect r = wrappedRect(fm, breakable, width);
        if (r.width() <= width && r.height() <= maxHeight)
            return ReasonLines{font, breakable, r.height()};
    }
    return std::nullopt;
}

/// The reason shortened to `maxHeight` in `font`; an ellipsis says that there is more (the
/// tooltip holds the whole reason).
ReasonLines shortenedReason(const QString& text, const QFont& font, int width, int maxHeight) {
    const QFontMetrics fm(font);
    QString shortened = breakOverlongWords(text, fm, width);
    while (shortened.size() > 1 && wrappedRect(fm, shortened + QChar(0x2026), width).height() > maxHeight)
        shortened.chop(1);
    shortened += QChar(0x2026);
    return {font, shortened, std::min(wrappedRect(fm, shortened, width).height(), maxHeight)};
}

/// The form in which the run fills an address or data field: two hex digits.
void setTwoHexDigits(THexEdit* field, int value) {
    field->setText(QString::fromStdString(hexText(static_cast<std::uint8_t>(value), 2)));
}

} // namespace


UnitRecipe TForm1::unitRecipe() const {
    UnitRecipe recipe;
    recipe.settings = collectSettings();
    recipe.productName = ui->edtEEPROM_20->text().toStdString();
    recipe.zoomKeys = station_->hotKeyListsZoom();
    return recipe;
}

void TForm1::showUnloggedUnit(const RunOutcome& outcome) {
    // The operator writes the unit down by hand before anything else happens: before the
    // calibration program opens over the window and the receiver is let go.
    const auto orNone = [](const std::string& s) {
        return s.empty() ? QStringLiteral("(none)") : QString::fromStdString(s);
    };
    services_.dialogs.message(
        this, stationTitle(),
        QStringLiteral("The unit passed, but its line could not be added to the production "
                       "log\n%1\n(%2).\n\nPlease write the unit down by hand:\n"
                       "Radio ID: %3\nRX serial number: %4\nTX serial number: %5")
            .arg(QFile::decodeName(outcome.logPath.c_str()), QString::fromStdString(outcome.logError),
                 outcome.ids ? QString::fromStdString(hexText(outcome.ids->R, 6))
                             : QStringLiteral("(none)"),
                 orNone(outcome.rxSerial), orNone(outcome.txSerial)),
        Dialogs::Icon::Error);
}

void TForm1::showResult(const QString& text, const QColor& colour) {
    QPalette palette = ui->lblResult->palette();
    palette.setColor(QPalette::WindowText, colour);
    ui->lblResult->setPalette(palette);
    ui->lblResult->setText(text);
}

void TForm1::showLabel(Label label) {
    const ResultLook look = resultLook(label, [this](int id) { return MessageText(id); });
    if (look.text.isEmpty())
        ui->lblResult->clear();
    else
        showResult(look.text, look.colour);
}

void TForm1::showFailReason(int messageId, const std::string& detail, const std::string& cause) {
    if (messageId < 0)
        shownReason_.reset();
    else
        shownReason_ = ShownReason{messageId, detail, cause};
    drawFailReason();
}

void TForm1::drawFailReason() {
    QLabel* result = ui->lblResult;
    if (!shownReason_) {
        if (lblFailReason_ != nullptr) {
            lblFailReason_->clear();
            lblFailReason_->setToolTip({});
            lblFailReason_->hide();
        }
        result->setContentsMargins(0, 0, 0, 0);
        return;
    }
    if (lblFailReason_ == nullptr) {
        lblFailReason_ = new QLabel(result->parentWidget());
        lblFailReason_->setObjectName(QStringLiteral("lblFailReason"));
        lblFailReason_->setAlignment(Qt::AlignCenter);
        lblFailReason_->setWordWrap(true);
        // A server's or a settings file's words are shown as they are, never as markup.
        lblFailReason_->setTextFormat(Qt::PlainText);
        lblFailReason_->setAttribute(Qt::WA_TransparentForMouseEvents);
        QPalette palette = lblFailReason_->palette();
        palette.setColor(QPalette::WindowText, kFailColour);
        lblFailReason_->setPalette(palette);
    }
    const QString text = failReasonText(shownReason_->messageId, shownReason_->detail,
                                        shownReason_->cause, CurrentLanguage);

    // The reason takes the foot of the result label and the gap down to the duration, between
    // the next-unit picture and Go; the result keeps the rest, large enough to read as FAIL.
    const QRect pictures = ui->Image1->geometry().united(ui->Image2->geometry());
    const QRect resultRect = result->geometry();
    const int left = pictures.right() + 1 + kReasonGap;
    const int right = ui->btnGo->x() - kReasonGap;
    const int bottom = ui->edtCaliTime->y() - 2;
    const QString oneLine = text.simplified(); // a tab or line break of a server's message
    const auto room = [&](qreal resultPoints) {
        QFont resultFont = result->font();
        resultFont.setPointSizeF(resultPoints);
        return bottom - resultRect.y() - QFontMetrics(resultFont).height();
    };
    std::optional<ReasonLines> fitted;
    for (const ReasonRoom& r : kReasonRooms) {
        fitted = fitReasonLines(oneLine, font(), right - left, room(r.resultPoints), r.reasonLeastPoints);
        if (fitted)
            break;
    }
    if (!fitted) {
        QFont least = font();
        least.setPointSizeF(kReasonRooms.back().reasonLeastPoints);
        fitted = shortenedReason(oneLine, least, right - left, room(kReasonRooms.back().resultPoints));
    }
    const ReasonLines& lines = *fitted;

    lblFailReason_->setFont(lines.font);
    lblFailReason_->setText(lines.text);
    lblFailReason_->setToolTip(text);
    lblFailReason_->setGeometry(left, bottom - lines.height, right - left, lines.height);
    result->setContentsMargins(0, 0, 0, std::max(0, resultRect.bottom() + 1 - lblFailReason_->y()));
    lblFailReason_->show();
    lblFailReason_->raise();
}

void TForm1::showProgress(int value) { ui->pbSetTX->setValue(value); }
void TForm1::showNextUnitPrompt(bool shown) { ui->Image1->setVisible(shown); }
void TForm1::showKeyboardPrompt(bool shown) { ui->Image2->setVisible(shown); }
void TForm1::clearCycle() { clearStationDisplay(); }

void TForm1::clearStationDisplay() {
    ui->edtCaliTime->clear();
    ui->lblResult->clear();
    showFailReason(-1, {}, {});
    ui->edtTX_SN->clear();
    ui->edtRX_SN->clear();
    ui->edtMseDongleAddr->clear();
    ui->Image1->hide();
}

void TForm1::showDuration(const std::string& seconds) { ui->edtCaliTime->setText(QString::fromStdString(seconds)); }
void TForm1::enableGo(bool enabled) { ui->btnGo->setEnabled(enabled); }
void TForm1::showRadioId(const std::string& hexDigits) { ui->edtMseDongleAddr->setText(QString::fromStdString(hexDigits)); }
void TForm1::showRxSerial(const std::string& text) { ui->edtRX_SN->setText(QString::fromStdString(text)); }
void TForm1::showTxSerial(const std::string& text) { ui->edtTX_SN->setText(QString::fromStdString(text)); }

void TForm1::showTransmitterEepromWrite(int address, int value) {
    setTwoHexDigits(ui->edtRF_EEPROMAddr, address);
    setTwoHexDigits(ui->edtRF_EEPROMData, value);
}

void TForm1::showTransmitterRadioChipWrite(int address, int value) {
    setTwoHexDigits(ui->edtRF_RFICAddr, address);
    setTwoHexDigits(ui->edtRF_RFICData, value);
}

void TForm1::showReceiverRadioChip(int address, int value) {
    setTwoHexDigits(ui->edtRFICAddr, address);
    setTwoHexDigits(ui->edtRFICData, value);
}

void TForm1::showTransmitterDirectRegisterWrite(int address, int value) {
    ui->edtRF_DirectRegAddr->setValue(address);
    ui->edtRF_DirectRegData->setValue(value);
}

void TForm1::showSensorRead(int address, int value) {
    setTwoHexDigits(ui->edtRF_SensorAddr, address);
    showReadValue(ui->edtRF_SensorData, value);
}

void TForm1::showCpiLevel(int level) { ui->edtC_RF_SETUP_CPI->setValue(level); }

void TForm1::showReceiverByte(int word, int value) {
    if (auto* field = findChild<THexEdit*>(QStringLiteral("edtEEPROM_%1").arg(word, 2, 10, QLatin1Char('0'))))
        field->setValue(value);
}

void TForm1::showProductLengthWord(int value) { ui->edtEEPROM_19->setValue(value); }

void TForm1::clearUsbIds() {
    // The run empties the fields to show the unit carries no USB IDs of its own; that is not
    // a supervisor's change, and nothing is saved for it.
    runClearsUsbIds_ = true;
    ui->edtVID_SET->clear();
    ui->edtPID_SET->clear();
    runClearsUsbIds_ = false;
}

void TForm1::showStatusAnswer(int n, const std::uint8_t* bytes) {
    for (int p = 0; p < receiver::kStatusAnswerBytes; ++p)
        if (auto* field = findChild<THexEdit*>(QString("edtSC0%1_0%2").arg(n).arg(p)))
            field->setText(QString::fromStdString(statusByteText(bytes[p])));
}

void TForm1::showNumbering(Panel panel, const std::string& current, const std::string& next) {
    THexEdit* fields[4][2] = {{ui->edtRX_IncCurrentSN, ui->edtRX_IncNextSN},
                              {ui->edtTX_IncCurrentSN, ui->edtTX_IncNextSN},
                              {ui->edtRX_IncCurrentRFID, ui->edtRX_IncNextRFID},
                              {ui->edtTX_IncCurrentRFID, ui->edtTX_IncNextRFID}};
    const auto row = static_cast<std::size_t>(panel);
    fields[row][0]->setText(QString::fromStdString(current));
    fields[row][1]->setText(QString::fromStdString(next));
}

void TForm1::showBindingWatch(bool watching) {
    bindingWatchShown_ = watching;
    if (watching) {
        ui->gifBind->setEnabled(true);
        ui->gifBind->setLooping(true);
        showLinkPicture(ui->gifBind);
        ui->btnCombo_Cmd_Soft_Bind_SW->setText(MessageText(4));
    } else {
        showLinkPicture(ui->imgConnected);
        ui->btnCombo_Cmd_Soft_Bind_SW->setText(MessageText(3));
    }
}

void TForm1::stopBindingAnimation() {
    bindingWatchShown_ = false;
    ui->gifBind->setEnabled(false);
    ui->gifBind->setLooping(false);
}

void TForm1::addDebugLine(const std::string& line) { ui->lstDebug->addItem(QString::fromStdString(line)); }

void TForm1::showLineOffline(bool offline) {
    setWindowTitle(offline ? baseTitle_ + " - LINE OFFLINE" : baseTitle_);
}

// ---- what the station asks of the operator --------------------------------------------------

void TForm1::reportNotReady(bool transmitterMissing, bool receiverMissing) {
    QString text = MessageText(36) + QStringLiteral("\r\n");
    if (transmitterMissing)
        text += QStringLiteral("* Mouse TX\r\n");
    if (receiverMissing)
        text += QStringLiteral("* Mouse RX\r\n");
    services_.dialogs.message(this, QStringLiteral("Message"), text, Dialogs::Icon::Warning);
}

void TForm1::startCalibrationProgram() {
    const QString program = QDir::current().absoluteFilePath(QString::fromLatin1(kCalibrationProgram));
    // A station without the calibration program simply goes on without it.
    if (!QFileInfo::exists(program))
        return;
    // Started on its own, not waited for; its outcome is its own business.
    if (QProcess::startDetached(program, {}, QDir::currentPath()))
        return;
#ifdef Q_OS_WIN
    const QString hint;
#else
    const QString hint = QStringLiteral(" and that it may be executed (chmod +x)");
#endif
    services_.dialogs.message(
        this, stationTitle(),
        QStringLiteral("The calibration program\n%1\ncould not be started. Check that it is a "
                       "program this computer can run%2.\n\nThe unit itself has passed.")
            .arg(QDir::toNativeSeparators(program), hint),
        Dialogs::Icon::Warning);
}

void TForm1::closeAfterRun() { close(); }

} // namespace rfbind::app
