// SPDX-License-Identifier: MIT
#include "bench/BenchController.h"

#include "bench/Bench.h"
#include "bench/BenchHidDevice.h"

namespace rfbind::bench {

BenchController::BenchController(Bench& bench, PostFunction post)
    : bench_(bench), post_(std::move(post)), keyboardOut_(std::make_shared<bool>(false)),
      receiverOut_(std::make_shared<bool>(false)), alive_(std::make_shared<char>(0)) {
    announced_ = currentSet();
    listenerId_ = bench_.addPlugListener([this, alive = std::weak_ptr<char>(alive_)] {
        if (!post_)
            return;
        // Called from inside a transfer or an operator action: the station's handler must not
        // run there (it releases the very device that is transferring).
        post_([this, alive] {
            if (alive.lock())
                announce(false);
        });
    });
}

BenchController::~BenchController() {
    bench_.removePlugListener(listenerId_);
    alive_.reset();
}

std::uint64_t BenchController::currentSet() const {
    return bench_.receiverPlugged() ? bench_.receiverGeneration() : 0;
}

void BenchController::announce(bool force) {
    const std::uint64_t now = currentSet();
    if (now == announced_ && !force)
        return;
    announced_ = now;
    raiseDeviceChange();
}

std::unique_ptr<HidDevice> BenchController::checkOut() {
    bench_.checkTime();
    if (!*keyboardOut_) {
        *keyboardOut_ = true;
        return std::make_unique<BenchHidDevice>(bench_, BenchEndpoint::UnrelatedKeyboard, 0,
                                                keyboardOut_);
    }
    if (!bench_.receiverPlugged())
        return nullptr;
    if (receiverOutGeneration_ != bench_.receiverGeneration()) {
        // A new plug-in is a new device; the old flag stays with the old objects.
        receiverOut_ = std::make_shared<bool>(false);
        receiverOutGeneration_ = bench_.receiverGeneration();
    }
    if (*receiverOut_)
        return nullptr;
    *receiverOut_ = true;
    return std::make_unique<BenchHidDevice>(bench_, BenchEndpoint::Receiver,
                                            receiverOutGeneration_, receiverOut_);
}

void BenchController::rescan(bool forceEvent) {
    bench_.checkTime();
    announce(forceEvent);
}

} // namespace rfbind::bench
