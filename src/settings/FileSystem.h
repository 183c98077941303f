// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <sys/stat.h>
#include <sys/types.h>

namespace rfbind {

/// The few POSIX file calls the station's durable writes make (TX.ini, the production log),
/// behind one interface, so tests can see the order of writes, flushes and renames that no
/// killed process could show, and make any call fail. Every call has the POSIX contract of
/// the function of the same name: -1 with errno set on failure.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual int open(const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);
    virtual int fchmod(int fd, mode_t mode);
    virtual int ftruncate(int fd, off_t length);
    virtual off_t lseek(int fd, off_t offset, int whence);
    virtual int stat(const char* path, struct ::stat* result);
    virtual int access(const char* path, int mode);

    /// The real calls; lives as long as the process.
    static FileSystem& system();
};

} // namespace rfbind
