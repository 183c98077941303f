// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace rfbind::bench {

/// True when umockdev's preload library is loaded into this process, so that /sys, /dev, the
/// device ioctls and the udev netlink socket go to an emulated test bed once one is created.
bool umockdevPreloaded();

/// Makes sure umockdev's preload library is loaded: when it is not, re-executes this program
/// (/proc/self/exe with `argv`) with the library added in front of LD_PRELOAD; that call does
/// not return. Returns true when the library is loaded; false with a reason in `error` when
/// the re-execution failed or did not load it. Call it first thing in main(), before any
/// thread starts.
bool ensureUmockdevPreloaded(char** argv, std::string& error);

} // namespace rfbind::bench
