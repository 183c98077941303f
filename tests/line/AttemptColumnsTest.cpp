// SPDX-License-Identifier: MIT
#include "line/AttemptColumns.h"
#include "line/AttemptsQuery.h"
#include "line/LineLedger.h"

#include "PgTestServer.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace rfbind;
using rfbind::test::TestDatabase;

namespace {

AttemptRecord plainAttempt(int n) {
    AttemptRecord r;
    r.attemptId = std::string(30, 'c') + (n < 10 ? "0" : "") + std::to_string(n);
    r.startedAt = "2026-12-08T09:15:30.125+05:30";
    r.durationMs = 3000 + n;
    r.result = "FAIL";
    r.station = "st-columns"; // the ledger stores an attempt under its station's login
    return r;
}

// Each field with a value of its own, alone on an attempt: it must land in its own column of
// the table and come back in its own field, and every field left empty must stay NULL. Two
// fields swapped on the way in and swapped back on the way out would still read back right;
// the column checks catch that.
TEST(AttemptColumns, EachFieldGoesToItsOwnColumnAndComesBack) {
    struct FieldCase {
        std::string AttemptRecord::*field;
        const char* column;
        const char* value;
    };
    const FieldCase cases[] = {
        {&AttemptRecord::failStep, "fail_step", "link_wait"},
        {&AttemptRecord::reasonCode, "reason_code", "transmitter_not_answering"},
        {&AttemptRecord::reasonText, "reason_text", "no answer, 'mouse' off?"},
        {&AttemptRecord::rxRadioId, "rx_radio_id", "12A5B6"},
        {&AttemptRecord::txRadioId, "tx_radio_id", "12A5B7"},
        {&AttemptRecord::rxSerial, "rx_serial", "1201-4142-0001"},
        {&AttemptRecord::txSerial, "tx_serial", "1201-4142-0002"},
        {&AttemptRecord::rxUsb, "rx_usb", "1D57:00AF"},
        {&AttemptRecord::rxVersion, "rx_version", "0102"},
        {&AttemptRecord::recipe, "recipe", "0123456789abcdef"},
        {&AttemptRecord::product, "product", "mouse-a"},
    };
    const std::string optionalColumns = "fail_step, reason_code, reason_text, rx_radio_id, "
                                        "tx_radio_id, rx_serial, tx_serial, rx_usb, rx_version, "
                                        "recipe, product";

    TestDatabase db;
    LineConfig config;
    config.database = db.station("st-columns");
    config.station = "st-columns";
    config.product = "mouse-a";
    auto ledger = LineLedger::connect(config);
    ASSERT_TRUE(ledger.ok()) << ledger.error().message;

    std::vector<AttemptRecord> stored;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        AttemptRecord r = plainAttempt(static_cast<int>(i));
        r.*cases[i].field = cases[i].value;
        stored.push_back(r);
    }
    stored.push_back(plainAttempt(99)); // every optional field empty
    ASSERT_EQ(ledger->recordAttempts(stored).value(), stored.size());

    for (std::size_t i = 0; i < stored.size(); ++i) {
        const AttemptRecord& r = stored[i];
        const std::string where = " FROM rfbind.attempt_log WHERE attempt_id = '" + r.attemptId + "'";
        EXPECT_EQ(db.query("SELECT num_nonnulls(" + optionalColumns + ")" + where),
                  i < std::size(cases) ? "1" : "0") << r.attemptId;
        if (i < std::size(cases)) {
            EXPECT_EQ(db.query(std::string("SELECT ") + cases[i].column + where), cases[i].value);
        }
        EXPECT_EQ(db.query("SELECT station || ' ' || result || ' ' || duration_ms || ' ' ||"
                           " utc_offset_min" + where),
                  r.station + " FAIL " + std::to_string(r.durationMs) + " 330");
    }

    const auto back = AttemptsQuery::fetch(db.reader("watcher"), "2026-12-08", "2026-12-08");
    ASSERT_TRUE(back.ok()) << back.error().message;
    ASSERT_EQ(back->size(), stored.size());
    for (const AttemptRecord& r : stored)
        EXPECT_NE(std::find(back->begin(), back->end(), r), back->end()) << r.attemptId;
}

} // namespace
