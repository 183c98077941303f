// SPDX-License-Identifier: MIT
#include "station/Station.h"

#include "commands/HotKeys.h"
#include "commands/ReceiverFrames.h"
#include "commands/ReceiverOperations.h"
#include "commands/ReceiverSelection.h"
#include "line/LineConfig.h"
#include "line/LineNumbering.h"
#include "link/HidDeviceController.h"
#include "numbering/RfidRandomSource.h"
#include "production/PairingWindow.h"
#include "production/ProductionRun.h"
#include "production/SharedNumbering.h"
#include "production/SoftBinding.h"
#include "settings/StorageCheck.h"
#include "settings/StoredGenerators.h"
#include "station/RunGuard.h"

#include <algorithm>
#include <chrono>

namespace rfbind {

namespace {
/// The station never reads input reports, but a platform that keeps them gets the same
/// generous buffer on every device so a chatty mouse cannot stall anything.
constexpr int kInputBuffers = 128;
constexpr int kLinkPollMs = 500;
constexpr int kSoftBindPollMs = 1000;
constexpr int kReceiverFeatureReportLength = 8;
constexpr auto kLineFile = "Line.ini";

std::int64_t wallClockNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
} // namespace

Station::Station(HidDeviceController& devices, Clock& clock, Scheduler& scheduler, StationView& view,
                 RadioIdSource radioIdSource)
    : devices_(devices), clock_(clock), scheduler_(scheduler), view_(view),
      radioIdSource_(std::move(radioIdSource)), link_(clock),
      linkPolling_(scheduler.createTimer(kLinkPollMs, [this] { linkPollTick(); })),
      bindingPolling_(scheduler.createTimer(kSoftBindPollMs, [this] { bindingTick(); })),
      linkTest_(link_, view) {
    presetReceiverIdTable(receiverIdTable_);
    devices_.setDeviceChangeHandler([this] { deviceChange(); });
}

Station::~Station() {
    devices_.setDeviceChangeHandler({});
    link_.ActiveDevice = nullptr;
    deviceList_.clear();
}

std::filesystem::path Station::settingsPath() {
    return std::filesystem::current_path() / std::string(kSettingsFileName);
}

// ---- receivers ------------------------------------------------------------------------------

void Station::deviceChange() {
    dropReceiver();
    clock_.pumpMessages();

    // A receiver search in progress walks this list: it sees the change and stops.
    ++deviceListGeneration_;
    deviceList_.clear(); // returns every device object to the controller
    std::vector<std::string> names;
    std::set<std::string> present;
    while (auto device = devices_.checkOut()) {
        device->setNumInputBuffers(kInputBuffers);
        names.push_back(device->productString());
        present.insert(device->path());
        deviceList_.push_back(std::move(device));
    }
    view_.showDevices(names);
    // A receiver that left the bus is warned about again when it is plugged in anew.
    std::erase_if(permissionWarned_, [&](const std::string& path) { return !present.contains(path); });
    clock_.pumpMessages();

    view_.clearCycle();
    view_.showProgress(0);
    view_.enableGo(true);
    clock_.pumpMessages();
}

bool Station::receiverPresent() const {
    for (const auto& device : deviceList_)
        if (device->pluggedIn() && selection::capabilitiesFit(device->caps()))
            return true;
    return false;
}

void Station::dropReceiver() {
    if (link_.ActiveDevice != nullptr)
        link_.ActiveDevice->clearDataEvent();
    link_.ActiveDevice = nullptr;
    resetLinkStatus();
    zoomKeysAvailable_ = false;
}

void Station::resetLinkStatus() {
    endBinding();
    linkPolling_->stop();
    receiverReady_ = false;
    view_.showLinkReset();
    clock_.pumpMessages();
}

void Station::findReceiver(const std::optional<ReceiverFilter>& filter) {
    dropReceiver();
    if (!filter)
        return;

    const std::uint64_t generation = deviceListGeneration_;
    // Connecting pumps window messages; a device change in between replaces the list, and
    // the objects this loop would go on with are gone: the search ends there, receiverless.
    for (std::size_t i = 0; i < deviceList_.size() && generation == deviceListGeneration_; ++i) {
        HidDevice* device = deviceList_[i].get();
        const HidAttributes attributes = device->attributes();
        const selection::Verdict verdict = selection::judge(
            device->caps(), attributes, receiverIdTable_, filter->vendorId, filter->productId);
        if (!verdict.accepted)
            continue;
        if (verdict.zoomKeys)
            zoomKeysAvailable_ = true;
        receiverVersion_ = attributes.version;
        if (zoomKeysAvailable_)
            fillHotKeyLists(true);
        if (generation != deviceListGeneration_)
            break;
        // Every accepted receiver is connected in turn; the last one in list order stays.
        link_.ActiveDevice = device;
        connectReceiver();
        if (generation != deviceListGeneration_)
            break;
        link_.ReportLength = kReceiverFeatureReportLength;
        linkPollingSuspended_ = false;
        connectReceiver();
    }
}

void Station::connectReceiver() {
    endBinding();
    HidDevice* device = link_.ActiveDevice;
    if (device == nullptr) {
        view_.showReceiverSelected(false, 0, 0);
        return;
    }
    const HidAttributes attributes = device->attributes();
    view_.showReceiverSelected(true, attributes.vendorId, attributes.productId);

    ReceiverOperations receiver(link_);
    const auto ids = receiver.linkQuery();
    if (!ids) {
        warnIfNotPermitted(*device);
        return;
    }
    prevMouseId_ = ids->mouseId;
    prevKeyboardId_ = ids->keyboardId;
    reportDeviceType();
    receiver.secondQuery();
    receiverReady_ = true;
    view_.showReceiverConnected();
    checkTransmitterLink();
    clock_.pumpMessages();
    linkPolling_->start();
}

void Station::warnIfNotPermitted(HidDevice& device) {
    if (device.openStatus() != OpenStatus::PermissionDenied)
        return;
    const std::string path = device.path();
    if (!permissionWarned_.insert(path).second)
        return; // once per plug-in
    view_.showReceiverNotPermitted(device.productString(), path);
}

void Station::reportDeviceType() {
    ReceiverOperations(link_).reportDeviceType(reportAsMouse_ ? receiver::DeviceType::Mouse
                                                              : receiver::DeviceType::Keyboard);
}

bool Station::checkTransmitterLink() {
    if (linkTestsHeld_)
        return false;
    if (link_.ActiveDevice == nullptr || !link_.ActiveDevice->pluggedIn()) {
        view_.showTransmitterLink(false);
        clock_.pumpMessages();
        return false;
    }
    const bool alive = linkTest_.run();
    view_.showTransmitterLink(alive);
    clock_.pumpMessages();
    return alive;
}

void Station::linkPollTick() {
    // Another program (the calibration tool) may hold the receiver after a cycle.
    if (linkPollingSuspended_)
        return;
    linkPolling_->stop();
    clock_.sleepMs(10);
    clock_.pumpMessages();
    checkTransmitterLink();
    // Short steps keep the window responsive between tests.
    for (int i = 0; i < 100; ++i) {
        clock_.sleepMs(1);
        clock_.pumpMessages();
    }
    linkPolling_->start();
}

void Station::fillHotKeyLists(bool zoomKeys) {
    hotKeyListsZoom_ = zoomKeys;
    view_.showHotKeyLists(zoomKeys);
}

int Station::defaultCustKey1() const { return hotkeys::hotKeyList(hotKeyListsZoom_).default1; }
int Station::defaultCustKey2() const { return hotkeys::hotKeyList(hotKeyListsZoom_).default2; }

void Station::stopTimers() {
    endBinding();
    linkPolling_->stop();
}

// ---- runs -----------------------------------------------------------------------------------

ProductionRun Station::productionRun() {
    return ProductionRun(link_, view_, static_cast<RunHost&>(*this), {*rxSN_, *txSN_, *rxRFID_, *txRFID_},
                         sensorCode_, bindingStatus_, *records_,
                         gangSource_ ? gangSource_.get() : line_.get());
}

RunHost::Receiver Station::selectedReceiver() const {
    Receiver r;
    if (link_.ActiveDevice == nullptr)
        return r;
    const HidAttributes a = link_.ActiveDevice->attributes();
    r.found = true;
    r.ready = receiverReady_;
    r.zoomKeys = zoomKeysAvailable_;
    r.vendorId = a.vendorId;
    r.productId = a.productId;
    r.version = receiverVersion_;
    return r;
}

void Station::go(const UnitRecipe& recipe) {
    RunGuard guard(runActive_);
    if (!guard.acquired() || !numberingStorable(recipe.settings))
        return;
    guard.atExit([this] {
        restoreAfterRun();
        view_.enableGo(true);
    });
    // RunMode 1 for the whole cycle: option changes the operator makes meanwhile are kept for
    // the next unit, and the run's own changes to the fields save nothing.
    runMode_ = 1;
    runSettings_ = recipe.settings;
    tellAboutUnit(productionRun().go(recipe));
}

void Station::setTx(const UnitRecipe& recipe) {
    RunGuard guard(runActive_);
    if (!guard.acquired() || !numberingStorable(recipe.settings))
        return;
    guard.atExit([this] { restoreAfterRun(); });
    // The link polling would run its own link tests (access mode, sensor reads) between the
    // run's steps; it resumes afterwards on the same receiver.
    const bool polling = linkPolling_->isActive();
    linkPolling_->stop();
    runMode_ = 1;
    runSettings_ = recipe.settings;
    tellAboutUnit(productionRun().program(recipe, selectedReceiver()));
    if (polling && link_.ActiveDevice != nullptr && !closeRequested_)
        linkPolling_->start();
}

void Station::eraseTransmitter() {
    RunGuard guard(runActive_);
    if (!guard.acquired())
        return;
    guard.atExit([this] { restoreAfterRun(); });
    lastOutcome_ = productionRun().eraseTransmitter();
}

void Station::eraseReceiver() {
    RunGuard guard(runActive_);
    if (!guard.acquired())
        return;
    guard.atExit([this] { restoreAfterRun(); });
    lastOutcome_ = productionRun().eraseReceiver();
}

void Station::connectTransmitter(const std::optional<ReceiverFilter>& filter) {
    RunGuard guard(runActive_);
    if (!guard.acquired())
        return;
    findReceiver(filter);
    linkPolling_->stop();
    bindTicks_ = 0;
    if (link_.ActiveDevice == nullptr)
        return; // the not-ready status says it all
    // On a gang station the operator's binding takes its turn at the pairing window like a
    // run's keyboard binding: the receiver is told to pair only once no other box listens.
    // Until then the binding timer asks for the turn once a tick.
    if (pairing_ != nullptr && !pairing_->request(slot_)) {
        awaitingPairingTurn_ = true;
        bindingPolling_->start();
        return;
    }
    startBindingWatch();
}

void Station::startBindingWatch() {
    if (pairing_ != nullptr)
        bindingTurn_ = std::make_unique<PairingWindow::Turn>(pairing_, slot_);
    bindingWatch_.emplace(link_, view_, false, bindingStatus_);
    if (!bindingWatch_->start()) {
        // A receiver that no longer answers ends the binding as a watch tick that loses it.
        resetLinkStatus();
        return;
    }
    prevMouseId_ = bindingWatch_->mouseId();
    prevKeyboardId_ = bindingWatch_->keyboardId();
    bindingPolling_->start();
}

void Station::endBinding() {
    bindingPolling_->stop();
    // Whatever ended it, the pairing window is free for the next slot (or this one leaves the
    // queue it waited in).
    if (awaitingPairingTurn_ && pairing_ != nullptr)
        pairing_->release(slot_);
    awaitingPairingTurn_ = false;
    bindingTurn_.reset();
}

void Station::bindingTick() {
    // A tick talks to the receiver like a run of its own and must not interleave with one.
    RunGuard guard(runActive_);
    if (guard.acquired() && awaitingPairingTurn_) {
        if (!pairing_->request(slot_))
            return;
        awaitingPairingTurn_ = false;
        if (link_.ActiveDevice == nullptr || !link_.ActiveDevice->pluggedIn()) {
            endBinding(); // the receiver left while the binding waited for its turn
            return;
        }
        startBindingWatch();
        return;
    }
    if (!guard.acquired() || !bindingWatch_) {
        if (!bindingWatch_)
            endBinding();
        return;
    }
    const bool receiverThere = link_.ActiveDevice != nullptr && link_.ActiveDevice->pluggedIn();
    const BindingWatch::State state = bindingWatch_->tick();
    bindTicks_ = bindingWatch_->ticks();
    if (state == BindingWatch::State::Watching)
        return;
    endBinding();
    prevMouseId_ = bindingWatch_->mouseId();
    prevKeyboardId_ = bindingWatch_->keyboardId();
    switch (state) {
    case BindingWatch::State::Lost:
        if (receiverThere)
            resetLinkStatus(); // it stopped answering; a receiver that left has been reset
        break;
    case BindingWatch::State::Paired:
        view_.showBindingVerdict(true);
        linkPolling_->start();
        break;
    case BindingWatch::State::TimedOut:
        // A tick after a sixteenth one that ended early stops the watch without a word.
        if (bindTicks_ == SoftBinding::kTimeoutTick) {
            view_.showBindingVerdict(false);
            linkPolling_->start();
        }
        break;
    case BindingWatch::State::Watching:
        break;
    }
}

void Station::restoreAfterRun() {
    runMode_ = 0;
    bindFromRun_ = false;
    view_.showKeyboardPrompt(false);
    if (pendingSettings_) {
        const StationSettings settings = std::move(*pendingSettings_);
        pendingSettings_.reset();
        storeSettings(settings);
    }
    // What waited for the run happens once the station is free (the guard frees it after
    // this): the operator's queued clicks, then, when the window was closed during the run,
    // the real close.
    scheduler_.post([this] {
        auto queued = std::move(afterRun_);
        afterRun_.clear();
        for (auto& action : queued)
            action();
        if (closeRequested_)
            view_.closeAfterRun();
    });
}

void Station::whenIdle(std::function<void()> action) {
    if (runActive_)
        afterRun_.push_back(std::move(action));
    else
        action();
}

void Station::tellAboutUnit(const RunOutcome& outcome) {
    lastOutcome_ = outcome;
    unitPassed_ = outcome.passed;
    if (!outcome.passed && outcome.reason != FailReason::None)
        view_.addDebugLine("FAIL " + outcome.failStep + ": " + outcome.reasonText());
}

// ---- RunHost ----------------------------------------------------------------------------------

RunHost::Receiver Station::findReceiver() {
    findReceiver(ReceiverFilter{runSettings_.VID, runSettings_.PID});
    return selectedReceiver();
}

void Station::releaseReceiver() {
    if (link_.ActiveDevice != nullptr)
        link_.ActiveDevice->clearDataEvent();
    link_.ActiveDevice = nullptr;
    resetLinkStatus();
}

void Station::reportNotReady(bool transmitterMissing, bool receiverMissing) {
    view_.reportNotReady(transmitterMissing, receiverMissing);
}

bool Station::saveNumbering(std::string& why) {
    // A slot's numbering is the gang's: stored by it, never from this slot's own copy.
    if (gangNumbering_ != nullptr) {
        if (gangNumbering_->store(why)) {
            lastSaveFailed_ = false;
            return true;
        }
        if (!lastSaveFailed_) {
            lastSaveFailed_ = true;
            view_.showSettingsNotSaved(why);
        }
        return false;
    }
    if (storeSettings(runSettings_)) {
        why = "the settings file could not be written";
        return false;
    }
    return true;
}

void Station::joinGang(int slot, SharedNumbering& numbering, PairingWindow& pairing) {
    slot_ = slot;
    gangNumbering_ = &numbering;
    gangSource_ = numbering.source(slot);
    pairing_ = &pairing;
}

void Station::noteBoundIds(int mouseId, int keyboardId) {
    prevMouseId_ = mouseId;
    prevKeyboardId_ = keyboardId;
}

// ---- settings and numbering ---------------------------------------------------------------------

LoadedSettings Station::loadSettings() {
    runMode_ = 2;
    LoadedSettings out;
    IniFile ini(settingsPath());
    const IniLoadResult loaded = ini.load();
    out.status = loaded.status;
    out.error = loaded.error;
    StoredGenerators g;
    if (loaded.status == IniLoadStatus::Missing) {
        g.RxSN = std::make_unique<TProdSN>();
        g.TxSN = std::make_unique<TProdSN>();
        g.RxRFID = std::make_unique<TProdRFID>();
        g.TxRFID = std::make_unique<TProdRFID>();
    } else {
        // Any key of the table is taken: a station that programmed zoom receivers stores
        // Zoom Out / Zoom In itself, and the lists get the zoom keys back to show them.
        out.settings = ReadStationSettings(ini, defaultCustKey1(), defaultCustKey2(),
                                           static_cast<std::int32_t>(hotkeys::kHotKeys.size()));
        if (std::max(out.settings->CustKey1, out.settings->CustKey2) >= hotkeys::kStandardCount &&
            !hotKeyListsZoom_)
            fillHotKeyLists(true);

        const ReceiverEntries receivers = ReadReceiverEntries(ini);
        for (int n = 0; n < kReceiverEntryCount; ++n) {
            const ReceiverEntry& e = receivers.entries[static_cast<std::size_t>(n)];
            receiverIdTable_[static_cast<std::size_t>(kFirstReceiverEntry + n)] =
                ReceiverId{e.vendorId, e.productId};
        }
        out.malformedReceivers = receivers.malformed;

        g = LoadGenerators(ini);
        out.generatorProblems = std::move(g.problems);
    }
    if (radioIdSource_) {
        g.RxRFID->SetRandomSource(radioIdSource_());
        g.TxRFID->SetRandomSource(radioIdSource_());
    }
    installGenerators(std::move(g));
    return out;
}

void Station::installGenerators(StoredGenerators g) {
    if (sharedNumbering_ == nullptr) {
        rxSN_ = std::move(g.RxSN);
        txSN_ = std::move(g.TxSN);
        rxRFID_ = std::move(g.RxRFID);
        txRFID_ = std::move(g.TxRFID);
        return;
    }
    // On a gang station the slots draw from these very generators on their own threads: a
    // load changes them in place, between two of their draws, never replaces them under them.
    sharedNumbering_->withGenerators([&](NumberingGenerators&) {
        *rxSN_ = std::move(*g.RxSN);
        *txSN_ = std::move(*g.TxSN);
        *rxRFID_ = std::move(*g.RxRFID);
        *txRFID_ = std::move(*g.TxRFID);
    });
}

void Station::withGeneratorsLocked(const std::function<void()>& work) {
    if (sharedNumbering_ == nullptr) {
        work();
        return;
    }
    sharedNumbering_->withGenerators([&](NumberingGenerators&) { work(); });
}

std::optional<std::string> Station::storeSettings(const StationSettings& settings) {
    std::string refused;
    IniSaveResult saved;
    auto store = [&] {
        // Read afresh, as the platform's profile functions do: what someone else changed in
        // the file since (section "Device", keys the station does not know) stays as it is.
        IniFile ini(settingsPath());
        ini.load(); // an unreadable file is refused by save() below, and reported
        refused = WriteStationSettings(ini, settings);
        StoreGenerators(ini, *rxSN_, *txSN_, *rxRFID_, *txRFID_);
        saved = ini.save();
    };
    // On a gang station the slots commit into these generators and store them meanwhile: the
    // whole read-modify-write of the file happens between two of their commits.
    if (sharedNumbering_ != nullptr)
        sharedNumbering_->withGenerators([&](NumberingGenerators&) { store(); });
    else
        store();
    std::optional<std::string> why;
    if (!saved)
        why = saved.error;
    else if (!refused.empty())
        why = "these values hold a line end and were not stored: " + refused;
    if (!why) {
        lastSaveFailed_ = false;
        return why;
    }
    // Nearly every keystroke saves: one box per failure would bury the operator. Tell once,
    // and again only after a save has succeeded in between.
    if (!lastSaveFailed_) {
        lastSaveFailed_ = true;
        view_.showSettingsNotSaved(*why);
    }
    return why;
}

bool Station::numberingStorable(const StationSettings& settings) {
    // A save that failed is tried again at each press: the supervisor may have fixed it.
    if (lastSaveFailed_) {
        std::string ignored;
        if (gangNumbering_ != nullptr)
            saveNumbering(ignored);
        else
            storeSettings(settings);
    }
    std::optional<std::string> why;
    if (lastSaveFailed_)
        why = "the last save of the settings failed";
    else
        why = whyCannotStore(settingsPath());
    if (why) {
        view_.showRunRefused(true, *why);
        return false;
    }
    // A unit the station cannot write down is a unit nobody can trace: its log line and its
    // journal line (the only record of a FAIL, and the line's outbox) must fit first.
    if (const auto unrecordable = records_->whyCannotRecord(wallClockNowMs())) {
        view_.showRunRefused(false, *unrecordable);
        return false;
    }
    return true;
}

void Station::openRecords(const std::string& stationName) {
    stationName_ = stationName;
    line_.reset();
    records_ = std::make_unique<UnitRecords>(std::filesystem::current_path().string(), stationName_);
}

void Station::openLine(const std::string& lineDatabase, const std::string& lineStation,
                       const std::string& hostName) {
    stationName_ = hostName;
    line_.reset();
    const std::filesystem::path folder = std::filesystem::current_path();
    records_ = std::make_unique<UnitRecords>(folder.string(), stationName_);

    auto loaded = LineConfig::load(folder / kLineFile);
    std::optional<std::string> problem;
    std::optional<LineConfig> config;
    if (!loaded)
        problem = loaded.error().message;
    else
        config = *loaded;
    if (!problem && !lineDatabase.empty()) {
        // The command line names the line: Line.ini, when there is one, gives the rest.
        if (!config) {
            config = LineConfig{};
            config->station = LineConfig::hostName();
        }
        config->database = lineDatabase;
        if (const auto bad = LineConfig::checkDatabaseUri(config->database))
            problem = "--line-db: " + *bad;
    }
    if (config && !lineStation.empty())
        config->station = lineStation;
    if (config || (problem && !lineStation.empty())) {
        // Named as configured even when the line cannot be used: the units it refuses are
        // journalled, and reported, under the name the supervisor knows it by.
        stationName_ = config ? config->station : lineStation;
        records_ = std::make_unique<UnitRecords>(folder.string(), stationName_);
    }

    if (problem) {
        line_ = std::make_unique<LineNumbering>(*problem);
    } else if (config) {
        line_ = std::make_unique<LineNumbering>(*config, folder);
    } else {
        return; // no line: the station numbers on its own, as always
    }
    if (const auto refusal = line_->refusal()) {
        view_.showLineMessage("This station cannot use its line; Go is refused until this is "
                              "mended and the station restarted.\n\n" + *refusal,
                              true);
        return;
    }
    if (!config->warnings.empty()) {
        std::string text = "This station uses its line, but:";
        for (const std::string& warning : config->warnings)
            text += "\n\n" + warning;
        view_.showLineMessage(text, false);
    }
    view_.showLineOffline(line_->offline());
}

} // namespace rfbind
