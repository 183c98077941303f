// SPDX-License-Identifier: MIT
#include "QtScheduler.h"

#include <QTimer>

namespace rfbind::app {

namespace {
class QtStationTimer : public StationTimer {
public:
    QtStationTimer(QObject* context, int intervalMs, std::function<void()> onTimeout) {
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, context, std::move(onTimeout));
    }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }
    int interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};
} // namespace

std::unique_ptr<StationTimer> QtScheduler::createTimer(int intervalMs, std::function<void()> onTimeout) {
    return std::make_unique<QtStationTimer>(context_, intervalMs, std::move(onTimeout));
}

void QtScheduler::post(std::function<void()> action) { QTimer::singleShot(0, context_, std::move(action)); }

} // namespace rfbind::app
