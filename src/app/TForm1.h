// SPDX-License-Identifier: MIT
#pragma once

#include "StationServices.h"
#include "link/HidDevice.h"
#include "link/ReceiverIdTable.h"
#include "link/ReceiverLink.h"
#include "numbering/TProdRFID.h"
#include "numbering/TProdSN.h"
#include "production/BindingWatch.h"
#include "production/NumberSource.h"
#include "production/RadioIdPair.h"
#include "production/RunDisplay.h"
#include "production/RunHost.h"
#include "production/RunOutcome.h"
#include "production/TransmitterLinkTest.h"
#include "production/UnitRecipe.h"
#include "production/UnitRecords.h"
#include "settings/Lang.h"
#include "settings/StationSettings.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QColor;
class QComboBox;
class QLabel;
class QTimer;

namespace rfbind {
class ProductionRun;
}

namespace rfbind::options {
enum class TransmitterOption;
}

namespace Ui {
class TForm1;
}

namespace rfbind::app {

class TForm2;
class THexEdit;

/// The station's main window. It owns all station state; the controls are the store of
/// settings and results, and its handlers are glue between the controls and the core.
/// Handlers are grouped by concern into TForm1_*.cpp files. The runs themselves live in the
/// core (ProductionRun): the window hands them a recipe read from its controls, shows what
/// they report (RunDisplay) and lends them what it owns (RunHost).
class TForm1 : public QWidget, private RunDisplay, private RunHost {
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
    std::int32_t TempID = 0;
    /// Set while the window is being created: the settings writer does nothing meanwhile.
    bool FormCreating = false;
    /// 2 while settings load (and at start-up), 0 idle, 1 during the programming run.
    std::uint8_t RunMode = 2;
    /// Set only while the programming run binds a keyboard.
    bool BindFromRun = false;
    /// Base height from which the visible height is computed (the numbering panels change it).
    int windowHeight = 740;
    static constexpr int kWindowWidth = 900;

    TForm2* languageDialog() const { return form2_; }
    StationServices& services() { return services_; }

    // ---- device link (TForm1_Link.cpp) -------------------------------------------------
    ReceiverLink link;
    /// The device list: the objects behind the entries of DevListBox, owned until the next
    /// device change. link.ActiveDevice points into it.
    std::vector<std::unique_ptr<HidDevice>> deviceList;
    ReceiverIdTable receiverIdTable{};
    bool ZoomKeysAvailable = false;
    std::uint16_t ReceiverVersion = 0;
    int PrevMouseId = 0;
    int PrevKeyboardId = 0;
    bool LinkPollingSuspended = false;

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
    /// 500 ms, transmitter-link polling; created disabled.
    QTimer* tmrIsTxLink = nullptr;
    /// 1000 ms, binding watch; created disabled.
    QTimer* tmrSoftBind = nullptr;

    // ---- interface language (TForm1_Language.cpp) --------------------------------------
    TLanguateKind CurrentLanguage = lkEng;
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
    int DefaultCustKey1 = 7;
    int DefaultCustKey2 = 8;

    /// Saves all settings to TX.ini (TForm1_Settings.cpp); the option handlers call it.
    void btnWriteSettingClick();

    // ---- settings file (TForm1_Settings.cpp) -------------------------------------------
    /// The four numbering generators; never null. Every settings load replaces them.
    std::unique_ptr<TProdSN> RxSN = std::make_unique<TProdSN>();
    std::unique_ptr<TProdSN> TxSN = std::make_unique<TProdSN>();
    std::unique_ptr<TProdRFID> RxRFID = std::make_unique<TProdRFID>();
    std::unique_ptr<TProdRFID> TxRFID = std::make_unique<TProdRFID>();
    /// Shown by no control: read from the settings file and written back unchanged.
    std::int32_t Delay = 0;
    /// Reads TX.ini in the working folder into the option controls, entries 7..20 of
    /// receiverIdTable and four new generators; RunMode is 2 meanwhile and 0 afterwards.
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
    /// Ticks of tmrSoftBind since the binding started.
    int BindTicks = 0;
    /// Set TX: the programming run on the selected receiver and the transmitter linked to it.
    void btnSetTXClick();
    /// The last programming run passed.
    bool UnitPassed = false;
    /// The transmitter's sensor class (0x91 or 0x9D), read by the first run that reaches it.
    std::int32_t SensorCode = 0;
    /// Go: one station cycle (select, check, program, release).
    void btnGoClick();
    /// Erase RX and Erase TX, each armed by its check box (RX_Erased, TX_Erased).
    void suiButton1Click();
    void suiButton2Click();
    void TX_ErasedClick();
    void RX_ErasedClick();
    /// True while one of the runs works.
    bool runActive() const { return runActive_; }
    /// How the last run (Go, Set TX or an erase) ended; nothing before the first.
    const std::optional<RunOutcome>& lastOutcome() const { return lastOutcome_; }
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
    void warnIfNotPermitted(HidDevice& device);
    /// Counts device-list rebuilds, so a receiver search notices one under its feet.
    std::uint64_t deviceListGeneration_ = 0;
    /// Receivers (by device path) already reported as not permitted since they were plugged in.
    std::set<std::string> permissionWarned_;

