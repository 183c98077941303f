// SPDX-License-Identifier: MIT
#include "line/AttemptsQuery.h"

#include "line/LineConfig.h"
#include "line/LineConnection.h"
#include "line/PqxxFailure.h"

#include <pqxx/pqxx>

#include <cstdio>
#include <cstdlib>

namespace rfbind {

namespace {

std::string offsetText(int minutes) {
    char text[16];
    const int a = std::abs(minutes);
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', a / 60, a % 60);
    return text;
}

} // namespace

LineResult<std::vector<AttemptRecord>> AttemptsQuery::fetch(const std::string& uri,
                                                            const std::string& fromDay,
                                                            const std::string& toDay) {
    if (const auto bad = LineConfig::checkDatabaseUri(uri))
        return LineError{LineErrorKind::Config, *bad};
    std::unique_ptr<pqxx::connection> c;
    try {
        c = openLineConnection(uri);
    } catch (const std::exception& e) {
        return lineErrorFromConnectFailure(e);
    }
    try {
        pqxx::read_transaction tx(*c);
        const auto rows = tx.exec_params(
            "SELECT attempt_id,"
            " to_char(started_local, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), utc_offset_min,"
            " duration_ms, result, coalesce(fail_step, ''), coalesce(reason_code, ''),"
            " coalesce(reason_text, ''), coalesce(rx_radio_id, ''), coalesce(tx_radio_id, ''),"
            " coalesce(rx_serial, ''), coalesce(tx_serial, ''), coalesce(rx_usb, ''),"
            " coalesce(rx_version, ''), station, coalesce(recipe, ''), coalesce(product, '')"
            " FROM rfbind.attempts"
            " WHERE started_local >= $1::date AND started_local < $2::date + 1"
            " ORDER BY started_at, attempt_id",
            fromDay, toDay);
        std::vector<AttemptRecord> records;
        records.reserve(rows.size());
        for (const auto& row : rows) {
            AttemptRecord r;
            r.attemptId = row[0].as<std::string>();
            r.startedAt = row[1].as<std::string>() + offsetText(row[2].as<int>());
            r.durationMs = row[3].as<long long>();
            r.result = row[4].as<std::string>();
            r.failStep = row[5].as<std::string>();
            r.reasonCode = row[6].as<std::string>();
            r.reasonText = row[7].as<std::string>();
            r.rxRadioId = row[8].as<std::string>();
            r.txRadioId = row[9].as<std::string>();
            r.rxSerial = row[10].as<std::string>();
            r.txSerial = row[11].as<std::string>();
            r.rxUsb = row[12].as<std::string>();
            r.rxVersion = row[13].as<std::string>();
            r.station = row[14].as<std::string>();
            r.recipe = row[15].as<std::string>();
            r.product = row[16].as<std::string>();
            records.push_back(std::move(r));
        }
        return records;
    } catch (const std::exception& e) {
        return lineErrorFromPqxx(e, "reading the attempts");
    }
}

} // namespace rfbind
