// SPDX-License-Identifier: MIT
// The station on a line: the station reads Line.ini at start-up; the window says what the
// operator must know about it.
#include "Dialogs.h"
#include "TForm1.h"

#include <QSysInfo>

namespace rfbind::app {

void TForm1::openLine() {
    station_->openLine(services_.lineDatabase.toStdString(), services_.lineStation.toStdString(),
                       QSysInfo::machineHostName().toStdString());
}

void TForm1::showLineMessage(const std::string& text, bool error) {
    services_.dialogs.message(this, "Line", QString::fromStdString(text),
                              error ? Dialogs::Icon::Error : Dialogs::Icon::Warning);
}

} // namespace rfbind::app
