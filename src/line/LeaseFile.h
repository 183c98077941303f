// SPDX-License-Identifier: MIT
#pragma once

#include "line/Lease.h"
#include "line/LineResult.h"

#include <filesystem>
#include <vector>

namespace rfbind {

/// The station's own copy of the leases it holds, "Line-leases.ini" in its working folder:
/// one section per kind ([rx_serial] ...) with Pool, Lease, First, Last and LastUsed. It lets
/// a station restarted while the database is down go on inside its lease, and it knows how
/// far the station got when the database does not (values used while offline).
///
/// Written whole to a temporary file, flushed and renamed (as TX.ini), so a kill leaves the
/// old or the new file. Save it, like `LineLedger::markUsed`, before a value goes into a unit.
class LeaseFile {
public:
    explicit LeaseFile(std::filesystem::path file);

    /// The leases kept, at most one per kind; none when the file does not exist. A file that
    /// cannot be read, or a section with a value missing or out of order (First > Last,
    /// LastUsed outside the lease), is an error of kind `Refused` naming the file and section:
    /// the station must not guess where its numbers stand.
    LineResult<std::vector<Lease>> load() const;

    /// Replaces the file by `leases` (at most one per kind; `station` is not kept).
    LineResult<LineDone> save(const std::vector<Lease>& leases) const;

    /// The lease to go on with when the station's copy and the ledger's describe the same
    /// lease: the ledger's, with the higher of the two `lastUsed`. Neither side ever lowers
    /// what the other knows was used.
    static Lease resumed(const Lease& kept, const Lease& ledger);

    const std::filesystem::path& path() const { return file_; }

private:
    std::filesystem::path file_;
};

} // namespace rfbind
