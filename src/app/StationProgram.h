// SPDX-License-Identifier: MIT
#pragma once

class QApplication;

namespace rfbind::app {

/// The application title and identity shared by the station and the bench program.
void setStationIdentity(QApplication& app);

} // namespace rfbind::app
