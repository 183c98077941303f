// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

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

/// How one feature-report transfer went. A failure carries the system's own words for it (the
/// text of the error the transfer ended with) or, for a transfer that moved fewer bytes than the
/// report holds, the count ("sent 5 of 8 bytes"), so a unit's FAIL can name the cause.
struct TransferResult {
    enum class Status {
        Done,     ///< the whole report went out or came back
        Failed,   ///< the system refused or aborted the transfer
        Short,    ///< fewer bytes than the report holds were transferred
        NoDevice, ///< the device is gone or could not be opened
    };
    Status status = Status::Failed;
    /// Bytes transferred, report ID included (0 when nothing was).
    int bytes = 0;
    /// Why it failed, for messages ("Input/output error", "sent 5 of 8 bytes"); empty when done.
    std::string error;

    bool ok() const { return status == Status::Done; }
    explicit operator bool() const { return ok(); }

    static TransferResult done(std::size_t bytes) {
        return {Status::Done, static_cast<int>(bytes), {}};
    }
    static TransferResult failed(std::string why) { return {Status::Failed, 0, std::move(why)}; }
    static TransferResult noDevice(std::string why) {
        return {Status::NoDevice, 0, std::move(why)};
    }
    /// A set-feature (`sent`) or get-feature that moved `bytes` of `wanted`.
    static TransferResult shortTransfer(bool sent, std::size_t bytes, std::size_t wanted) {
        return {Status::Short, static_cast<int>(bytes),
                std::string(sent ? "sent " : "received ") + std::to_string(bytes) + " of " +
                    std::to_string(wanted) + " bytes"};
    }
};

/// One HID device (one top-level collection of a USB interface) handed out by a
/// HidDeviceController. The owner of the object may call it from the user-interface thread
/// only. Transfers report any failure in their result; they never throw.
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
    /// A transfer of fewer than `length` bytes fails (Status::Short with the count).
    virtual TransferResult setFeature(const std::uint8_t* buffer, std::size_t length) = 0;

    /// One HID get-feature transfer into `buffer` of `length` bytes. The caller puts the report
    /// ID into buffer[0]; the device's answer is passed through unchanged.
    virtual TransferResult getFeature(std::uint8_t* buffer, std::size_t length) = 0;

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

    /// USB port path of the device the node belongs to, as sysfs names it ("1-1.3"; see
    /// usbport), which stays the same when the device is plugged into the same port again.
    /// Empty when the platform does not tell it.
    virtual std::string portPath() const { return {}; }
};

} // namespace rfbind
