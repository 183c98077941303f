// SPDX-License-Identifier: MIT
#include "link/HidapiController.h"

#include "link/ReportDescriptor.h"
#include "link/UsbPort.h"
#include "link/UdevMonitor.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

namespace rfbind {

namespace {

namespace fs = std::filesystem;

// The product string is a USB string descriptor: at most 126 UTF-16 units in practice; the
// device list keeps no more than the Windows HID layer hands out.
constexpr std::size_t kMaxProductUtf16Units = 254;

// sysfs shows a report descriptor of at most 4096 bytes; anything larger is not one.
constexpr std::size_t kMaxDescriptorBytes = 64 * 1024;

// hidapi's Linux strings are wchar_t, which is UTF-32 there.
static_assert(sizeof(wchar_t) == 4, "the hidraw backend hands out UTF-32 strings");

struct HidapiSession {
    HidapiSession() = default;
    HidapiSession(const HidapiSession&) = delete;
    HidapiSession& operator=(const HidapiSession&) = delete;
    ~HidapiSession() { hid_exit(); }
};

// One hid_init for every controller and device alive at the same time: hid_exit releases
// state that open devices and other controllers still use.
std::shared_ptr<const void> acquireHidapi() {
    static std::weak_ptr<const HidapiSession> current;
    if (auto session = current.lock())
        return session;
    if (hid_init() != 0)
        return nullptr;
    auto session = std::make_shared<const HidapiSession>();
    current = session;
    return session;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-32 to UTF-8, cut after as many whole characters as fit into kMaxProductUtf16Units UTF-16
// units (a character beyond the basic plane takes two). Values that are no character become
// U+FFFD, so the list never holds invalid UTF-8.
std::string productToUtf8(const std::wstring& text) {
    std::string out;
    std::size_t units = 0;
    for (wchar_t wc : text) {
        auto c = static_cast<char32_t>(wc);
        if (c == 0)
            break;
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = 0xFFFD;
        const std::size_t need = c >= 0x10000 ? 2 : 1;
        if (units + need > kMaxProductUtf16Units)
            break;
        units += need;
        appendUtf8(out, c);
    }
    return out;
}

std::vector<HidNodeInfo> enumerateHidapi() {
    std::vector<HidNodeInfo> nodes;
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        if (d->path == nullptr)
            continue;
        HidNodeInfo node;
        node.path = d->path;
        node.attributes = HidAttributes{d->vendor_id, d->product_id, d->release_number};
        if (d->product_string != nullptr)
            node.productString = d->product_string;
        node.usagePage = d->usage_page;
        node.usage = d->usage;
        nodes.push_back(std::move(node));
    }
    hid_free_enumeration(list);
    return nodes;
}

std::optional<std::vector<std::uint8_t>> readDescriptor(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    char chunk[4096];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
        if (bytes.size() > kMaxDescriptorBytes)
            return std::nullopt;
    }
    if (in.bad())
        return std::nullopt;
    return bytes;
}

bool sameDevice(const HidCollectionEntry& a, const HidCollectionEntry& b) {
    return a.path == b.path && a.identity == b.identity &&
           a.attributes.vendorId == b.attributes.vendorId &&
           a.attributes.productId == b.attributes.productId &&
           a.attributes.version == b.attributes.version && a.caps.usagePage == b.caps.usagePage &&
           a.caps.usage == b.caps.usage && a.caps.featureReportLength == b.caps.featureReportLength;
}

} // namespace

HidapiController::HidapiController() : HidapiController(Options{}) {}

HidapiController::HidapiController(Options options) : options_(std::move(options)) {
    library_ = acquireHidapi();
    if (options_.watchHotplug)
        monitor_ = std::make_unique<UdevMonitor>();
    rescan(false);
}

// Out of line: UdevMonitor is complete only here. Handed-out devices keep their entries and
// the hidapi session alive on their own.
HidapiController::~HidapiController() = default;

