// SPDX-License-Identifier: MIT
#include "bench/BenchHidDevice.h"

#include "bench/Bench.h"

#include <cerrno>
#include <cstring>

namespace rfbind::bench {

BenchHidDevice::BenchHidDevice(Bench& bench, BenchEndpoint endpoint, std::uint64_t generation,
                               std::shared_ptr<bool> handedOut)
    : bench_(bench), endpoint_(endpoint), generation_(generation),
      handedOut_(std::move(handedOut)), identity_(bench.identity(endpoint)) {}

BenchHidDevice::~BenchHidDevice() {
    if (handedOut_)
        *handedOut_ = false;
}

TransferResult BenchHidDevice::setFeature(const std::uint8_t* buffer, std::size_t length) {
    const std::size_t taken = bench_.setFeature(endpoint_, generation_, buffer, length);
    noteOpen(taken > 0);
    if (taken == 0)
        return refused();
    if (taken < length)
        return TransferResult::shortTransfer(true, taken, length);
    return TransferResult::done(length);
}

TransferResult BenchHidDevice::getFeature(std::uint8_t* buffer, std::size_t length) {
    const bool ok = bench_.getFeature(endpoint_, generation_, buffer, length);
    noteOpen(ok);
    return ok ? TransferResult::done(length) : refused();
}

TransferResult BenchHidDevice::refused() const {
    if (openStatus_ == OpenStatus::Failed)
        return TransferResult::noDevice(std::strerror(ENODEV));
    return TransferResult::failed(std::strerror(EPIPE));
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
