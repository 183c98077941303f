// SPDX-License-Identifier: MIT
#include "HotplugWatch.h"

#include "link/HidapiController.h"

#include <QSocketNotifier>
#include <QTimer>

namespace rfbind::app {

HotplugWatch::HotplugWatch(HidapiController& devices) {
    if (devices.monitorFd() >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(devices.monitorFd(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                         [&devices] { devices.onMonitorReadable(); });
    }
    QTimer::singleShot(0, &context_, [&devices] { devices.rescan(true); });
}

HotplugWatch::~HotplugWatch() = default;

} // namespace rfbind::app
