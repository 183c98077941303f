// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QObject>

class QLabel;

namespace rfbind::app {

/// Makes a label draw its text in a smaller font when the text is wider than the label, so
/// a long result ("TX Erase FAIL" in 36 points) is shown whole instead of cut on both sides,
/// or taller than what is left of it (a FAIL with a long reason line beneath it, which takes
/// the label's lower part as a contents margin). Install it on the label as an event filter;
/// the label keeps its own font and metrics.
class FitTextToWidth : public QObject {
public:
    explicit FitTextToWidth(QLabel* label);

    /// The label's font, made smaller (not below 8 points) until its text fits the label's
    /// contents width and height; the label's own font when the text fits already.
    static QFont fittedFont(const QLabel& label);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace rfbind::app
