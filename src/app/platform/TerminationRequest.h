// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace rfbind::app {

/// Turns SIGTERM (a newer copy of the station, the session ending, `kill`) into the close of
/// the station's window, the way an operator's close does: a unit being programmed ends as FAIL
/// "cancelled" with its journal line, and the settings are saved. A message box waiting for
/// an answer is dismissed first, as the operator would before closing (a question so answered
/// is answered no). The signal handler only wakes the event loop (it may run between any two
/// instructions, so it touches nothing else); the close happens from the event loop.
/// Made before the window, so that a box shown while the window starts (a line that cannot
/// be reached, say) is dismissed too; the window then closes once the event loop runs.
/// One at a time per process; while it exists SIGTERM no longer ends the process by itself.
class TerminationRequest : public QObject {
public:
    TerminationRequest();
    ~TerminationRequest() override;

    TerminationRequest(const TerminationRequest&) = delete;
    TerminationRequest& operator=(const TerminationRequest&) = delete;

    /// The window a request closes; one that came before it existed closes it as soon as the
    /// event loop runs.
    void closes(QWidget& window);

    /// Whether the handler is in place (an event descriptor could be made).
    bool active() const { return notifier_ != nullptr; }

private:
    void onRequest();

    QWidget* window_ = nullptr;
    bool requested_ = false;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace rfbind::app
