// SPDX-License-Identifier: MIT
#include "bench/hidraw/HidrawBench.h"

#include "bench/Bench.h"
#include "bench/hidraw/ReportDescriptors.h"
#include "link/Frame.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <linux/capability.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace rfbind::bench {

namespace {

// The kernel's hidraw limits: a feature report buffer of at most HID_MAX_BUFFER_SIZE bytes and
// at least the report ID plus one byte; a descriptor request of at most
// HID_MAX_DESCRIPTOR_SIZE - 1 bytes.
constexpr std::size_t kMaxReportBuffer = 16384;
constexpr std::size_t kMinReportBuffer = 2;
constexpr std::uint32_t kMaxDescriptorRequest = HID_MAX_DESCRIPTOR_SIZE - 1;

// hidraw's character-device major is assigned at boot; any value works for the emulation.
constexpr int kHidrawMajor = 241;
constexpr int kBusUsb = 3;
// Whom the receiver's node belongs to under the permission fault: not this process.
constexpr uid_t kOtherUser = 65534;

// The root ports: the keyboard's, the main receiver's, and the others' from the first free one
// up, passing over the main receiver's. Each device's minor follows: the keyboard hidraw0, the
// main receiver hidraw1, the others hidraw2 and up.
constexpr int kKeyboardPort = 1;
constexpr int kMainReceiverPort = 4;
constexpr int kFirstExtraPort = 2;
constexpr int kFirstExtraMinor = 2;

int extraPort(int index) {
    const int port = kFirstExtraPort + index;
    return port >= kMainReceiverPort ? port + 1 : port;
}

const char* const kGenerationKey = "rfbind-generation";

// What a udev monitor's socket may hold unread before the bench waits for it: the queue takes
// a few more, and umockdev ends the process when it is full.
constexpr int kUnreadEventsPerMonitor = 4;
// How long the bench waits for a monitor at most: one that is not read at all (its program
// busy elsewhere) must not hold the bench up for good.
constexpr auto kMonitorWait = std::chrono::milliseconds(1000);

/// The sockets of the process's udev monitors under umockdev: those bound to the test bed's
/// "event" paths, by path and descriptor.
std::map<std::string, int> monitorSockets(const std::string& root) {
    std::map<std::string, int> found;
    const std::string prefix = root + "/event";
    DIR* fds = ::opendir("/proc/self/fd");
    if (fds == nullptr)
        return found;
    while (const dirent* entry = ::readdir(fds)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != 0)
            continue;
        sockaddr_un address{};
        socklen_t length = sizeof address;
        if (::getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            address.sun_family != AF_UNIX)
            continue;
        const std::string path(address.sun_path, ::strnlen(address.sun_path, sizeof address.sun_path));
        if (path.rfind(prefix, 0) == 0)
            found[path] = static_cast<int>(fd);
    }
    ::closedir(fds);
    return found;
}