    // ---- the line (TForm1_Line.cpp) ----------------------------------------------------------
    /// Reads Line.ini (or the line given on the command line) at start-up. A line that cannot
    /// be used is said at once, and every Go is refused with the reason until the station is
    /// restarted: it never numbers locally instead.
    void openLine();
    /// The line the runs number from; null for a station on its own.
    std::unique_ptr<NumberSource> line_;
    /// This station's name in the journal: the line's, or the host name.
    std::string stationName_;
    /// The window title without the line's state.
    QString baseTitle_;

    StationServices& services_;
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
    void reportSaveFailure(const QString& why);
    /// True when the numbering a run advances can be stored; otherwise tells the operator why
    /// and no run starts.
    bool numberingStorable();
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
    /// The last save failed and the operator was told; the next failure is reported only
    /// after a save has succeeded in between.
    bool lastSaveFailed_ = false;
    /// Double-clicks on the logo made while locked; never reset.
    std::int32_t logoDoubleClicks_ = 0;

    // ---- production runs ------------------------------------------------------------------
    enum class BindOutcome { None, Watching, Paired, TimedOut, Lost };
    void startBinding();
    void showResult(const QString& text, const QColor& colour);
    /// Takes the station for a run (false: another run holds it) and hands it back idle.
    ProductionRun productionRun();
    void restoreAfterRun();
    /// Runs `action` now when no run works, or queues it until the run has ended.
    void whenIdle(std::function<void()> action);
    std::vector<std::function<void()>> afterRun_;
    void tellAboutUnit(const RunOutcome& outcome);
    void clearStationDisplay();
    void startCalibrationProgram();
    RunHost::Receiver selectedReceiver() const;
    /// Set while a run holds the station (RunGuard).
    bool runActive_ = false;
    /// The operator closed the window while a run worked: it ends at its next step, then the
    /// window closes.
    bool closeRequested_ = false;
    /// An option was changed while a run worked: stored once the run has ended.
    bool settingsChangedDuringRun_ = false;
    BindOutcome bindOutcome_ = BindOutcome::None;
    /// Keeps the last link counter the receiver answered between tests.
    TransmitterLinkTest linkTest_{link, static_cast<RunDisplay&>(*this)};
    /// The operator's binding (Connect) while its watch runs.
    std::optional<BindingWatch> bindingWatch_;
    std::optional<RunOutcome> lastOutcome_;
    /// The reason of the FAIL on show, kept as its message and detail so that a language
    /// switch draws it anew; empty when no reason shows.
    struct ShownReason {
        int messageId = -1;
        std::string detail;
        std::string cause;
    };
    std::optional<ShownReason> shownReason_;
    QLabel* lblFailReason_ = nullptr;
    /// The hot-key lists hold the zoom keys (they keep them until the next start once a zoom
    /// receiver was found, and get them at start-up when a zoom key is stored).
    bool hotKeyListsZoom_ = false;
    void fillHotKeyLists(bool zoomKeys);
    /// The last pairing-status byte (status 4) the receiver gave, as its field shows it: the
    /// binding watches wait on it, and it outlives each of them.
    int bindingStatus_ = -1;
    /// A binding watch shows "&Connecting" (the operator's, or the run's keyboard binding).
    bool bindingWatchShown_ = false;
    /// The run's own emptying of the USB ID fields: their change handler saves nothing.
    bool runClearsUsbIds_ = false;
    /// The day's production log and attempts journal, below the working folder.
    std::unique_ptr<UnitRecords> records_;
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

    // RunHost (TForm1_RunDisplay.cpp)
    Receiver findReceiver() override;
    bool receiverReady() override;
    bool checkTransmitterLink() override { return CheckTransmitterLink(); }
    void stopLinkPolling() override;
    void suspendLinkPolling() override { LinkPollingSuspended = true; }
    void resetLinkStatus() override { ResetLinkStatus(); }
    void releaseReceiver() override;
    void reportNotReady(bool transmitterMissing, bool receiverMissing) override;
    bool saveNumbering(std::string& why) override;
    void noteBoundIds(int mouseId, int keyboardId) override;
    void startCalibration() override { startCalibrationProgram(); }
    bool cancelled() override { return closeRequested_; }

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
