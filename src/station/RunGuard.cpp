// SPDX-License-Identifier: MIT
#include "station/RunGuard.h"

namespace rfbind {

RunGuard::~RunGuard() {
    if (!acquired_)
        return;
    for (auto it = restores_.rbegin(); it != restores_.rend(); ++it) {
        // One restore that fails must not keep the others from running, nor the station busy.
        try {
            (*it)();
        } catch (...) {
        }
    }
    busy_ = false;
}

void RunGuard::atExit(std::function<void()> restore) {
    if (acquired_)
        restores_.push_back(std::move(restore));
}

} // namespace rfbind
