// SPDX-License-Identifier: MIT
#pragma once

#include "bench/hidraw/HidrawBench.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace rfbind {
class HidDeviceController;
class HidapiController;
} // namespace rfbind

namespace rfbind::app {

/// `rfbind-bench --transport hidraw`: the bench's devices as emulated hidraw nodes, and the
/// station on its real Linux device controller (hidapi's hidraw backend, udev monitor) instead
/// of the in-process bench controller.
class HidrawTransport {
public:
    /// To be called first in main(), before the application object exists: when the arguments
    /// ask for the hidraw transport, makes sure umockdev's preload library is loaded, by
    /// re-executing the program under it (LD_PRELOAD) if need be. False with a reason when
    /// that failed.
    static bool prepare(int argc, char** argv, std::string& error);

    /// Builds the emulated devices, the receiver of `bench` and those of `others` (a gang
    /// bench's other boxes, each a node of its own on its bench's port), then the station's
    /// controller over them. The benches must outlive the transport.
    HidrawTransport(bench::Bench& bench, const bench::HidrawFaults& faults,
                    const std::vector<bench::Bench*>& others = {});
    ~HidrawTransport();
    HidrawTransport(const HidrawTransport&) = delete;
    HidrawTransport& operator=(const HidrawTransport&) = delete;

    /// The most receivers the emulated bus holds (a gang bench's boxes).
    static constexpr int kMaxReceivers = bench::HidrawBench::kMaxReceivers;

    /// Empty when the transport works; otherwise why not.
    QString error() const;

    /// The controller the station window is given.
    HidDeviceController& devices();
    /// The same controller, for the hot-plug watch the program sets up once the station
    /// exists (its events are taken on the station's thread).
    HidapiController& controller();

private:
    bench::HidrawBench emulated_;
    std::unique_ptr<HidapiController> controller_;
    bool tooMany_ = false;
};

} // namespace rfbind::app
