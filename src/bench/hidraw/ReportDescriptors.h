// SPDX-License-Identifier: MIT
#pragma once

#include "bench/BenchOptions.h"

#include <cstdint>
#include <vector>

namespace rfbind::bench {

/// The report descriptor of the bench receiver's hidraw node, as its firmware would declare
/// it: a top-level collection with the usage page and usage of `options` (a mouse by default)
/// that holds the mouse's input report (report ID 2) and the station's vendor-defined feature
/// report (report ID 1, `options.receiverFeatureReportLength` bytes with the ID), followed by
/// a consumer-control collection (report ID 3) for the multimedia keys. A feature report length
/// below 2 declares no feature report at all.
std::vector<std::uint8_t> receiverReportDescriptor(const BenchOptions& options);

/// The boot-protocol descriptor of the unrelated wired keyboard: one keyboard collection, no
/// report IDs, no feature report.
std::vector<std::uint8_t> keyboardReportDescriptor();

} // namespace rfbind::bench
