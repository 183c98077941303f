// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <atomic>
#include <thread>

#include <sys/types.h>

namespace rfbind::soak {

/// Kills a process with SIGKILL the moment it creates a given file in a folder for the n-th
/// time: the station's temporary settings file, so the kill lands inside a settings write.
/// The watch runs on its own thread, so the kill does not wait for an event loop.
class SettingsWriteTrap {
public:
    SettingsWriteTrap(const QString& folder, const QString& fileName, int nth);
    ~SettingsWriteTrap();
    SettingsWriteTrap(const SettingsWriteTrap&) = delete;
    SettingsWriteTrap& operator=(const SettingsWriteTrap&) = delete;

    /// Starts watching for `pid`'s writes. The watch itself starts in the constructor, so no
    /// creation between the two is missed.
    void arm(pid_t pid);
    bool fired() const { return fired_; }

private:
    void watch();

    int inotify_ = -1;
    int stop_ = -1; // eventfd that ends the thread
    QByteArray fileName_;
    int nth_;
    std::atomic<pid_t> pid_{0};
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

} // namespace rfbind::soak
