// SPDX-License-Identifier: MIT
#include "SlotStrip.h"

#include "QueuedStationView.h"
#include "SlotPanel.h"
#include "link/HidDeviceController.h"
#include "settings/IniFile.h"
#include "settings/StationSettings.h"
#include "settings/StoredGenerators.h"
#include "station/SlotDevices.h"
#include "station/Station.h"
#include "station/StationThread.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPointer>

#include <filesystem>
#include <future>

namespace rfbind::app {

namespace {

/// Stores the numbering alone into TX.ini, read afresh so the settings the window stored
/// stay as they are. Called with the numbering locked.
bool storeNumbering(const NumberingGenerators& g, std::string& why) {
    IniFile ini(std::filesystem::current_path() / std::string(kSettingsFileName));
    ini.load(); // an unreadable file is refused by save() below
    StoreGenerators(ini, g.rxSN, g.txSN, g.rxRFID, g.txRFID);
    const IniSaveResult saved = ini.save();
    if (!saved)
        why = saved.error;
    return saved.ok;
}

} // namespace

struct SlotStrip::Slot {
    int number = 0;
    SlotPanel* panel = nullptr;
    std::unique_ptr<SlotDevices> devices;
    std::unique_ptr<StationThread> thread;
    std::unique_ptr<QueuedStationView> view;
    std::unique_ptr<Station> station;
};

SlotStrip::SlotStrip(const StationSlots& stationSlots, std::vector<SlotSource> sources,
                     NumberingGenerators generators, NumberSource* line, Dialogs& dialogs,
                     std::function<QString(int)> messageText, RadioIdSource radioIdSource,
                     QWidget* parent)
    : QWidget(parent), assignment_(stationSlots), numbering_(generators, storeNumbering, line) {
    setObjectName(QStringLiteral("SlotStrip"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (int k = 1; k <= stationSlots.count && k <= static_cast<int>(sources.size()); ++k) {
        auto slot = std::make_unique<Slot>();
        slot->number = k;
        slot->panel = new SlotPanel(k, dialogs, messageText, this);
        row->addWidget(slot->panel, 1);
        connect(slot->panel, &SlotPanel::goClicked, this, &SlotStrip::goRequested);
        connect(slot->panel, &SlotPanel::connectClicked, this, &SlotStrip::connectRequested);

        const SlotSource& source = sources[static_cast<std::size_t>(k - 1)];
        slot->devices = std::make_unique<SlotDevices>(*source.devices, assignment_, k);
        slot->thread = std::make_unique<StationThread>(source.time);
        slot->view = std::make_unique<QueuedStationView>(*slot->panel, slot->panel);
        slot->station = std::make_unique<Station>(*slot->devices, slot->thread->clock(),
                                                  *slot->thread, *slot->view, radioIdSource);
        slot->station->joinGang(k, numbering_, pairing_);
        Slot* s = slot.get();
        slot->devices->setDeviceChangeHandler([this, s] {
            s->thread->post([this, s] {
                // On a bus the slots share, another slot's receiver coming or going must not
                // end this slot's unit: while its own receiver stays, the change is taken
                // once the unit has ended (a pull of its own ends the unit as always).
                Station& station = *s->station;
                const HidDevice* own = station.link().ActiveDevice;
                auto take = [this, s] {
                    s->station->deviceChange();
                    showPortOf(s->number);
                };
                if (station.runActive() && own != nullptr && own->pluggedIn())
                    station.whenIdle(take);
                else
                    take();
            });
        });
        slot->thread->start();
        slots_.push_back(std::move(slot));
    }
}

SlotStrip::~SlotStrip() {
    for (auto& slot : slots_) {
        slot->devices->setDeviceChangeHandler({});
        // The station's timers belong to its thread: it ends there, then the thread.
        std::promise<void> ended;
        slot->thread->post([&slot, &ended] {
            slot->station->stopTimers();
            slot->station.reset();
            ended.set_value();
        });
        ended.get_future().wait();
        slot->thread->stop();
    }
}

void SlotStrip::showPortOf(int slot) {
    // Asked on the slot's thread: the panel is told on the window's.
    const QString port = QString::fromStdString(assignment_.portOf(slot));
    QPointer<SlotPanel> panel = this->panel(slot);
    QMetaObject::invokeMethod(
        panel,
        [panel, port] {
            if (panel)
                panel->showPort(port);
        },
        Qt::QueuedConnection);
}

void SlotStrip::start(const std::string& stationName) {
    for (auto& slot : slots_) {
        Slot* s = slot.get();
        s->thread->post([s, stationName] {
            // The receivers TX.ini accepts and its hot keys; the numbering is the gang's, and
            // so is the line: the slots' attempts are journalled under the station's name.
            s->station->loadSettings();
            s->station->settingsLoaded();
            s->station->openRecords(stationName);
        });
        s->thread->post([s] { s->devices->rescan(true); });
    }
}

void SlotStrip::goAll(const UnitRecipe& recipe) {
    for (auto& slot : slots_) {
        Station* station = slot->station.get();
        slot->thread->post([station, recipe] {
            if (!station->runActive() && station->receiverPresent())
                station->go(recipe);
        });
    }
}

SlotStrip::Slot* SlotStrip::slotAt(int slot) const {
    if (slot < 1 || slot > count())
        return nullptr;
    return slots_[static_cast<std::size_t>(slot - 1)].get();
}

void SlotStrip::atSlot(int slot, std::function<void(Station&)> command) {
    if (Slot* s = slotAt(slot))
        s->thread->post([station = s->station.get(), command = std::move(command)] {
            command(*station);
        });
}

void SlotStrip::go(int slot, const UnitRecipe& recipe) {
    atSlot(slot, [recipe](Station& station) {
        if (!station.runActive())
            station.go(recipe);
    });
}

void SlotStrip::connectTransmitter(int slot, const std::optional<ReceiverFilter>& filter) {
    atSlot(slot, [filter](Station& station) { station.connectTransmitter(filter); });
}

void SlotStrip::whenSlotIdle(int slot,
                             std::function<void(const std::optional<RunOutcome>&)> onWindow) {
    Slot* s = slotAt(slot);
    if (s == nullptr)
        return;
    QPointer<SlotStrip> self(this);
    s->thread->post([s, self, onWindow = std::move(onWindow)]() mutable {
        s->thread->whenBetweenCommands([s, self, onWindow = std::move(onWindow)]() mutable {
            s->station->whenIdle([s, self, onWindow = std::move(onWindow)]() mutable {
                std::optional<RunOutcome> outcome = s->station->lastOutcome();
                QMetaObject::invokeMethod(
                    qApp,
                    [self, onWindow = std::move(onWindow), outcome = std::move(outcome)] {
                        if (self)
                            onWindow(outcome);
                    },
                    Qt::QueuedConnection);
            });
        });
    });
}

void SlotStrip::toSlot(int slot, std::function<void()> work) {
    if (Slot* s = slotAt(slot))
        s->thread->post(std::move(work));
}

bool SlotStrip::anyRunActive() const {
    for (const auto& slot : slots_)
        if (slot->station->runActive())
            return true;
    return false;
}

void SlotStrip::requestClose() {
    for (auto& slot : slots_)
        slot->station->requestClose();
}

SlotPanel* SlotStrip::panel(int slot) const {
    const Slot* s = slotAt(slot);
    return s != nullptr ? s->panel : nullptr;
}

void SlotStrip::retranslate() {
    for (auto& slot : slots_)
        slot->panel->retranslate();
}

} // namespace rfbind::app
