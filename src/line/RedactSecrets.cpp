// SPDX-License-Identifier: MIT
#include "line/RedactSecrets.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace rfbind {

namespace {

constexpr std::string_view kHidden = "***";

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string percentEncoded(std::string_view s) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kDigits[u >> 4];
            out += kDigits[u & 15];
        }
    }
    return out;
}

// The password as the user meant it, read by hand so that a URI libpq cannot parse, or one
// with an unencoded '@' in its password, still gives it up: everything after the first ':'
// of the user part, which ends at the last '@' before the path or query.
std::string writtenUriPassword(std::string_view uri) {
    const auto scheme = uri.find("://");
    if (scheme == std::string_view::npos)
        return {};
    std::string_view rest = uri.substr(scheme + 3);
    rest = rest.substr(0, std::min(rest.find('/'), rest.find('?')));
    const auto at = rest.rfind('@');
    if (at == std::string_view::npos)
        return {};
    const std::string_view user = rest.substr(0, at);
    const auto colon = user.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(user.substr(colon + 1));
}

// password=... in a URI's query or a key=value string, possibly quoted.
std::vector<std::string> writtenPasswordSettings(std::string_view s) {
    std::vector<std::string> found;
    for (std::size_t at = s.find("password="); at != std::string_view::npos;
         at = s.find("password=", at + 1)) {
        std::size_t begin = at + 9;
        std::size_t end = begin;
        if (begin < s.size() && s[begin] == '\'') {
            end = s.find('\'', ++begin);
            if (end == std::string_view::npos)
                end = s.size();
        } else {
            while (end < s.size() && s[end] != '&' && s[end] != ' ' && s[end] != '"')
                ++end;
        }
        found.emplace_back(s.substr(begin, end - begin));
    }
    return found;
}

std::string parsedPassword(std::string_view database) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(std::string(database).c_str(), &error);
    PQfreemem(error);
    if (!options)
        return {};
    std::string password;
    for (const PQconninfoOption* o = options; o->keyword; ++o)
        if (std::string_view(o->keyword) == "password" && o->val)
            password = o->val;
    PQconninfoFree(options);
    return password;
}

std::vector<std::string> passwordsOf(std::string_view database) {
    std::vector<std::string> written = writtenPasswordSettings(database);
    const std::string uriPassword = writtenUriPassword(database);
    written.push_back(uriPassword);
    // With an unencoded '@' libpq takes what follows it for the host, and says so when that
    // name cannot be found: each such tail is hidden too.
    for (auto at = uriPassword.find('@'); at != std::string::npos;
         at = uriPassword.find('@', at + 1))
        written.push_back(uriPassword.substr(at + 1));
    // libpq's reading of a URI with an unencoded '@' in its password is only the part before
    // it; that part alone says too little to be worth hiding everywhere it occurs.
    const std::string parsed = parsedPassword(database);
    const bool partOfWritten = std::any_of(written.begin(), written.end(), [&](const auto& w) {
        return w != parsed && percentDecoded(w).find(parsed) != std::string::npos;
    });
    if (!partOfWritten)
        written.push_back(parsed);

    std::vector<std::string> all;
    for (const std::string& w : written) {
        for (std::string form : {w, percentDecoded(w), percentEncoded(w),
                                 percentEncoded(percentDecoded(w))})
            if (!form.empty())
                all.push_back(std::move(form));
    }
    // The longest first, so that a form inside another is not replaced piecemeal.
    std::sort(all.begin(), all.end(),
              [](const auto& a, const auto& b) { return a.size() > b.size(); });
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
}

void replaceAll(std::string& text, const std::string& secret) {
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + kHidden.size())) {
        text.replace(at, secret.size(), kHidden);
    }
}

// scheme://user:anything@ -> scheme://user:***@, the user part ending at the last '@' before
// the path, the query, a quote or a blank.
void hideUriPasswords(std::string& text) {
    for (std::size_t scheme = text.find("://"); scheme != std::string::npos;
         scheme = text.find("://", scheme + 3)) {
        const std::size_t begin = scheme + 3;
        std::size_t end = begin;
        while (end < text.size() && text[end] != '/' && text[end] != '?' && text[end] != '"' &&
               text[end] != '\'' && text[end] != ' ' && text[end] != '\n' && text[end] != '\t')
            ++end;
        const std::string_view authority(text.data() + begin, end - begin);
        const auto at = authority.rfind('@');
        const auto colon = authority.find(':');
        if (at == std::string_view::npos || colon == std::string_view::npos || colon > at)
            continue;
        text.replace(begin + colon + 1, at - colon - 1, kHidden);
    }
}

void hidePasswordSettings(std::string& text) {
    for (std::size_t at = text.find("password="); at != std::string::npos;
         at = text.find("password=", at + 1)) {
        std::size_t begin = at + 9;
        std::size_t end = begin;
        if (begin < text.size() && text[begin] == '\'') {
            end = text.find('\'', begin + 1);
            end = end == std::string::npos ? text.size() : end + 1;
        } else {
            while (end < text.size() && text[end] != '&' && text[end] != ' ' &&
                   text[end] != '"' && text[end] != '\n')
                ++end;
        }
        if (end > begin)
            text.replace(begin, end - begin, kHidden);
    }
}

} // namespace

std::string redactSecrets(std::string_view text, std::string_view database) {
    std::string out(text);
    if (!database.empty())
        for (const std::string& secret : passwordsOf(database))
            replaceAll(out, secret);
    hideUriPasswords(out);
    hidePasswordSettings(out);
    return out;
}

bool databaseHoldsPassword(std::string_view database) {
    return !passwordsOf(database).empty();
}

} // namespace rfbind
