// SPDX-License-Identifier: MIT
#pragma once

#include "link/Frame.h"
#include "link/HidDevice.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rfbind::test {

/// "01 04 10 12 34 00 00 00" — the form frames take in golden sequences.
inline std::string hex(const std::uint8_t* bytes, std::size_t n) {
    std::string s;
    char b[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        s += b;
    }
    return s;
}
inline std::string hex(const Frame& f) { return hex(f.data(), f.size()); }

/// A device that records every transfer into a shared log ("set <bytes>", "get") and answers
/// from a script. Like the receiver firmware, it works out the answer when the request arrives
/// (set-feature) and hands it over at the next get-feature. The default is an acknowledged echo.
class FakeHidDevice : public HidDevice {
public:
    explicit FakeHidDevice(std::vector<std::string>* log = nullptr) : log_(log) {}

    /// Given a request, the answer the next get-feature returns; nullopt makes that get fail.
    std::function<std::optional<Frame>(const Frame& request)> answer = [](const Frame& r) {
        Frame a = r;
        a[7] = frame::kAck;
        return std::optional<Frame>(a);
    };
    /// Transfers (set or get) that succeed before every later one fails; -1 = never fails.
    int failAfter = -1;
    /// What each of those failing transfers returns.
    TransferResult failure = TransferResult::failed("Input/output error");
    bool plugged = true;
    HidAttributes attrs{0x1D57, 0x053A, 0xA012};
    HidCaps capabilities{1, 2, 8};
    std::string product = "USB 2.4G Wireless Desktop";

    std::vector<Frame> sent;        ///< every set-feature, in order
    std::vector<std::size_t> lengths; ///< length of every transfer, in order
    int gets = 0;

    HidAttributes attributes() const override { return attrs; }
    HidCaps caps() const override { return capabilities; }
    std::string productString() override { return product; }

    TransferResult setFeature(const std::uint8_t* buffer, std::size_t length) override {
        lengths.push_back(length);
        if (!consume())
            return failure;
        Frame f{};
        for (std::size_t i = 0; i < length && i < f.size(); ++i)
            f[i] = buffer[i];
        sent.push_back(f);
        pending_ = answer(f);
        if (log_)
            log_->push_back("set " + hex(f));
        return TransferResult::done(length);
    }
    TransferResult getFeature(std::uint8_t* buffer, std::size_t length) override {
        lengths.push_back(length);
        ++gets;
        if (log_)
            log_->push_back("get");
        if (!consume())
            return failure;
        if (!pending_)
            return TransferResult::failed("Broken pipe"); // the device stalls an unanswerable get
        for (std::size_t i = 0; i < length && i < pending_->size(); ++i)
            buffer[i] = (*pending_)[i];
        return TransferResult::done(length);
    }
    bool pluggedIn() const override { return plugged; }
    void setNumInputBuffers(int count) override { inputBuffers = count; }
    void clearDataEvent() override { ++dataEventClears; }
    OpenStatus openStatus() const override { return OpenStatus::ReadWrite; }
    std::string path() const override { return "fake"; }
    std::string portPath() const override { return port; }

    /// The USB port path the device reports.
    std::string port;

    int inputBuffers = 0;
    int dataEventClears = 0;

private:
    bool consume() {
        if (failAfter < 0)
            return true;
        if (failAfter == 0)
            return false;
        --failAfter;
        return true;
    }

    std::vector<std::string>* log_;
    std::optional<Frame> pending_;
};

} // namespace rfbind::test
