// SPDX-License-Identifier: MIT
#include "bench/BenchHidDevice.h"

#include "bench/Bench.h"

namespace rfbind::bench {

BenchHidDevice::BenchHidDevice(Bench& bench, BenchEndpoint endpoint, std::uint64_t generation,
                               std::shared_ptr<bool> handedOut)
    : bench_(bench), endpoint_(endpoint), generation_(generation),
      handedOut_(std::move(handedOut)), identity_(bench.identity(endpoint)) {}

BenchHidDevice::~BenchHidDevice() {
    if (handedOut_)
        *handedOut_ = false;
}

bool BenchHidDevice::setFeature(const std::uint8_t* buffer, std::size_t length) {
    const bool ok = bench_.setFeature(endpoint_, generation_, buffer, length);
    noteOpen(ok);
    return ok;
}

bool BenchHidDevice::getFeature(std::uint8_t* buffer, std::size_t length) {
    const bool ok = bench_.getFeature(endpoint_, generation_, buffer, length);
    noteOpen(ok);
    return ok;
}

bool BenchHidDevice::pluggedIn() const { return bench_.present(endpoint_, generation_); }

void BenchHidDevice::noteOpen(bool transferred) {
    if (endpoint_ == BenchEndpoint::UnrelatedKeyboard)
        // The system holds keyboards for itself: they open for queries only.
        openStatus_ = OpenStatus::QueryOnly;
    else if (!bench_.present(endpoint_, generation_))
        openStatus_ = OpenStatus::Failed;
    else if (transferred || openStatus_ == OpenStatus::NotTried)
        // A refused report (wrong length) still needed an open device.
        openStatus_ = OpenStatus::ReadWrite;
}

} // namespace rfbind::bench
