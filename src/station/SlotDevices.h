// SPDX-License-Identifier: MIT
#pragma once

#include "link/HidDeviceController.h"
#include "station/SlotAssignment.h"

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

namespace rfbind {

/// The devices one slot of a gang station sees: every device of its own controller except
/// the receivers that belong to another slot (or to none), so the slot's Station finds its
/// own receiver exactly as a station on its own finds its only one.
///
/// Each slot has its own controller over the same bus (its own device objects and file
/// handles) and its own SlotDevices; the assignment is shared. A receiver is a device whose
/// capabilities fit the station's receivers; its port decides its slot (SlotAssignment).
/// Devices of other slots are kept checked out of the inner controller until the next round
/// of hand-outs, so they are never handed to this slot's station. Called on the slot
/// station's thread only, but `inner` may announce a device change on any thread; `inner`
/// and `assignment` must outlive it.
class SlotDevices final : public HidDeviceController {
public:
    SlotDevices(HidDeviceController& inner, SlotAssignment& assignment, int slot);
    ~SlotDevices() override;
    SlotDevices(const SlotDevices&) = delete;
    SlotDevices& operator=(const SlotDevices&) = delete;

    /// The next device this slot may use. A round of hand-outs ends with nullptr; the next
    /// call starts a new round over the devices present then.
    std::unique_ptr<HidDevice> checkOut() override;
    void rescan(bool forceEvent) override;

private:
    void startRound();

    HidDeviceController& inner_;
    SlotAssignment& assignment_;
    int slot_;
    bool inRound_ = false;
    std::atomic<bool> stale_ = false;
    std::deque<std::unique_ptr<HidDevice>> mine_;
    std::vector<std::unique_ptr<HidDevice>> others_;
};

} // namespace rfbind
