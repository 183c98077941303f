// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rfbind {

/// HID attributes of a device (USB IDs and release number).
struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;
};

/// Capabilities of one top-level collection, as the Windows HID layer reports them: the
/// feature report length counts the report ID byte (8 for the receiver's 7 data bytes + ID).
struct HidCaps {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t featureReportLength = 0;
};

/// Why a device's transfers fail, for the message the station shows.
enum class OpenStatus {
    NotTried,         ///< no transfer attempted yet
    ReadWrite,        ///< opened for read and write
    QueryOnly,        ///< opened without read/write access (transfers fail)
    PermissionDenied, ///< the node exists but may not be opened: on Linux a missing udev rule
    Failed,           ///< any other failure, including a device that is gone
};

/// One HID device (one top-level collection of a USB interface) handed out by a
/// HidDeviceController. The owner of the object may call it from the user-interface thread
/// only. Transfers return false on any failure; they never throw.
class HidDevice {
public:
    virtual ~HidDevice() = default;

    virtual HidAttributes attributes() const = 0;
    virtual HidCaps caps() const = 0;

    /// Product string as the device reports it, at most 254 UTF-16 units, UTF-8 encoded here.
    /// Read once and cached.
    virtual std::string productString() = 0;

    /// One HID set-feature transfer of `length` bytes; buffer[0] is the report ID.
    /// Opens the device on demand (read/write, else query-only).
    virtual bool setFeature(const std::uint8_t* buffer, std::size_t length) = 0;

    /// One HID get-feature transfer into `buffer` of `length` bytes. The caller puts the report
    /// ID into buffer[0]; the device's answer is passed through unchanged.
    virtual bool getFeature(std::uint8_t* buffer, std::size_t length) = 0;

    /// False once the device has been unplugged.
    virtual bool pluggedIn() const = 0;

    /// Number of input report buffers the platform keeps; a no-op where there is no such setting.
    virtual void setNumInputBuffers(int count) = 0;

    /// Stops any input-report reader for this device (the station never reads input reports).
    virtual void clearDataEvent() = 0;

    /// Result of the last attempt to open the device.
    virtual OpenStatus openStatus() const = 0;

    /// Platform path of the device node (for messages), e.g. /dev/hidraw3.
    virtual std::string path() const = 0;
};

} // namespace rfbind
