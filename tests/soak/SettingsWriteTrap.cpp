// SPDX-License-Identifier: MIT
#include "SettingsWriteTrap.h"

#include <csignal>
#include <cstring>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace rfbind::soak {

SettingsWriteTrap::SettingsWriteTrap(const QString& folder, const QString& fileName, int nth)
    : fileName_(fileName.toLocal8Bit()), nth_(nth) {
    inotify_ = inotify_init1(IN_CLOEXEC);
    stop_ = eventfd(0, EFD_CLOEXEC);
    if (inotify_ >= 0)
        inotify_add_watch(inotify_, folder.toLocal8Bit().constData(), IN_CREATE);
    thread_ = std::thread([this] { watch(); });
}

SettingsWriteTrap::~SettingsWriteTrap() {
    const std::uint64_t one = 1;
    if (::write(stop_, &one, sizeof one) < 0) {
        // The thread also ends when the descriptors close below.
    }
    thread_.join();
    ::close(inotify_);
    ::close(stop_);
}

void SettingsWriteTrap::arm(pid_t pid) { pid_ = pid; }

void SettingsWriteTrap::watch() {
    int seen = 0;
    alignas(inotify_event) char buffer[4096];
    pollfd fds[2] = {{inotify_, POLLIN, 0}, {stop_, POLLIN, 0}};
    while (inotify_ >= 0 && ::poll(fds, 2, -1) > 0 && !(fds[1].revents & POLLIN)) {
        const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            if (e->len == 0 || std::strcmp(e->name, fileName_.constData()) != 0)
                continue;
            const pid_t pid = pid_;
            if (pid > 0 && ++seen == nth_ && !fired_) {
                ::kill(pid, SIGKILL);
                fired_ = true;
            }
        }
    }
}

} // namespace rfbind::soak
