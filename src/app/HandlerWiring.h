// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractButton>
#include <QObject>

namespace rfbind::app {

/// Runs `handler` when the button is clicked, on the user-interface thread, for as long as
/// `context` lives.
template <class Handler>
void onClicked(QAbstractButton* button, QObject* context, Handler handler) {
    QObject::connect(button, &QAbstractButton::clicked, context, [handler] { handler(); });
}

/// Runs `handler` when a radio button becomes selected, by the operator or by the program,
/// never when it loses the selection: the option handlers act on the choice made.
template <class Handler>
void onSelected(QAbstractButton* button, QObject* context, Handler handler) {
    QObject::connect(button, &QAbstractButton::toggled, context, [handler](bool checked) {
        if (checked)
            handler();
    });
}

} // namespace rfbind::app
