// SPDX-License-Identifier: MIT
#include "settings/IniFile.h"

#include "settings/DurableFile.h"

// The Debian build of SimpleIni keeps its template bodies behind SI_IMPLEMENTATION; without a
// converter it stores values as the raw bytes of the file.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace rfbind {

struct IniFile::Store {
    CSimpleIniA ini;
    bool refuseSave = false;

    Store() { configure(); }

    // Every occurrence of the key in its section compares equal under the store's letter-case
    // folding, so one range lookup finds them all; the first in the file is the one that counts.
    const CSimpleIniA::TKeyVal::value_type* first(std::string_view section,
                                                   std::string_view key) const {
        const CSimpleIniA::TKeyVal* keys = ini.GetSection(std::string(section).c_str());
        if (!keys)
            return nullptr;
        const std::string name(key);
        const auto [begin, end] = keys->equal_range(CSimpleIniA::Entry(name.c_str()));
        const CSimpleIniA::TKeyVal::value_type* found = nullptr;
        for (auto it = begin; it != end; ++it)
            if (!found || it->first.nOrder < found->first.nOrder)
                found = &*it;
        return found;
    }

    // The value of the first occurrence of the key in the file, or nullptr.
    const char* find(std::string_view section, std::string_view key) const {
        const auto* entry = first(section, key);
        return entry ? entry->second : nullptr;
    }

    // The key as the file spells it, so a rewrite keeps its letter case; `key` when it is new.
    std::string spelling(std::string_view section, std::string_view key) const {
        const auto* entry = first(section, key);
        return entry ? std::string(entry->first.pItem) : std::string(key);
    }
    void configure() {
        ini.SetUnicode(false);
        // A key written twice by hand stays twice until the station writes it; reads take the
        // first, as the platform's profile functions do, and a write replaces all of them.
        ini.SetMultiKey(true);
        // A value beginning with "<<<" is data here, not the start of a multi-line block.
        ini.SetMultiLine(false);
        ini.SetSpaces(false); // key=value, as the platform's profile functions write it
        ini.SetQuotes(false);
        ini.SetAllowKeyOnly(false);
    }
};

namespace {

std::string errnoText(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool hasLineBreakOrZero(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The parser trims names and ends keys at "=" and sections at "]": a name it would read back
// differently must not be written.
bool isValidName(std::string_view name, bool section) {
    if (name.empty() || isBlank(name.front()) || isBlank(name.back()) || hasLineBreakOrZero(name))
        return false;
    if (section)
        return name.find(']') == std::string_view::npos;
    return name.find('=') == std::string_view::npos && name.front() != ';' && name.front() != '#' &&
           name.front() != '[';
}

} // namespace

std::optional<std::int32_t> ParseIniInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;

    std::uint32_t bits = 0;
    if (base == 16) {
        // Hex is a bit pattern: all 32 bits are allowed, as in the hex edits that write them.
        if (magnitude > 0xFFFFFFFFu)
            return std::nullopt;
        bits = static_cast<std::uint32_t>(magnitude);
    } else {
        const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
        if (magnitude > limit)
            return std::nullopt;
        bits = static_cast<std::uint32_t>(magnitude);
    }
    if (negative)
        bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
}

IniFile::IniFile(fs::path path, FileSystem& files)
    : path_(std::move(path)), store_(std::make_unique<Store>()), files_(&files) {}
IniFile::~IniFile() = default;
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;

IniLoadResult IniFile::load() {
    store_->ini.Reset();
    store_->configure();
    store_->refuseSave = false;

    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return {IniLoadStatus::Missing, {}};
        store_->refuseSave = true;
        return {IniLoadStatus::Unreadable, errnoText("cannot open " + path_.string(), errno)};
    }
    std::string data;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            store_->refuseSave = true;
            return {IniLoadStatus::Unreadable, errnoText("cannot read " + path_.string(), error)};
        }
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);

    if (store_->ini.LoadData(data) < 0) {
        store_->ini.Reset();
        store_->refuseSave = true;
        return {IniLoadStatus::Unreadable, "cannot parse " + path_.string()};
    }
    return {IniLoadStatus::Loaded, {}};
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const {
    return store_->find(section, key) != nullptr;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    const char* value = store_->find(section, key);
    return value ? std::string(value) : std::string(fallback);
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
    const char* value = store_->find(section, key);
    if (!value)
        return fallback;
    return ParseIniInteger(value).value_or(fallback);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

bool IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    // A line end inside a value would start a new line that the next load reads as a key of
    // its own, so such a value is refused rather than written.
    if (!isValidName(section, true) || !isValidName(key, false) || hasLineBreakOrZero(value))
        return false;
    return store_->ini.SetValue(std::string(section).c_str(),
                                store_->spelling(section, key).c_str(), std::string(value).c_str(),
                                nullptr, /*a_bForceReplace=*/true) >= 0;
}

bool IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
    return writeString(section, key, std::to_string(value));
}

bool IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    return writeString(section, key, value ? "1" : "0");
}

bool IniFile::deleteKey(std::string_view section, std::string_view key) {
    return store_->ini.Delete(std::string(section).c_str(), std::string(key).c_str(), false);
}

std::string IniFile::text() const {
    std::string out;
    store_->ini.Save(out, store_->ini.IsUnicode());
    return out;
}

IniSaveResult IniFile::save() {
    if (store_->refuseSave)
        return {false, path_.string() + " could not be read when loading; it is left as it was "
                                        "so that its other settings are not lost"};
    std::string data;
    if (store_->ini.Save(data, store_->ini.IsUnicode()) < 0)
        return {false, "cannot render the settings"};

    // Replace the file a link points to, not the link itself.
    fs::path target = path_;
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec)
            return {false, "cannot follow the link " + path_.string() + ": " + ec.message()};
        target = resolved;
    }
    if (auto error = ReplaceFileDurably(*files_, target, data))
        return {false, *error};
    return {true, {}};
}

} // namespace rfbind
