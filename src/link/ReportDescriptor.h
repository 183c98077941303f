// SPDX-License-Identifier: MIT
#pragma once

#include "link/HidDevice.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace rfbind {

/// The top-level collections of a HID report descriptor, with the capabilities the station
/// reads from each (usage page, usage, feature report length).
///
/// The feature report length follows the Windows HID layer's convention, because that is what
/// the receiver acceptance rule compares against: the largest feature report of the collection
/// in bytes (each report's bits summed per report ID and rounded up to whole bytes) plus one
/// byte for the report ID. That byte is counted even when the device uses no report IDs. A
/// collection without any feature report has length 0.
///
/// Parsing never throws and never reads past the given bytes. A truncated or malformed
/// descriptor yields ok() == false with a readable reason and no collections.
class ReportDescriptor {
public:
    /// Parses `bytes` (the descriptor exactly as the device returns it).
    static ReportDescriptor parse(std::span<const std::uint8_t> bytes);

    /// True when the whole descriptor was read and holds at least one top-level collection.
    bool ok() const { return error_.empty(); }

    /// Why parsing failed (mentions the byte offset of the offending item); empty when ok().
    const std::string& error() const { return error_; }

    /// One entry per top-level collection, in descriptor order; empty when !ok().
    const std::vector<HidCaps>& collections() const { return collections_; }

private:
    std::vector<HidCaps> collections_;
    std::string error_;
};

} // namespace rfbind
