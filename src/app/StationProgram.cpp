// SPDX-License-Identifier: MIT
#include "StationProgram.h"

#include <QApplication>

namespace rfbind::app {

void setStationIdentity(QApplication& app) {
    // The trailing blank is part of the title the operators know.
    app.setApplicationDisplayName("Halvoreth 2.4GHz RF SoC Manufacture Tool ");
    app.setApplicationName("rfbind");
    app.setApplicationVersion(RFBIND_VERSION);
    app.setDesktopFileName("rfbind");
}

} // namespace rfbind::app
