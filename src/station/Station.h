// SPDX-License-Identifier: MIT
#pragma once

#include "commands/ReceiverOperations.h"
#include "commands/TransmitterOperations.h"
#include "link/HidDevice.h"
#include "link/ReceiverIdTable.h"
#include "link/ReceiverLink.h"
#include "numbering/TProdRFID.h"
#include "numbering/TProdSN.h"
#include "production/BindingWatch.h"
#include "production/NumberSource.h"
#include "production/PairingWindow.h"
#include "production/RunHost.h"
#include "production/RunOutcome.h"
#include "production/TransmitterLinkTest.h"
#include "production/UnitRecipe.h"
#include "production/UnitRecords.h"
#include "settings/IniFile.h"
#include "settings/ReceiverEntries.h"
#include "settings/StationSettings.h"
#include "settings/StoredGenerators.h"
#include "station/Scheduler.h"
#include "station/StationView.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace rfbind {

class HidDeviceController;
class SharedNumbering;
class ProductionRun;
class RfidRandomSource;

/// The receiver a supervisor configured: the USB IDs of the settings (0: any preset one).
struct ReceiverFilter {
    std::int32_t vendorId = 0;
    std::int32_t productId = 0;
};

/// What the settings file held when the station read it (loadSettings).
struct LoadedSettings {
    IniLoadStatus status = IniLoadStatus::Missing;
    /// Why the file could not be read (status Unreadable).
    std::string error;
    /// The settings as read; nothing when there is no file.
    std::optional<StationSettings> settings;
    /// Receiver entries that are no vendor and product ID.
    std::vector<ReceiverEntries::Malformed> malformedReceivers;
    /// Stored counters that could not be read and start again from their defaults.
    std::vector<std::string> generatorProblems;
};

/// One production station: the receivers on the bus and the one it works with, the link
/// monitoring, the numbering (generators, number source, TX.ini), the production log and
/// attempts journal, and the runs, one at a time.
///
/// The window (or a test) is a StationView: it hands the station the settings it reads from
/// its controls, calls one command per operator action, and shows what the station reports.
/// The station never reads anything back from the view.
///
/// Threading: every member is called on the thread the scheduler runs on, and the station's
/// timers and deferred work run there; only runActive(), runMode(), requestClose(),
/// closeRequested(), zoomKeysAvailable() and hotKeyListsZoom() may be called from the window's
/// thread as well, so that it can refuse a key or keep an option for the next unit at once. The clock's pumpMessages() may run other commands in
/// the middle of a run; the one-run guard refuses a second run then, and settings handed over
/// meanwhile are stored once the run has ended.
///
/// The controller, clock, scheduler and view must outlive the station. Nothing throws.
class Station final : private RunHost {
public:
    /// Source of random radio IDs for the generators a settings load creates; empty means the
    /// generators' own clock-seeded one.
    using RadioIdSource = std::function<std::unique_ptr<RfidRandomSource>()>;

    Station(HidDeviceController& devices, Clock& clock, Scheduler& scheduler, StationView& view,
            RadioIdSource radioIdSource = {});
    ~Station() override;
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // ---- receivers ------------------------------------------------------------------------
    /// The device list changed (plug, unplug, the start-up broadcast): drops the receiver and
    /// takes every present device anew.
    void deviceChange();
    /// Drops the current receiver and connects every acceptable one in list order; the last
    /// one stays selected. Nothing but the drop when `filter` is empty (the settings' USB IDs
    /// were no numbers).
    void findReceiver(const std::optional<ReceiverFilter>& filter);
    /// Queries the selected receiver, reports the device type and starts the link polling.
    void connectReceiver();
    /// Not-ready display; both timers stop.
    void resetLinkStatus() override;
    /// The transmitter the receiver is told about: a mouse, or a keyboard.
    void setDeviceType(bool mouse) { reportAsMouse_ = mouse; }
    /// Tells the selected receiver the chosen device type.
    void reportDeviceType();
    /// One transmitter-link test; shows it. True when the transmitter talks.
    bool checkTransmitterLink() override;
    /// One tick of the link polling.
    void linkPollTick();
    /// While held (the language dialog is open), the link tests leave the receiver alone.
    void holdLinkTests(bool held) { linkTestsHeld_ = held; }

