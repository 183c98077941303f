// SPDX-License-Identifier: MIT
#pragma once

#include "StationServices.h"
#include "production/RunOutcome.h"
#include "production/UnitRecipe.h"
#include "settings/Lang.h"
#include "settings/StationSettings.h"
#include "station/Station.h"
#include "station/StationThread.h"
#include "station/StationView.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

class QColor;
class QComboBox;
class QLabel;

namespace rfbind::options {
enum class TransmitterOption;
}

namespace Ui {
class TForm1;
}

namespace rfbind::app {

class QtScheduler;
class QueuedStationView;
class SlotStrip;
class TForm2;
class THexEdit;

/// The station's main window, a view of its Station. A handler reads its controls once, calls
/// the station, and the window shows what the station reports (StationView); it holds no
/// device, generator, counter or run state. Handlers are grouped by concern into
/// TForm1_*.cpp files.
class TForm1 : public QWidget, private StationView {
    Q_OBJECT

public:
    /// Creates the window and runs the start-up sequence (FormCreate).
    explicit TForm1(StationServices& services, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- start-up and lifecycle (TForm1.cpp) ------------------------------------------
    void FormCreate();
    void FormResize();
    /// PageDown starts the Go run while Go is enabled. Returns true when the key is the
    /// station's (it started a run, or a run is active) and must go no further.
    bool FormKeyDown(int key);
    /// Closing: timers off, settings saved, transmitter access left, process ended.
    void FormCloseQuery();

    /// Shown in the title bar only; 0..254.
    std::int32_t tempId() const { return TempID; }
    /// Set while the window is being created: the settings writer does nothing meanwhile.
    bool formCreating() const { return FormCreating; }
    void setFormCreating(bool creating) { FormCreating = creating; }
    /// Base height from which the visible height is computed (the numbering panels change it).
    int windowHeight() const { return windowHeight_; }
    static constexpr int kWindowWidth = 900;
    /// A gang station's slot: its width and the strip's height.
    static constexpr int kSlotWidth = 150;
    static constexpr int kSlotStripHeight = 250;

    TForm2* languageDialog() const { return form2_; }
    StationServices& services() { return services_; }
    /// The station this window shows: receivers, numbering, runs. On its own thread (see
    /// StationServices::stationThread) only its thread-safe members may be used from here;
    /// everything else goes through toStation() / atStation().
    Station& station() { return *station_; }
    const Station& station() const { return *station_; }

    /// Hands `work` to the station and goes on: at once on the station's own thread, or now
    /// when the station works on the window's thread.
    void toStation(std::function<void()> work);
    /// Runs `work` on the station and returns once it has; the window's messages run
    /// meanwhile (reports, questions, clicks), as they ran while the station paused.
    void atStation(const std::function<void()>& work);
    /// atStation() for work with a result.
    template <class F> auto fromStation(F&& work) {
        using R = std::invoke_result_t<F&>;
        if constexpr (std::is_void_v<R>) {
            atStation(work);
        } else {
            std::optional<R> result;
            atStation([&] { result.emplace(work()); });
            return std::move(*result);
        }
    }
    /// atStation() for a change the station's runs depend on (its generators): it waits until
    /// no run is active and no device change is under way, so that a change made during a unit
    /// applies from the next one. The window's messages run meanwhile.
    void atIdleStation(const std::function<void()>& work);
    /// atIdleStation() for work with a result.
    template <class F> auto fromIdleStation(F&& work) {
        using R = std::invoke_result_t<F&>;
        std::optional<R> result;
        atIdleStation([&] { result.emplace(work()); });
        return std::move(*result);
    }
    /// Calls `onWindow` on the window's thread once the station has done the work handed to
    /// it so far, including a run that work started (a unit's end, for a bench operator).
    void whenStationIdle(std::function<void()> onWindow);

    // ---- device link (TForm1_Link.cpp) -------------------------------------------------
    void JvHidDeviceController1DeviceChange();
    /// Drops the current receiver and connects every acceptable one in list order; the last
    /// one stays ActiveDevice (or none).
    void FindReceiver();
    /// Queries ActiveDevice, reports the device type and starts the link polling.
    void ConnectReceiver();
    /// Not-ready display; stops both timers.
    void ResetLinkStatus();
    /// Device-type report for the choice of rbMSE / rbKB (both call it).
    void rbMSEClick();
    /// One transmitter-link test; updates ledTX and edtTX. True when the transmitter talks.
    bool CheckTransmitterLink();
    void tmrIsTxLinkTimer();

    // ---- interface language (TForm1_Language.cpp) --------------------------------------
    TLanguateKind currentLanguage() const { return CurrentLanguage; }
    QString MessageText(int id) const;
    void LoadLanguage();
    void ApplyLanguage();
    void SaveLanguage();
    void cbbLangChange(int index);
    /// True while the binding timer runs: the bind button then reads "&Connecting".
    bool bindTimerRunning() const;

    // ---- device commands (TForm1_Receiver, _Transmitter, _Maintenance, _Options, _HotKeys) --
    // Handlers of the engineering pages and the option controls. Those taking a sender derive
    // their operand from its object name (btnEEPROM_R_15 reads word 15, btnSpecialCmd4 asks
    // for status 4). A malformed number in a hex field shows the conversion error and ends
    // the handler; device failures surface in link.CommError.
    void btnEEPROM_R_00Click(QObject* sender);
    void btnEEPROM_W_00Click(QObject* sender);
    void btnEEPROM_R_VIDClick();
    void btnEEPROM_R_PIDClick();
    void btnEEPROM_W_VIDClick();
    void btnEEPROM_W_PIDClick();
    void btnEEPROM_R_20Click();
    /// Refuses (message, CommError) a product string the receiver cannot store.
    void btnEEPROM_W_20Click();
    void edtVID_SETChange();
    void btnC_Rd_Direct_RegClick();
    void btnC_Wrt_Direct_RegClick();
    void btnRd_RFICClick();
    void btnWrt_RFICClick();

    void btnC_RF_Rd_EEPROMClick();
    /// Verified write of edtRF_EEPROMData at edtRF_EEPROMAddr; failure sets link.CommError.
    void btnC_RF_Wrt_EEPROMClick();
    void btnC_RF_Rd_Direct_RegClick();
    void btnC_RF_Wrt_Direct_RegClick();
    void btnC_RF_Rd_Index_RegClick();
    void btnC_RF_Wrt_Index_RegClick();
    void btnC_RF_Rd_SensorClick();
    void btnC_RF_Wrt_SensorClick();
    void btnC_RF_Rd_RFIC_ARF2496KClick();
    void btnC_RF_Wrt_RFIC_ARF2496KClick();
    void btnC_RF_SETUP_CPIClick();
    void rbC_RF_ENTER_ACCESS_WO_LEDClick();
    void rbC_RF_ENTER_ACCESS_W_LEDClick();
    void rbC_RF_LEAVE_ACCESSClick();

    void btnC_JUMP_TO_PORClick();
    void btnC_RELOAD_PARAMETERClick();
    void btnRF_DR_3CClick();
    void btnRF_DR_3DClick();
    /// Status query n from the sender's last character; fills edtSC0n_00..06 when answered.
    void btnSpecialCmd1Click(QObject* sender);

    // Options: RunMode 0 saves the settings, 1 writes the unit, 2 does nothing.
    void rbRF_DR_15Click();
    void rbRF_DR_1AClick();
    void rbRF_DR_45Click();
    void rbRF_DR_4AClick();
    void rbRF_DR_4FClick();
    void rbRF_DR_25Click();
    void rbRF_DR_2AClick();
    void rbRF_DR_5AClick();
    void rbRF_DR_55Click();
    void rbRF_CPI_HClick();
    void rbRF_CPI_LClick();
    void rbMouseOnlyClick();
    void rbKbdMseClick();
    void cbRF_Set_BTY_Low_LevelChange();
    void cbResetRFClick();
    void suiSpinEdit1Change();
    void suiSpinEdit2Change();

    /// Rebuilds both hot-key lists (26 items with zoom keys, else 24) and selects the defaults.
    void FillHotKeyLists();
    void cbCustKey1Change();
    void cbCustKey2Change();
    void btnUpdateCustKeyClick();
    /// List indexes of the default hot keys, the defaults of "CustKey1" / "CustKey2".
    int defaultCustKey1() const { return station_->defaultCustKey1(); }
    int defaultCustKey2() const { return station_->defaultCustKey2(); }

    /// Saves all settings to TX.ini (TForm1_Settings.cpp); the option handlers call it.
    void btnWriteSettingClick();

    // ---- settings file (TForm1_Settings.cpp) -------------------------------------------
    /// Shown by no control: read from the settings file and written back unchanged.
    std::int32_t delay() const { return Delay; }
    /// Has the station read TX.ini (entries 7..20 of its receiver table, four new generators)
    /// and fills the option controls; RunMode is 2 meanwhile and 0 afterwards.
    /// Does not refresh the numbering panels.
    void btnLoadSettingClick();
    /// The calibration-program switch: saves the settings.
    void CallQUVEClick();

    // ---- settings lock (TForm1_Lock.cpp) -----------------------------------------------
    /// A double-click on either logo: locks the settings when they are open; while locked,
    /// every fifth double-click asks for the access code.
    void imgLogoDblClick();
    /// Gives every control under the lock the lock's state (gbSetting enabled = open).
    void ApplySettingsLock();

    // ---- numbering panels (TForm1_Numbering.cpp) ---------------------------------------
    // Each handler serves the receiver and the transmitter control of a pair and takes the
    // side from the sender's name (RX_ or TX_).
    /// Fills the three numbering panels from the generators (start-up only).
    void RefreshNumbering();
    void cbRX_IsSNClick(QObject* sender);
    void cbRX_IsDateClick(QObject* sender);
    void edtRX_FixByteCountChange(QObject* sender);
    void edtRX_IncByteCountChange(QObject* sender);
    void edtRX_FixSNChange(QObject* sender);
    void edtRX_IncInitSNChange(QObject* sender);
    void rbRX_FixAsciiClick(QObject* sender);
    void edtRX_IncInitRFIDChange(QObject* sender);
    void rbRX_RandomRFIDClick(QObject* sender);

    // ---- production runs (TForm1_Binding, _ProgrammingRun, _GoRun, _EraseRuns) ----------
    // One run at a time: Go, Set TX, Connect and the two erases let window messages run while
    // they wait for the devices, and a click on another of them meanwhile does nothing.
    /// Connect: selects the receiver again, notes the IDs it reports and sends the bind
    /// command; tmrSoftBind then watches for changed IDs once a second.
    void btnCombo_Cmd_Soft_Bind_SWClick();
    /// One tick of the binding watch: success when the IDs changed, time-out on tick 16.
    void tmrSoftBindTimer();
    /// Set TX: the programming run on the selected receiver and the transmitter linked to it.
    void btnSetTXClick();
    /// Go: one station cycle (select, check, program, release).
    void btnGoClick();
    /// Erase RX and Erase TX, each armed by its check box (RX_Erased, TX_Erased).
    void suiButton1Click();
    void suiButton2Click();
    void TX_ErasedClick();
    void RX_ErasedClick();
    /// True while one of the runs works.
    bool runActive() const { return station_->runActive(); }
    /// How the last run (Go, Set TX or an erase) ended; nothing before the first.
    const std::optional<RunOutcome>& lastOutcome() const { return station_->lastOutcome(); }
    /// The slots of a gang station (Station.ini, or the bench's slots); null for a station on
    /// its own.
    SlotStrip* slotStrip() const { return strip_; }
    /// The settings a run would program now, read from the controls.
    UnitRecipe unitRecipe() const;
    /// The window as the runs see it: what they show the operator goes through here.
    RunDisplay& runDisplay() { return *this; }

protected:
    void closeEvent(class QCloseEvent* event) override;
    void resizeEvent(class QResizeEvent* event) override;
    /// Return that no control used presses Go.
    void keyPressEvent(class QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::int32_t TempID = 0;
    bool FormCreating = false;
    int windowHeight_ = 740;
    TLanguateKind CurrentLanguage = lkEng;
    std::int32_t Delay = 0;

    void loadCustomLogo();
    void fitUsbInfoFields();

    // ---- device commands: shared glue ---------------------------------------------------
    void connectDeviceCommands();
    void wireLink();
    void wireReceiverPage();
    void wireTransmitterPage();
    void wireMaintenance();
    void wireOptions();
    void wireHotKeys();
    /// The field's value, or nothing after showing the conversion error.
    std::optional<int> hexValue(const THexEdit* edit);
    /// A read value as at least two hex digits (after shifting right by `shift` as unsigned).
    static void showReadValue(THexEdit* edit, int value, int shift = 0);
    /// Reads a USB ID from EEPROM words `highWord` and `highWord` + 1 into `setting`; a failed
    /// read says so and leaves the setting as it was.
    void readUsbIdInto(THexEdit* setting, int highWord, const char* name);
    void setupProductStringEdit();
    void markProductStringEdit();
    void remoteRead(std::uint8_t code, THexEdit* addressEdit, THexEdit* dataEdit);
    void remotePlainWrite(std::uint8_t code, THexEdit* addressEdit, THexEdit* dataEdit);
    void writeTransmitterPair(std::uint8_t address, std::uint8_t value, std::uint8_t complement,
                              int pauseMs);
    /// What a change of an option does now: nothing while the settings load, stored (now, or
    /// once a working run has ended), or, with RunMode 1 outside a run, written to the unit.
    enum class OptionEffect { None, WriteUnit };
    OptionEffect optionEffect();
    void transmitterOptionClick(options::TransmitterOption option);
    void cpiClick(int level);
    void receiverTypeClick(bool mouseOnly);
    void custKeyChange(int slot, const QComboBox* list);
    void showLinkPicture(QWidget* picture);
    /// The receiver the settings name, from the VID/PID fields; nothing after showing the
    /// conversion error of a field that holds no number.
    std::optional<ReceiverFilter> receiverFilter();

    // ---- the line (TForm1_Line.cpp) ----------------------------------------------------------
    /// Has the station read Line.ini (or the line given on the command line) at start-up.
    void openLine();
    /// The window title without the line's state.
    QString baseTitle_;

    /// The clock the station pauses on: its thread's, or the services' one.
    Clock& stationClock();

    StationServices& services_;
    /// The station's timers and deferred work on this window's event loop (the station on the
    /// window's thread).
    std::unique_ptr<QtScheduler> scheduler_;
    /// The station's own thread and the window as that thread sees it; null while the station
    /// works on the window's thread.
    std::unique_ptr<StationThread> stationThread_;
    std::unique_ptr<QueuedStationView> queuedView_;
    std::unique_ptr<Station> station_;
    /// A gang station's slots, in place of the one unit's result; owned by the window (a
    /// child widget), deleted before the station whose numbering the slots share.
    SlotStrip* strip_ = nullptr;
    void createSlotStrip();
    Ui::TForm1* ui;
    TForm2* form2_ = nullptr;
    bool inResize_ = false;
    bool closing_ = false;

    // ---- settings file, settings lock, numbering panels ---------------------------------
    struct SerialPanel;
    struct RadioIdRow;
    void connectSettingsAndNumbering();
    void wireSettingsLock();
    void wireNumbering();
    void applySettings(const StationSettings& settings);
    StationSettings collectSettings() const;
    void applyMissingSettingsFile();
    void reportSettingsProblems(const QStringList& problems);
    SerialPanel serialPanel(QObject* sender);
    RadioIdRow radioIdRow(bool receiver);
    void refreshSerialPanel(const SerialPanel& p);
    void refreshRadioIdRow(const RadioIdRow& row);
    void showNextRadioId(const RadioIdRow& row);
    std::optional<std::int64_t> hexValue64(const THexEdit* edit);
    /// Drops the refused stored value of the VID or PID field `field` once the supervisor
    /// changed that field (the new value is saved instead).
    void forgetRefusedSetting(const QObject* field);
    /// Stored values no control can show (see StationSettings::refused), kept from the last
    /// load so that saves write them back as stored; "PName" is not here (its edit shows it).
    std::vector<Refused> refusedSettings_;
    /// Set while btnLoadSettingClick fills the controls: the writer does nothing meanwhile.
    bool loadingSettings_ = false;
    /// Double-clicks on the logo made while locked; never reset.
    std::int32_t logoDoubleClicks_ = 0;

    // ---- production runs ------------------------------------------------------------------
    void showResult(const QString& text, const QColor& colour);
    /// Runs `action` (on the window) now when no run works, or queues it until the run has
    /// ended.
    void whenIdle(std::function<void()> action);
    void clearStationDisplay();
    /// The reason of the FAIL on show, kept as its message and detail so that a language
    /// switch draws it anew; empty when no reason shows.
    struct ShownReason {
        int messageId = -1;
        std::string detail;
        std::string cause;
    };
    std::optional<ShownReason> shownReason_;
    QLabel* lblFailReason_ = nullptr;
    /// A binding watch shows "&Connecting" (the operator's, or the run's keyboard binding).
    bool bindingWatchShown_ = false;
    /// The run's own emptying of the USB ID fields: their change handler saves nothing.
    bool runClearsUsbIds_ = false;
    /// Lays the shown reason out beneath the result (or hides it) in the current language.
    void drawFailReason();

    // RunDisplay (TForm1_RunDisplay.cpp)
    void showLabel(Label label) override;
    void showFailReason(int messageId, const std::string& detail,
                        const std::string& cause) override;
    void showProgress(int value) override;
    void showNextUnitPrompt(bool shown) override;
    void showKeyboardPrompt(bool shown) override;
    void clearCycle() override;
    void showDuration(const std::string& seconds) override;
    void enableGo(bool enabled) override;
    void showRadioId(const std::string& hexDigits) override;
    void showRxSerial(const std::string& text) override;
    void showTxSerial(const std::string& text) override;
    void showTransmitterEepromWrite(int address, int value) override;
    void showTransmitterRadioChipWrite(int address, int value) override;
    void showReceiverRadioChip(int address, int value) override;
    void showTransmitterDirectRegisterWrite(int address, int value) override;
    void showSensorRead(int address, int value) override;
    void showCpiLevel(int level) override;
    void showReceiverByte(int word, int value) override;
    void showProductLengthWord(int value) override;
    void clearUsbIds() override;
    void showStatusAnswer(int n, const std::uint8_t* bytes) override;
    void showNumbering(Panel panel, const std::string& current, const std::string& next) override;
    void showBindingWatch(bool watching) override;
    void stopBindingAnimation() override;
    void addDebugLine(const std::string& line) override;
    void showLineOffline(bool offline) override;
    void showUnloggedUnit(const RunOutcome& outcome) override;

    // StationView (TForm1_StationView.cpp)
    void showDevices(const std::vector<std::string>& productStrings) override;
    void showLinkReset() override;
    void showReceiverSelected(bool present, std::uint16_t vendorId, std::uint16_t productId) override;
    void showReceiverConnected() override;
    void showTransmitterLink(bool alive) override;
    void showHotKeyLists(bool zoomKeys) override;
    void showReceiverNotPermitted(const std::string& productString, const std::string& path) override;
    void reportNotReady(bool transmitterMissing, bool receiverMissing) override;
    void showBindingVerdict(bool paired) override;
    void showSettingsNotSaved(const std::string& why) override;
    void showRunRefused(bool numbering, const std::string& why) override;
    void showLineMessage(const std::string& text, bool error) override;
    void startCalibrationProgram() override;
    void closeAfterRun() override;

private slots:
    // Connected by name when the layout is set up (on_<control>_<signal>).
    void on_btnGo_clicked() { btnGoClick(); }
    void on_btnSetTX_clicked() { btnSetTXClick(); }
    void on_btnCombo_Cmd_Soft_Bind_SW_clicked() { btnCombo_Cmd_Soft_Bind_SWClick(); }
    void on_suiButton1_clicked() { suiButton1Click(); }
    void on_suiButton2_clicked() { suiButton2Click(); }
    // The arming boxes follow their state also when the settings load sets it.
    void on_TX_Erased_toggled(bool) { TX_ErasedClick(); }
    void on_RX_Erased_toggled(bool) { RX_ErasedClick(); }
};

} // namespace rfbind::app