bool waiting(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

std::string hex4(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", v & 0xFFFFu);
    return text;
}

std::string hex4Upper(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", v & 0xFFFFu);
    return text;
}

// Root may open any file; an operator may not open a node that is not granted to them. Under
// the permission fault the bench gives up root's override capabilities on this thread (and on
// the threads it starts later), so the node's owner and mode decide, as they do for an operator.
bool dropFileAccessOverride() {
    if (::geteuid() != 0)
        return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        const std::uint32_t bit = 1u << (cap % 32);
        data[cap / 32].effective &= ~bit;
        data[cap / 32].permitted &= ~bit;
        data[cap / 32].inheritable &= ~bit;
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

struct HidrawBench::Node {
    HidrawBench* owner = nullptr;
    Bench* bench = nullptr;
    BenchEndpoint endpoint = BenchEndpoint::Receiver;
    int port = 0;
    /// The USB port path its device sits on ("1-1.3"), unique on the bus.
    std::string portPath;
    int minor = 0;
    bool main = false;
    int listenerId = 0;
    std::string devNode;
    std::uint64_t shownGeneration = 0; // 0: not on the bus
    std::vector<std::string> syspaths; // USB device, interface, HID device, hidraw node
    std::string hidName;
    std::string phys;
    std::vector<std::uint8_t> descriptor;
    UMockdevIoctlBase* handler = nullptr;

    bool receiver() const { return endpoint == BenchEndpoint::Receiver; }

    /// The plug-in generation on the bus now; 0 while unplugged. The keyboard is always there.
    std::uint64_t generationNow() const {
        if (!receiver())
            return 1;
        return bench->receiverPlugged() ? bench->receiverGeneration() : 0;
    }
};

namespace {

using Node = HidrawBench::Node;

void complete(UMockdevIoctlClient* client, long result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
}

// Copies a text as HIDIOCGRAWNAME and HIDIOCGRAWPHYS do: with its terminating zero, cut to the
// buffer; the result is the number of bytes copied.
void answerText(UMockdevIoctlClient* client, UMockdevIoctlData* arg, std::size_t size,
                const std::string& text) {
    const std::size_t n = std::min(text.size() + 1, size);
    UMockdevIoctlData* out = n > 0 ? umockdev_ioctl_data_resolve(arg, 0, n, nullptr) : nullptr;
    if (out == nullptr && n > 0)
        return complete(client, -1, EFAULT);
    if (out != nullptr) {
        std::memcpy(out->data, text.c_str(), n);
        g_object_unref(out);
    }
    complete(client, static_cast<long>(n), 0);
}

void answerFeature(Node& node, UMockdevIoctlClient* client, UMockdevIoctlData* arg,
                   std::size_t size, bool set, std::uint64_t generation) {
    if (size > kMaxReportBuffer || size < kMinReportBuffer)
        return complete(client, -1, EINVAL);
    UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(arg, 0, size, nullptr);
    if (buffer == nullptr)
        return complete(client, -1, EFAULT);
    std::uint8_t* data = buffer->data;
    const std::size_t reportLength = node.bench->options().receiverFeatureReportLength;
    long result = -1;
    int error = 0;
    if (set) {
        // The report goes out as given, report ID in byte 0; the firmware stalls what it does
        // not take (another length or report ID), which the host sees as EPIPE.
        // Under the short-write fault the receiver takes fewer bytes, and the ioctl says so.
        if (const std::size_t taken = node.bench->setFeature(node.endpoint, generation, data, size))
            result = static_cast<long>(taken);
        else
            error = node.generationNow() == generation ? EPIPE : ENODEV;
    } else {
        // GET_REPORT for the report ID in byte 0: the device sends its whole report, cut to
        // the buffer; the kernel hands over exactly the bytes that arrived and says how many.
        Frame answer{};
        answer[0] = data[0];
        if (reportLength <= answer.size() &&
            node.bench->getFeature(node.endpoint, generation, answer.data(), reportLength)) {
            std::size_t n = std::min(size, reportLength);
            if (node.receiver()) {
                if (const auto& shortRead = node.owner->faults().shortFeatureReadBytes)
                    n = std::min(n, static_cast<std::size_t>(std::max(*shortRead, 0)));
            }
            std::memcpy(data, answer.data(), n);
            result = static_cast<long>(n);
        } else {
            error = node.generationNow() == generation ? EPIPE : ENODEV;
        }
    }
    g_object_unref(buffer);
    complete(client, result, error);
}

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    Node& node = *static_cast<Node*>(data);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const auto generation = static_cast<std::uint64_t>(
        GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(client), kGenerationKey)));

    if (_IOC_TYPE(request) != 'H')
        return complete(client, -1, ENOTTY), TRUE;
    // A node opened on a receiver that has since gone: hidraw answers every call with ENODEV.
    if (generation == 0 || node.generationNow() != generation)
        return complete(client, -1, ENODEV), TRUE;

    const std::size_t size = _IOC_SIZE(request);
    switch (_IOC_NR(request)) {
    case _IOC_NR(HIDIOCGRDESCSIZE): {
        UMockdevIoctlData* out = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), nullptr);
        if (out == nullptr)
            return complete(client, -1, EFAULT), TRUE;
        const int descriptorSize = static_cast<int>(node.descriptor.size());
        std::memcpy(out->data, &descriptorSize, sizeof descriptorSize);
        g_object_unref(out);
        return complete(client, 0, 0), TRUE;
    }
    case _IOC_NR(HIDIOCGRDESC): {
        UMockdevIoctlData* out =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_report_descriptor), nullptr);
        if (out == nullptr)
            return complete(client, -1, EFAULT), TRUE;
        std::uint32_t wanted = 0;
        std::memcpy(&wanted, out->data, sizeof wanted);
        if (wanted > kMaxDescriptorRequest) {
            g_object_unref(out);
            return complete(client, -1, EINVAL), TRUE;
        }
        const std::size_t n = std::min<std::size_t>(wanted, node.descriptor.size());
        std::memcpy(out->data + offsetof(hidraw_report_descriptor, value), node.descriptor.data(), n);
        g_object_unref(out);
        return complete(client, 0, 0), TRUE;
    }
    case _IOC_NR(HIDIOCGRAWINFO): {
        UMockdevIoctlData* out = umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_devinfo), nullptr);
        if (out == nullptr)
            return complete(client, -1, EFAULT), TRUE;
        const BenchIdentity identity = node.bench->identity(node.endpoint);
        hidraw_devinfo info{};
        info.bustype = kBusUsb;
        info.vendor = static_cast<__s16>(identity.attributes.vendorId);
        info.product = static_cast<__s16>(identity.attributes.productId);
        std::memcpy(out->data, &info, sizeof info);
        g_object_unref(out);
        return complete(client, 0, 0), TRUE;
    }
    case _IOC_NR(HIDIOCGRAWNAME(0)):
        return answerText(client, arg, size, node.hidName), TRUE;
    case _IOC_NR(HIDIOCGRAWPHYS(0)):
        return answerText(client, arg, size, node.phys), TRUE;
    case _IOC_NR(HIDIOCSFEATURE(0)):
    case _IOC_NR(HIDIOCGFEATURE(0)): {
        const bool set = _IOC_NR(request) == _IOC_NR(HIDIOCSFEATURE(0));
        if (node.receiver() && node.owner->faults().featureIoctlErrno != 0)
            return complete(client, -1, node.owner->faults().featureIoctlErrno), TRUE;
        answerFeature(node, client, arg, size, set, generation);
        return TRUE;
    }
    default:
        return complete(client, -1, ENOTTY), TRUE;
    }
}

void onClientConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    const Node& node = *static_cast<const Node*>(data);
    g_object_set_data(G_OBJECT(client), kGenerationKey,
                      GSIZE_TO_POINTER(static_cast<gsize>(node.generationNow())));
}

} // namespace

HidrawBench::HidrawBench(Bench& bench, HidrawFaults faults) : bench_(bench), faults_(faults) {
    if (faults_.permissionDenied && !dropFileAccessOverride()) {
        error_ = std::string("cannot give up root's file access override: ") + std::strerror(errno);
        return;
    }
    testbed_ = umockdev_testbed_new();
    if (testbed_ == nullptr) {
        error_ = "umockdev cannot create a test bed";
        return;
    }
    addNode(bench_, BenchEndpoint::UnrelatedKeyboard, kKeyboardPort, 0, false);
    addNode(bench_, BenchEndpoint::Receiver, kMainReceiverPort, 1, true);
}

HidrawBench::~HidrawBench() {
    for (auto& node : nodes_)
        if (node->listenerId != 0)
            node->bench->removePlugListener(node->listenerId);
    if (testbed_ != nullptr)
        g_object_unref(testbed_); // stops umockdev's worker and removes the tree
    for (auto& node : nodes_)
        if (node->handler != nullptr)
            g_object_unref(node->handler);
}

