// SPDX-License-Identifier: MIT
#include "link/HidapiController.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace rfbind;
namespace fs = std::filesystem;

namespace {

/// The one device of a controller whose enumeration lists `path` (no sysfs tree needed).
struct OneDevice {
    std::unique_ptr<HidapiController> controller;
    std::unique_ptr<HidDevice> device;

    explicit OneDevice(const std::string& path) {
        HidapiController::Options options;
        options.sysfsRoot = "/nonexistent";
        options.enumerate = [path] {
            return std::vector<HidNodeInfo>{HidNodeInfo{path, {0x1D57, 0x053A, 0xA012}, L"", 1, 2}};
        };
        options.watchHotplug = false;
        controller = std::make_unique<HidapiController>(options);
        device = controller->checkOut();
    }
};

struct TempFile {
    fs::path path;
    explicit TempFile(fs::perms perms) {
        std::string pattern = (fs::temp_directory_path() / "rfbind-node-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd >= 0)
            ::close(fd);
        path = pattern;
        fs::permissions(path, perms);
    }
    ~TempFile() {
        std::error_code ec;
        fs::remove(path, ec);
    }
};

} // namespace

// Both transfers fail, and openStatus tells why, so the station can name a missing udev rule.
TEST(HidapiDevice, NodeThatCannotBeOpenedFailsTransfersWithReason) {
    TempFile plainFile(fs::perms::owner_read | fs::perms::owner_write);
    TempFile lockedFile(fs::perms::none);
    const struct {
        std::string path;
        OpenStatus expected;
        bool needsNonRoot; // root may open anything
    } cases[] = {
        {"/dev/hidraw-rfbind-absent", OpenStatus::Failed, false},
        // Paths that open but are no hidraw node: hidapi 0.13 must never see them.
        {plainFile.path.string(), OpenStatus::Failed, false},
        {"/dev/null", OpenStatus::Failed, false},
        {lockedFile.path.string(), OpenStatus::PermissionDenied, true},
    };
    for (const auto& c : cases) {
        if (c.needsNonRoot && ::geteuid() == 0)
            continue;
        OneDevice d(c.path);
        ASSERT_NE(d.device, nullptr);
        EXPECT_EQ(d.device->openStatus(), OpenStatus::NotTried);
        std::uint8_t frame[8] = {0x01, 0x09};
        EXPECT_FALSE(d.device->setFeature(frame, sizeof frame)) << c.path;
        EXPECT_EQ(d.device->openStatus(), c.expected) << c.path;
        EXPECT_FALSE(d.device->getFeature(frame, sizeof frame)) << c.path;
        EXPECT_EQ(frame[1], 0x09); // the buffer is left alone
        EXPECT_TRUE(d.device->pluggedIn());
    }
}

// Refused before any open: no buffer, nothing to send, or a length hidraw cannot encode.
TEST(HidapiDevice, UnusableBuffersAreRefusedWithoutOpening) {
    OneDevice d("/dev/hidraw-rfbind-absent");
    std::vector<std::uint8_t> big(5000, 0x01);
    EXPECT_FALSE(d.device->setFeature(nullptr, 8));
    EXPECT_FALSE(d.device->getFeature(big.data(), 0));
    EXPECT_FALSE(d.device->setFeature(big.data(), big.size()));
    EXPECT_FALSE(d.device->getFeature(big.data(), big.size()));
    EXPECT_EQ(d.device->openStatus(), OpenStatus::NotTried);
}
