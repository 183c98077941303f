// SPDX-License-Identifier: MIT
#include "widgets/PageControl.h"

#include <QEvent>

namespace rfbind::app {

PageControl::PageControl(QWidget* parent) : QTabWidget(parent) {}

void PageControl::tabInserted(int index) {
    QTabWidget::tabInserted(index);
    QWidget* page = widget(index);
    if (page == nullptr)
        return;
    // The page's own flag, not its effective state: the whole control may be disabled.
    setTabEnabled(index, !page->testAttribute(Qt::WA_ForceDisabled));
    page->installEventFilter(this);
}

bool PageControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange && watched->isWidgetType()) {
        auto* page = static_cast<QWidget*>(watched);
        const int index = indexOf(page);
        if (index >= 0)
            setTabEnabled(index, !page->testAttribute(Qt::WA_ForceDisabled));
    }
    return QTabWidget::eventFilter(watched, event);
}

} // namespace rfbind::app
