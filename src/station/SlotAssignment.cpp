// SPDX-License-Identifier: MIT
#include "station/SlotAssignment.h"

#include "link/UsbPort.h"

#include <algorithm>

namespace rfbind {

SlotAssignment::SlotAssignment(const StationSlots& slots) : ports_(slots.ports) {
    ports_.resize(static_cast<std::size_t>(std::max(slots.count, 1)));
}

void SlotAssignment::offer(std::vector<std::string> ports) {
    std::erase(ports, std::string());
    std::sort(ports.begin(), ports.end(),
              [](const std::string& a, const std::string& b) { return usbport::before(a, b); });
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());

    const std::lock_guard lock(mutex_);
    auto next = ports.begin();
    for (std::string& mine : ports_) {
        if (!mine.empty())
            continue;
        while (next != ports.end() &&
               std::find(ports_.begin(), ports_.end(), *next) != ports_.end())
            ++next;
        if (next == ports.end())
            return;
        mine = *next++;
    }
}

int SlotAssignment::slotOf(std::string_view port) const {
    if (port.empty())
        return 0;
    const std::lock_guard lock(mutex_);
    const auto it = std::find(ports_.begin(), ports_.end(), port);
    return it == ports_.end() ? 0 : static_cast<int>(it - ports_.begin()) + 1;
}

std::string SlotAssignment::portOf(int slot) const {
    const std::lock_guard lock(mutex_);
    if (slot < 1 || slot > static_cast<int>(ports_.size()))
        return {};
    return ports_[static_cast<std::size_t>(slot - 1)];
}

} // namespace rfbind