bool HidrawBench::addReceiver(Bench& other) {
    int extras = 0;
    for (const auto& node : nodes_)
        extras += node->receiver() && !node->main;
    if (!ok() || extras >= kMaxReceivers - 1)
        return false;
    addNode(other, BenchEndpoint::Receiver, extraPort(extras), kFirstExtraMinor + extras, false);
    return ok();
}

std::string HidrawBench::receiverNode() const {
    for (const auto& node : nodes_)
        if (node->main)
            return node->devNode;
    return {};
}

std::string HidrawBench::rootDir() const {
    if (testbed_ == nullptr)
        return {};
    gchar* dir = umockdev_testbed_get_root_dir(testbed_); // a copy, ours to free
    std::string result = dir;
    g_free(dir);
    return result;
}

HidrawBench::Node& HidrawBench::addNode(Bench& bench, BenchEndpoint endpoint, int port, int minor,
                                        bool main) {
    auto node = std::make_unique<Node>();
    node->owner = this;
    node->bench = &bench;
    node->endpoint = endpoint;
    node->port = port;
    // A receiver sits on the port its bench names, as a gang bench's boxes do on their hub;
    // a second bench naming a port already taken goes on a root port of its own.
    node->portPath = endpoint == BenchEndpoint::Receiver ? bench.options().receiverPortPath
                                                         : "1-" + std::to_string(port);
    for (const auto& other : nodes_)
        if (other->portPath == node->portPath)
            node->portPath = "1-" + std::to_string(port);
    node->minor = minor;
    node->main = main;
    node->devNode = "/dev/hidraw" + std::to_string(minor);
    node->phys = "usb-0000:00:14.0-" + node->portPath.substr(2) + "/input0";
    node->descriptor = endpoint == BenchEndpoint::Receiver
                           ? receiverReportDescriptor(bench.options())
                           : keyboardReportDescriptor();

    node->handler = umockdev_ioctl_base_new();
    g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(onIoctl), node.get());
    g_signal_connect(node->handler, "client-connected", G_CALLBACK(onClientConnected), node.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, node->devNode.c_str(), node->handler, &error)) {
        error_ = "umockdev cannot emulate " + node->devNode + ": " +
                 (error != nullptr ? error->message : "unknown error");
        g_clear_error(&error);
    }
    if (endpoint == BenchEndpoint::Receiver) {
        Node* raw = node.get();
        node->listenerId = bench.addPlugListener([this, raw] { sync(*raw); });
    }
    Node& result = *node;
    nodes_.push_back(std::move(node));
    sync(result);
    return result;
}

const HidrawFaults& HidrawBench::faults() const { return faults_; }

void HidrawBench::sync(Node& node) {
    const std::uint64_t wanted = node.generationNow();
    if (wanted == node.shownGeneration)
        return;
    if (node.shownGeneration != 0)
        withdraw(node);
    if (wanted != 0)
        present(node);
    node.shownGeneration = wanted;
}

