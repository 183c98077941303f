// SPDX-License-Identifier: MIT
#include "production/BindingWatch.h"

#include "commands/ReceiverOperations.h"

namespace rfbind {

bool BindingWatch::start() {
    const SoftBinding::StartRead read = SoftBinding::readAtStart(link_);
    if (!read.ids) {
        state_ = State::Lost;
        return false;
    }
    prevMouse_ = read.ids->mouseId;
    prevKeyboard_ = read.ids->keyboardId;
    display_.addDebugLine(SoftBinding::startLine(ticks_, *read.ids));
    // The receiver answers the bind command with an echo that says nothing: its outcome shows
    // in the IDs the watch reads.
    link_.setFeature(SoftBinding::bindCommand(read.buffer));
    display_.showBindingWatch(true);
    return true;
}

BindingWatch::State BindingWatch::tick() {
    if (state_ != State::Watching)
        return state_;
    ++ticks_;
    if (link_.ActiveDevice == nullptr || !link_.ActiveDevice->pluggedIn())
        return state_ = State::Lost;

    const SoftBinding::TickRead read = SoftBinding::readTick(link_, ticks_);
    for (const std::string& line : read.debugLines)
        display_.addDebugLine(line);
    if (read.lost)
        return state_ = State::Lost;
    if (read.ids && read.ids->mouseId != prevMouse_)
        mouseMoved_ = true;

    // The receiver confirms its pairing state (pairing or idle) before the IDs are judged. A
    // tick whose queries never confirmed judges no IDs, but still counts toward the time-out:
    // a receiver that never says either would otherwise keep the watch going for ever.
    bool confirmed = false;
    for (int query = 1; query <= SoftBinding::kStatusQueries && !confirmed; ++query) {
        if (const auto answer = ReceiverOperations(link_).statusQuery(4)) {
            display_.showStatusAnswer(4, answer->data());
            lastStatus_ = (*answer)[1];
        }
        // The tenth query's answer is not looked at: the tick has waited long enough.
        confirmed = query < SoftBinding::kStatusQueries &&
                    (lastStatus_ == SoftBinding::kPairingStatus || lastStatus_ == SoftBinding::kIdleStatus);
    }
    const std::optional<SoftBinding::Ids> judged = confirmed ? read.ids : std::nullopt;

    const SoftBinding::Verdict verdict =
        SoftBinding::judge(fromRun_, prevMouse_, prevKeyboard_, judged, ticks_);
    if (verdict == SoftBinding::Verdict::Watching)
        return state_;
    if (judged && verdict != SoftBinding::Verdict::TimedOut) {
        prevMouse_ = judged->mouseId;
        prevKeyboard_ = judged->keyboardId;
    }
    display_.showBindingWatch(false);
    // A tick after a sixteenth one that ended early saw nothing pair: it ends as a time-out
    // that shows no box.
    return state_ = verdict == SoftBinding::Verdict::Paired ? State::Paired : State::TimedOut;
}

} // namespace rfbind
