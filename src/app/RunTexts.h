// SPDX-License-Identifier: MIT
#pragma once

#include "production/RunDisplay.h"
#include "settings/Lang.h"

#include <QColor>
#include <QString>

#include <functional>
#include <string>

namespace rfbind::app {

/// The colours a unit's result is shown in, wherever it is shown (the station's result label,
/// a slot's).
inline const QColor kPromptColour(0x00, 0xFF, 0x00); // lime: the operator has something to do
inline const QColor kPassColour(Qt::blue);
inline const QColor kFailColour(Qt::red);

/// What the result label shows for `label`: its text in `language` and its colour. Empty text
/// for `Label::Empty`.
struct ResultLook {
    QString text;
    QColor colour;
};
/// `message` gives the message table's text in the operator's language.
ResultLook resultLook(RunDisplay::Label label, const std::function<QString(int)>& message);

/// Why a unit failed, in `language`: the reason's message with its detail (an address, a
/// server's or the system's words, as the core gave them, in English) and the cause (a failed
/// transfer's own error) after it.
QString failReasonText(int messageId, const std::string& detail, const std::string& cause,
                       TLanguateKind language);

} // namespace rfbind::app
