// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QApplication;

namespace rfbind::app {

/// The application's title, "Halvoreth 2.4GHz RF SoC Manufacture Tool " with its trailing
/// blank: the caption of the station's message boxes.
QString stationTitle();

/// The identity shared by the station and the bench program (name, version, desktop file).
/// Sets no display name, which the window system would append to every window title.
void setStationIdentity(QApplication& app);

} // namespace rfbind::app
