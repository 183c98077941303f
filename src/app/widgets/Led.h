// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QWidget>

namespace rfbind::app {

/// A square indicator lamp: lit in its colour when on, dark when off. The station reads the lit
/// state of its link lamps as "device ready".
class Led : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool on READ isOn WRITE setOn)
    Q_PROPERTY(QColor color READ color WRITE setColor)

public:
    explicit Led(QWidget* parent = nullptr);

    bool isOn() const { return on_; }
    void setOn(bool on);
    /// The colour when lit (green unless set otherwise).
    QColor color() const { return color_; }
    void setColor(const QColor& color);

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool on_ = false;
    QColor color_{0, 220, 0};
};

} // namespace rfbind::app
