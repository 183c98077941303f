// SPDX-License-Identifier: MIT
#pragma once

#include "Dialogs.h"
#include "QtClock.h"
#include "StationServices.h"
#include "TForm1.h"
#include "link/HidDeviceController.h"
#include "platform/LanguageStore.h"

#include <QDir>
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
    explicit StationFixture(HidDeviceController* devices = nullptr)
        : previous_(QDir::currentPath()), devices_(devices ? devices : &noDevices) {
        QDir::setCurrent(folder.path());
    }
    ~StationFixture() {
        form.reset();
        QDir::setCurrent(previous_);
    }

    /// Creates the window (running its start-up sequence).
    app::TForm1& create() {
        services_.emplace(app::StationServices{*devices_, clock, dialogs, languages, false,
                                               [this](int code) { quitCode = code; }});
        form = std::make_unique<app::TForm1>(*services_);
        return *form;
    }

    template <class T> T* child(const char* name) const { return form->findChild<T*>(name); }

    QTemporaryDir folder;
    NoDevices noDevices;
    app::QtClock clock;
    app::UnattendedDialogs dialogs;
    MemoryLanguageStore languages;
    std::unique_ptr<app::TForm1> form;
    std::optional<int> quitCode;

private:
    QString previous_;
    HidDeviceController* devices_;
    std::optional<app::StationServices> services_;
};

} // namespace rfbind::test
