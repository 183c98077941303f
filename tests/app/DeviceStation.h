// SPDX-License-Identifier: MIT
#pragma once

#include "StationFixture.h"
#include "bench/Bench.h"
#include "bench/BenchController.h"
#include "support/FakeHidDevice.h"
#include "support/RecordingClock.h"

#include <QGroupBox>
#include <QLineEdit>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rfbind::test {

/// What the supervisor's access code does: the engineering pages and the settings area take
/// clicks. Tests click the controls themselves, so that the wiring is part of what they test.
inline void unlockPages(const QWidget& form) {
    for (const char* name : {"stbsht1", "stbsht3", "shtRF", "sht1", "sht2", "sht3", "gbSetting"})
        if (auto* w = form.findChild<QWidget*>(name))
            w->setEnabled(true);
    if (auto* settings = form.findChild<QWidget*>("gbSetting"))
        for (auto* group : settings->findChildren<QGroupBox*>())
            group->setEnabled(true);
}

/// A FakeHidDevice with its own node path and open result, for lists of several devices.
class NamedFakeDevice : public FakeHidDevice {
public:
    NamedFakeDevice(std::vector<std::string>* log, std::string nodePath,
                    OpenStatus status = OpenStatus::ReadWrite)
        : FakeHidDevice(log), path_(std::move(nodePath)), status_(status) {
        if (status_ == OpenStatus::PermissionDenied)
            failAfter = 0; // a node that may not be opened fails every transfer
    }
    OpenStatus openStatus() const override { return status_; }
    std::string path() const override { return path_; }

private:
    std::string path_;
    OpenStatus status_;
};

/// A HID controller over a list of device recipes the test edits; replug() announces the
/// change. Handed-out devices are reachable through `handedOut` until the next rebuild.
class FakeDeviceList : public HidDeviceController {
public:
    using Recipe = std::function<std::unique_ptr<NamedFakeDevice>()>;

    std::vector<Recipe> recipes;
    std::vector<NamedFakeDevice*> handedOut;

    std::unique_ptr<HidDevice> checkOut() override {
        if (next_ >= recipes.size())
            return nullptr;
        auto device = recipes[next_++]();
        handedOut.push_back(device.get());
        return device;
    }
    void rescan(bool forceEvent) override {
        if (forceEvent)
            replug();
    }
    /// The device set changed: hand everything out anew and raise the event.
    void replug() {
        next_ = 0;
        handedOut.clear();
        raiseDeviceChange();
    }

private:
    std::size_t next_ = 0;
};

/// The station window on the simulated bench with a unit fresh from assembly, on a
/// recording clock (time moves only when the station sleeps; nothing waits for real).
struct BenchStation {
    explicit BenchStation(bench::BenchOptions options = {})
        : bench(clock, std::move(options)) {
        bench.freshUnit(7);
    }

    app::TForm1& create() {
        auto& form = station.create();
        form.station().setRunMode(0);
        unlockPages(form);
        return form;
    }
    /// Runs the device changes the bench has posted, as the event loop would.
    void deliver() {
        while (!tasks.empty()) {
            auto task = std::move(tasks.front());
            tasks.pop_front();
            task();
        }
    }
    template <class T> T* child(const char* name) const { return station.child<T>(name); }
    QString text(const char* lineEdit) const { return child<QLineEdit>(lineEdit)->text(); }

    RecordingClock clock;
    bench::Bench bench;
    std::deque<bench::BenchController::Task> tasks;
    bench::BenchController controller{bench, [this](bench::BenchController::Task t) {
                                          tasks.push_back(std::move(t));
                                      }};
    StationFixture station{&controller, &clock};
};

} // namespace rfbind::test
