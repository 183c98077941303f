// SPDX-License-Identifier: MIT
#include "line/AttemptsJournalReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

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

// ---- the two forms: journals written before the pool was journalled, and now ------------

AttemptRecord pooled(char idDigit) {
    AttemptRecord r = attempt(idDigit);
    r.product = "1D57:00AF/4142/4142";
    return r;
}

std::string oldHeader() { return std::string(AttemptsJournal::kHeaderWithoutProduct) + "\r\n"; }
std::string oldLine(const AttemptRecord& r) {
    return AttemptsJournal::line(r, AttemptsJournal::Form::WithoutProduct) + "\r\n";
}

struct FormCase {
    const char* name;
    std::string text;
    std::size_t from;                  // read on from this byte (0: the whole file)
    AttemptsJournal::Form form;
    std::vector<std::string> products; // of the attempts read, in order
    std::size_t problems;

    friend void PrintTo(const FormCase& c, std::ostream* os) { *os << c.name; }
};

class AttemptsJournalForms : public testing::TestWithParam<FormCase> {};

TEST_P(AttemptsJournalForms, EachLineIsReadByTheColumnsItsHeaderNames) {
    const FormCase& c = GetParam();
    const auto read = AttemptsJournalReader::parse(c.text, c.from);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->form, c.form);
    std::vector<std::string> products;
    for (const auto& e : read->entries)
        products.push_back(e.record.product);
    EXPECT_EQ(products, c.products);
    EXPECT_EQ(read->problems.size(), c.problems);
    EXPECT_EQ(read->consumed, c.text.size());
}

using Form = AttemptsJournal::Form;
const std::string pooledA = AttemptsJournalReader::formatLine(pooled('a'));
const std::string pooledB = AttemptsJournalReader::formatLine(pooled('b'));

INSTANTIATE_TEST_SUITE_P(
    Journals, AttemptsJournalForms,
    testing::Values(
        FormCase{"with_product", header() + pooledA + lineB, 0, Form::WithProduct,
                 {"1D57:00AF/4142/4142", ""}, 0},
        FormCase{"without_product", oldHeader() + oldLine(pooled('a')) + oldLine(attempt('b')), 0,
                 Form::WithoutProduct, {"", ""}, 0},
        FormCase{"without_product_read_on_from_an_offset",
                 oldHeader() + oldLine(attempt('a')) + oldLine(attempt('b')),
                 oldHeader().size() + oldLine(attempt('a')).size(), Form::WithoutProduct, {""}, 0},
        // A line of the other form does not belong under the header: it is skipped, not
        // read into the wrong columns.
        FormCase{"line_with_product_under_the_old_header",
                 oldHeader() + oldLine(attempt('a')) + pooledB, 0, Form::WithoutProduct, {""}, 1},
        FormCase{"line_without_product_under_the_header", header() + oldLine(attempt('a')) + pooledB,
                 0, Form::WithProduct, {"1D57:00AF/4142/4142"}, 1}),
    [](const testing::TestParamInfo<FormCase>& info) { return std::string(info.param.name); });

/// A day's file as the station appends to it, then as the line's outbox reads it.
struct AppendCase {
    const char* name;
    std::optional<std::string> before; // the file's content before the day's next attempt
    Form form;                         // the form it keeps
    std::string product;               // the pool of the appended attempt, as read back
};

class AttemptsJournalAppend : public testing::TestWithParam<AppendCase> {};

TEST_P(AttemptsJournalAppend, ADaysFileKeepsTheFormItWasBegunIn) {
    const AppendCase& c = GetParam();
    const auto file = std::filesystem::temp_directory_path() /
                      ("rfbind-journal-form-" + std::to_string(::getpid()) + "-" + c.name + ".csv");
    std::filesystem::remove(file);
    if (c.before)
        std::ofstream(file, std::ios::binary) << *c.before;
    const auto appended = AttemptsJournal::append(file.string(), pooled('e'));
    ASSERT_TRUE(appended.ok) << appended.error;
    const auto read = AttemptsJournalReader::readFile(file);
    std::filesystem::remove(file);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->form, c.form);
    EXPECT_TRUE(read->problems.empty()) << read->problems.front().reason;
    ASSERT_FALSE(read->entries.empty());
    EXPECT_EQ(read->entries.back().record.attemptId, pooled('e').attemptId);
    EXPECT_EQ(read->entries.back().record.product, c.product);
    EXPECT_FALSE(read->tornTail);
}

INSTANTIATE_TEST_SUITE_P(
    Days, AttemptsJournalAppend,
    testing::Values(
        AppendCase{"new_day", std::nullopt, Form::WithProduct, "1D57:00AF/4142/4142"},
        AppendCase{"begun_with_product", header() + lineA, Form::WithProduct, "1D57:00AF/4142/4142"},
        AppendCase{"begun_without_product", oldHeader() + oldLine(attempt('a')),
                   Form::WithoutProduct, ""}),
    [](const testing::TestParamInfo<AppendCase>& info) { return std::string(info.param.name); });

} // namespace
