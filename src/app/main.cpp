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
    // No transfer or protocol pause holds up the window.
    services.stationThread = true;

    // A newer copy of the station (or the session ending) closes this one as the operator
    // would: a unit being programmed is cancelled and journalled, the settings are saved.
    app::TerminationRequest termination;
    app::TForm1 form(services);
    termination.closes(form);

    // Hot-plug events and the first announcement are taken on the station's thread, where the
    // station checks its devices out of the controller's list. Declared after the window: it
    // ends before the station's thread does.
    app::HotplugWatch hotPlug(devices,
                              [&form](std::function<void()> work) { form.toStation(std::move(work)); });

    form.show();
    return application.exec();
}
