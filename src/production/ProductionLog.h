// SPDX-License-Identifier: MIT
#pragma once

#include <string>

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

    /// Appends one line (and CR LF) to the file, creating it when the day has none yet. The
    /// line goes out in one write to a file opened for appending, and reaches the disk before
    /// this returns, so a crash or a pulled plug never leaves half a line. Failures are
    /// returned, never thrown.
    static AppendResult append(const std::string& file, const Entry& entry);

    /// Appends `text` (a whole line with its line end) the same way: one write to a file
    /// opened for appending, synced before this returns; a partial write is taken back.
    static AppendResult appendLine(const std::string& file, const std::string& text);
};

} // namespace rfbind
