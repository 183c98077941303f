// SPDX-License-Identifier: MIT
// rfbind: the station on real HID devices.
#include "Dialogs.h"
#include "HotplugWatch.h"
#include "QtClock.h"
#include "StationProgram.h"
#include "StationServices.h"
#include "TForm1.h"
#include "SlotStrip.h"
#include "link/HidapiController.h"
#include "link/NoDevices.h"
#include "settings/StationSlots.h"
#include "platform/LanguageStore.h"
#include "platform/TerminationRequest.h"

#include <QApplication>

#include <memory>
#include <optional>
#include <vector>

int main(int argc, char** argv) {
    using namespace rfbind;
    QApplication application(argc, argv);
    app::setStationIdentity(application);

    app::QtClock clock;
    // A gang station (Station.ini beside TX.ini): each slot has its own controller over the
    // bus and takes its own hot-plug events; the main station works no receiver of its own.
    const LoadedStationSlots gang = readStationSlots(std::string(kStationFileName));
    const bool isGang = gang.stationSlots.gang();
    HidapiController oneStation;
    NoDevices noDevices;
    std::vector<std::unique_ptr<HidapiController>> slotDevices;
    if (isGang)
        for (int k = 0; k < gang.stationSlots.count; ++k)
            slotDevices.push_back(std::make_unique<HidapiController>());
    HidDeviceController& devices = isGang ? static_cast<HidDeviceController&>(noDevices) : oneStation;
    app::ModalDialogs dialogs;
    app::LanguageStore languages;
    // No command-line line: Line.ini in the working folder says whether there is one.
    app::StationServices services{devices, clock, dialogs, languages, true,
                                  [](int code) { QCoreApplication::exit(code); }, {}, {}};
    // No transfer or protocol pause holds up the window.
    services.stationThread = true;
    services.stationSlots = gang.stationSlots;
    for (auto& d : slotDevices)
        services.slotSources.push_back({d.get(), &clock});

    // A newer copy of the station (or the session ending) closes this one as the operator
    // would: a unit being programmed is cancelled and journalled, the settings are saved.
    app::TerminationRequest termination;
    app::TForm1 form(services);
    termination.closes(form);

    // Hot-plug events and the first announcement are taken on the station's thread, where the
    // station checks its devices out of the controller's list. Declared after the window: it
    // ends before the station's thread does.
    std::optional<app::HotplugWatch> hotPlug;
    std::vector<std::unique_ptr<app::HotplugWatch>> slotHotPlug;
    if (!isGang)
        hotPlug.emplace(oneStation,
                        [&form](std::function<void()> work) { form.toStation(std::move(work)); });
    for (std::size_t k = 0; k < slotDevices.size() && form.slotStrip() != nullptr; ++k)
        slotHotPlug.push_back(std::make_unique<app::HotplugWatch>(
            *slotDevices[k], [&form, slot = static_cast<int>(k + 1)](std::function<void()> work) {
                form.slotStrip()->toSlot(slot, std::move(work));
            }));
    // What Station.ini held that the station could not take, said once at start.
    if (!gang.problems.empty() || gang.status == IniLoadStatus::Unreadable) {
        QStringList lines;
        if (gang.status == IniLoadStatus::Unreadable)
            lines << QString::fromStdString(gang.error);
        for (const auto& p : gang.problems)
            lines << QString::fromStdString(p);
        dialogs.message(&form, app::stationTitle(),
                        QStringLiteral("%1:\n%2").arg(QString::fromLatin1(kStationFileName.data(),
                                                                          kStationFileName.size()),
                                                      lines.join('\n')),
                        app::Dialogs::Icon::Warning);
    }

    form.show();
    return application.exec();
}
