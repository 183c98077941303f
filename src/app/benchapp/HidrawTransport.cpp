// SPDX-License-Identifier: MIT
#include "benchapp/HidrawTransport.h"

#include "bench/hidraw/UmockdevPreload.h"
#include "link/HidapiController.h"

#include <cstring>

namespace rfbind::app {

bool HidrawTransport::prepare(int argc, char** argv, std::string& error) {
    bool hidraw = false;
    for (int i = 1; i + 1 < argc; ++i)
        hidraw = hidraw || (std::strcmp(argv[i], "--transport") == 0 &&
                            std::strcmp(argv[i + 1], "hidraw") == 0);
    return !hidraw || bench::ensureUmockdevPreloaded(argv, error);
}

HidrawTransport::HidrawTransport(bench::Bench& bench, const bench::HidrawFaults& faults,
                                 const std::vector<bench::Bench*>& others)
    : emulated_(bench, faults) {
    for (bench::Bench* other : others)
        tooMany_ = !emulated_.addReceiver(*other) || tooMany_;
    // The whole emulated tree exists before the controller opens its udev monitor and
    // enumerates: the receivers' arrivals are not queued for a monitor nobody drains yet.
    controller_ = std::make_unique<HidapiController>();
}

HidrawTransport::~HidrawTransport() = default;

QString HidrawTransport::error() const {
    if (!emulated_.ok())
        return QString::fromStdString(emulated_.error());
    if (tooMany_)
        return QStringLiteral("it emulates at most %1 receivers").arg(kMaxReceivers);
    if (!controller_->hidapiAvailable())
        return QStringLiteral("hidapi cannot be initialised");
    return {};
}

HidDeviceController& HidrawTransport::devices() {
    return *controller_;
}

HidapiController& HidrawTransport::controller() {
    return *controller_;
}

} // namespace rfbind::app
