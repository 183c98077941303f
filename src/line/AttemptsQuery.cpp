// SPDX-License-Identifier: MIT
#include "line/AttemptsQuery.h"

#include "line/AttemptColumns.h"
#include "line/LineConfig.h"
#include "line/LineConnection.h"
#include "line/PqxxFailure.h"

#include <pqxx/pqxx>

namespace rfbind {

LineResult<std::vector<AttemptRecord>> AttemptsQuery::fetch(const std::string& uri,
                                                            const std::string& fromDay,
                                                            const std::string& toDay) {
    auto opened = connectOnce(uri);
    if (!opened)
        return opened.error();
    std::unique_ptr<pqxx::connection> c = std::move(opened.value());
    try {
        // A report of many days may read for a while; a server that holds it longer is hung.
        LineCallDeadline deadline(*c, std::chrono::minutes(2));
        pqxx::read_transaction tx(*c);
        const auto rows = tx.exec_params(
            "SELECT " + attemptcolumns::selectList() +
                " FROM rfbind.attempts"
                " WHERE started_local >= $1::date AND started_local < $2::date + 1"
                " ORDER BY started_at, attempt_id",
            fromDay, toDay);
        std::vector<AttemptRecord> records;
        records.reserve(rows.size());
        for (const auto& row : rows)
            records.push_back(attemptcolumns::fromRow(row));
        return records;
    } catch (const std::exception& e) {
        return lineErrorFromPqxx(e, "reading the attempts", uri);
    }
}

} // namespace rfbind
