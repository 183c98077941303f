// SPDX-License-Identifier: MIT
#include "production/ProductionLog.h"

#include "settings/DurableFile.h"

#include <algorithm>

namespace rfbind {

namespace {
std::string withoutDashes(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '-'), s.end());
    return s;
}
} // namespace

std::string ProductionLog::line(const Entry& e) {
    // The timestamp keeps its dashes: it is a date, not a number the station printed.
    return e.timestamp + "," + withoutDashes(e.radioId) + "," + withoutDashes(e.rxSerial) + "," +
           withoutDashes(e.txSerial);
}

std::string ProductionLog::path(const std::string& folder, const std::string& date) {
    return folder + "/Log/" + date + ".txt";
}

ProductionLog::AppendResult ProductionLog::append(const std::string& file, const Entry& entry,
                                                  FileSystem& files) {
    return appendLine(file, line(entry), files);
}

ProductionLog::AppendResult ProductionLog::appendLine(const std::string& file,
                                                      std::string_view text, FileSystem& files) {
    AppendResult r;
    r.path = file;
    const std::string data = std::string(text) + "\r\n";
    if (auto error = AppendFileDurably(files, file, data, "the log file"))
        r.error = *error;
    else
        r.ok = true;
    return r;
}

} // namespace rfbind
