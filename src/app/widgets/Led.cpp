// SPDX-License-Identifier: MIT
#include "widgets/Led.h"

#include <QPainter>

namespace rfbind::app {

Led::Led(QWidget* parent) : QWidget(parent) {}

void Led::setOn(bool on) {
    if (on_ == on)
        return;
    on_ = on;
    update();
}

void Led::setColor(const QColor& color) {
    color_ = color;
    update();
}

void Led::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The largest square that fits, centred, so a lamp stays square whatever its geometry.
    const int side = qMin(width(), height());
    QRect r((width() - side) / 2, (height() - side) / 2, side, side);

    const QColor face = on_ ? color_ : color_.darker(400);
    p.fillRect(r, QColor(64, 64, 64));
    r.adjust(1, 1, -1, -1);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, on_ ? face.lighter(160) : face.lighter(130));
    g.setColorAt(1, face);
    p.fillRect(r, g);
    // A bevel like the other sunken controls: light top-left, shade bottom-right.
    p.setPen(QColor(255, 255, 255, on_ ? 160 : 60));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(0, 0, 0, 90));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

} // namespace rfbind::app
