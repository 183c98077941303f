// SPDX-License-Identifier: MIT
#include "line/LeaseFile.h"

#include "settings/IniFile.h"

#include <charconv>
#include <optional>

namespace rfbind {

namespace {

std::optional<std::int64_t> parseInt64(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

} // namespace

LeaseFile::LeaseFile(std::filesystem::path file) : file_(std::move(file)) {}

LineResult<std::vector<Lease>> LeaseFile::load() const {
    IniFile ini(file_);
    const IniLoadResult loaded = ini.load();
    if (loaded.status == IniLoadStatus::Missing)
        return std::vector<Lease>{};
    if (loaded.status != IniLoadStatus::Loaded)
        return LineError{LineErrorKind::Refused, file_.string() + ": " + loaded.error};
    std::vector<Lease> leases;
    for (NumberKind kind : kNumberKinds) {
        const std::string section(numberKindName(kind));
        if (!ini.hasKey(section, "Lease"))
            continue;
        auto bad = [&](const std::string& why) {
            return LineError{LineErrorKind::Refused,
                             file_.string() + ": [" + section + "] " + why};
        };
        Lease lease;
        lease.kind = kind;
        lease.pool = ini.readString(section, "Pool");
        const auto id = parseInt64(ini.readString(section, "Lease"));
        const auto first = parseInt64(ini.readString(section, "First"));
        const auto last = parseInt64(ini.readString(section, "Last"));
        if (lease.pool.empty() || !id || !first || !last)
            return bad("needs Pool, Lease, First and Last as whole numbers");
        lease.id = *id;
        lease.first = *first;
        lease.last = *last;
        if (lease.first > lease.last)
            return bad("First lies after Last");
        const std::string used = ini.readString(section, "LastUsed");
        if (!used.empty()) {
            const auto value = parseInt64(used);
            if (!value || !lease.contains(*value))
                return bad("LastUsed is not a value of the lease");
            lease.lastUsed = *value;
        }
        leases.push_back(std::move(lease));
    }
    return leases;
}

LineResult<LineDone> LeaseFile::save(const std::vector<Lease>& leases) const {
    IniFile ini(file_);
    for (const Lease& lease : leases) {
        const std::string section(numberKindName(lease.kind));
        const bool ok = ini.writeString(section, "Pool", lease.pool) &&
                        ini.writeString(section, "Lease", std::to_string(lease.id)) &&
                        ini.writeString(section, "First", std::to_string(lease.first)) &&
                        ini.writeString(section, "Last", std::to_string(lease.last)) &&
                        ini.writeString(section, "LastUsed",
                                        lease.lastUsed ? std::to_string(*lease.lastUsed) : "");
        if (!ok)
            return LineError{LineErrorKind::Refused,
                             "the pool name \"" + lease.pool + "\" cannot be kept in " +
                                 file_.string()};
    }
    const IniSaveResult saved = ini.save();
    if (!saved)
        return LineError{LineErrorKind::Refused, saved.error};
    return LineDone{};
}

Lease LeaseFile::resumed(const Lease& kept, const Lease& ledger) {
    Lease lease = ledger;
    if (kept.lastUsed && (!lease.lastUsed || *kept.lastUsed > *lease.lastUsed))
        lease.lastUsed = kept.lastUsed;
    return lease;
}

} // namespace rfbind
