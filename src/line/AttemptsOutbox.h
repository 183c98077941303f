// SPDX-License-Identifier: MIT
#pragma once

#include "line/LineResult.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace rfbind {

class LineLedger;

/// The station's attempts journals seen as an outbox: every journal line is sent to the
/// line's database exactly once, however often the database is down and the station killed.
///
/// The journal itself is the outbox; nothing is copied. A small marker file,
/// "Log/attempts-outbox.txt", keeps per journal the byte offset up to which every complete
/// record has been stored ("attempts-2026-12-08.csv 10234" per line), written to a temporary
/// file and renamed over the old one. The marker only saves work: a lost or stale marker makes
/// the next `sync` send lines again, and the database stores each attempt ID once, so nothing
/// is ever stored twice. A record is counted sent only after the transaction holding it
/// committed; the marker moves after that, so a kill in between at most repeats a batch.
class AttemptsOutbox {
public:
    /// What one `sync` did.
    struct Report {
        std::size_t stored = 0;        ///< records the database did not have before
        std::size_t alreadyStored = 0; ///< records it had (sent before the marker moved)
        std::size_t journals = 0;      ///< journal files looked at
        /// Records skipped because they do not hold an attempt, and journals that cannot be
        /// read, as "file:line: reason". Reported once; the marker moves past them.
        std::vector<std::string> problems;
    };

    /// The outbox of the station whose working folder is `stationFolder` (journals in its Log/).
    explicit AttemptsOutbox(std::filesystem::path stationFolder);

    /// Sends every complete record not yet stored, oldest journal first, in transactions of at
    /// most `batchSize` records, each stored with the pool its journal line names, or else the
    /// ledger's product (`LineConfig::product`, NULL when Line.ini names none).
    /// On a database error (e.g. `Unreachable`) returns it; what was stored before stays
    /// stored and marked, the rest goes with the next call. A last record without its line end
    /// is left for the next call.
    LineResult<Report> sync(LineLedger& ledger, std::size_t batchSize = 200);

    /// How many complete records have not been sent yet (the backlog a station shows).
    LineResult<std::size_t> backlog() const;

    /// The marker file.
    std::filesystem::path markerPath() const;

private:
    std::filesystem::path folder_;
};

} // namespace rfbind
