// SPDX-License-Identifier: MIT
#include "settings/StorageCheck.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace rfbind {

std::optional<std::string> whyCannotStore(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        // An administrator may write anything; the missing write bits are the freeze.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return file.string() + " is write-protected";
        if (::access(file.c_str(), W_OK) != 0)
            return file.string() + " cannot be written: " + std::strerror(errno);
    }
    // The file is replaced through a new file beside it, so its folder must take new files.
    std::filesystem::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    if (::stat(folder.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        return folder.string() + " is not a folder";
    if (::stat(folder.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return "the folder " + folder.string() + " is write-protected";
    if (::access(folder.c_str(), W_OK) != 0)
        return "the folder " + folder.string() + " cannot be written: " + std::strerror(errno);
    return std::nullopt;
}

} // namespace rfbind
