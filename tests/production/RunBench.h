// SPDX-License-Identifier: MIT
#pragma once
// The core runs on the simulated bench with no window: a display that records what the
// operator would see, a host that does what the window does around a run (receiver search,
// link tests, settings file), and an operator who moves the mouse at "Move" and presses the
// keyboard's bind button at "Wait".

#include "bench/BenchRig.h"
#include "commands/ReceiverOperations.h"
#include "commands/ReceiverSelection.h"
#include "production/ProductionRun.h"
#include "production/TransmitterLinkTest.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace rfbind::test {

/// Records what a run shows; `Base` is RunDisplay, or a display that extends it (a station's
/// view).
template <class Base = RunDisplay> struct RecordingDisplayOf : Base {
    using Label = RunDisplay::Label;
    using Panel = RunDisplay::Panel;

    std::vector<Label> labels;
    int failMessage = -1;
    std::string failDetail;
    std::string failCause;
    std::vector<int> progress;
    bool nextUnitPrompt = false;
    bool keyboardPrompt = false;
    std::string radioId, rxSerial, txSerial;
    std::vector<std::string> debug;

    Label label() const { return labels.empty() ? Label::Empty : labels.back(); }

    void showLabel(Label l) override { labels.push_back(l); }
    void showFailReason(int id, const std::string& detail, const std::string& cause) override {
        failMessage = id;
        failDetail = detail;
        failCause = cause;
    }
    void showProgress(int value) override { progress.push_back(value); }
    void showNextUnitPrompt(bool shown) override { nextUnitPrompt = shown; }
    void showKeyboardPrompt(bool shown) override { keyboardPrompt = shown; }
    void clearCycle() override { radioId = rxSerial = txSerial = {}; }
    void showDuration(const std::string&) override {}
    void enableGo(bool) override {}
    void showRadioId(const std::string& s) override { radioId = s; }
    void showRxSerial(const std::string& s) override { rxSerial = s; }
    void showTxSerial(const std::string& s) override { txSerial = s; }
    void showTransmitterEepromWrite(int, int) override {}
    void showTransmitterRadioChipWrite(int, int) override {}
    void showReceiverRadioChip(int, int) override {}
    void showTransmitterDirectRegisterWrite(int, int) override {}
    void showSensorRead(int, int) override {}
    void showCpiLevel(int) override {}
    void showReceiverByte(int, int) override {}
    void showProductLengthWord(int) override {}
    void clearUsbIds() override {}
    void showStatusAnswer(int, const std::uint8_t*) override {}
    void showNumbering(Panel, const std::string&, const std::string&) override {}
    void showBindingWatch(bool) override {}
    void stopBindingAnimation() override {}
    void addDebugLine(const std::string& line) override {
        debug.push_back(line);
        if (onDebugLine)
            onDebugLine(line);
    }
    std::function<void(const std::string&)> onDebugLine;
};
using RecordingDisplay = RecordingDisplayOf<>;

/// The station around the run, on the bench: the receiver is the bench's, and the operator
/// acts whenever the run lets window messages run.
struct BenchHost : RunHost {
    explicit BenchHost(BenchRig& rig, RecordingDisplay& display) : rig(rig), linkTest(rig.link, display), display(display) {
        rig.clock.onPump = [this] { operate(); };
    }

    Receiver findReceiver() override {
        rig.runPosted();
        rig.connect();
        Receiver r;
        if (rig.link.ActiveDevice == nullptr) {
            ready = false;
            return r;
        }
        const HidAttributes a = rig.link.ActiveDevice->attributes();
        r.found = true;
        r.vendorId = a.vendorId;
        r.productId = a.productId;
        r.version = a.version;
        // The window's search refills the hot-key lists for a receiver with zoom keys.
        r.zoomKeys = selection::enablesZoomKeys(a.productId);
        ready = ReceiverOperations(rig.link).linkQuery().has_value();
        r.ready = ready;
        return r;
    }
    bool receiverReady() override { return ready; }
    bool checkTransmitterLink() override {
        if (rig.link.ActiveDevice == nullptr || !rig.link.ActiveDevice->pluggedIn())
            return false;
        return linkTest.run();
    }
    void stopLinkPolling() override {}
    void suspendLinkPolling() override {}
    void resetLinkStatus() override { ready = false; }
    void releaseReceiver() override {
        rig.link.ActiveDevice = nullptr;
        ready = false;
    }
    void reportNotReady(bool tx, bool rx) override {
        notReady = {tx, rx};
        if (whileBoxShown)
            whileBoxShown(); // the operator acts while the box waits
    }
    bool saveNumbering(std::string&) override {
        ++saves;
        if (onSave)
            onSave();
        return true;
    }
    void noteBoundIds(int, int) override {}
    void startCalibration() override { ++calibrations; }
    bool cancelled() override { return cancel; }
    PairingWindow* pairingWindow() override { return pairing; }
    int slot() const override { return slotNumber; }

    void operate() {
        rig.runPosted();
        if (display.label() == RunDisplay::Label::Move && moveMouse)
            rig.bench.setMouseMoving(true);
        if (display.label() == RunDisplay::Label::Wait && pressBindButton && !bindPressed) {
            rig.bench.pressKeyboardBindButton();
            bindPressed = true;
        }
        if (duringRun)
            duringRun();
    }

    BenchRig& rig;
    TransmitterLinkTest linkTest;
    RecordingDisplay& display;
    bool ready = false;
    bool cancel = false;
    bool moveMouse = true;
    bool pressBindButton = true;
    bool bindPressed = false;
    int saves = 0;
    int calibrations = 0;
    std::pair<bool, bool> notReady{false, false};
    std::function<void()> duringRun;
    std::function<void()> onSave;
    std::function<void()> whileBoxShown;
    /// A gang station's pairing turns, and this run's slot.
    PairingWindow* pairing = nullptr;
    int slotNumber = 0;
};

/// The generators as TX.ini holds them on the test station: serial numbers on for both
/// devices (fixed part 4142, a two-byte counter from 0005), radio IDs handed out in sequence.
inline void freshStationGenerators(TProdSN& rxSN, TProdSN& txSN, TProdRFID& rxRFID,
                                   TProdRFID& txRFID) {
    for (TProdSN* sn : {&rxSN, &txSN}) {
        sn->SetIsSN(true);
        sn->SetIsDate(false);
        sn->SetFixSNByteCount(2);
        sn->SetFixSN(0x4142);
        sn->SetIncSNByteCount(2);
        sn->SetIncInitSN(0x0005);
    }
    rxRFID.SetIsRandom(false);
    txRFID.SetIsRandom(false);
    rxRFID.SetIncInitRFID(0x123456);
    txRFID.SetIncInitRFID(0x345678);
}

/// A working folder of its own with a Log folder, removed afterwards.
struct TempFolder {
    TempFolder() {
        char pattern[] = "/tmp/rfbind-run-XXXXXX";
        path = ::mkdtemp(pattern);
        std::filesystem::create_directory(path + "/Log");
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::vector<std::string> lines(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(path + "/Log")) {
            if (entry.path().filename().string().rfind(prefix, 0) != 0)
                continue;
            std::ifstream in(entry.path());
            for (std::string line; std::getline(in, line);)
                out.push_back(line.substr(0, line.find('\r')));
        }
        return out;
    }
    std::string path;
};

} // namespace rfbind::test
