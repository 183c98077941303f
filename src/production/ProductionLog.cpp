// SPDX-License-Identifier: MIT
#include "production/ProductionLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

ProductionLog::AppendResult ProductionLog::append(const std::string& file, const Entry& entry) {
    return appendLine(file, line(entry) + "\r\n");
}

ProductionLog::AppendResult ProductionLog::appendLine(const std::string& file, const std::string& text) {
    AppendResult r;
    r.path = file;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        r.error = std::string("cannot open the log file: ") + std::strerror(errno);
        return r;
    }
    ssize_t written;
    do {
        written = ::write(fd, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(text.size())) {
        r.error = written < 0 ? std::string("cannot write the log file: ") + std::strerror(errno)
                              : std::string("the log file took only part of the line (disk full?)");
        // Take the partial line back so the next unit's line starts on a line of its own.
        if (written > 0) {
            const off_t end = ::lseek(fd, 0, SEEK_END);
            if (end >= written)
                (void)::ftruncate(fd, end - written);
        }
        ::close(fd);
        return r;
    }
    if (::fsync(fd) != 0) {
        r.error = std::string("cannot write the log file to disk: ") + std::strerror(errno);
        ::close(fd);
        return r;
    }
    if (::close(fd) != 0) {
        r.error = std::string("cannot close the log file: ") + std::strerror(errno);
        return r;
    }
    r.ok = true;
    return r;
}

} // namespace rfbind