std::unique_ptr<HidDevice> HidapiController::checkOut() {
    for (const auto& entry : entries_) {
        if (entry->present && !entry->checkedOut)
            return std::make_unique<HidapiDevice>(entry, library_);
    }
    return nullptr;
}

void HidapiController::rescan(bool forceEvent) {
    std::vector<HidCollectionEntry> found = scan();
    std::vector<std::shared_ptr<HidCollectionEntry>> next;
    std::vector<bool> kept(entries_.size(), false);
    bool changed = false;

    for (auto& device : found) {
        std::size_t i = 0;
        while (i < entries_.size() && (kept[i] || !sameDevice(*entries_[i], device)))
            ++i;
        if (i < entries_.size()) {
            kept[i] = true;
            next.push_back(entries_[i]);
        } else {
            next.push_back(std::make_shared<HidCollectionEntry>(std::move(device)));
            changed = true;
        }
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (!kept[i]) {
            entries_[i]->present = false;
            changed = true;
        }
    }
    entries_ = std::move(next);

    // The list is complete before the handler runs: it checks devices out at once.
    if (changed || forceEvent)
        raiseDeviceChange();
}

int HidapiController::monitorFd() const {
    return monitor_ ? monitor_->fd() : -1;
}

void HidapiController::onMonitorReadable() {
    if (monitor_)
        monitor_->drain();
    // Rescan whatever the events said: the enumeration is the truth, and rescan raises the
    // event only when the set really changed.
    rescan(false);
}

std::vector<HidCollectionEntry> HidapiController::scan() const {
    std::vector<HidNodeInfo> nodes;
    if (options_.enumerate)
        nodes = options_.enumerate();
    else if (library_)
        nodes = enumerateHidapi();

    std::vector<HidCollectionEntry> devices;
    std::set<std::string> seenPaths;
    for (const HidNodeInfo& node : nodes) {
        if (!seenPaths.insert(node.path).second)
            continue; // another usage of a node already listed

        HidCollectionEntry base;
        base.path = node.path;
        base.attributes = node.attributes;
        base.productString = productToUtf8(node.productString);

        const std::string name = fs::path(node.path).filename().string();
        std::optional<std::vector<std::uint8_t>> bytes;
        if (name.empty() || name == "." || name == "..") {
            base.descriptorError = "no hidraw node name in " + node.path;
        } else {
            const fs::path sysDevice =
                fs::path(options_.sysfsRoot) / "class" / "hidraw" / name / "device";
            // The HID device's name ("0003:VVVV:PPPP.NNNN") counts up with every device the
            // kernel creates, so it tells a replugged device from the one before it.
            std::error_code ec;
            const fs::path target = fs::read_symlink(sysDevice, ec);
            if (!ec)
                base.identity = target.filename().string();
            // The USB device above the node names the port it is plugged into.
            const fs::path real = fs::canonical(sysDevice, ec);
            if (!ec)
                base.portPath = usbport::ofSysfsPath(real.string());
            bytes = readDescriptor(sysDevice / "report_descriptor");
            if (!bytes)
                base.descriptorError = "cannot read " + (sysDevice / "report_descriptor").string();
        }

        std::optional<ReportDescriptor> descriptor;
        if (bytes) {
            descriptor = ReportDescriptor::parse(*bytes);
            if (!descriptor->ok())
                base.descriptorError = descriptor->error();
        }

        if (descriptor && descriptor->ok()) {
            std::size_t index = 0;
            for (const HidCaps& caps : descriptor->collections()) {
                HidCollectionEntry device = base;
                device.caps = caps;
                device.identity = base.identity + "#" + std::to_string(index++);
                devices.push_back(std::move(device));
            }
        } else {
            HidCollectionEntry device = base;
            device.caps = HidCaps{node.usagePage, node.usage, 0};
            devices.push_back(std::move(device));
        }
    }
    return devices;
}

} // namespace rfbind
