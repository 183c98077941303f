// SPDX-License-Identifier: MIT
// rfbind: the station on real HID devices.
#include "Dialogs.h"
#include "QtClock.h"
#include "StationProgram.h"
#include "StationServices.h"
#include "TForm1.h"
#include "link/HidapiController.h"
#include "platform/LanguageStore.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

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

    app::TForm1 form(services);

    // Hot-plug: the kernel's device events, delivered on this (the user-interface) thread.
    std::unique_ptr<QSocketNotifier> hotPlug;
    if (devices.monitorFd() >= 0) {
        hotPlug = std::make_unique<QSocketNotifier>(devices.monitorFd(), QSocketNotifier::Read);
        QObject::connect(hotPlug.get(), &QSocketNotifier::activated,
                         [&devices] { devices.onMonitorReadable(); });
    }
    // The controller also announces the device set once, shortly after the window exists.
    QTimer::singleShot(0, [&devices] { devices.rescan(true); });

    form.show();
    return application.exec();
}
