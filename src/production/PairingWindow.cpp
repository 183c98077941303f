// SPDX-License-Identifier: MIT
#include "production/PairingWindow.h"

#include <algorithm>

namespace rfbind {

bool PairingWindow::request(int slot) {
    const std::lock_guard lock(mutex_);
    if (holder_ == slot)
        return true;
    if (std::find(queue_.begin(), queue_.end(), slot) == queue_.end())
        queue_.push_back(slot);
    if (!holder_ && queue_.front() == slot) {
        queue_.pop_front();
        holder_ = slot;
        return true;
    }
    return false;
}

void PairingWindow::release(int slot) {
    const std::lock_guard lock(mutex_);
    if (holder_ == slot)
        holder_.reset();
    std::erase(queue_, slot);
}

std::optional<int> PairingWindow::holder() const {
    const std::lock_guard lock(mutex_);
    return holder_;
}

bool PairingWindow::waiting(int slot) const {
    const std::lock_guard lock(mutex_);
    return std::find(queue_.begin(), queue_.end(), slot) != queue_.end();
}

} // namespace rfbind