    // ---- runs -----------------------------------------------------------------------------
    /// Go: one station cycle on `recipe`. Refused (with a box) while the station could not
    /// write the unit down; does nothing while another run works.
    void go(const UnitRecipe& recipe);
    /// Set TX: the programming run on the selected receiver.
    void setTx(const UnitRecipe& recipe);
    /// Erase TX / Erase RX.
    void eraseTransmitter();
    void eraseReceiver();
    /// Connect: selects the receiver again and watches, once a second, for it to pair.
    void connectTransmitter(const std::optional<ReceiverFilter>& filter);
    /// One tick of the binding watch.
    void bindingTick();
    /// Runs `action` now when no run works, or once the run has ended.
    void whenIdle(std::function<void()> action);
    /// Settings changed while a run works: stored once it has ended, used from the next unit.
    void keepForNextUnit(const StationSettings& settings) { pendingSettings_ = settings; }
    /// The operator closed the window during a run: it ends at its next step.
    void requestClose() { closeRequested_ = true; }
    /// Leaving the station: timers stopped.
    void stopTimers();

    // ---- the engineering pages ------------------------------------------------------------
    /// True while a receiver is selected.
    bool hasReceiver() const { return link_.ActiveDevice != nullptr; }
    /// True when the device list holds a device that could be a receiver (its capabilities
    /// fit), selected or not: a gang station's slot has a unit in its box.
    bool receiverPresent() const;
    /// The receiver's and the transmitter's commands, on the selected receiver. Each failure
    /// sets the link's CommError, which a run calling them tests.
    ReceiverOperations receiver() { return ReceiverOperations(link_); }
    TransmitterOperations transmitter() { return TransmitterOperations(link_); }
    /// Refuses what the engineering page was about to write (a product string the receiver
    /// cannot store): a run that asked for it fails.
    void refuseWrite() { link_.CommError = true; }

    // ---- settings and numbering -----------------------------------------------------------
    /// Reads TX.ini: the receiver entries, the generators (replaced), the hot-key lists (the
    /// zoom keys when a stored key needs them). The run mode is 2 until settingsLoaded().
    LoadedSettings loadSettings();
    void settingsLoaded() { runMode_ = 0; }
    /// Stores `settings` with the numbering into TX.ini; the reason when it could not be.
    std::optional<std::string> storeSettings(const StationSettings& settings);
    /// Reads the line (Line.ini, or the database and name the command line gave) and opens
    /// the production log and attempts journal under the working folder.
    void openLine(const std::string& lineDatabase, const std::string& lineStation,
                  const std::string& hostName);
    /// A slot of a gang station: opens the production log and attempts journal under the
    /// working folder, under the name the main station has on its line (or its host name).
    /// The slot numbers from the main station's line through the gang's numbering, and opens
    /// no line of its own (a second connection under the same name would be refused).
    void openRecords(const std::string& stationName);

    // ---- state, for the view and tests -----------------------------------------------------
    ReceiverLink& link() { return link_; }
    const std::vector<std::unique_ptr<HidDevice>>& deviceList() const { return deviceList_; }
    ReceiverIdTable& receiverIdTable() { return receiverIdTable_; }
    bool zoomKeysAvailable() const { return zoomKeysAvailable_; }
    std::uint16_t receiverVersion() const { return receiverVersion_; }
    int prevMouseId() const { return prevMouseId_; }
    int prevKeyboardId() const { return prevKeyboardId_; }
    bool linkPollingSuspended() const { return linkPollingSuspended_; }
    void setLinkPollingSuspended(bool suspended) { linkPollingSuspended_ = suspended; }
    StationTimer& linkPolling() { return *linkPolling_; }
    StationTimer& bindingPolling() { return *bindingPolling_; }
    /// The receiver answered its link query since it was selected.
    bool receiverIsReady() const { return receiverReady_; }

