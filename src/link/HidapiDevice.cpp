// SPDX-License-Identifier: MIT
#include "link/HidapiDevice.h"

#include <hidapi/hidapi.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace rfbind {

namespace {

// hidraw puts the transfer length into the 14-bit size field of the ioctl request code; the
// kernel's own limit for a report buffer is 4096 bytes on older kernels.
constexpr std::size_t kMaxTransferBytes = 4096;

// hidapi 0.13 has a use-after-free in hid_open_path when the path opens but is no hidraw node
// (it closes its handle, then records the error in it; libusb/hidapi#542). Only a character
// device that the kernel lists in the hidraw class may reach it.
bool isHidrawNode(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const std::string subsystem = "/sys/dev/char/" + std::to_string(major(st.st_rdev)) + ":" +
                                  std::to_string(minor(st.st_rdev)) + "/subsystem";
    std::error_code ec;
    return std::filesystem::read_symlink(subsystem, ec).filename() == "hidraw";
}

// A node that exists but that access(2) refuses is the telling case on a station: the udev
// rule that grants the operator the receiver is missing.
bool permissionDenied(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && ::access(path.c_str(), R_OK | W_OK) != 0 &&
           (errno == EACCES || errno == EPERM);
}

// hid_open_path does not report why open(2) failed, and its own error bookkeeping may have
// touched errno since; access(2) confirms.
OpenStatus classifyOpenFailure(const std::string& path, int openErrno) {
    if (openErrno == EACCES || openErrno == EPERM || permissionDenied(path))
        return OpenStatus::PermissionDenied;
    return OpenStatus::Failed;
}

} // namespace

HidapiDevice::HidapiDevice(std::shared_ptr<HidCollectionEntry> entry,
                           std::shared_ptr<const void> library)
    : entry_(std::move(entry)), library_(std::move(library)) {
    entry_->checkedOut = true;
}

HidapiDevice::~HidapiDevice() {
    close();
    // Back to the controller: a later hand-out gives the device out again while present.
    entry_->checkedOut = false;
}

HidAttributes HidapiDevice::attributes() const {
    return entry_->attributes;
}

HidCaps HidapiDevice::caps() const {
    return entry_->caps;
}

std::string HidapiDevice::productString() {
    return entry_->productString;
}

TransferResult HidapiDevice::setFeature(const std::uint8_t* buffer, std::size_t length) {
    if (buffer == nullptr || length == 0 || length > kMaxTransferBytes)
        return TransferResult::failed("no report to send");
    std::string why;
    if (!ensureOpen(why))
        return TransferResult::noDevice(why);
    // hidraw answers with the number of bytes that went out, report ID included: fewer than
    // asked for is a transfer that did not complete, not a success.
    errno = 0;
    const int sent = hid_send_feature_report(handle_, buffer, length);
    return transferred(sent, length, true);
}

TransferResult HidapiDevice::getFeature(std::uint8_t* buffer, std::size_t length) {
    if (buffer == nullptr || length == 0 || length > kMaxTransferBytes)
        return TransferResult::failed("no room for the report");
    std::string why;
    if (!ensureOpen(why))
        return TransferResult::noDevice(why);
    // hidapi returns the number of bytes received, report ID included, and the kernel copies
    // only those: the rest of the buffer still holds the request. Any answer shorter than the
    // report would pass the request's bytes off as the device's (the link query reads
    // positions 1 and 2 without looking for an acknowledgement), so only a whole report of
    // `length` bytes counts, as HidD_GetFeature delivers one.
    errno = 0;
    const int received = hid_get_feature_report(handle_, buffer, length);
    return transferred(received, length, false);
}

TransferResult HidapiDevice::transferred(int result, std::size_t length, bool sent) {
    // The failed ioctl's errno is the system's reason, in the words every Linux tool uses;
    // hidapi's own message (hid_error) serves when errno was lost on the way out.
    const int error = errno;
    if (result == static_cast<int>(length))
        return TransferResult::done(length);
    if (result >= 0)
        return TransferResult::shortTransfer(sent, static_cast<std::size_t>(result), length);
    if (error != 0)
        return TransferResult::failed(std::strerror(error));
    return TransferResult::failed(lastHidapiError());
}

std::string HidapiDevice::lastHidapiError() {
    const wchar_t* text = hid_error(handle_);
    if (text == nullptr)
        return "transfer failed";
    // hidapi's messages are plain ASCII (strerror texts in the C locale).
    std::string out;
    for (; *text != L'\0'; ++text)
        out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

bool HidapiDevice::pluggedIn() const {
    return entry_->present;
}

void HidapiDevice::setNumInputBuffers(int /*count*/) {}

void HidapiDevice::clearDataEvent() {}

OpenStatus HidapiDevice::openStatus() const {
    return status_;
}

std::string HidapiDevice::path() const {
    return entry_->path;
}

std::string HidapiDevice::portPath() const {
    return entry_->portPath;
}

const std::string& HidapiDevice::descriptorError() const {
    return entry_->descriptorError;
}

bool HidapiDevice::ensureOpen(std::string& why) {
    if (!entry_->present) {
        // The node may already belong to another device plugged in since: never talk to it.
        close();
        status_ = OpenStatus::Failed;
        why = "device unplugged";
        return false;
    }
    if (handle_ != nullptr)
        return true;
    if (!library_) {
        // hid_init failed: hidapi must not be used at all.
        status_ = OpenStatus::Failed;
        why = "HID library not initialised";
        return false;
    }
    if (struct stat st {}; ::stat(entry_->path.c_str(), &st) != 0) {
        // Most often the node vanished with its device between the search and this transfer.
        const int error = errno;
        status_ = OpenStatus::Failed;
        why = entry_->path + ": " + std::strerror(error);
        return false;
    }
    if (permissionDenied(entry_->path)) {
        status_ = OpenStatus::PermissionDenied;
        why = entry_->path + ": " + std::strerror(EACCES);
        return false;
    }
    if (!isHidrawNode(entry_->path)) {
        status_ = OpenStatus::Failed;
        why = entry_->path + ": not a hidraw device";
        return false;
    }
    errno = 0;
    handle_ = hid_open_path(entry_->path.c_str());
    if (handle_ == nullptr) {
        const int error = errno;
        status_ = classifyOpenFailure(entry_->path, error);
        why = entry_->path + ": " + (error != 0 ? std::strerror(error) : "cannot be opened");
        return false;
    }
    status_ = OpenStatus::ReadWrite;
    return true;
}

void HidapiDevice::close() {
    if (handle_ != nullptr) {
        hid_close(handle_);
        handle_ = nullptr;
    }
}

} // namespace rfbind
