// SPDX-License-Identifier: MIT
#pragma once

#include <QTabWidget>

namespace rfbind::app {

/// A page control whose tabs follow their pages: a disabled page has a disabled tab, so it
/// can be neither chosen nor used. (A plain tab widget keeps the tab usable.)
class PageControl : public QTabWidget {
    Q_OBJECT

public:
    explicit PageControl(QWidget* parent = nullptr);

protected:
    void tabInserted(int index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace rfbind::app
