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

    // The receiver confirms its pairing state (pairing or idle) before the IDs are judged.
    for (int query = 1;; ++query) {
        if (const auto answer = ReceiverOperations(link_).statusQuery(4)) {
            display_.showStatusAnswer(4, answer->data());
            lastStatus_ = (*answer)[1];
        }
        if (query == SoftBinding::kStatusQueries)
            return state_;
        if (lastStatus_ == SoftBinding::kPairingStatus || lastStatus_ == SoftBinding::kIdleStatus)
            break;
    }

    const SoftBinding::Verdict verdict =
        SoftBinding::judge(fromRun_, prevMouse_, prevKeyboard_, read.ids, ticks_);
    if (verdict == SoftBinding::Verdict::Watching)
        return state_;
    if (read.ids && verdict != SoftBinding::Verdict::TimedOut) {
        prevMouse_ = read.ids->mouseId;
        prevKeyboard_ = read.ids->keyboardId;
    }
    display_.showBindingWatch(false);
    // A tick after a sixteenth one that ended early saw nothing pair: it ends as a time-out
    // that shows no box.
    return state_ = verdict == SoftBinding::Verdict::Paired ? State::Paired : State::TimedOut;
}

} // namespace rfbind