    /// The four numbering generators; never null. Every settings load replaces them.
    std::unique_ptr<TProdSN>& rxSN() { return rxSN_; }
    std::unique_ptr<TProdSN>& txSN() { return txSN_; }
    std::unique_ptr<TProdRFID>& rxRFID() { return rxRFID_; }
    std::unique_ptr<TProdRFID>& txRFID() { return txRFID_; }
    /// The transmitter's sensor class (0x91 or 0x9D), read by the first run that reaches it.
    std::int32_t sensorCode() const { return sensorCode_; }
    /// The last pairing-status byte (status 4) the receiver gave.
    int& bindingStatus() { return bindingStatus_; }

    /// 2 while the settings load (and at start-up), 0 idle, 1 during a run.
    std::uint8_t runMode() const { return runMode_; }
    void setRunMode(std::uint8_t mode) { runMode_ = mode; }
    /// Set only while the programming run binds a keyboard.
    bool bindFromRun() const { return bindFromRun_; }
    int bindTicks() const { return bindTicks_; }
    bool runActive() const { return runActive_; }
    bool closeRequested() const { return closeRequested_; }
    const std::optional<RunOutcome>& lastOutcome() const { return lastOutcome_; }
    bool unitPassed() const { return unitPassed_; }

    /// The hot-key lists hold the zoom keys (kept until the next start once a zoom receiver
    /// was found, and given at start-up when a stored key is one).
    bool hotKeyListsZoom() const { return hotKeyListsZoom_; }
    /// Rebuilds the hot-key lists (shown on their defaults).
    void fillHotKeyLists(bool zoomKeys);
    int defaultCustKey1() const;
    int defaultCustKey2() const;

    // ---- a slot of a gang station ----------------------------------------------------------
    /// Makes this station slot `slot` (1-based) of a gang station: its units number from
    /// `numbering`, shared by every slot (which also stores the numbering), and its keyboard
    /// bindings wait for their turn at `pairing`. Before the first run; both must outlive the
    /// station.
    void joinGang(int slot, SharedNumbering& numbering, PairingWindow& pairing);
    /// 0 for a station on its own.
    int slot() const override { return slot_; }
    /// The main station of a gang station: its generators are the slots' one numbering, so it
    /// stores them only with the numbering locked (never behind a slot's commit). Before the
    /// slots start; `numbering` must outlive the station or be unset (nullptr) first.
    void shareNumbering(SharedNumbering* numbering) { sharedNumbering_ = numbering; }
    /// Runs `work` on the generators (a numbering panel's read or change): on a gang station
    /// with the slots' numbering locked, between two of their draws and commits. `work` must
    /// not store the settings (that takes the same lock).
    void withGeneratorsLocked(const std::function<void()>& work);

    UnitRecords& records() { return *records_; }
    NumberSource* line() { return line_.get(); }
    const std::string& stationName() const { return stationName_; }

private:
    /// Takes freshly loaded generators: in place of the old ones, or on a gang station into
    /// them, with the shared numbering locked.
    void installGenerators(StoredGenerators g);
    /// The operator's binding, once the receiver is selected (and on a gang station the
    /// pairing window is this slot's): the bind command and the watch's timer.
    void startBindingWatch();
    /// The binding timer stops; the pairing window is given up or its queue left.
    void endBinding();
    // RunHost: what the runs ask of the station.
    Receiver findReceiver() override;
    bool receiverReady() override { return receiverReady_; }
    void stopLinkPolling() override { linkPolling_->stop(); }
    void suspendLinkPolling() override { linkPollingSuspended_ = true; }
    void releaseReceiver() override;
    void reportNotReady(bool transmitterMissing, bool receiverMissing) override;
    bool saveNumbering(std::string& why) override;
    void noteBoundIds(int mouseId, int keyboardId) override;
    void startCalibration() override { view_.startCalibrationProgram(); }
    bool cancelled() override { return closeRequested_; }
    PairingWindow* pairingWindow() override { return pairing_; }

