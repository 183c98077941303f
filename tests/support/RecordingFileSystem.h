// SPDX-License-Identifier: MIT
#pragma once

#include "settings/FileSystem.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace rfbind::test {

/// The real file calls, each one that changes or flushes something recorded in order as
/// "write <name>", "fsync <name>", "rename <from> <to>", "fsync <folder>/" (file names without
/// their folder; a folder is shown with a trailing slash), so a test can see the order a
/// durable write needs, which a killed process cannot show.
class RecordingFileSystem : public FileSystem {
public:
    std::vector<std::string> calls;

    int open(const char* path, int flags, mode_t mode) override {
        const int fd = FileSystem::open(path, flags, mode);
        if (fd >= 0)
            names_[fd] = std::filesystem::is_directory(path) ? nameOf(path) + "/" : nameOf(path);
        return fd;
    }
    ssize_t write(int fd, const void* data, std::size_t size) override {
        calls.push_back("write " + names_[fd]);
        return FileSystem::write(fd, data, size);
    }
    int fsync(int fd) override {
        calls.push_back("fsync " + names_[fd]);
        return FileSystem::fsync(fd);
    }
    int close(int fd) override {
        names_.erase(fd);
        return FileSystem::close(fd);
    }
    int rename(const char* from, const char* to) override {
        calls.push_back("rename " + nameOf(from) + " " + nameOf(to));
        return FileSystem::rename(from, to);
    }

private:
    static std::string nameOf(const char* path) {
        const std::filesystem::path p(path);
        return p.filename().empty() || p.filename() == "." ? p.parent_path().filename().string()
                                                             : p.filename().string();
    }
    std::map<int, std::string> names_;
};

} // namespace rfbind::test
