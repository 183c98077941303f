// SPDX-License-Identifier: MIT
#pragma once

#include "bench/BenchIdentity.h"
#include "link/HidDevice.h"

#include <cstdint>
#include <memory>

namespace rfbind::bench {

class Bench;

/// One bench device as the station holds it: the receiver of one plug-in generation, or the
/// unrelated keyboard. Handed out by BenchController.
///
/// Its identity is fixed when it is handed out. Transfers go to the Bench; they fail once this
/// receiver has been unplugged (also when a new one has been plugged in since), and always on
/// the keyboard. The Bench must outlive the object; the controller need not. Destroying the
/// object returns the device to the controller for a later hand-out.
class BenchHidDevice : public HidDevice {
public:
    /// `handedOut` is the controller's flag for this device; it is cleared on destruction.
    BenchHidDevice(Bench& bench, BenchEndpoint endpoint, std::uint64_t generation,
                   std::shared_ptr<bool> handedOut);
    ~BenchHidDevice() override;
    BenchHidDevice(const BenchHidDevice&) = delete;
    BenchHidDevice& operator=(const BenchHidDevice&) = delete;

    HidAttributes attributes() const override { return identity_.attributes; }
    HidCaps caps() const override { return identity_.caps; }
    std::string productString() override { return identity_.product; }
    /// Failures in the words the system would use: a refused report stalls ("Broken pipe"),
    /// an unplugged receiver is gone ("No such device"), a short write gives the count.
    TransferResult setFeature(const std::uint8_t* buffer, std::size_t length) override;
    TransferResult getFeature(std::uint8_t* buffer, std::size_t length) override;
    /// Also a time check: the unplug fault is noticed here.
    bool pluggedIn() const override;
    void setNumInputBuffers(int count) override { inputBuffers_ = count; }
    void clearDataEvent() override {}
    OpenStatus openStatus() const override { return openStatus_; }
    std::string path() const override { return identity_.path; }
    std::string portPath() const override { return identity_.portPath; }

    BenchEndpoint endpoint() const { return endpoint_; }
    int numInputBuffers() const { return inputBuffers_; }

private:
    void noteOpen(bool transferred);
    TransferResult refused() const;

    Bench& bench_;
    BenchEndpoint endpoint_;
    std::uint64_t generation_;
    std::shared_ptr<bool> handedOut_;
    BenchIdentity identity_;
    OpenStatus openStatus_ = OpenStatus::NotTried;
    int inputBuffers_ = 0;
};

} // namespace rfbind::bench
