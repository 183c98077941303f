// SPDX-License-Identifier: MIT
#pragma once

#include "station/Scheduler.h"

#include <QObject>

namespace rfbind::app {

/// The station's timers and deferred work on the window's event loop.
class QtScheduler : public Scheduler {
public:
    explicit QtScheduler(QObject* context) : context_(context) {}
    std::unique_ptr<StationTimer> createTimer(int intervalMs, std::function<void()> onTimeout) override;
    void post(std::function<void()> action) override;

private:
    QObject* context_;
};

} // namespace rfbind::app
