// SPDX-License-Identifier: MIT
#include "line/AttemptColumns.h"

#include "line/AttemptsJournalReader.h"

#include <pqxx/field>

#include <cstdio>
#include <cstdlib>

namespace rfbind::attemptcolumns {

namespace {

// The journal's text fields, each in the column of its name. The start and the duration,
// which change form on the way, come before them in both directions.
struct TextColumn {
    const char* name;
    std::string AttemptRecord::*field;
    bool required; // NOT NULL in the table: stored as it is, never as NULL
};

constexpr TextColumn kTextColumns[] = {
    {"attempt_id", &AttemptRecord::attemptId, true},
    {"result", &AttemptRecord::result, true},
    {"fail_step", &AttemptRecord::failStep, false},
    {"reason_code", &AttemptRecord::reasonCode, false},
    {"reason_text", &AttemptRecord::reasonText, false},
    {"rx_radio_id", &AttemptRecord::rxRadioId, false},
    {"tx_radio_id", &AttemptRecord::txRadioId, false},
    {"rx_serial", &AttemptRecord::rxSerial, false},
    {"tx_serial", &AttemptRecord::txSerial, false},
    {"rx_usb", &AttemptRecord::rxUsb, false},
    {"rx_version", &AttemptRecord::rxVersion, false},
    {"station", &AttemptRecord::station, true},
    {"recipe", &AttemptRecord::recipe, false},
    {"product", &AttemptRecord::product, false},
};

// The start goes in as an instant plus the station's offset (the table keeps both) and
// comes out as the station's wall-clock time with that offset.
constexpr int kLeadingColumns = 3; // started_at, utc_offset_min, duration_ms

std::string offsetText(int minutes) {
    char text[16];
    const int a = std::abs(minutes);
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', a / 60, a % 60);
    return text;
}

} // namespace

std::string insertStatement() {
    std::string columns = "started_at, utc_offset_min, duration_ms";
    std::string values = "$1::timestamptz, $2, $3";
    int n = kLeadingColumns;
    for (const TextColumn& c : kTextColumns) {
        const std::string p = "$" + std::to_string(++n);
        columns += std::string(", ") + c.name;
        values += ", " + (c.required ? p : "NULLIF(" + p + ", '')");
    }
    return "INSERT INTO rfbind.attempt_log (" + columns + ") VALUES (" + values +
           ") ON CONFLICT (attempt_id) DO NOTHING RETURNING 1";
}

std::vector<std::string> insertParameters(const AttemptRecord& record) {
    std::vector<std::string> p = {
        record.startedAt,
        std::to_string(AttemptsJournalReader::utcOffsetMinutes(record.startedAt).value_or(0)),
        std::to_string(record.durationMs)};
    for (const TextColumn& c : kTextColumns)
        p.push_back(record.*c.field);
    return p;
}

std::string selectList() {
    std::string list = "to_char(started_local, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), utc_offset_min,"
                       " duration_ms";
    for (const TextColumn& c : kTextColumns)
        list += c.required ? std::string(", ") + c.name
                           : std::string(", coalesce(") + c.name + ", '')";
    return list;
}

AttemptRecord fromRow(const pqxx::row& row) {
    AttemptRecord r;
    r.startedAt = row[0].as<std::string>() + offsetText(row[1].as<int>());
    r.durationMs = row[2].as<long long>();
    int i = kLeadingColumns;
    for (const TextColumn& c : kTextColumns)
        r.*c.field = row[i++].as<std::string>();
    return r;
}

} // namespace rfbind::attemptcolumns
