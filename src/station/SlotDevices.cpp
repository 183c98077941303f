// SPDX-License-Identifier: MIT
#include "station/SlotDevices.h"

#include "commands/ReceiverSelection.h"

namespace rfbind {

SlotDevices::SlotDevices(HidDeviceController& inner, SlotAssignment& assignment, int slot)
    : inner_(inner), assignment_(assignment), slot_(slot) {
    inner_.setDeviceChangeHandler([this] {
        // The controller may announce on another thread than the station's: what this slot
        // holds belongs to the old device set, and is let go at the next hand-out.
        stale_ = true;
        raiseDeviceChange();
    });
}

SlotDevices::~SlotDevices() {
    inner_.setDeviceChangeHandler({});
}

void SlotDevices::startRound() {
    // Devices held back last round go back to the controller first, so it hands them out
    // again with the rest.
    others_.clear();
    std::vector<std::unique_ptr<HidDevice>> all;
    for (auto d = inner_.checkOut(); d; d = inner_.checkOut())
        all.push_back(std::move(d));
    std::vector<std::string> receiverPorts;
    for (const auto& d : all)
        if (selection::capabilitiesFit(d->caps()))
            receiverPorts.push_back(d->portPath());
    assignment_.offer(std::move(receiverPorts));
    for (auto& d : all) {
        if (!selection::capabilitiesFit(d->caps()) || assignment_.slotOf(d->portPath()) == slot_)
            mine_.push_back(std::move(d));
        else
            others_.push_back(std::move(d));
    }
    inRound_ = true;
}

std::unique_ptr<HidDevice> SlotDevices::checkOut() {
    if (stale_.exchange(false)) {
        mine_.clear();
        inRound_ = false;
    }
    if (!inRound_)
        startRound();
    if (mine_.empty()) {
        inRound_ = false;
        return nullptr;
    }
    std::unique_ptr<HidDevice> d = std::move(mine_.front());
    mine_.pop_front();
    return d;
}

void SlotDevices::rescan(bool forceEvent) {
    inner_.rescan(forceEvent);
}

} // namespace rfbind
