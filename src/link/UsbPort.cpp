// SPDX-License-Identifier: MIT
#include "link/UsbPort.h"

#include <charconv>
#include <optional>
#include <vector>

namespace rfbind::usbport {

namespace {

constexpr std::size_t kMaxHubLevels = 7; // USB allows five hubs below the root; some room

std::optional<unsigned> number(std::string_view text) {
    if (text.empty() || text.size() > 3 || text.front() == '0')
        return std::nullopt;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

/// Bus then ports, or nothing for a malformed path.
std::optional<std::vector<unsigned>> parts(std::string_view path) {
    const std::size_t dash = path.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    std::vector<unsigned> out;
    const auto bus = number(path.substr(0, dash));
    if (!bus)
        return std::nullopt;
    out.push_back(*bus);
    std::string_view rest = path.substr(dash + 1);
    while (true) {
        const std::size_t dot = rest.find('.');
        const auto port = number(rest.substr(0, dot));
        if (!port)
            return std::nullopt;
        out.push_back(*port);
        if (dot == std::string_view::npos)
            break;
        rest = rest.substr(dot + 1);
    }
    if (out.size() - 1 > kMaxHubLevels)
        return std::nullopt;
    return out;
}

} // namespace

bool valid(std::string_view path) {
    return parts(path).has_value();
}

std::string ofSysfsPath(std::string_view sysfsPath) {
    std::string found;
    std::size_t start = 0;
    while (start <= sysfsPath.size()) {
        std::size_t slash = sysfsPath.find('/', start);
        if (slash == std::string_view::npos)
            slash = sysfsPath.size();
        const std::string_view component = sysfsPath.substr(start, slash - start);
        // An interface is "<port path>:<configuration>.<interface>".
        const std::size_t colon = component.find(':');
        if (colon != std::string_view::npos && valid(component.substr(0, colon))) {
            const std::string_view iface = component.substr(colon + 1);
            const std::size_t dot = iface.find('.');
            if (dot != std::string_view::npos && !iface.substr(0, dot).empty() &&
                !iface.substr(dot + 1).empty())
                found = std::string(component.substr(0, colon));
        }
        start = slash + 1;
    }
    return found;
}

bool before(std::string_view a, std::string_view b) {
    const auto pa = parts(a);
    const auto pb = parts(b);
    if (pa && pb)
        return *pa < *pb;
    if (pa != pb)
        return pa.has_value(); // well-formed first
    return a < b;
}

} // namespace rfbind::usbport
