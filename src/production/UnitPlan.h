// SPDX-License-Identifier: MIT
#pragma once

#include "production/RadioIdPair.h"
#include "production/RunOutcome.h"
#include "production/RunSteps.h"
#include "production/UnitRecipe.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rfbind {

/// One step of programming a unit: a write, a command, a pause or what the window shows, in
/// the order the unit gets them. Steps are plain values; PlanExecutor carries them out.
struct UnitStep {
    enum class Op : std::uint8_t {
        // The transmitter, through the receiver's radio link.
        EnterAccess,       ///< access mode on (without LED)
        LeaveAccess,       ///< access mode off
        TxEeprom,          ///< verified byte write: `address`, `value`; shown on the EEPROM page
        TxRadioChip,       ///< radio-chip register write `address` := `value`
        TxCommandRegister, ///< direct-register write `address` := `value` (the fast reload)
        TxCpi,             ///< resolution level `value`; the level is shown first
        ReadSensor,        ///< the sensor class, read once per program start (answer kept)
        WaitForTransmitter, ///< link tests until the transmitter answers (shared budget)
        // The receiver.
        RxWord,            ///< verified word write: `address`, `value`
        RxByte,            ///< `value` as a complement word, shown first; none without a receiver
        RxRadioChip,       ///< radio-chip register write `address` := `value`, read back and shown
        RxBatteryLevel,    ///< level code `value` into the stored byte (read, then written)
        RxProductString,   ///< length word and characters of `text`; none without a receiver
        RxUpdateCustKey,   ///< the receiver applies its hot-key words
        RxReload,          ///< the receiver reloads its parameters
        RadioSetting,      ///< the receiver report `report`, unanswered by design
        // The run itself.
        Pause,             ///< `pauseMs` and nothing else
        Pump,              ///< window messages run (the operator may act)
        Progress,          ///< the progress bar shows `value`
        ShowTxSerial,      ///< the transmitter serial number field shows `text`
        ShowRxSerial,      ///< the receiver serial number field shows `text`
        ShowRadioId,       ///< the radio ID field shows `text`
        DebugLine,         ///< the debug list gets `text`
        ClearUsbIds,       ///< the USB ID fields are emptied
        ForgetFailures,    ///< failures so far do not count (the words are written again later)
        Check,             ///< ends the run as step `stage` when anything since the last check
                           ///< failed or the station closes
    };

    Op op = Op::Pause;
    int address = 0;
    int value = 0;
    /// Pause after the step, in ms.
    int pauseMs = 0;
    /// Window messages run after the step.
    bool pumpAfter = false;
    /// Part of a series that stops at its first failure: skipped once a step since the last
    /// check failed (the run goes on to the step after the series).
    bool untilFailure = false;
    std::string text;
    runsteps::ReportBytes report{};
    /// A write: the reason its failure gives (TX or RX EEPROM write), at `reasonAddress`.
    /// A check: the reason the stage gives when no write says more.
    FailReason reason = FailReason::None;
    int reasonAddress = 0;
    /// A check: the failed step as the outcome and the attempts journal name it.
    std::string stage;

    friend bool operator==(const UnitStep&, const UnitStep&) = default;
};

using UnitPlan = std::vector<UnitStep>;

/// A serial number as the unit gets it: the text always shown, the bytes only when the
/// generator hands out serial numbers.
struct UnitSerial {
    std::string text;
    std::optional<std::array<std::uint8_t, 6>> bytes;
};

/// The plan of one unit, in two pieces around the radio-ID draw: the IDs are drawn only by a
/// unit that reached them, whatever its result, so a unit that fails earlier leaves the
/// generators (and the line's claims) as they were.
namespace unitplan {

/// Radio power down, the three link waits, the sensor read (when `sensorCode` is 0, none
/// read yet), the transmitter options and the transmitter serial number.
UnitPlan beforeRadioIds(const UnitRecipe& recipe, std::uint16_t receiverVersion,
                        std::int32_t sensorCode, const UnitSerial& txSerial);

/// Both radio IDs, the receiver's options, identity and serial number, up to the reload
/// before the operator moves the mouse. `sensorCode`: the class the first piece read (or an
/// earlier unit did).
UnitPlan fromRadioIds(const UnitRecipe& recipe, const RadioIdPair& ids, const UnitSerial& rxSerial,
                      std::int32_t sensorCode);

/// After a passed unit: both radio chips back to full power.
UnitPlan fullPower();

/// One erased address: transmitter byte or receiver word `address` := 0.
UnitStep erase(bool transmitter, int address);

} // namespace unitplan

} // namespace rfbind
