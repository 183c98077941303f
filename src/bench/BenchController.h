// SPDX-License-Identifier: MIT
#pragma once

#include "link/HidDeviceController.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace rfbind::bench {

class Bench;

/// The HID device controller of the bench: hands the bench's devices to the station through
/// the same interface as the real backend (hand-out model in HidDeviceController).
///
/// Present devices, in list order: the unrelated keyboard, then the receiver while it is
/// plugged in. Each plug-in is a new device; objects of an unplugged receiver fail every
/// transfer and report pluggedIn() false.
///
/// Device changes: when the bench plugs or unplugs the receiver (an operator action, or the
/// unplug fault noticed inside a transfer), the controller never raises the event there; it
/// hands a task to `post`, which must run it later on the user-interface thread (the program
/// queues it into the event loop; tests keep a queue and run it by hand). The task raises the
/// event when the device set differs from the one last announced, so a burst of changes
/// gives one event. rescan() raises it directly. As with the real backend, no event is raised
/// at construction: the station's start-up calls rescan(true).
///
/// The bench must outlive the controller; handed-out devices may outlive the controller but
/// not the bench. Tasks posted by a destroyed controller do nothing.
class BenchController : public HidDeviceController {
public:
    using Task = std::function<void()>;
    using PostFunction = std::function<void(Task)>;

    BenchController(Bench& bench, PostFunction post);
    ~BenchController() override;
    BenchController(const BenchController&) = delete;
    BenchController& operator=(const BenchController&) = delete;

    std::unique_ptr<HidDevice> checkOut() override;
    void rescan(bool forceEvent) override;

private:
    /// The set the station last heard of: the keyboard is always there, so the receiver's
    /// generation (0 while unplugged) tells it all.
    std::uint64_t currentSet() const;
    void announce(bool force);

    Bench& bench_;
    PostFunction post_;
    int listenerId_ = 0;
    std::uint64_t announced_ = 0;
    std::shared_ptr<bool> keyboardOut_;
    std::shared_ptr<bool> receiverOut_;
    std::uint64_t receiverOutGeneration_ = 0;
    std::shared_ptr<char> alive_;
};

} // namespace rfbind::bench
