// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace rfbind {

/// Why the file cannot be written (replaced or appended to) now, or nothing when it can: the
/// file or its folder is write-protected (no write bit at all: a supervisor froze it, which
/// holds even for an administrator), the file or its folder is not writable for this user,
/// or the folder is missing. For the settings file, the production log and the journal. The station programs no unit while its numbering cannot be stored: after a
/// restart it would hand the same serial numbers and radio IDs out again.
std::optional<std::string> whyCannotStore(const std::filesystem::path& file);

} // namespace rfbind
