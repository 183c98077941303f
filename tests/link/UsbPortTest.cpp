// SPDX-License-Identifier: MIT
// USB port paths: how a gang station tells its receivers' ports apart and orders them.
#include "link/UsbPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace rfbind;

TEST(UsbPort, PortPathsAreCheckedAsSysfsNamesThem) {
    struct Case {
        const char* path;
        bool valid;
    };
    const Case cases[] = {
        {"1-1", true},        {"1-1.3", true},       {"3-2.4.1", true},   {"1-1.10", true},
        {"", false},          {"1", false},          {"1-", false},       {"-1", false},
        {"1-1.", false},      {"1-.1", false},       {"1-0", false},      {"1-01", false},
        {"usb1", false},      {"1-1:1.0", false},    {"1-1.3 ", false},   {"a-1", false},
        {"1-1.1.1.1.1.1.1", true}, {"1-1.1.1.1.1.1.1.1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(usbport::valid(c.path), c.valid) << '"' << c.path << '"';
}

TEST(UsbPort, TheReceiversPortComesFromItsUsbInterface) {
    struct Case {
        const char* sysfs;
        const char* port;
    };
    const Case cases[] = {
        {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.3/1-1.3:1.0/0003:1A2C:0002.0004/hidraw/hidraw3",
         "1-1.3"},
        {"/sys/devices/pci0000:00/0000:00:14.0/usb2/2-4/2-4:1.1/0003:046D:C52B.0001", "2-4"},
        // The HID device's own name also holds colons and dots: not an interface.
        {"/sys/devices/virtual/misc/uhid/0003:1A2C:0002.0001/hidraw/hidraw0", ""},
        // The PCI address looks like "bus:slot.function": no port path before its colon.
        {"/sys/devices/pci0000:00/0000:00:14.0", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(usbport::ofSysfsPath(c.sysfs), c.port) << c.sysfs;
}

TEST(UsbPort, PortsAreOrderedAsAPersonCountsAlongTheHub) {
    std::vector<std::string> ports{"1-1.10", "2-1", "1-1.2", "1-1", "junk", "1-1.2.1", "1-1.9"};
    std::sort(ports.begin(), ports.end(),
              [](const std::string& a, const std::string& b) { return usbport::before(a, b); });
    EXPECT_EQ(ports, (std::vector<std::string>{"1-1", "1-1.2", "1-1.2.1", "1-1.9", "1-1.10", "2-1",
                                               "junk"}));
}
