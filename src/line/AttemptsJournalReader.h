// SPDX-License-Identifier: MIT
#pragma once

#include "production/AttemptRecord.h"
#include "production/AttemptsJournal.h"
#include "line/LineResult.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rfbind {

/// Reads a station's attempts journal, "Log/attempts-YYYY-MM-DD.csv": UTF-8, CR LF line ends,
/// a header, one RFC 4180 record per attempt. Journals begun before the pool was journalled
/// have the header without `product` and lines without it; both are read.
///
/// The journal is appended to by a station that may be killed at any moment, so reading is
/// forgiving where it must be: a last record without its line end is left unread (it may still
/// be being written, or it was torn), and a record that does not hold a valid attempt is
/// skipped and reported, not fatal. When a torn record was later continued by the next append,
/// the attempt after the torn bytes is still recovered. Nothing here throws.
class AttemptsJournalReader {
public:
    /// The first line of a journal written now, without its line end.
    static constexpr std::string_view kHeader = AttemptsJournal::kHeader;

    /// A record that could not be used.
    struct Problem {
        std::size_t line = 0; ///< 1-based line of the file where the record starts
        std::string reason;
    };

    struct Entry {
        AttemptRecord record; ///< `product` is empty in a journal without it
        std::size_t line = 0;
        std::size_t end = 0;  ///< byte offset just after the record
    };

    struct ReadResult {
        std::vector<Entry> entries;     ///< the attempts, in file order
        std::vector<Problem> problems;  ///< records skipped
        std::size_t consumed = 0;       ///< bytes up to the end of the last complete record
        bool tornTail = false;          ///< bytes after `consumed` do not end a record (yet)
        /// The columns the header names (the current form while no whole header was read).
        AttemptsJournal::Form form = AttemptsJournal::Form::WithProduct;
    };

    /// Parses `text`, a whole journal or its part from byte `from` on (the end of a record
    /// read before). The header must come first, in either form, also when reading on from an
    /// offset: a text that does not start with it is not a journal (error of kind `Refused`).
    static LineResult<ReadResult> parse(std::string_view text, std::size_t from = 0);

    /// Reads and parses a journal file from byte `from`. A missing or unreadable file is an
    /// error of kind `Refused` naming the file.
    static LineResult<ReadResult> readFile(const std::filesystem::path& file,
                                           std::size_t from = 0);

    /// Why `record` cannot be an attempt (attempt ID, start time, result, station), or nothing.
    static std::optional<std::string> validate(const AttemptRecord& record);

    /// The UTC offset of an ISO 8601 time such as "2026-12-08T10:02:27.123+01:00" in minutes
    /// ("Z" is 0); nothing when the text is not such a time.
    static std::optional<int> utcOffsetMinutes(std::string_view startedAt);

    /// The journal line for `record`, quoted as RFC 4180 asks and ended by CR LF.
    static std::string formatLine(const AttemptRecord& record);
};

} // namespace rfbind
