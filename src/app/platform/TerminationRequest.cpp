// SPDX-License-Identifier: MIT
#include "platform/TerminationRequest.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace rfbind::app {

namespace {

/// The event descriptor the handler wakes the event loop with; -1 while there is none.
volatile sig_atomic_t wakeFd = -1;

extern "C" void onTerminate(int) {
    // Only async-signal-safe calls here; errno is the interrupted code's.
    const int saved = errno;
    const int fd = wakeFd;
    if (fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
    }
    errno = saved;
}

} // namespace

TerminationRequest::TerminationRequest() {
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0 || wakeFd >= 0) {
        if (fd >= 0)
            ::close(fd);
        return; // SIGTERM keeps ending the process at once, as it did
    }
    wakeFd = fd;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this, fd] {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(fd, &count, sizeof count);
        onRequest();
    });

    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // interrupted reads and writes of the station carry on
    ::sigaction(SIGTERM, &action, nullptr);
}

void TerminationRequest::onRequest() {
    requested_ = true;
    // Each box left returns to the code that showed it once this handler is done; a run that
    // was waiting on one goes on to its next step, which ends it.
    QWidget* dismissed = nullptr;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == dismissed || modal == window_)
            break; // it refuses to close: the grace period of the newer copy decides
        modal->close();
        dismissed = modal;
    }
    if (window_)
        window_->close();
}

void TerminationRequest::closes(QWidget& window) {
    window_ = &window;
    // Not before the event loop runs: the close ends the program by leaving that loop.
    if (requested_)
        QTimer::singleShot(0, &window, [&window] { window.close(); });
}

TerminationRequest::~TerminationRequest() {
    if (!notifier_)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    const int fd = wakeFd;
    wakeFd = -1;
    delete notifier_;
    ::close(fd);
}

} // namespace rfbind::app
