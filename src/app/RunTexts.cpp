// SPDX-License-Identifier: MIT
#include "RunTexts.h"

namespace rfbind::app {

namespace {

QString messageIn(TLanguateKind language, int id) {
    const char* text = MessageText(id, language);
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

ResultLook resultLook(RunDisplay::Label label, const std::function<QString(int)>& message) {
    using Label = RunDisplay::Label;
    switch (label) {
    case Label::Empty:
        return {};
    case Label::Move:
        return {QStringLiteral("Move"), kPromptColour};
    case Label::Wait:
        return {QStringLiteral("Wait"), kPromptColour};
    case Label::Pass:
        return {QStringLiteral("PASS"), kPassColour};
    case Label::Fail:
        return {QStringLiteral("FAIL"), kFailColour};
    case Label::TxErased:
        return {QStringLiteral("TX Erased"), kPassColour};
    case Label::RxErased:
        return {QStringLiteral("RX Erased"), kPassColour};
    case Label::TxEraseFail:
        return {message(71), kFailColour};
    case Label::RxEraseFail:
        return {message(72), kFailColour};
    }
    return {};
}

QString failReasonText(int messageId, const std::string& detail, const std::string& cause,
                       TLanguateKind language) {
    const QString separator = language == lkEng ? QStringLiteral(": ") : QStringLiteral("：");
    QString text = messageIn(language, messageId);
    const QString shownDetail = QString::fromStdString(detail);
    if (text.contains(QStringLiteral("%1")))
        text.replace(QStringLiteral("%1"), shownDetail);
    else if (!shownDetail.isEmpty())
        text += separator + shownDetail;
    if (!cause.empty())
        text += separator + QString::fromStdString(cause);
    return text;
}

} // namespace rfbind::app
