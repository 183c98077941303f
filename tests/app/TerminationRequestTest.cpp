// SPDX-License-Identifier: MIT
// SIGTERM, raised in this very process, must close the station's window through its close
// path from the event loop, dismissing a box that waits for an answer first.
#include "platform/TerminationRequest.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>

using rfbind::app::TerminationRequest;

namespace {

class Window : public QWidget {
public:
    int closeEvents = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeEvents;
        event->accept();
    }
};

void processEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

TEST(TerminationRequest, ClosesTheWindowOnceEvenWhenTheRequestCameBeforeIt) {
    for (const bool beforeWindow : {false, true}) {
        SCOPED_TRACE(beforeWindow ? "request before the window" : "request with the window");
        TerminationRequest termination;
        ASSERT_TRUE(termination.active());
        Window window;
        window.show();
        if (beforeWindow) {
            ::raise(SIGTERM);
            processEventsFor(50);
            termination.closes(window);
            EXPECT_EQ(window.closeEvents, 0) << "closed only from the event loop";
        } else {
            termination.closes(window);
            ::raise(SIGTERM);
            EXPECT_EQ(window.closeEvents, 0) << "nothing happens inside the signal handler";
        }
        processEventsFor(100);
        EXPECT_EQ(window.closeEvents, 1);
        EXPECT_FALSE(window.isVisible());
    }
}

TEST(TerminationRequest, DismissesABoxWaitingForAnAnswerThenClosesTheWindow) {
    const struct {
        const char* what;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton answer;
    } rows[] = {{"a message", QMessageBox::Ok, QMessageBox::Ok},
                {"a question", QMessageBox::Yes | QMessageBox::No, QMessageBox::No}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TerminationRequest termination;
        Window window;
        window.show();
        termination.closes(window);
        QMessageBox box(QMessageBox::Warning, "Message", "Mouse TX missing", row.buttons, &window);
        QTimer::singleShot(50, [] { ::raise(SIGTERM); });
        // A box nobody dismisses would hold the test here for good: fail instead.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &box, [&box] { box.done(-1); });
        guard.start(5000);
        const int answer = box.exec();
        EXPECT_NE(answer, -1) << "the box was dismissed by the request";
        EXPECT_EQ(answer, row.answer);
        processEventsFor(50);
        EXPECT_EQ(window.closeEvents, 1);
    }
}
