// SPDX-License-Identifier: MIT
#pragma once

#include "bench/BenchFaults.h"
#include "link/ReceiverIdTable.h"

#include <cstdint>
#include <string>

namespace rfbind::bench {

/// How the bench is built: the receiver's HID identity, the mouse sensor, and the faults it
/// starts with.
struct BenchOptions {
    std::uint16_t receiverVendorId = MakerVendorId;
    std::uint16_t receiverProductId = 0x053A;
    std::uint16_t receiverVersion = 0xA012;
    std::uint16_t receiverUsagePage = 1;
    std::uint16_t receiverUsage = 2;
    /// Feature report length in bytes, report ID included; transfers of another length fail.
    std::uint16_t receiverFeatureReportLength = 8;
    std::string receiverProduct = "USB 2.4G Wireless Desktop";
    /// The USB port path the receiver is plugged into: a root port on a bench of its own,
    /// port K of the hub on "1-1" for slot K of a gang bench.
    std::string receiverPortPath = "1-4";
    /// Sensor register 0 of the transmitters: the sensor's identification byte.
    std::uint8_t sensorId = 0x29;
    BenchFaults faults;
};

} // namespace rfbind::bench
