// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace rfbind {
class HidapiController;
}

namespace rfbind::app {

/// Wires a device controller's hot-plug events into the station: the kernel's events (its
/// udev monitor's descriptor, watched by a socket notifier on the user-interface thread) are
/// taken, and the device list rebuilt, where the station works, since the station checks its
/// devices out of that list there. It also announces the device set once, shortly after
/// start, as the station expects of its device controller.
///
/// While a drain is handed to the station the notifier is off: the events still pending keep
/// the descriptor readable, and the window would otherwise hand over one drain per turn of its
/// event loop while the station is busy with a unit. It is switched on again once the drain
/// has run.
///
/// Work handed over and not yet begun when the watch is destroyed does nothing; work under way
/// is waited for. The controller and the station's thread must outlive the watch.
class HotplugWatch {
public:
    /// Hands `work` to the station's thread (or runs it at once, when the station works on
    /// the window's thread).
    using ToStation = std::function<void(std::function<void()> work)>;

    /// What is watched: a descriptor that becomes readable when events are pending (-1: none),
    /// what takes those events and rescans, and the start-up announcement.
    struct Source {
        int fd = -1;
        std::function<void()> drainAndRescan;
        std::function<void()> announce;
    };

    /// The controller's udev monitor; an empty `toStation` runs the work on this thread.
    explicit HotplugWatch(HidapiController& devices, ToStation toStation = {});
    HotplugWatch(Source source, ToStation toStation);
    ~HotplugWatch();
    HotplugWatch(const HotplugWatch&) = delete;
    HotplugWatch& operator=(const HotplugWatch&) = delete;

    /// True while the notifier listens (not while a drain is with the station).
    bool listening() const;

private:
    struct Shared;
    /// Hands `work` to the station, to run only while the watch lives.
    void handOver(std::function<void()> work);
    void readable();

    Source source_;
    ToStation toStation_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QObject context_; // ends the pending start-up announcement and switch-on with the watch
};

} // namespace rfbind::app
