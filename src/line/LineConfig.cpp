// SPDX-License-Identifier: MIT
#include "line/LineConfig.h"

#include "line/RedactSecrets.h"
#include "settings/IniFile.h"
#include "text/Hex.h"

#include <libpq-fe.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace rfbind {

namespace {

constexpr const char* kSection = "Line";

LineError configError(const std::filesystem::path& file, const std::string& what) {
    return {LineErrorKind::Config, file.string() + ": " + what};
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The keys of [Line]; a line that starts with one of them is named by it.
constexpr std::array<std::string_view, 4> kKeys{"Database", "Station", "Product", "BlockSize"};

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The known key a line starts with, if any. Nothing else of the line is ever repeated: it may
// be the database URI with its password, or a password on a line of its own.
std::string keyNamed(std::string_view line) {
    std::size_t n = 0;
    while (n < line.size() && std::isalnum(static_cast<unsigned char>(line[n])))
        ++n;
    for (const std::string_view key : kKeys)
        if (sameName(line.substr(0, n), key))
            return " (" + std::string(key) + ")";
    return {};
}

bool isKeyName(std::string_view key) {
    return std::all_of(key.begin(), key.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' ||
               c == ' ';
    });
}

// The INI store skips lines it cannot read without a word; a line that is none of the forms
// it knows is most likely a mistyped setting, so it is reported instead of ignored. A key
// that is no name ("Database: postgresql://...?sslmode=require" holds an '=' too) is one.
std::optional<std::string> firstUnreadableLine(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const std::string_view s = trimmed(line);
        if (s.empty() || s.front() == ';' || s.front() == '#')
            continue;
        if (s.front() == '[') {
            if (s.back() != ']' || s.size() < 3)
                return "line " + std::to_string(number) + " is not a [section] header";
            continue;
        }
        const auto eq = s.find('=');
        if (eq == std::string_view::npos || trimmed(s.substr(0, eq)).empty() ||
            !isKeyName(trimmed(s.substr(0, eq))))
            return "line " + std::to_string(number) + keyNamed(s) +
                   " is not key=value (write Key=value, with '=')";
    }
    return std::nullopt;
}

// Values are taken whole, as in TX.ini: a semicolon is part of the value (a password may hold
// one), so a comment belongs on a line of its own.
std::string value(const IniFile& ini, const char* key) {
    return std::string(trimmed(ini.readString(kSection, key)));
}

} // namespace

std::optional<std::string> LineConfig::checkDatabaseUri(std::string_view uri) {
    if (!(uri.starts_with("postgresql://") || uri.starts_with("postgres://")))
        return "the database must be a connection URI starting with postgresql://";
    // libpq takes the first '@' for the end of the user part: a password holding an '@' of
    // its own would be read as part of the host name, and the password's rest sent to a name
    // server. It must be written %40.
    const std::string_view afterScheme = uri.substr(uri.find("://") + 3);
    const std::string_view authority =
        afterScheme.substr(0, std::min(afterScheme.find('/'), afterScheme.find('?')));
    if (std::count(authority.begin(), authority.end(), '@') > 1)
        return "the database URI cannot be used: its user or password holds an '@'; write it "
               "percent-encoded, as %40";
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(std::string(uri).c_str(), &error);
    if (!options) {
        std::string reason = error ? std::string(trimmed(error)) : "not a connection URI";
        while (!reason.empty() && reason.back() == '\n')
            reason.pop_back();
        PQfreemem(error);
        return "the database URI cannot be used: " + redactSecrets(reason, uri);
    }
    PQconninfoFree(options);
    return std::nullopt;
}

std::string LineConfig::hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "station";
    return name;
}

std::string LineConfig::derivedProduct(std::uint16_t vendorId, std::uint16_t productId,
                                       std::string_view rxFixedPart,
                                       std::string_view txFixedPart) {
    auto part = [](std::string_view p) { return p.empty() ? std::string("-") : std::string(p); };
    return hexText(vendorId, 4) + ":" + hexText(productId, 4) + "/" + part(rxFixedPart) + "/" + part(txFixedPart);
}

LineResult<std::optional<LineConfig>> LineConfig::load(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec) && !ec)
        return std::optional<LineConfig>{};

    std::ifstream in(file, std::ios::binary);
    const std::string text = in ? std::string{std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>()}
                                : std::string();
    if (!in || in.bad())
        return configError(file, "cannot be read");
    if (const auto bad = firstUnreadableLine(text))
        return configError(file, *bad);

    IniFile ini(file);
    const IniLoadResult loaded = ini.load();
    if (loaded.status != IniLoadStatus::Loaded)
        return configError(file, loaded.error.empty() ? "cannot be read" : loaded.error);

    LineConfig config;
    config.database = value(ini, "Database");
    if (config.database.empty()) {
        return configError(file, ini.hasKey(kSection, "Database")
                                     ? "Database in [Line] is empty"
                                     : "no Database in a [Line] section");
    }
    if (const auto bad = checkDatabaseUri(config.database))
        return configError(file, "Database: " + *bad);

    // The password in Database opens the line's ledger to anyone who reads the file.
    if (databaseHoldsPassword(config.database)) {
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0 && (st.st_mode & (S_IRGRP | S_IROTH)) != 0)
            config.warnings.push_back(
                file.string() + ": Database holds a password and the file may be read by other "
                                "users; make it readable by the station's user only (chmod 600)");
    }

    config.station = value(ini, "Station");
    if (config.station.empty())
        config.station = hostName();
    config.product = value(ini, "Product");

    if (ini.hasKey(kSection, "BlockSize")) {
        const std::string text = value(ini, "BlockSize");
        const auto n = ParseIniInteger(text);
        if (!n || *n < 1 || *n > kMaxBlockSize)
            return configError(file, "BlockSize must be a whole number from 1 to " +
                                         std::to_string(kMaxBlockSize));
        config.blockSize = *n;
    }
    return std::optional<LineConfig>(std::move(config));
}

} // namespace rfbind
