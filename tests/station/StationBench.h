// SPDX-License-Identifier: MIT
#pragma once
// A Station on the simulated bench with no window: a view that records what the operator
// would see and answers its boxes, the station's timers on a scheduler of the recording clock,
// and an operator who moves the mouse at "Move" whenever the station lets messages run.

#include "production/RunBench.h"
#include "bench/Bench.h"
#include "bench/BenchController.h"
#include "station/Station.h"
#include "support/RecordingClock.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace rfbind::test {

struct RecordingView : RecordingDisplayOf<StationView> {
    std::vector<std::string> devices;
    std::vector<std::string> boxes;
    bool receiverShownReady = false;
    bool transmitterShownAlive = false;
    int hotKeyListsZoom = -1; ///< -1: never rebuilt
    int closes = 0;
    std::function<void()> onBox;

    void box(std::string text) {
        boxes.push_back(std::move(text));
        if (onBox)
            onBox();
    }

    void showDevices(const std::vector<std::string>& names) override { devices = names; }
    void showLinkReset() override { receiverShownReady = transmitterShownAlive = false; }
    void showReceiverSelected(bool, std::uint16_t, std::uint16_t) override {}
    void showReceiverConnected() override { receiverShownReady = true; }
    void showTransmitterLink(bool alive) override { transmitterShownAlive = alive; }
    void showHotKeyLists(bool zoomKeys) override { hotKeyListsZoom = zoomKeys; }
    void showReceiverNotPermitted(const std::string&, const std::string& path) override {
        box("not permitted " + path);
    }
    void reportNotReady(bool tx, bool rx) override {
        box(std::string("not ready") + (tx ? " TX" : "") + (rx ? " RX" : ""));
    }
    void showBindingVerdict(bool paired) override { box(paired ? "paired" : "binding timed out"); }
    void showSettingsNotSaved(const std::string& why) override { box("not saved: " + why); }
    void showRunRefused(bool numbering, const std::string& why) override {
        box(std::string(numbering ? "refused numbering: " : "refused records: ") + why);
    }
    void showLineMessage(const std::string& text, bool) override { box("line: " + text); }
    void startCalibrationProgram() override {}
    void closeAfterRun() override { ++closes; }
};

/// A working folder of its own (with a Log folder) that is the current folder meanwhile.
struct WorkingFolder {
    WorkingFolder() : previous(std::filesystem::current_path()) {
        char pattern[] = "/tmp/rfbind-station-XXXXXX";
        path = ::mkdtemp(pattern);
        std::filesystem::create_directory(path / "Log");
        std::filesystem::current_path(path);
    }
    ~WorkingFolder() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path / name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    /// Every line of the Log files whose names begin with `prefix`.
    std::vector<std::string> logLines(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(path / "Log")) {
            if (entry.path().filename().string().rfind(prefix, 0) != 0)
                continue;
            std::ifstream in(entry.path());
            for (std::string line; std::getline(in, line);)
                out.push_back(line);
        }
        return out;
    }
    std::filesystem::path previous;
    std::filesystem::path path;
};

struct StationBench {
    explicit StationBench(bench::BenchOptions options = {}) : bench(clock, std::move(options)) {
        bench.switchMouse(true);
        clock.onPump = [this] { operate(); };
        station = std::make_unique<Station>(controller, clock, scheduler, view);
        controller.rescan(true);
        runPosted();
        station->loadSettings();
        station->settingsLoaded();
        station->openLine({}, {}, "bench");
    }

    /// What the event loop does with the controller's posted device changes.
    void runPosted() {
        auto tasks = std::move(posted);
        posted.clear();
        for (auto& t : tasks)
            t();
    }
    void operate() {
        runPosted();
        if (view.label() == RunDisplay::Label::Move)
            bench.setMouseMoving(true);
        if (duringRun)
            duringRun();
    }
    UnitRecipe recipe() const {
        UnitRecipe r;
        r.settings.MouseOnly = true;
        return r;
    }

    WorkingFolder folder;
    RecordingClock clock;
    bench::Bench bench;
    std::vector<bench::BenchController::Task> posted;
    bench::BenchController controller{bench, [this](bench::BenchController::Task t) {
                                          posted.push_back(std::move(t));
                                      }};
    ClockScheduler scheduler{clock};
    RecordingView view;
    std::unique_ptr<Station> station;
    std::function<void()> duringRun;
};

} // namespace rfbind::test
