// SPDX-License-Identifier: MIT
#include "production/AttemptsJournal.h"

#include <cstdio>
#include <fstream>
#include <vector>
#include <ctime>
#include <random>
#include <sys/stat.h>

namespace rfbind {

namespace {

/// A field as CSV wants it: quoted (inner quotes doubled) when it holds a separator, a quote
/// or a line end, as is otherwise.
std::string field(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string out = "\"";
    for (const char c : value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

/// The form the header of an existing journal names; a first line that is neither header
/// (a torn first write) is written on in the current form.
AttemptsJournal::Form existingForm(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string first(AttemptsJournal::kHeader.size() + 2, '\0');
    in.read(first.data(), static_cast<std::streamsize>(first.size()));
    first.resize(static_cast<std::size_t>(in.gcount()));
    const auto end = first.find_first_of("\r\n");
    if (end == std::string::npos)
        return AttemptsJournal::Form::WithProduct;
    return AttemptsJournal::formOfHeader(std::string_view(first).substr(0, end))
        .value_or(AttemptsJournal::Form::WithProduct);
}

} // namespace

std::string AttemptsJournal::path(const std::string& folder, const std::string& date) {
    return folder + "/Log/attempts-" + date + ".csv";
}

std::optional<AttemptsJournal::Form> AttemptsJournal::formOfHeader(std::string_view firstLine) {
    if (firstLine == kHeader)
        return Form::WithProduct;
    if (firstLine == kHeaderWithoutProduct)
        return Form::WithoutProduct;
    return std::nullopt;
}

std::string AttemptsJournal::line(const Record& r, Form form) {
    std::vector<std::string> values = {
        r.attemptId, r.startedAt, std::to_string(r.durationMs), r.result,
        r.failStep,  r.reasonCode, r.reasonText, r.rxRadioId, r.txRadioId, r.rxSerial,
        r.txSerial,  r.rxUsb,      r.rxVersion,  r.station,   r.recipe};
    if (form == Form::WithProduct)
        values.push_back(r.product);
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        out += field(values[i]);
    }
    return out;
}

ProductionLog::AppendResult AttemptsJournal::append(const std::string& file, const Record& record,
                                                    FileSystem& files) {
    std::string text;
    struct stat st {};
    Form form = Form::WithProduct;
    // A new day's file starts with its header; the header and the first line go out together.
    if (::stat(file.c_str(), &st) != 0 || st.st_size == 0) {
        text += kHeader;
        text += "\r\n";
    } else if (existingForm(file) == Form::WithoutProduct) {
        // The day's file was begun by a station that did not journal the pool yet. Its header
        // names every line's columns, so the day goes on in that form and the pool of these
        // attempts is left out; tomorrow's file carries it.
        form = Form::WithoutProduct;
    }
    text += line(record, form);
    return ProductionLog::appendLine(file, text, files);
}

std::string AttemptsJournal::newAttemptId() {
    static std::random_device device;
    static std::mt19937_64 bits(((std::uint64_t)device() << 32) ^ device() ^
                                static_cast<std::uint64_t>(std::time(nullptr)));
    char out[33];
    std::snprintf(out, sizeof out, "%016llx%016llx", static_cast<unsigned long long>(bits()),
                  static_cast<unsigned long long>(bits()));
    return out;
}

std::string AttemptsJournal::timestamp(std::int64_t msSinceEpoch) {
    const std::time_t seconds = static_cast<std::time_t>(msSinceEpoch / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    char out[64];
    std::snprintf(out, sizeof out, "%s.%03d%c%02ld:%02ld", date, static_cast<int>(msSinceEpoch % 1000),
                  offset < 0 ? '-' : '+', (offset < 0 ? -offset : offset) / 60,
                  (offset < 0 ? -offset : offset) % 60);
    return out;
}

} // namespace rfbind
