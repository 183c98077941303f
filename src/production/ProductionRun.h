// SPDX-License-Identifier: MIT
#pragma once

#include "link/ReceiverLink.h"
#include "production/GeneratorNumbers.h"
#include "production/NumberSource.h"
#include "production/NumberingGenerators.h"
#include "production/PlanExecutor.h"
#include "production/RunDisplay.h"
#include "production/RunHost.h"
#include "production/RunOutcome.h"
#include "production/UnitPlan.h"
#include "production/UnitRecipe.h"
#include "production/UnitRecords.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rfbind {

/// The station's runs, step by step over the receiver link: the programming run (Set TX),
/// the Go cycle around it, the keyboard binding inside it, and the two erase runs.
///
/// A run takes its recipe once, checks it before the first frame, shows its progress through
/// the RunDisplay, asks the RunHost for what the window owns (receiver search, link tests,
/// settings file), and ends in a RunOutcome that says PASS or FAIL, which step failed and
/// why, and the numbers the unit was given. On PASS the numbering advances, is stored, and
/// the unit goes into the production log, in that order: a crash in between leaves a gap in
/// the numbering, never a number handed out twice. Every unit attempt (PASS or FAIL) adds a
/// line to the attempts journal.
///
/// Everything happens on the user-interface thread; the runs let window messages run through
/// the link's clock, so the host may see clicks and device changes in the middle of a run.
/// The referenced objects must outlive the run object. Nothing throws.
class ProductionRun {
public:
    /// The four numbering generators the runs draw from and advance.
    using Numbering = NumberingGenerators;

    /// `sensorCode`: the transmitter sensor class, read by the first run that reaches it and
    /// kept by the caller for later runs. `bindingStatus`: the last pairing-status byte the
    /// receiver gave (status 4), kept by the caller across bindings. `records`: the station's
    /// production log and attempts journal. `numbers`: the line a station numbers from and
    /// sends its attempts to; nothing for a station on its own (its generators alone).
    ProductionRun(ReceiverLink& link, RunDisplay& display, RunHost& host, Numbering numbering,
                  std::int32_t& sensorCode, int& bindingStatus, UnitRecords& records,
                  NumberSource* numbers = nullptr);

    /// Set TX: programs the receiver the host selected last (`receiver` says which) and the
    /// transmitter linked to it.
    RunOutcome program(const UnitRecipe& recipe, const RunHost::Receiver& receiver);

    /// Go: selects the receiver, checks both devices, programs the unit, shows the duration,
    /// starts the calibration program after a PASS when the recipe says so, and releases the
    /// receiver.
    RunOutcome go(const UnitRecipe& recipe);

    /// Erase TX / Erase RX: every transmitter byte to 0x00 / every receiver word to 0x0000.
    RunOutcome eraseTransmitter();
    RunOutcome eraseReceiver();

    /// The generators' state is read in the middle of a run: the caller must not replace them
    /// while one works.
    Numbering numbering() const { return numbering_; }

private:
    // One unit: the plan, the final link check, the keyboard binding and the ending.
    RunOutcome programUnit(const UnitRecipe& recipe, const RunHost::Receiver& receiver);
    bool programSteps(const UnitRecipe& recipe, const RunHost::Receiver& receiver,
                      UnitNumbers& unit, RunOutcome& out);
    bool finalLink(const UnitRecipe& recipe, RunOutcome& out);
    /// Waits for this slot's turn at the pairing window (at once on a station of one slot);
    /// false, with the failure in `out`, when the run was cancelled or the receiver left.
    bool awaitPairingTurn(RunOutcome& out);
    /// How many of the words that hold the keyboard's ID show a paired keyboard.
    int pairedKeyboardWords();
    bool bindKeyboard(RunOutcome& out);
    void finish(const UnitRecipe& recipe, RunOutcome& out, const UnitNumbers* unit);
    void advanceNumbering(const UnitNumbers& unit);
    void journal(const RunOutcome& out, const UnitRecipe* recipe, std::int64_t startedAtMs,
                 std::uint32_t durationMs);

    /// Ends the run at `step`, taking the reason from what went wrong since the last check.
    bool fail(RunOutcome& out, const char* step, FailReason fallback, std::string detail = {});
    /// From here on only this attempt's failures explain it.
    void startWatching();
    bool receiverGone() const;

    // Erase runs.
    RunOutcome erase(bool transmitter);

    ReceiverLink& link_;
    RunDisplay& display_;
    RunHost& host_;
    Numbering numbering_;
    std::int32_t& sensorCode_;
    int& bindingStatus_;
    UnitRecords& records_;
    GeneratorNumbers ownNumbers_;
    NumberSource& numbers_;
    /// The pool of the unit in hand, for its journal line; empty before its numbers are out.
    std::optional<std::string> unitPool_;
    /// A failure the plan left after its last check (the receiver's reload), which explains
    /// a binding that fails later.
    std::optional<PlanExecutor::Failure> carried_;
};

} // namespace rfbind
