// SPDX-License-Identifier: MIT
#pragma once

#include "settings/FileSystem.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace rfbind {

/// Puts `data` in place of `target` so that, whenever the process or the machine stops, the
/// target is either the old file or the new one, complete: the data goes to "<name>.tmp" in
/// the same folder, is flushed to the disk (write, fsync), renamed over the target, and the
/// folder is flushed (fsync) so the rename itself survives a power cut. A leftover temporary
/// file of an interrupted save is replaced. The target keeps its permission bits.
///
/// A target that exists but may not be written (no write permission for this user, or no
/// write permission bit at all, which stops the administrator too) is refused and left as it
/// is: write-protecting the file is how a supervisor freezes it, and a rename would replace it
/// regardless. Returns nothing on success, else why in plain words; on failure the old file
/// is untouched, except when only the final flush of the folder failed (the error then says
/// "saved, but ...").
std::optional<std::string> ReplaceFileDurably(FileSystem& fs, const std::filesystem::path& target,
                                              std::string_view data);

/// Appends `data` to `file` (created with mode 0644 when missing) in one write to a file
/// opened for appending, and flushes it to the disk (fsync) before returning; a file it
/// created also has its folder flushed, so the new entry survives a power cut. A write that
/// took only part of `data` is taken back, so the next append starts where this one did.
/// `what` names the file in the error ("the log file"). Returns nothing on success, else why.
std::optional<std::string> AppendFileDurably(FileSystem& fs, const std::string& file,
                                             std::string_view data, const std::string& what);

} // namespace rfbind
