// SPDX-License-Identifier: MIT
#include "StationProgram.h"

#include <QApplication>

namespace rfbind::app {

QString stationTitle() {
    // The trailing blank is part of the title the operators know.
    return QStringLiteral("Halvoreth 2.4GHz RF SoC Manufacture Tool ");
}

void setStationIdentity(QApplication& app) {
    // No display name: the window system would append it to every window title, and the
    // station's title must read exactly as the operators know it. Message boxes take
    // stationTitle() as their caption instead.
    app.setApplicationName("rfbind");
    app.setApplicationVersion(RFBIND_VERSION);
    app.setDesktopFileName("rfbind");
}

} // namespace rfbind::app