    ProductionRun productionRun();
    Receiver selectedReceiver() const;
    void dropReceiver();
    void restoreAfterRun();
    void tellAboutUnit(const RunOutcome& outcome);
    bool numberingStorable(const StationSettings& settings);
    void warnIfNotPermitted(HidDevice& device);
    static std::filesystem::path settingsPath();

    HidDeviceController& devices_;
    Clock& clock_;
    Scheduler& scheduler_;
    StationView& view_;
    RadioIdSource radioIdSource_;

    ReceiverLink link_;
    /// The objects behind the device list, owned until the next device change; the link's
    /// ActiveDevice points into it.
    std::vector<std::unique_ptr<HidDevice>> deviceList_;
    /// Counts device-list rebuilds, so a receiver search notices one under its feet.
    std::uint64_t deviceListGeneration_ = 0;
    /// Receivers (by device path) already reported as not permitted since they were plugged in.
    std::set<std::string> permissionWarned_;
    ReceiverIdTable receiverIdTable_{};
    std::atomic<bool> zoomKeysAvailable_ = false;
    std::uint16_t receiverVersion_ = 0;
    bool receiverReady_ = false;
    bool reportAsMouse_ = true;
    int prevMouseId_ = 0;
    int prevKeyboardId_ = 0;
    bool linkPollingSuspended_ = false;
    bool linkTestsHeld_ = false;
    std::unique_ptr<StationTimer> linkPolling_;
    std::unique_ptr<StationTimer> bindingPolling_;
    /// Keeps the last link counter the receiver answered between tests.
    TransmitterLinkTest linkTest_;

    std::unique_ptr<TProdSN> rxSN_ = std::make_unique<TProdSN>();
    std::unique_ptr<TProdSN> txSN_ = std::make_unique<TProdSN>();
    std::unique_ptr<TProdRFID> rxRFID_ = std::make_unique<TProdRFID>();
    std::unique_ptr<TProdRFID> txRFID_ = std::make_unique<TProdRFID>();
    std::int32_t sensorCode_ = 0;
    int bindingStatus_ = -1;
    std::atomic<bool> hotKeyListsZoom_ = false;
    /// The last save failed and the operator was told; the next failure is said only after a
    /// save has succeeded in between.
    bool lastSaveFailed_ = false;

    std::unique_ptr<UnitRecords> records_;
    /// The line the runs number from; null for a station on its own.
    std::unique_ptr<NumberSource> line_;
    std::string stationName_;

    std::atomic<std::uint8_t> runMode_ = 2;
    bool bindFromRun_ = false;
    int bindTicks_ = 0;
    std::atomic<bool> runActive_ = false;
    std::atomic<bool> closeRequested_ = false;
    bool unitPassed_ = false;
    /// The settings the working run stores its numbering with.
    StationSettings runSettings_;
    /// Settings handed over while a run worked: stored once it has ended.
    std::optional<StationSettings> pendingSettings_;
    std::vector<std::function<void()>> afterRun_;
    std::optional<RunOutcome> lastOutcome_;
    /// On a gang station: the slot, the numbering all slots share (and this slot's source of
    /// it), the pairing turns.
    int slot_ = 0;
    SharedNumbering* gangNumbering_ = nullptr;
    std::unique_ptr<NumberSource> gangSource_;
    PairingWindow* pairing_ = nullptr;
    /// The main station of a gang station: the numbering its generators are shared through.
    SharedNumbering* sharedNumbering_ = nullptr;
    /// The operator's binding (Connect) while its watch runs.
    std::optional<BindingWatch> bindingWatch_;
    /// On a gang station: the operator's binding waits for the pairing window, or holds it
    /// while its watch runs.
    bool awaitingPairingTurn_ = false;
    std::unique_ptr<PairingWindow::Turn> bindingTurn_;
};

} // namespace rfbind
