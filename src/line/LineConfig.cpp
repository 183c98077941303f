// SPDX-License-Identifier: MIT
#include "line/LineConfig.h"

#include "settings/IniFile.h"
#include "text/Hex.h"

#include <libpq-fe.h>

#include <fstream>
#include <iterator>
#include <sstream>

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

// The INI store skips lines it cannot read without a word; a line that is none of the forms
// it knows is most likely a mistyped setting, so it is reported instead of ignored.
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
                return "line " + std::to_string(number) + " is not a [section] header: " +
                       std::string(s);
            continue;
        }
        const auto eq = s.find('=');
        if (eq == std::string_view::npos || trimmed(s.substr(0, eq)).empty())
            return "line " + std::to_string(number) + " is not key=value: " + std::string(s);
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
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(std::string(uri).c_str(), &error);
    if (!options) {
        std::string reason = error ? std::string(trimmed(error)) : "not a connection URI";
        while (!reason.empty() && reason.back() == '\n')
            reason.pop_back();
        PQfreemem(error);
        return "the database URI cannot be used: " + reason;
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

    config.station = value(ini, "Station");
    if (config.station.empty())
        config.station = hostName();
    config.product = value(ini, "Product");

    if (ini.hasKey(kSection, "BlockSize")) {
        const std::string text = value(ini, "BlockSize");
        const auto n = ParseIniInteger(text);
        if (!n || *n < 1 || *n > kMaxBlockSize)
            return configError(file, "BlockSize must be a whole number from 1 to " +
                                         std::to_string(kMaxBlockSize) + ", not \"" + text +
                                         "\"");
        config.blockSize = *n;
    }
    return std::optional<LineConfig>(std::move(config));
}

} // namespace rfbind