void HidrawBench::present(Node& node) {
    const BenchIdentity identity = node.bench->identity(node.endpoint);
    const HidAttributes& a = identity.attributes;
    const bool receiver = node.receiver();
    const std::string manufacturer = receiver ? "RF Bench" : "Bench Peripherals";
    node.hidName = manufacturer + " " + identity.product;

    const std::string& port = node.portPath;
    const std::string devnum = std::to_string(node.port + 1);
    gchar* usb = umockdev_testbed_add_device(
        testbed_, "usb", ("pci0000:00/0000:00:14.0/usb1/" + port).c_str(), nullptr,
        // sysfs attributes
        "idVendor", hex4(a.vendorId).c_str(), "idProduct", hex4(a.productId).c_str(), "bcdDevice",
        hex4(a.version).c_str(), "manufacturer", manufacturer.c_str(), "product",
        identity.product.c_str(), "busnum", "1", "devnum", devnum.c_str(), "speed", "12", nullptr,
        // udev properties
        "DEVTYPE", "usb_device", "BUSNUM", "001", nullptr);
    gchar* interface = umockdev_testbed_add_device(
        testbed_, "usb", (port + ":1.0").c_str(), usb, "bInterfaceNumber", "00", "bInterfaceClass",
        "03", nullptr, "DEVTYPE", "usb_interface", nullptr);

    char hidNumber[8];
    std::snprintf(hidNumber, sizeof hidNumber, "%04X", nextHidNumber_++ & 0xFFFF);
    const std::string hidDevice = "0003:" + hex4Upper(a.vendorId) + ":" + hex4Upper(a.productId) + "." + hidNumber;
    const std::string hidId = "0003:0000" + hex4Upper(a.vendorId) + ":0000" + hex4Upper(a.productId);
    gchar* hid = umockdev_testbed_add_device(testbed_, "hid", hidDevice.c_str(), interface, nullptr,
                                             "HID_ID", hidId.c_str(), "HID_NAME",
                                             node.hidName.c_str(), "HID_PHYS", node.phys.c_str(),
                                             "HID_UNIQ", "", nullptr);
    umockdev_testbed_set_attribute_binary(testbed_, hid, "report_descriptor",
                                          node.descriptor.data(),
                                          static_cast<gint>(node.descriptor.size()));
    const std::string name = "hidraw" + std::to_string(node.minor);
    const std::string devNumbers = std::to_string(kHidrawMajor) + ":" + std::to_string(node.minor);
    gchar* raw = umockdev_testbed_add_device(testbed_, "hidraw", ("hidraw/" + name).c_str(), hid,
                                             "dev", devNumbers.c_str(), nullptr, "DEVNAME",
                                             node.devNode.c_str(), nullptr);
    umockdev_testbed_set_attribute_link(testbed_, raw, "device", ("../../../" + hidDevice).c_str());

    const std::string file = rootDir() + node.devNode;
    if (!(receiver && faults_.goneBeforeOpen)) {
        if (FILE* f = std::fopen(file.c_str(), "w"))
            std::fclose(f);
        if (receiver && faults_.permissionDenied) {
            // Not this user's node: on a station without the udev rule it is root's. Root hands
            // it to another user (mode first: once the node is another's, only the CAP_FOWNER
            // given up could change it); anyone else simply takes away their own access.
            const bool root = ::geteuid() == 0;
            if (::chmod(file.c_str(), root ? 0600 : 0) != 0 ||
                (root && ::chown(file.c_str(), kOtherUser, kOtherUser) != 0))
                error_ = "cannot take the receiver's node away: " + std::string(std::strerror(errno));
        }
    }

    node.syspaths = {usb, interface, hid, raw};
    for (gchar* path : {usb, interface, hid, raw}) {
        // The station's monitors take hidraw events only: the others never reach their queues.
        if (path == raw)
            roomForHotplugEvent();
        umockdev_testbed_uevent(testbed_, path, "add");
        if (path == raw)
            hotplugEventSent();
        g_free(path);
    }
}

void HidrawBench::withdraw(Node& node) {
    // The kernel announces the removal children first, while sysfs still shows them.
    roomForHotplugEvent();
    for (auto it = node.syspaths.rbegin(); it != node.syspaths.rend(); ++it)
        umockdev_testbed_uevent(testbed_, it->c_str(), "remove");
    hotplugEventSent();
    ::unlink((rootDir() + node.devNode).c_str());
    for (auto it = node.syspaths.rbegin(); it != node.syspaths.rend(); ++it)
        umockdev_testbed_remove_device(testbed_, it->c_str());
    node.syspaths.clear();
}

void HidrawBench::roomForHotplugEvent() {
    const auto deadline = std::chrono::steady_clock::now() + kMonitorWait;
    for (const auto& [path, fd] : monitorSockets(rootDir())) {
        int& unread = unread_[path];
        while (unread > 0) {
            if (!waiting(fd))
                unread = 0;
            else if (unread < kUnreadEventsPerMonitor || std::chrono::steady_clock::now() > deadline)
                break;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void HidrawBench::hotplugEventSent() {
    for (const auto& socket : monitorSockets(rootDir()))
        ++unread_[socket.first];
}

} // namespace rfbind::bench
