// SPDX-License-Identifier: MIT
#pragma once

#include "link/ReceiverLink.h"
#include "production/RunDisplay.h"
#include "production/SoftBinding.h"

#include <optional>

namespace rfbind {

/// One binding from the PC, for the Connect button and for the programming run's keyboard:
/// the start (stable IDs, bind command) and the once-a-second watch for changed IDs. The caller
/// selects the receiver first and calls tick() once a second (a timer, or the run's poll).
///
/// A binding by the operator succeeds on any changed ID; one by the run only on a changed
/// keyboard ID, so a mouse that pairs in the keyboard's place does not count (and is told by
/// mousePairedInstead()). Failure contract: nothing throws; a receiver that stops answering
/// ends the watch as Lost.
class BindingWatch {
public:
    enum class State { Watching, Paired, TimedOut, Lost };

    /// `lastStatus`: the station's record of the last pairing-status byte (status 4, byte 1) as
    /// its field shows it; it outlives the watch, since the receiver's last answer still
    /// stands when the next binding asks and gets no answer.
    BindingWatch(ReceiverLink& link, RunDisplay& display, bool fromRun, int& lastStatus)
        : link_(link), display_(display), fromRun_(fromRun), lastStatus_(lastStatus) {}

    /// Reads the IDs until two answers agree, notes them and sends the bind command. False
    /// (state Lost) when the receiver gives no stable answer.
    bool start();

    /// One tick: reads the IDs, waits for the receiver's pairing status and judges. Returns
    /// the state after the tick; once it is not Watching, further ticks change nothing. Every
    /// tick counts toward the time-out, also one whose status queries never confirmed: a
    /// receiver that never answers them ends the watch as TimedOut on the sixteenth tick.
    State tick();

    State state() const { return state_; }
    int ticks() const { return ticks_; }
    /// The IDs the receiver reported last at a verdict (or at the start).
    int mouseId() const { return prevMouse_; }
    int keyboardId() const { return prevKeyboard_; }
    /// The mouse's ID changed during the watch: a mouse paired while a keyboard was awaited.
    bool mousePairedInstead() const { return mouseMoved_; }

private:
    ReceiverLink& link_;
    RunDisplay& display_;
    bool fromRun_;
    State state_ = State::Watching;
    int ticks_ = 0;
    int prevMouse_ = 0;
    int prevKeyboard_ = 0;
    bool mouseMoved_ = false;
    /// The pairing-status byte as its field shows it: an unanswered query keeps the last one.
    int& lastStatus_;
};

} // namespace rfbind
