// SPDX-License-Identifier: MIT
#pragma once

#include "settings/FileSystem.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace rfbind {

/// What `IniFile::load` found.
enum class IniLoadStatus : std::uint8_t {
    Loaded,     ///< the file was read
    Missing,    ///< no file: the store is empty, and nothing was created
    Unreadable, ///< the file exists but could not be read: the store is empty, and `save`
                ///< refuses to replace the file so its other sections are not lost
};

/// Outcome of `IniFile::load`.
struct IniLoadResult {
    IniLoadStatus status = IniLoadStatus::Loaded;
    std::string error; ///< why the file could not be read; empty otherwise
};

/// Outcome of `IniFile::save`: ok, or why the file on disk was left as it was.
struct IniSaveResult {
    bool ok = true;
    std::string error;

    explicit operator bool() const { return ok; }
};

/// An integer as the station reads it from its settings file: decimal, or hexadecimal after
/// "0x", "0X" or "$" (up to 32 bits, taken as two's complement, so "$FFFFFFFF" is -1), with an
/// optional sign in front. Nothing for empty text, anything that is not such a number, or a
/// decimal value outside the 32-bit signed range.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

/// The station's settings file "TX.ini": sections of key=value lines, read once, changed in
/// memory, written back whole by `save`.
///
/// Keys and section names compare without letter case. Keys already in the file keep their
/// place, new keys are appended in the order of their first write, and everything not written
/// (other sections such as "Device", unknown keys, comments) is kept. Values are raw bytes in
/// the 8-bit code page, semicolons included; blanks around a value are not kept (the file
/// format trims them). Failures are values, never exceptions. Not thread-safe.
class IniFile {
public:
    /// A store for the file at `path`; nothing is read until `load`. `save` writes through
    /// `files`, which must outlive the store.
    explicit IniFile(std::filesystem::path path, FileSystem& files = FileSystem::system());
    ~IniFile();
    IniFile(IniFile&&) noexcept;
    IniFile& operator=(IniFile&&) noexcept;

    const std::filesystem::path& path() const { return path_; }

    /// Replaces the store's contents by the file's. A missing file leaves the store empty and
    /// creates nothing.
    IniLoadResult load();

    bool hasKey(std::string_view section, std::string_view key) const;

    /// The value as stored, or `fallback` when the key is absent.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback = {}) const;

    /// The value read by `ParseIniInteger`, or `fallback` when the key is absent or its value
    /// is not a number.
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t fallback) const;

    /// True when the value is an integer other than 0; `fallback` when the key is absent or
    /// its value is not a number.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    /// Sets a value in memory. Returns false, and changes nothing, when the value holds a line
    /// end or a zero byte, or the section or key name could not be read back as the same name
    /// (empty, blanks around it, a line end, "=" in a key, "]" in a section, or a key starting
    /// with ";", "#" or "[").
    bool writeString(std::string_view section, std::string_view key, std::string_view value);

    /// Writes the value in decimal. Same failures as `writeString`.
    bool writeInteger(std::string_view section, std::string_view key, std::int32_t value);

    /// Writes "1" or "0". Same failures as `writeString`.
    bool writeBool(std::string_view section, std::string_view key, bool value);

    /// Removes the key; its section stays. Returns whether the key was there.
    bool deleteKey(std::string_view section, std::string_view key);

    /// The file's text as `save` would write it.
    std::string text() const;

    /// Writes the whole store over the file through ReplaceFileDurably, so that a crash or
    /// power cut at any moment leaves either the old or the new file complete (write, fsync,
    /// rename, fsync of the folder). A leftover temporary file of an interrupted save is
    /// replaced, so at most one can exist. The file keeps its permission bits; a symbolic link
    /// is followed and stays a link. Refuses when the last `load` found the file unreadable,
    /// and when the file may not be written (write-protected): the file is then left byte
    /// for byte as it was. On failure the old file is untouched, except when only the final
    /// flush of the folder failed: the new file is then in place but may not survive a power
    /// cut (the error says "saved, but ...").
    IniSaveResult save();

private:
    struct Store;
    std::filesystem::path path_;
    std::unique_ptr<Store> store_;
    FileSystem* files_;
};

} // namespace rfbind
