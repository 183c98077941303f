// SPDX-License-Identifier: MIT
#include "line/AttemptsJournalReader.h"

#include <array>
#include <fstream>
#include <iterator>
#include <variant>

namespace rfbind {

namespace {

using Form = AttemptsJournal::Form;

std::size_t fieldCount(Form form) { return form == Form::WithProduct ? 16 : 15; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLowerHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f'); }

bool digitsAt(std::string_view s, std::size_t at, std::size_t count) {
    if (at + count > s.size())
        return false;
    for (std::size_t i = at; i < at + count; ++i)
        if (!isDigit(s[i]))
            return false;
    return true;
}

bool isAttemptId(std::string_view s) {
    if (s.size() != 32)
        return false;
    for (char c : s)
        if (!isLowerHex(c))
            return false;
    return true;
}

// One record split into fields, from `at`. `end` is where the next record starts; nothing
// when the text ends before the record does.
struct Split {
    std::vector<std::string> fields;
    std::size_t end = 0;
    bool strayQuote = false;
};

std::optional<Split> splitRecord(std::string_view text, std::size_t at) {
    Split split;
    std::string field;
    bool quoted = false;     // inside a quoted field
    bool wasQuoted = false;  // the current field began with a quote
    for (std::size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        if (c == '"') {
            if (field.empty() && !wasQuoted)
                quoted = wasQuoted = true;
            else
                split.strayQuote = true, field += c;
        } else if (c == ',') {
            split.fields.push_back(std::move(field));
            field.clear();
            wasQuoted = false;
        } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            // The journal ends lines with CR LF; a bare LF (a file edited by hand) ends one too.
            split.fields.push_back(std::move(field));
            split.end = i + (c == '\r' ? 2 : 1);
            return split;
        } else if (c == '\r' && i + 1 == text.size()) {
            return std::nullopt; // CR written, LF not yet
        } else {
            field += c;
        }
    }
    return std::nullopt;
}

std::optional<long long> parseDuration(std::string_view s) {
    if (s.empty() || s.size() > 12)
        return std::nullopt;
    long long n = 0;
    for (char c : s) {
        if (!isDigit(c))
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

// The record, or why the fields are not one.
std::variant<AttemptRecord, std::string> toRecord(const Split& split, Form form) {
    if (split.strayQuote)
        return std::string("a quote inside an unquoted field");
    if (split.fields.size() != fieldCount(form))
        return "expected " + std::to_string(fieldCount(form)) + " fields, found " +
               std::to_string(split.fields.size());
    const auto& f = split.fields;
    const auto duration = parseDuration(f[2]);
    if (!duration)
        return "duration_ms is not a whole number: \"" + f[2] + "\"";
    AttemptRecord r;
    r.attemptId = f[0];
    r.startedAt = f[1];
    r.durationMs = *duration;
    r.result = f[3];
    r.failStep = f[4];
    r.reasonCode = f[5];
    r.reasonText = f[6];
    r.rxRadioId = f[7];
    r.txRadioId = f[8];
    r.rxSerial = f[9];
    r.txSerial = f[10];
    r.rxUsb = f[11];
    r.rxVersion = f[12];
    r.station = f[13];
    r.recipe = f[14];
    if (form == Form::WithProduct)
        r.product = f[15];
    if (auto bad = AttemptsJournalReader::validate(r))
        return *bad;
    return r;
}

// A record whose end was torn off by a kill is continued by the station's next append: the
// torn bytes run into the next record (or, when torn inside quotes, swallow the rest of the
// file). Finds the first place after `from` where a whole, valid record starts.
std::optional<std::size_t> nextValidRecord(std::string_view text, std::size_t from, Form form) {
    for (std::size_t p = from + 1; p + 38 <= text.size(); ++p) {
        if (text[p + 32] != ',' || !digitsAt(text, p + 33, 4) || text[p + 37] != '-' ||
            !isAttemptId(text.substr(p, 32)))
            continue;
        const auto split = splitRecord(text, p);
        if (split && std::holds_alternative<AttemptRecord>(toRecord(*split, form)))
            return p;
    }
    return std::nullopt;
}

} // namespace

std::optional<int> AttemptsJournalReader::utcOffsetMinutes(std::string_view t) {
    // YYYY-MM-DDThh:mm:ss[.fff]{Z|+hh:mm|-hh:mm}
    if (t.size() < 20 || !digitsAt(t, 0, 4) || t[4] != '-' || !digitsAt(t, 5, 2) ||
        t[7] != '-' || !digitsAt(t, 8, 2) || (t[10] != 'T' && t[10] != ' ') ||
        !digitsAt(t, 11, 2) || t[13] != ':' || !digitsAt(t, 14, 2) || t[16] != ':' ||
        !digitsAt(t, 17, 2))
        return std::nullopt;
    std::size_t i = 19;
    if (i < t.size() && t[i] == '.') {
        ++i;
        const std::size_t digits = i;
        while (i < t.size() && isDigit(t[i]))
            ++i;
        if (i == digits || i - digits > 6)
            return std::nullopt;
    }
    const std::string_view zone = t.substr(i);
    if (zone == "Z")
        return 0;
    if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || !digitsAt(zone, 1, 2) ||
        zone[3] != ':' || !digitsAt(zone, 4, 2))
        return std::nullopt;
    const int minutes = ((zone[1] - '0') * 10 + (zone[2] - '0')) * 60 + (zone[4] - '0') * 10 +
                        (zone[5] - '0');
    if (minutes > 18 * 60)
        return std::nullopt;
    return zone[0] == '-' ? -minutes : minutes;
}

std::optional<std::string> AttemptsJournalReader::validate(const AttemptRecord& r) {
    if (!isAttemptId(r.attemptId))
        return "attempt_id is not 32 lower-case hex digits: \"" + r.attemptId + "\"";
    if (!utcOffsetMinutes(r.startedAt))
        return "started_at is not a time with a UTC offset: \"" + r.startedAt + "\"";
    if (r.durationMs < 0 || r.durationMs > 0x7FFFFFFF)
        return "duration_ms out of range: " + std::to_string(r.durationMs);
    if (r.result != "PASS" && r.result != "FAIL")
        return "result is neither PASS nor FAIL: \"" + r.result + "\"";
    if (r.station.empty())
        return std::string("no station");
    for (const std::string* s :
         {&r.failStep, &r.reasonCode, &r.reasonText, &r.rxRadioId, &r.txRadioId, &r.rxSerial,
          &r.txSerial, &r.rxUsb, &r.rxVersion, &r.station, &r.recipe, &r.product})
        if (s->find('\0') != std::string::npos)
            return std::string("a field holds a zero byte");
    return std::nullopt;
}

LineResult<AttemptsJournalReader::ReadResult> AttemptsJournalReader::parse(std::string_view text,
                                                                std::size_t from) {
    ReadResult out;
    if (from > text.size())
        from = 0; // the file is shorter than what was read before: it was replaced
    std::size_t pos = from;
    // The header says which columns every line of the file has, also when reading on from
    // an offset: a day's file begun before the pool was journalled keeps that form.
    const auto header = splitRecord(text, 0);
    if (!header) {
        // Not even the header is complete: a journal just created, or a torn first write.
        out.tornTail = !text.empty();
        // (The header without `product` is the start of the header with it.)
        if (!text.empty() && !kHeader.starts_with(text))
            return LineError{LineErrorKind::Refused, "not an attempts journal"};
        return out;
    }
    std::string_view first = text.substr(0, header->end);
    while (!first.empty() && (first.back() == '\n' || first.back() == '\r'))
        first.remove_suffix(1);
    const auto form = AttemptsJournal::formOfHeader(first);
    if (!form)
        return LineError{LineErrorKind::Refused,
                         "not an attempts journal: the first line is not the header"};
    out.form = *form;
    if (from == 0)
        pos = header->end;
    out.consumed = pos;
    auto lineAt = [&text, counted = std::size_t{0}, line = std::size_t{1}](std::size_t at) mutable {
        for (; counted < at; ++counted)
            line += text[counted] == '\n';
        return line;
    };
    while (pos < text.size()) {
        const auto split = splitRecord(text, pos);
        if (split) {
            auto record = toRecord(*split, *form);
            if (auto* r = std::get_if<AttemptRecord>(&record)) {
                out.entries.push_back({std::move(*r), lineAt(pos), split->end});
                pos = out.consumed = split->end;
                continue;
            }
            if (const auto next = nextValidRecord(text, pos, *form); next && *next < split->end) {
                out.problems.push_back({lineAt(pos), "torn bytes before an attempt skipped"});
                pos = *next;
                continue;
            }
            out.problems.push_back({lineAt(pos), std::get<std::string>(record)});
            pos = out.consumed = split->end;
            continue;
        }
        // The text ends inside this record: either it is still being written, or it was torn
        // inside a quoted field and a later append follows it.
        if (const auto next = nextValidRecord(text, pos, *form)) {
            out.problems.push_back({lineAt(pos), "torn bytes before an attempt skipped"});
            pos = *next;
            continue;
        }
        out.tornTail = true;
        break;
    }
    return out;
}

LineResult<AttemptsJournalReader::ReadResult> AttemptsJournalReader::readFile(const std::filesystem::path& file,
                                                                   std::size_t from) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return LineError{LineErrorKind::Refused, file.string() + ": cannot be read"};
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return LineError{LineErrorKind::Refused, file.string() + ": cannot be read"};
    auto result = parse(text, from);
    if (!result)
        return LineError{result.error().kind, file.string() + ": " + result.error().message};
    return result;
}

std::string AttemptsJournalReader::formatLine(const AttemptRecord& r) {
    // One writer for the station and the tools: the journal's own.
    return AttemptsJournal::line(r) + "\r\n";
}

} // namespace rfbind
