// SPDX-License-Identifier: MIT
// rfbind: the station on real HID devices.
#include "Dialogs.h"
#include "HotplugWatch.h"
#include "QtClock.h"
#include "StationProgram.h"
#include "StationServices.h"
#include "TForm1.h"
#include "link/HidapiController.h"
#include "platform/LanguageStore.h"
#include "platform/TerminationRequest.h"

#include <QApplication>

int main(int argc, char** argv) {
    using namespace rfbind;
    QApplication application(argc, argv);
    app::setStationIdentity(application);

    app::QtClock clock;
    HidapiController devices;
    app::ModalDialogs dialogs;
    app::LanguageStore languages;
    // No command-line line: Line.ini in the working folder says whether there is one.
    app::StationServices services{devices, clock, dialogs, languages, true,
                                  [](int code) { QCoreApplication::exit(code); }, {}, {}};

    // A newer copy of the station (or the session ending) closes this one as the operator
    // would: a unit being programmed is cancelled and journalled, the settings are saved.
    app::TerminationRequest termination;
    app::TForm1 form(services);
    termination.closes(form);

    // Hot-plug events on this (the user-interface) thread, and the first announcement.
    app::HotplugWatch hotPlug(devices);

    form.show();
    return application.exec();
}
