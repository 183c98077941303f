// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace rfbind {
class HidapiController;
}

namespace rfbind::app {

/// Wires a HidapiController into the event loop: the kernel's hot-plug events (its udev
/// monitor's descriptor, watched by a socket notifier) reach it on the user-interface thread,
/// and it announces the device set once, shortly after start, as the station expects of its
/// device controller. The controller must outlive the watch.
class HotplugWatch {
public:
    explicit HotplugWatch(HidapiController& devices);
    ~HotplugWatch();
    HotplugWatch(const HotplugWatch&) = delete;
    HotplugWatch& operator=(const HotplugWatch&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    QObject context_; // ends the pending start-up announcement with the watch
};

} // namespace rfbind::app
