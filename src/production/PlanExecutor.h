// SPDX-License-Identifier: MIT
#pragma once

#include "link/ReceiverLink.h"
#include "production/RunDisplay.h"
#include "production/RunHost.h"
#include "production/RunOutcome.h"
#include "production/UnitPlan.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rfbind {

/// Carries out a unit's plan over the receiver link, step by step, through the command
/// objects, and shows what each step wrote. It stops at the first check that finds a failed
/// step since the one before (or a station that is closing) and puts the reason together
/// from the failure itself: the step that failed, its address, and what the link said.
///
/// One executor serves one unit (the three link waits share its budget). The referenced
/// objects must outlive it. Nothing throws.
class PlanExecutor {
public:
    /// The first step that failed since the last check.
    struct Failure {
        /// What the step's failure gives (TX or RX EEPROM write), or none: a command whose
        /// failure the stage explains.
        FailReason reason = FailReason::None;
        int address = 0;
        /// What the link said; Kind::None when the step failed without a transfer failing
        /// (a transmitter that never answered within the link tests).
        LinkFailure link;
    };

    /// `sensorCode` is the caller's: a read answered during the plan is kept there.
    PlanExecutor(ReceiverLink& link, RunDisplay& display, RunHost& host, std::int32_t& sensorCode)
        : link_(link), display_(display), host_(host), sensorCode_(sensorCode) {}

    /// Runs `plan` in order. False when a check ended it: `out` then holds the failed step,
    /// the reason, its detail and cause, and nothing after the check was done.
    bool run(const UnitPlan& plan, RunOutcome& out);

    /// One step outside a plan's order (the erase runs); a failure is kept as pending().
    void perform(const UnitStep& step);

    /// The failure since the last check, if any; a plan that ends without a check leaves the
    /// failures of its last steps here.
    const std::optional<Failure>& pending() const { return pending_; }

    /// Ends `out` as failed at `stage`, judged by judgeFailure() from the pending failure.
    void judge(RunOutcome& out, const std::string& stage, FailReason fallback);

    /// Why a run ended at `stage`, judged from the outside in: a closing station or a pulled
    /// receiver explains any failed step; a TX or RX EEPROM stage takes its reason from the
    /// write that failed first (`first`; a failed command there: the receiver did not answer);
    /// any other stage gives `fallback` with `detail`, and a device that does not answer says
    /// what the link said about `first`, else about its last transfer.
    static void judgeFailure(RunOutcome& out, const std::string& stage, FailReason fallback,
                             std::string detail, bool cancelled, bool receiverGone,
                             const std::optional<Failure>& first, const LinkFailure& lastTransfer);

private:
    void performOnTransmitter(const UnitStep& step);
    void performOnReceiver(const UnitStep& step);
    void performOnDisplay(const UnitStep& step);
    bool waitForTransmitter();
    void readSensor();
    void note(const UnitStep& step, LinkFailure failure);
    bool receiverGone() const;

    ReceiverLink& link_;
    RunDisplay& display_;
    RunHost& host_;
    std::int32_t& sensorCode_;
    std::optional<Failure> pending_;
    /// Negative link tests so far; the waits give up together at runsteps::kLinkWaitFailures.
    int linkFailures_ = 0;
};

} // namespace rfbind
