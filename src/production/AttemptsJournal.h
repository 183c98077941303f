// SPDX-License-Identifier: MIT
#pragma once

#include "production/AttemptRecord.h"
#include "production/ProductionLog.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rfbind {

/// Every unit attempt, PASS or FAIL, as one line of "Log/attempts-YYYY-MM-DD.csv" (UTF-8, a
/// header line, comma-separated with quotes where a field needs them, CR LF). The production
/// log keeps its own format; this is the record a production engineer counts failures by.
class AttemptsJournal {
public:
    using Record = AttemptRecord;

    /// The header line, without its line end. `product` is the pool the unit was numbered
    /// from, empty for a station on its own.
    static constexpr std::string_view kHeader =
        "attempt_id,started_at,duration_ms,result,fail_step,reason_code,reason_text,"
        "rx_radio_id,tx_radio_id,rx_serial,tx_serial,rx_usb,rx_version,station,recipe,product";
    /// The header of journals written before the pool was journalled: the same columns up to
    /// `recipe`.
    static constexpr std::string_view kHeaderWithoutProduct =
        "attempt_id,started_at,duration_ms,result,fail_step,reason_code,reason_text,"
        "rx_radio_id,tx_radio_id,rx_serial,tx_serial,rx_usb,rx_version,station,recipe";

    /// The columns of a journal file, as its header names them.
    enum class Form { WithProduct, WithoutProduct };
    /// The form whose header is `firstLine` (without its line end); nothing for another line.
    static std::optional<Form> formOfHeader(std::string_view firstLine);

    /// `folder`/Log/attempts-`date`.csv, date as "YYYY-MM-DD".
    static std::string path(const std::string& folder, const std::string& date);
    /// The record as a CSV line of a journal of `form`, without the line end.
    static std::string line(const Record& record, Form form = Form::WithProduct);
    /// Appends the record, writing the header first when the file is new or empty, as durably
    /// as the production log (ProductionLog::appendLine). A file begun under the header
    /// without `product` is appended to in that form. Failures are returned, never thrown.
    static ProductionLog::AppendResult append(const std::string& file, const Record& record,
                                              FileSystem& files = FileSystem::system());

    /// A fresh attempt ID: 128 random bits as hex.
    static std::string newAttemptId();
    /// Local time `msSinceEpoch` in the journal's form.
    static std::string timestamp(std::int64_t msSinceEpoch);
};

} // namespace rfbind
