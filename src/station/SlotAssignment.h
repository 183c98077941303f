// SPDX-License-Identifier: MIT
#pragma once

#include "settings/StationSlots.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace rfbind {

/// Which receiver each slot of a gang station works, by the USB port it is plugged into.
///
/// A slot Station.ini gives a port takes only the receiver on that port. The others take the
/// receivers on ports no slot has, in port order, as they are first seen, and keep their port
/// for as long as the station runs: a receiver unplugged and plugged into the same port again
/// returns to its slot, and a receiver on another port never takes a slot's place behind its
/// back. Receivers beyond the slots are left alone.
///
/// Thread-safe: each slot's station asks from its own thread.
class SlotAssignment {
public:
    explicit SlotAssignment(const StationSlots& slots);

    /// Receivers on `ports` are present now (in any order; repeats and empty ports ignored):
    /// each slot still without a port takes the first of them no slot has, in port order.
    void offer(std::vector<std::string> ports);

    /// The slot (1-based) a receiver on `port` belongs to; 0 when none does.
    int slotOf(std::string_view port) const;

    /// The port slot `slot` works; empty while it has none.
    std::string portOf(int slot) const;

    int count() const { return static_cast<int>(ports_.size()); }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> ports_;
};

} // namespace rfbind
