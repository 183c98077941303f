// SPDX-License-Identifier: MIT
#include "bench/hidraw/ReportDescriptors.h"

#include <algorithm>

namespace rfbind::bench {

std::vector<std::uint8_t> receiverReportDescriptor(const BenchOptions& options) {
    const auto lo = [](std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
    const auto hi = [](std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); };
    std::vector<std::uint8_t> d = {
        0x06, lo(options.receiverUsagePage), hi(options.receiverUsagePage), // Usage Page
        0x0A, lo(options.receiverUsage), hi(options.receiverUsage),         // Usage
        0xA1, 0x01,                                                         // Collection (Application)
        0x85, 0x02,                                                         //   Report ID 2: the mouse
        0x05, 0x01, 0x09, 0x01,                                             //   Generic Desktop, Pointer
        0xA1, 0x00,                                                         //   Collection (Physical)
        0x05, 0x09, 0x19, 0x01, 0x29, 0x05,                                 //     Buttons 1..5
        0x15, 0x00, 0x25, 0x01, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02,         //     Input (Data,Var,Abs)
        0x95, 0x01, 0x75, 0x03, 0x81, 0x01,                                 //     Input (Const): padding
        0x05, 0x01, 0x09, 0x30, 0x09, 0x31,                                 //     X, Y
        0x16, 0x01, 0xF8, 0x26, 0xFF, 0x07,                                 //     -2047..2047
        0x75, 0x0C, 0x95, 0x02, 0x81, 0x06,                                 //     Input (Data,Var,Rel)
        0x09, 0x38, 0x15, 0x81, 0x25, 0x7F,                                 //     Wheel, -127..127
        0x75, 0x08, 0x95, 0x01, 0x81, 0x06,                                 //     Input (Data,Var,Rel)
        0xC0,                                                               //   End Collection
    };
    const std::uint16_t length = options.receiverFeatureReportLength;
    if (length >= 2) {
        const std::uint8_t dataBytes = static_cast<std::uint8_t>(std::min<int>(length - 1, 255));
        const std::vector<std::uint8_t> feature = {
            0x85, 0x01,                         //   Report ID 1: the station's command frame
            0x06, 0x00, 0xFF, 0x09, 0x01,       //   Vendor-defined page 0xFF00, usage 1
            0x15, 0x00, 0x26, 0xFF, 0x00,       //   0..255
            0x75, 0x08, 0x95, dataBytes,        //   bytes after the report ID
            0xB1, 0x02,                         //   Feature (Data,Var,Abs)
        };
        d.insert(d.end(), feature.begin(), feature.end());
    }
    const std::vector<std::uint8_t> tail = {
        0xC0,                                     // End Collection
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01,       // Consumer Control, Collection (Application)
        0x85, 0x03,                               //   Report ID 3
        0x19, 0x00, 0x2A, 0x3C, 0x02,             //   usages 0..0x23C
        0x15, 0x00, 0x26, 0x3C, 0x02,             //   0..0x23C
        0x95, 0x01, 0x75, 0x10, 0x81, 0x00,       //   Input (Data,Array)
        0xC0,                                     // End Collection
    };
    d.insert(d.end(), tail.begin(), tail.end());
    return d;
}

std::vector<std::uint8_t> keyboardReportDescriptor() {
    return {
        0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,             // Generic Desktop, Keyboard, Application
        0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,             //   modifier keys
        0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, //
        0x81, 0x02,                                     //   Input (Data,Var,Abs)
        0x95, 0x01, 0x75, 0x08, 0x81, 0x01,             //   reserved byte
        0x95, 0x05, 0x75, 0x01, 0x05, 0x08,             //   five LEDs
        0x19, 0x01, 0x29, 0x05, 0x91, 0x02,             //   Output (Data,Var,Abs)
        0x95, 0x01, 0x75, 0x03, 0x91, 0x01,             //   Output (Const): padding
        0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, //   six key codes
        0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, //   Input (Data,Array)
        0xC0,                                           // End Collection
    };
}

} // namespace rfbind::bench
