// SPDX-License-Identifier: MIT
#pragma once

#include "bench/Bench.h"
#include "bench/BenchController.h"
#include "bench/FirmwareFrames.h"
#include "link/ReceiverLink.h"
#include "support/RecordingClock.h"

#include <memory>
#include <vector>

namespace rfbind::test {

/// The bench as the station sees it: a recording clock, the controller with a hand-run post
/// queue, and a ReceiverLink whose ActiveDevice is the bench's receiver.
struct BenchRig {
    explicit BenchRig(bench::BenchOptions options = {}) : bench(clock, std::move(options)) {
        controller.setDeviceChangeHandler([this] { ++deviceChanges; });
        connect();
    }

    /// Takes every device the controller hands out and points the link at the receiver.
    void connect() {
        link.ActiveDevice = nullptr;
        devices.clear();
        while (auto d = controller.checkOut())
            devices.push_back(std::move(d));
        for (auto& d : devices)
            if (d->caps().usage == 2)
                link.ActiveDevice = d.get();
    }

    /// A new unit is a new receiver on the bus: take it as the station would after the event.
    void freshUnit(std::uint32_t seed) {
        bench.freshUnit(seed);
        runPosted();
        connect();
    }

    /// What the event loop does with the posted tasks.
    void runPosted() {
        auto tasks = std::move(posted);
        posted.clear();
        for (auto& t : tasks)
            t();
    }

    /// One exchange as the station's own handlers do it; nullopt when a transfer failed.
    std::optional<Frame> exchange(const Frame& request) {
        Frame buffer = request;
        if (!link.setFeature(buffer) || !link.getFeature(buffer))
            return std::nullopt;
        return buffer;
    }
    /// Status query 1, answer position 1 (the mouse link counter); -1 when unanswered.
    int mouseCounter() {
        auto a = exchange(frame::receiver(0x14, 0xFF, 0xAA, 0x01));
        return a && frame::acknowledged(*a) ? (*a)[1] : -1;
    }
    /// Status query 4, answer position 1 (0x33 window open, 0xBB closed); -1 when unanswered.
    int bindingStatus() {
        auto a = exchange(frame::receiver(0x14, 0xFF, 0xAA, 0x04));
        return a && frame::acknowledged(*a) ? (*a)[1] : -1;
    }
    void openPairingWindow() { exchange(frame::receiver(0x08, 0x00, 0x01)); }
    void reloadReceiver() { link.SendReport(0x0F, 0xCC, 0x33, 0x55); }

    RecordingClock clock;
    bench::Bench bench;
    std::vector<bench::BenchController::Task> posted;
    bench::BenchController controller{bench,
                                      [this](bench::BenchController::Task t) {
                                          posted.push_back(std::move(t));
                                      }};
    std::vector<std::unique_ptr<HidDevice>> devices;
    ReceiverLink link{clock};
    int deviceChanges = 0;
};

} // namespace rfbind::test
