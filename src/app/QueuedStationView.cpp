// SPDX-License-Identifier: MIT
#include "QueuedStationView.h"

#include "commands/ReceiverFrames.h"

#include <QThread>

#include <array>

namespace rfbind::app {

void QueuedStationView::deliver(Qt::ConnectionType connection,
                                std::function<void(StationView&)> call) {
    StationView& window = window_;
    if (QThread::currentThread() == context_->thread()) {
        call(window);
        return;
    }
    // A question waits behind the reports queued before it: the box shows over them.
    QMetaObject::invokeMethod(
        context_, [&window, call = std::move(call)] { call(window); }, connection);
}

void QueuedStationView::showStatusAnswer(int n, const std::uint8_t* bytes) {
    // The answer buffer is the run's: the window gets a copy.
    std::array<std::uint8_t, receiver::kStatusAnswerBytes> copy{};
    std::copy(bytes, bytes + copy.size(), copy.begin());
    deliver(Qt::QueuedConnection, [=](StationView& w) { w.showStatusAnswer(n, copy.data()); });
}

} // namespace rfbind::app
