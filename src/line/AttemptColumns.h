// SPDX-License-Identifier: MIT
#pragma once

#include "production/AttemptRecord.h"

#include <pqxx/row>

#include <string>
#include <vector>

namespace rfbind::attemptcolumns {

/// How an attempt goes into the line's database and comes back out: the one place that pairs
/// the columns of rfbind.attempt_log (and of the view rfbind.attempts over it) with the fields
/// of `AttemptRecord`. An empty optional field is stored as NULL and read back as empty.

/// Stores one attempt; returns a row when the attempt was new (an attempt sent twice, as the
/// outbox may after a lost answer, is kept once).
std::string insertStatement();
/// Its parameters, $1 onwards, for a record whose start carries its UTC offset (one that
/// `AttemptsJournalReader::validate` accepted).
std::vector<std::string> insertParameters(const AttemptRecord& record);

/// The select list over rfbind.attempts that `fromRow` reads.
std::string selectList();
/// The record of one row of `selectList`: its start as the station wrote it, local time with
/// milliseconds and the station's UTC offset.
AttemptRecord fromRow(const pqxx::row& row);

} // namespace rfbind::attemptcolumns
