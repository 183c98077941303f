// SPDX-License-Identifier: MIT
#include "widgets/FitTextToWidth.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QStyle>

namespace rfbind::app {

namespace {
constexpr qreal kSmallestPoints = 8;
} // namespace

FitTextToWidth::FitTextToWidth(QLabel* label) : QObject(label) { label->installEventFilter(this); }

QFont FitTextToWidth::fittedFont(const QLabel& label) {
    QFont font = label.font();
    const QRect room = label.contentsRect();
    const auto fits = [&](const QFont& f) {
        const QFontMetrics fm(f);
        return fm.horizontalAdvance(label.text()) <= room.width() && fm.height() <= room.height();
    };
    while (!fits(font) && font.pointSizeF() > kSmallestPoints)
        font.setPointSizeF(font.pointSizeF() - 1);
    return font;
}

bool FitTextToWidth::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (event->type() != QEvent::Paint || label == nullptr || label->text().isEmpty() ||
        !label->pixmap().isNull())
        return QObject::eventFilter(watched, event);
    const QFont font = fittedFont(*label);
    if (font == label->font())
        return QObject::eventFilter(watched, event); // fits: the label draws itself
    QPainter painter(label);
    painter.setFont(font);
    label->style()->drawItemText(&painter, label->contentsRect(), static_cast<int>(label->alignment()),
                                 label->palette(), label->isEnabled(), label->text(),
                                 label->foregroundRole());
    return true;
}

} // namespace rfbind::app
