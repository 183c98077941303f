// SPDX-License-Identifier: MIT
#include "line/AttemptsJournalReader.h"

#include <gtest/gtest.h>

using namespace rfbind;

namespace {

AttemptRecord attempt(char idDigit, const std::string& result = "PASS") {
    AttemptRecord r;
    r.attemptId = std::string(32, idDigit);
    r.startedAt = "2026-12-08T10:02:27.123+01:00";
    r.durationMs = 4164;
    r.result = result;
    if (result == "FAIL") {
        r.failStep = "tx_eeprom_write";
        r.reasonCode = "tx_eeprom_write";
        r.reasonText = "transmitter EEPROM write at 0x0C not confirmed, 3 tries";
    }
    r.rxRadioId = "12A5B6";
    r.txRadioId = "12A5B7";
    r.rxSerial = "1201-4142-0005";
    r.txSerial = "1201-4142-0006";
    r.rxUsb = "1D57:00AF";
    r.rxVersion = "0102";
    r.station = "st-1";
    r.recipe = "0123456789abcdef";
    return r;
}

std::string header() { return std::string(AttemptsJournalReader::kHeader) + "\r\n"; }

TEST(AttemptsJournalReader, FieldsNeedingQuotesSurviveTheRoundTrip) {
    AttemptRecord r = attempt('a', "FAIL");
    r.reasonText = "write at 0x0C, then \"retry\"\r\nfailed";
    r.station = "line 1, bay \"B\"";
    const auto read = AttemptsJournalReader::parse(header() + AttemptsJournalReader::formatLine(r));
    ASSERT_TRUE(read.ok()) << read.error().message;
    ASSERT_EQ(read->entries.size(), 1u);
    EXPECT_EQ(read->entries[0].record, r);
    EXPECT_TRUE(read->problems.empty());
    EXPECT_FALSE(read->tornTail);
}

struct DamageCase {
    const char* name;
    std::string text;
    std::vector<char> ids;     // attempt IDs (their repeated digit) read, in order
    std::size_t problems;
    bool tornTail;
    std::size_t unreadBytes;   // bytes after `consumed`

    friend void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }
};

class AttemptsJournalDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(AttemptsJournalDamage, ReadsEveryWholeAttemptAndNothingElse) {
    const DamageCase& c = GetParam();
    const auto read = AttemptsJournalReader::parse(c.text);
    ASSERT_TRUE(read.ok()) << read.error().message;
    std::vector<char> ids;
    for (const auto& e : read->entries)
        ids.push_back(e.record.attemptId[0]);
    EXPECT_EQ(ids, c.ids);
    EXPECT_EQ(read->problems.size(), c.problems);
    EXPECT_EQ(read->tornTail, c.tornTail);
    EXPECT_EQ(c.text.size() - read->consumed, c.unreadBytes);
}

const std::string lineA = AttemptsJournalReader::formatLine(attempt('a'));
const std::string lineB = AttemptsJournalReader::formatLine(attempt('b', "FAIL"));
const std::string lineC = AttemptsJournalReader::formatLine(attempt('c'));

INSTANTIATE_TEST_SUITE_P(
    Journals, AttemptsJournalDamage,
    testing::Values(
        DamageCase{"empty", "", {}, 0, false, 0},
        DamageCase{"header_torn", header().substr(0, 20), {}, 0, true, 20},
        DamageCase{"header_only", header(), {}, 0, false, 0},
        DamageCase{"whole", header() + lineA + lineB, {'a', 'b'}, 0, false, 0},
        DamageCase{"last_line_torn", header() + lineA + lineB.substr(0, 40), {'a'}, 0, true, 40},
        DamageCase{"cr_without_lf", header() + lineA + lineB.substr(0, lineB.size() - 1), {'a'}, 0,
                   true, lineB.size() - 1},
        DamageCase{"torn_then_continued", header() + lineA + lineB.substr(0, 50) + lineC,
                   {'a', 'c'}, 1, false, 0},
        DamageCase{"torn_inside_quotes_then_continued",
                   header() + lineA + lineB.substr(0, lineB.find('"') + 5) + lineC, {'a', 'c'}, 1,
                   false, 0},
        DamageCase{"torn_inside_quotes_at_the_end",
                   header() + lineA + lineB.substr(0, lineB.find('"') + 5), {'a'}, 0, true,
                   lineB.find('"') + 5},
        DamageCase{"short_line_between", header() + lineA + "x,y,z\r\n" + lineC, {'a', 'c'}, 1,
                   false, 0},
        DamageCase{"bad_result", header() + lineA + [] {
                       AttemptRecord r = attempt('d');
                       r.result = "MAYBE";
                       return AttemptsJournalReader::formatLine(r);
                   }() + lineC,
                   {'a', 'c'}, 1, false, 0},
        DamageCase{"bad_time", header() + [] {
                       AttemptRecord r = attempt('d');
                       r.startedAt = "2026-12-08 10:02";
                       return AttemptsJournalReader::formatLine(r);
                   }(),
                   {}, 1, false, 0},
        DamageCase{"bare_lf_line_ends", std::string(AttemptsJournalReader::kHeader) + "\n" +
                                            lineA.substr(0, lineA.size() - 2) + "\n",
                   {'a'}, 0, false, 0}),
    [](const testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

TEST(AttemptsJournalReader, ReadingOnFromAnOffsetReadsOnlyWhatFollows) {
    const std::string text = header() + lineA + lineB;
    const auto first = AttemptsJournalReader::parse(header() + lineA);
    ASSERT_TRUE(first.ok());
    const auto rest = AttemptsJournalReader::parse(text, first->consumed);
    ASSERT_TRUE(rest.ok());
    ASSERT_EQ(rest->entries.size(), 1u);
    EXPECT_EQ(rest->entries[0].record.attemptId[0], 'b');
    EXPECT_EQ(rest->consumed, text.size());
}

TEST(AttemptsJournalReader, AFileThatIsNoJournalIsRefused) {
    const auto read = AttemptsJournalReader::parse("2026-12-08 10:02:27,12A5B6,12014142,12014143\r\n");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().kind, LineErrorKind::Refused);
}

TEST(AttemptsJournalReader, UtcOffsetOfStartTimes) {
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"2026-12-08T10:02:27.123+01:00", 60},   {"2026-12-08T10:02:27.123-05:30", -330},
        {"2026-12-08T10:02:27Z", 0},             {"2026-12-08T10:02:27.123", std::nullopt},
        {"2026-12-08T10:02:27.+01:00", std::nullopt}, {"2026-12-08T10:02:27+1:00", std::nullopt},
        {"2026-12-08T10:02:27+19:00", std::nullopt},  {"08.12.2026 10:02:27+01:00", std::nullopt}};
    for (const auto& [text, minutes] : cases)
        EXPECT_EQ(AttemptsJournalReader::utcOffsetMinutes(text), minutes) << text;
}

} // namespace
