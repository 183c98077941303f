// SPDX-License-Identifier: MIT
#include "HotplugWatch.h"

#include "link/HidapiController.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <mutex>

namespace rfbind::app {

// What the station's thread may still reach after the watch is gone: whether the watch lives,
// and where to send the notifier's switch-on. The mutex is held while handed-over work runs,
// so the watch's destructor waits for work under way and later work finds it gone.
struct HotplugWatch::Shared {
    std::recursive_mutex mutex;
    QObject* context = nullptr;
};

HotplugWatch::HotplugWatch(HidapiController& devices, ToStation toStation)
    : HotplugWatch(Source{devices.monitorFd(), [&devices] { devices.onMonitorReadable(); },
                          [&devices] { devices.rescan(true); }},
                   std::move(toStation)) {}

HotplugWatch::HotplugWatch(Source source, ToStation toStation)
    : source_(std::move(source)), toStation_(std::move(toStation)),
      shared_(std::make_shared<Shared>()) {
    shared_->context = &context_;
    if (!toStation_)
        toStation_ = [](std::function<void()> work) { work(); };
    if (source_.fd >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(source_.fd, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, &context_,
                         [this] { readable(); });
    }
    QTimer::singleShot(0, &context_, [this] { handOver(source_.announce); });
}

HotplugWatch::~HotplugWatch() {
    // Not a plain lock: a drain under way may be asking the window something (the hot-key
    // lists of a receiver it just found) and waits for this thread to answer it, so the
    // window goes on answering while it waits for the drain.
    std::unique_lock lock(shared_->mutex, std::defer_lock);
    while (!lock.try_lock())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
    shared_->context = nullptr;
}

bool HotplugWatch::listening() const {
    return notifier_ && notifier_->isEnabled();
}

void HotplugWatch::readable() {
    notifier_->setEnabled(false);
    QSocketNotifier* notifier = notifier_.get();
    handOver([source = source_.drainAndRescan, shared = shared_, notifier] {
        source();
        // Still under the lock: the watch, and with it the notifier, lives until this is queued.
        QMetaObject::invokeMethod(
            shared->context, [notifier] { notifier->setEnabled(true); }, Qt::QueuedConnection);
    });
}

void HotplugWatch::handOver(std::function<void()> work) {
    if (!work)
        return;
    toStation_([shared = shared_, work = std::move(work)] {
        const std::lock_guard lock(shared->mutex);
        if (shared->context != nullptr)
            work();
    });
}

} // namespace rfbind::app
