// SPDX-License-Identifier: MIT
#pragma once

#include "Dialogs.h"
#include "QtClock.h"
#include "StationServices.h"
#include "TForm1.h"
#include "link/HidDeviceController.h"
#include "platform/LanguageStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace rfbind::test {

/// A HID controller with no devices at all.
class NoDevices : public HidDeviceController {
public:
    std::unique_ptr<HidDevice> checkOut() override { return nullptr; }
    void rescan(bool forceEvent) override {
        ++rescans;
        if (forceEvent)
            raiseDeviceChange();
    }
    int rescans = 0;
};

/// The per-user language store kept in memory.
class MemoryLanguageStore : public app::LanguageStore {
public:
    std::optional<QString> load() const override { return stored; }
    void save(const QString& value) override { stored = value; }
    std::optional<QString> stored = QString("lkEng");
};

/// A station window in a fresh temporary working folder, with no person and no devices
/// unless the test provides them. The previous working folder is restored afterwards.
class StationFixture {
public:
    /// `devices` (a bench controller, a list of fakes) and `stationClock` (a recording clock)
    /// are optional; both must outlive the fixture.
    explicit StationFixture(HidDeviceController* devices = nullptr, Clock* stationClock = nullptr)
        : previous_(QDir::currentPath()), devices_(devices ? devices : &noDevices),
          stationClock_(stationClock) {
        QDir::setCurrent(folder.path());
    }
    ~StationFixture() {
        form.reset();
        QDir::setCurrent(previous_);
    }

    /// Creates the window (running its start-up sequence).
    app::TForm1& create() {
        services_.emplace(app::StationServices{*devices_,
                                               stationClock_ ? *stationClock_ : static_cast<Clock&>(clock),
                                               dialogs, languages, false,
                                               [this](int code) { quitCode = code; }, {}, {},
                                               lineDatabase, lineStation});
        services_->stationThread = stationThread;
        services_->stationSlots = stationSlots;
        services_->slotSources = slotSources;
        form = std::make_unique<app::TForm1>(*services_);
        return *form;
    }

    template <class T> T* child(const char* name) const { return form->findChild<T*>(name); }

    /// Puts a file into the working folder, e.g. a hand-written TX.ini before create().
    void putFile(const QString& name, const QByteArray& bytes) const {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }
    /// The file's bytes; nothing when it does not exist.
    std::optional<QByteArray> fileBytes(const QString& name) const {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }

    QTemporaryDir folder;
    NoDevices noDevices;
    app::QtClock clock;
    app::UnattendedDialogs dialogs;
    MemoryLanguageStore languages;
    std::unique_ptr<app::TForm1> form;
    std::optional<int> quitCode;
    /// The station works on its own thread, as in the programs (set before create()).
    bool stationThread = false;
    /// A gang station's slots and each slot's controller and clock (set before create()).
    StationSlots stationSlots;
    std::vector<app::StationServices::SlotSource> slotSources;
    /// The line's database and station name as a command line gives them (empty: none).
    QString lineDatabase, lineStation;

private:
    QString previous_;
    HidDeviceController* devices_;
    Clock* stationClock_ = nullptr;
    std::optional<app::StationServices> services_;
};

} // namespace rfbind::test
