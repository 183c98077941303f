// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <mutex>
#include <optional>

namespace rfbind {

/// The one over-the-air pairing of a gang station: while a slot's receiver has its pairing
/// window open, a transmitter switched to pairing in another slot's box could be heard by it,
/// so only one slot pairs at a time. The slots take turns in the order they asked; everything
/// else the slots do runs at once.
///
/// A slot asks with request() from its own run, polling between its pauses (its thread keeps
/// serving its timers meanwhile), and gives the window up with release() when its pairing has
/// ended, however it ended, or when it stops waiting. Thread-safe. Slots are numbered from 1.
class PairingWindow {
public:
    /// True when `slot` holds the window now (it may pair). Otherwise `slot` is queued, once,
    /// behind the slots that asked before it.
    bool request(int slot);
    /// `slot` gives the window up, or leaves the queue; nothing when it neither holds nor waits.
    void release(int slot);
    /// The slot pairing now, if any.
    std::optional<int> holder() const;
    /// True while `slot` waits for its turn.
    bool waiting(int slot) const;

    /// Holds `slot`'s place until it goes out of scope, whatever ends the pairing.
    class Turn {
    public:
        Turn(PairingWindow* window, int slot) : window_(window), slot_(slot) {}
        ~Turn() {
            if (window_ != nullptr)
                window_->release(slot_);
        }
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

    private:
        PairingWindow* window_;
        int slot_;
    };

private:
    mutable std::mutex mutex_;
    std::optional<int> holder_;
    std::deque<int> queue_;
};

} // namespace rfbind
