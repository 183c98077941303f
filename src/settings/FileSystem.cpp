// SPDX-License-Identifier: MIT
#include "settings/FileSystem.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace rfbind {

int FileSystem::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileSystem::write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}
int FileSystem::fsync(int fd) { return ::fsync(fd); }
int FileSystem::close(int fd) { return ::close(fd); }
int FileSystem::rename(const char* from, const char* to) { return ::rename(from, to); }
int FileSystem::unlink(const char* path) { return ::unlink(path); }
int FileSystem::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileSystem::ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
off_t FileSystem::lseek(int fd, off_t offset, int whence) { return ::lseek(fd, offset, whence); }
int FileSystem::stat(const char* path, struct ::stat* result) { return ::stat(path, result); }
int FileSystem::access(const char* path, int mode) { return ::access(path, mode); }

FileSystem& FileSystem::system() {
    static FileSystem real;
    return real;
}

} // namespace rfbind
