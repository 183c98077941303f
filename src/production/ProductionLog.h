// SPDX-License-Identifier: MIT
#pragma once

#include "settings/FileSystem.h"

#include <string>
#include <string_view>

namespace rfbind {

/// The day's production log: folder "Log" in the working folder, one file per calendar day
/// named "YYYY-MM-DD.txt", one line per passed unit, CR LF at the end of each line.
class ProductionLog {
public:
    /// A passed unit as the station shows it. Dashes in the fields are dropped when written.
    struct Entry {
        std::string timestamp; ///< local date and time of the PASS, "YYYY-MM-DD hh:nn:ss"
        std::string radioId;   ///< the receiver radio ID, six hex digits
        std::string rxSerial;  ///< receiver serial-number text; empty when off
        std::string txSerial;  ///< transmitter serial-number text; empty when off
    };

    struct AppendResult {
        bool ok = false;
        std::string path;  ///< the file written, or meant to be written
        std::string error; ///< why it failed, in plain words
    };

    /// "timestamp,radioId,rxSerial,txSerial" without dashes and without the line end.
    static std::string line(const Entry& entry);

    /// `folder`/Log/`date`.txt, date as "YYYY-MM-DD".
    static std::string path(const std::string& folder, const std::string& date);

    /// Appends one line (and CR LF) to the file, creating it when the day has none yet,
    /// through appendLine. Failures are returned, never thrown.
    static AppendResult append(const std::string& file, const Entry& entry,
                               FileSystem& files = FileSystem::system());

    /// Appends `line` and CR LF to `file` durably (AppendFileDurably: one write to a file
    /// opened for appending, then fsync before this returns; a new file's folder is flushed
    /// too), so a crash or a pulled plug never leaves half a line or loses a line that was
    /// reported written. For every record the station must not lose (the day's log, a journal
    /// of attempts). `files` must outlive the call.
    static AppendResult appendLine(const std::string& file, std::string_view line,
                                   FileSystem& files = FileSystem::system());
};

} // namespace rfbind
