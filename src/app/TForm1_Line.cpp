// SPDX-License-Identifier: MIT
// The station on a line: the station reads Line.ini at start-up; the window says what the
// operator must know about it.
#include "Dialogs.h"
#include "TForm1.h"

#include <QSysInfo>

namespace rfbind::app {

void TForm1::openLine() {
    atStation([this, database = services_.lineDatabase.toStdString(),
               name = services_.lineStation.toStdString(),
               host = QSysInfo::machineHostName().toStdString()] {
        station_->openLine(database, name, host);
    });
}

void TForm1::showLineMessage(const std::string& text, bool error) {
    services_.dialogs.message(this, "Line", QString::fromStdString(text),
                              error ? Dialogs::Icon::Error : Dialogs::Icon::Warning);
}

} // namespace rfbind::app
