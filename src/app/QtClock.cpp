// SPDX-License-Identifier: MIT
#include "QtClock.h"

#include <QCoreApplication>
#include <QThread>

namespace rfbind::app {

QtClock::QtClock() { elapsed_.start(); }

void QtClock::sleepMs(int ms) {
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

std::uint32_t QtClock::tickMs() { return static_cast<std::uint32_t>(elapsed_.elapsed()); }

void QtClock::pumpMessages() { QCoreApplication::processEvents(); }

} // namespace rfbind::app
