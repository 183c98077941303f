// SPDX-License-Identifier: MIT
#pragma once

#include "link/HidDevice.h"

#include <memory>
#include <string>

struct hid_device_; // hidapi's opaque device handle

namespace rfbind {

/// What a HidapiController knows of one top-level collection of a hidraw node. The
/// controller's list and the device object handed out for it share one instance, so either may
/// be destroyed first.
struct HidCollectionEntry {
    std::string path;     ///< hidraw device node, e.g. /dev/hidraw3
    std::string portPath; ///< USB port path of its device ("1-1.3"); empty when not on USB
    std::string identity; ///< tells two devices apart that appear at the same path in turn
    HidAttributes attributes;
    HidCaps caps;
    std::string productString;   ///< UTF-8, at most 254 UTF-16 units of the original
    std::string descriptorError; ///< why caps carry no feature report length; empty normally
    bool present = true;         ///< false once a rescan no longer finds the device
    bool checkedOut = false;     ///< a HidapiDevice for this entry exists
};

/// One top-level collection of a hidraw node, reached through hidapi's hidraw backend.
///
/// Opening: on demand, at the first transfer, with hid_open_path (read/write). A failed open
/// is retried at the next transfer, so a udev rule installed while the station runs takes
/// effect without a restart; openStatus() tells why the last attempt failed: PermissionDenied
/// when the node exists but access(2) refuses it (on a station: the udev rule is missing),
/// Failed otherwise. Linux has no query-only open, so OpenStatus::QueryOnly never occurs here.
/// Only character devices of the hidraw class are handed to hidapi: hidapi 0.13 corrupts
/// memory when hid_open_path meets a path that opens but is no hidraw node.
///
/// Several collections of one node are separate objects, each with its own file descriptor on
/// the same node, as each top-level collection has its own handle on Windows.
///
/// Once the controller has seen the device vanish, pluggedIn() is false, the node is closed
/// and every transfer fails. Destroying the object returns the device to the controller.
class HidapiDevice : public HidDevice {
public:
    /// `library` keeps hidapi initialised while this object may still call it (it may outlive
    /// its controller).
    HidapiDevice(std::shared_ptr<HidCollectionEntry> entry, std::shared_ptr<const void> library);
    ~HidapiDevice() override;

    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    HidAttributes attributes() const override;
    HidCaps caps() const override;
    std::string productString() override;

    /// hid_send_feature_report with the buffer as given (report ID in byte 0). Fails when the
    /// device is gone or cannot be opened (NoDevice, with why), when the ioctl fails (with the
    /// system's text of its errno), when it sends fewer than `length` bytes (Short, with the
    /// count), for a null buffer, for length 0 and for more than 4096 bytes (hidraw encodes
    /// the length in 14 bits of the request code; a longer one would turn into a different
    /// request).
    TransferResult setFeature(const std::uint8_t* buffer, std::size_t length) override;

    /// hid_get_feature_report; the device's answer is left in `buffer` unchanged, report ID in
    /// byte 0. Same failures as setFeature; an answer of fewer than `length` bytes (report ID
    /// included) also fails, since the rest of the buffer would still hold the request.
    TransferResult getFeature(std::uint8_t* buffer, std::size_t length) override;

    bool pluggedIn() const override;

    /// No-op on Linux: hidraw keeps a fixed queue of input reports per open node and offers no
    /// setting for it. The station never reads input reports, so nothing depends on it.
    void setNumInputBuffers(int count) override;

    /// No-op on Linux: no input-report reader runs for this device, there is nothing to stop.
    void clearDataEvent() override;

    OpenStatus openStatus() const override;
    std::string path() const override;
    std::string portPath() const override;

    /// Why the report descriptor could not be used (then caps() has the usages hidapi reported
    /// and feature report length 0); empty when it was read and parsed.
    const std::string& descriptorError() const;

private:
    bool ensureOpen(std::string& why);
    /// The result of a transfer call that returned `result` (bytes, or -1 with errno set).
    TransferResult transferred(int result, std::size_t length, bool sent);
    std::string lastHidapiError();
    void close();

    std::shared_ptr<HidCollectionEntry> entry_;
    std::shared_ptr<const void> library_;
    hid_device_* handle_ = nullptr;
    OpenStatus status_ = OpenStatus::NotTried;
};

} // namespace rfbind
