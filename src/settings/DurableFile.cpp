// SPDX-License-Identifier: MIT
#include "settings/DurableFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace rfbind {

namespace {

std::string errnoText(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// Writes all of `data`, retrying interrupted and partial writes.
bool writeAll(FileSystem& files, int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = files.write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Flushes a folder, so an entry just created or renamed in it survives a power cut.
std::optional<std::string> flushFolder(FileSystem& files, const fs::path& folder,
                                       const std::string& prefix) {
    const int dir = files.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dir < 0)
        return errnoText(prefix + "cannot open the folder to flush it", errno);
    const bool flushed = files.fsync(dir) == 0;
    const int error = errno;
    files.close(dir);
    if (!flushed)
        return errnoText(prefix + "the folder could not be flushed", error);
    return std::nullopt;
}

} // namespace

std::optional<std::string> ReplaceFileDurably(FileSystem& files, const fs::path& target,
                                              std::string_view data) {
    const fs::path folder = folderOf(target);
    const fs::path temporary = folder / (target.filename().string() + ".tmp");

    // Keep the permission bits an administrator may have given the file.
    mode_t mode = 0666;
    struct stat existing {};
    const bool exists = files.stat(target.c_str(), &existing) == 0;
    if (exists) {
        mode = existing.st_mode & 07777;
        // The rename below needs only the folder's permission, so a write-protected file
        // would be replaced (and change owner) without this check. No write bit at all
        // counts even for the administrator, whom the permission check lets write anything.
        if (files.access(target.c_str(), W_OK) != 0)
            return errnoText(target.string() + " may not be written; it is left as it is", errno);
        if ((mode & 0222) == 0)
            return target.string() + " is write-protected (no write permission); it is left "
                                     "as it is";
    }

    // O_EXCL: a leftover of an interrupted save is removed and replaced instead of being
    // written into, so two savers can never interleave their bytes in one file and leftovers
    // never pile up.
    int fd = files.open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno == EEXIST) {
        files.unlink(temporary.c_str());
        fd = files.open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    }
    if (fd < 0)
        return errnoText("cannot create " + temporary.string(), errno);

    const auto abandon = [&](const std::string& what) {
        const int error = errno;
        if (fd >= 0)
            files.close(fd);
        files.unlink(temporary.c_str());
        return errnoText(what, error);
    };
    if (exists && files.fchmod(fd, mode) != 0)
        return abandon("cannot set the permissions of " + temporary.string());
    if (!writeAll(files, fd, data))
        return abandon("cannot write " + temporary.string());
    // The text must be on the disk before the rename makes it TX.ini: otherwise a power cut
    // can leave a TX.ini that is empty, and the counters with it.
    if (files.fsync(fd) != 0)
        return abandon("cannot flush " + temporary.string());
    const int closed = files.close(fd);
    fd = -1;
    if (closed != 0)
        return abandon("cannot close " + temporary.string());
    if (files.rename(temporary.c_str(), target.c_str()) != 0)
        return abandon("cannot replace " + target.string());
    return flushFolder(files, folder, "saved, but ");
}

std::optional<std::string> AppendFileDurably(FileSystem& files, const std::string& file,
                                             std::string_view data, const std::string& what) {
    struct stat existing {};
    const bool created = files.stat(file.c_str(), &existing) != 0;
    const int fd = files.open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return errnoText("cannot open " + what, errno);
    ssize_t written;
    do {
        written = files.write(fd, data.data(), data.size());
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(data.size())) {
        const std::string error =
            written < 0 ? errnoText("cannot write " + what, errno)
                        : what + " took only part of the line (disk full?)";
        // Take the partial line back so the next line starts on a line of its own.
        if (written > 0) {
            const off_t end = files.lseek(fd, 0, SEEK_END);
            if (end >= written)
                (void)files.ftruncate(fd, end - written);
        }
        files.close(fd);
        return error;
    }
    if (files.fsync(fd) != 0) {
        const int error = errno;
        files.close(fd);
        return errnoText("cannot write " + what + " to disk", error);
    }
    if (files.close(fd) != 0)
        return errnoText("cannot close " + what, errno);
    if (created)
        return flushFolder(files, folderOf(file), "written, but ");
    return std::nullopt;
}

} // namespace rfbind
