// SPDX-License-Identifier: MIT
#include "QueuedStationView.h"
#include "production/RunBench.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace rfbind::test {
namespace {

using namespace std::chrono_literals;

/// The window's side: records each call and the thread it arrived on.
struct WindowSide : RecordingDisplayOf<StationView> {
    std::vector<std::string> calls;
    bool allOnWindowThread = true;
    void note(std::string call) {
        calls.push_back(std::move(call));
        allOnWindowThread = allOnWindowThread && QThread::currentThread() == qApp->thread();
    }
    void showDevices(const std::vector<std::string>& names) override { note("devices " + names.at(0)); }
    void showLinkReset() override { note("reset"); }
    void showReceiverSelected(bool, std::uint16_t, std::uint16_t) override { note("selected"); }
    void showReceiverConnected() override { note("connected"); }
    void showTransmitterLink(bool alive) override { note(alive ? "tx alive" : "tx gone"); }
    void showHotKeyLists(bool) override { note("hot keys"); }
    void showReceiverNotPermitted(const std::string&, const std::string&) override { note("not permitted"); }
    void reportNotReady(bool, bool) override { note("not ready"); }
    void showBindingVerdict(bool) override { note("verdict"); }
    void showSettingsNotSaved(const std::string& why) override { note("not saved " + why); }
    void showRunRefused(bool, const std::string&) override { note("refused"); }
    void showLineMessage(const std::string&, bool) override { note("line"); }
    void startCalibrationProgram() override { note("calibration"); }
    void closeAfterRun() override { note("close"); }
};

TEST(QueuedStationView, ReportsFromTheStationsThreadArriveInOrderOnTheWindowsThread) {
    WindowSide window;
    QObject context;
    app::QueuedStationView view(window, &context);
    std::thread station([&] {
        view.showDevices({"receiver"});
        view.showLabel(RunDisplay::Label::Move);
        view.showTransmitterLink(true);
    });
    station.join(); // reports never wait for the window
    EXPECT_TRUE(window.calls.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(window.calls, (std::vector<std::string>{"devices receiver", "tx alive"}));
    EXPECT_EQ(window.label(), RunDisplay::Label::Move);
    EXPECT_TRUE(window.allOnWindowThread);
}

TEST(QueuedStationView, AQuestionHoldsTheStationUntilTheWindowHasAnsweredIt) {
    WindowSide window;
    QObject context;
    app::QueuedStationView view(window, &context);
    std::atomic<bool> answered = false;
    std::thread station([&] {
        view.showLabel(RunDisplay::Label::Fail);
        view.reportNotReady(true, false);
        answered = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(answered) << "the run waits for the operator";
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (!answered && std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents();
    station.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(window.label(), RunDisplay::Label::Fail) << "the report before the box shows first";
    EXPECT_EQ(window.calls, (std::vector<std::string>{"not ready"}));
}

TEST(QueuedStationView, OnTheWindowsOwnThreadACallGoesStraightThrough) {
    WindowSide window;
    QObject context;
    app::QueuedStationView view(window, &context);
    view.showLinkReset();
    view.showSettingsNotSaved("disk full");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"reset", "not saved disk full"}));
}

} // namespace
} // namespace rfbind::test
