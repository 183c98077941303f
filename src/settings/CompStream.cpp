// SPDX-License-Identifier: MIT
#include "settings/CompStream.h"

#include "numbering/TProdRFID.h"
#include "numbering/TProdSN.h"

#include <charconv>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace rfbind {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

struct RegisteredClass {
    std::string name;
    ComponentFactory factory;
};

// The generators are known from the start, so a station that forgot to register them cannot
// quietly replace every stored counter by defaults.
std::vector<RegisteredClass>& registry() {
    static std::vector<RegisteredClass> classes{
        {"TProdSN", [] { return std::unique_ptr<PublishedObject>(new TProdSN(kAllZeroState)); }},
        {"TProdRFID",
         [] { return std::unique_ptr<PublishedObject>(new TProdRFID(kAllZeroState)); }},
    };
    return classes;
}

const RegisteredClass* findClass(std::string_view name) {
    for (const auto& c : registry())
        if (sameName(c.name, name))
            return &c;
    return nullptr;
}

bool isIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isIdentChar(char c) {
    return isIdentStart(c) || (c >= '0' && c <= '9');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

enum class TokenKind { End, Identifier, Number, Equals, Invalid };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;
    int line = 1;
};

// Splits the text into the few tokens a generator text can hold. Every control character and
// space counts as a blank, like line ends, so the exact layout of the lines does not matter.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    Token next() {
        while (pos_ < text_.size() && text_[pos_] != '\0' &&
               static_cast<unsigned char>(text_[pos_]) <= ' ') {
            if (text_[pos_] == '\n')
                ++line_;
            ++pos_;
        }
        Token t;
        t.line = line_;
        if (pos_ >= text_.size())
            return t;
        const std::size_t start = pos_;
        const char c = text_[pos_];
        if (isIdentStart(c)) {
            while (pos_ < text_.size() && isIdentChar(text_[pos_]))
                ++pos_;
            t.kind = TokenKind::Identifier;
        } else if (isDigit(c) || c == '-' || c == '$') {
            // Take the whole run of number-like characters so "12ab" is one bad number rather
            // than a number followed by a property name.
            ++pos_;
            while (pos_ < text_.size() && (isIdentChar(text_[pos_]) || text_[pos_] == '$'))
                ++pos_;
            t.kind = TokenKind::Number;
        } else if (c == '=') {
            ++pos_;
            t.kind = TokenKind::Equals;
        } else {
            ++pos_;
            t.kind = TokenKind::Invalid;
        }
        t.text = text_.substr(start, pos_ - start);
        return t;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

std::optional<std::int64_t> parseNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (!negative)
        return magnitude <= kMax ? std::optional<std::int64_t>(static_cast<std::int64_t>(magnitude))
                                 : std::nullopt;
    if (magnitude > kMax + 1)
        return std::nullopt;
    // -(2^63) is representable although +(2^63) is not: negate in unsigned arithmetic.
    return static_cast<std::int64_t>(0 - magnitude);
}

std::string quoted(std::string_view text) {
    // Bad input may be anything; keep the message short and printable.
    std::string out = "\"";
    for (const char c : text.substr(0, 40))
        out += (static_cast<unsigned char>(c) < ' ' || c == '\x7F') ? '?' : c;
    if (text.size() > 40)
        out += "...";
    return out + "\"";
}

std::string at(const Token& t, std::string_view what) {
    return "line " + std::to_string(t.line) + ": " + std::string(what);
}

std::string describe(const Token& t) {
    return t.kind == TokenKind::End ? std::string("the end of the text") : quoted(t.text);
}

} // namespace

bool RegisterComponentClass(std::string_view className, ComponentFactory factory) {
    if (!factory || className.empty() || findClass(className))
        return false;
    registry().push_back({std::string(className), std::move(factory)});
    return true;
}

std::string ComponentToText(PublishedObject& component) {
    std::string text = "object " + std::string(component.ClassName()) + "\r\n";
    for (const PublishedProperty& p : component.PublishedProperties()) {
        if (p.readOnly())
            continue;
        const std::int64_t value = p.get(component);
        if (p.type == PropertyType::Int64 && value == 0)
            continue;
        text += "  ";
        text += p.name;
        text += " = ";
        if (p.type == PropertyType::Boolean)
            text += value != 0 ? "True" : "False";
        else
            text += std::to_string(value);
        text += "\r\n";
    }
    text += "end\r\n";
    return text;
}

TextToComponentResult TextToComponent(std::string_view text) {
    TextToComponentResult result;
    const auto fail = [&result](std::string why) {
        result.component.reset();
        result.error = std::move(why);
        return std::move(result);
    };

    Scanner scanner(text);
    Token t = scanner.next();
    if (t.kind != TokenKind::Identifier || !sameName(t.text, "object"))
        return fail(at(t, "expected \"object\", found " + describe(t)));
    t = scanner.next();
    if (t.kind != TokenKind::Identifier)
        return fail(at(t, "expected a class name, found " + describe(t)));
    const RegisteredClass* cls = findClass(t.text);
    if (!cls)
        return fail(at(t, "unknown class " + quoted(t.text)));
    result.component = cls->factory();
    if (!result.component)
        return fail(at(t, "class " + quoted(t.text) + " could not be created"));
    PublishedObject& object = *result.component;

    for (;;) {
        t = scanner.next();
        if (t.kind == TokenKind::Identifier && sameName(t.text, "end"))
            break;
        if (t.kind != TokenKind::Identifier)
            return fail(at(t, "expected a property name or \"end\", found " + describe(t)));
        const PublishedProperty* property = nullptr;
        for (const PublishedProperty& p : object.PublishedProperties())
            if (sameName(p.name, t.text))
                property = &p;
        if (!property)
            return fail(at(t, "unknown property " + quoted(t.text) + " of " +
                                  std::string(object.ClassName())));
        if (property->readOnly())
            return fail(at(t, "property " + std::string(property->name) + " is read-only"));

        t = scanner.next();
        if (t.kind != TokenKind::Equals)
            return fail(at(t, "expected \"=\" after " + std::string(property->name) + ", found " +
                                  describe(t)));

        t = scanner.next();
        std::int64_t value = 0;
        if (property->type == PropertyType::Boolean) {
            if (t.kind == TokenKind::Identifier && sameName(t.text, "True"))
                value = 1;
            else if (!(t.kind == TokenKind::Identifier && sameName(t.text, "False")))
                return fail(at(t, std::string(property->name) + " needs True or False, found " +
                                      describe(t)));
        } else {
            const auto number = t.kind == TokenKind::Number ? parseNumber(t.text) : std::nullopt;
            if (!number)
                return fail(
                    at(t, std::string(property->name) + " needs an integer, found " + describe(t)));
            if (property->type == PropertyType::Int32 &&
                (*number < std::numeric_limits<std::int32_t>::min() ||
                 *number > std::numeric_limits<std::int32_t>::max()))
                return fail(at(t, std::string(property->name) + " is out of the 32-bit range"));
            value = *number;
        }
        property->set(object, value);
    }

    t = scanner.next();
    if (t.kind != TokenKind::End)
        return fail(at(t, "unexpected " + describe(t) + " after \"end\""));
    return result;
}

std::string LineEndsToSemicolons(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ';';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string SemicolonsToLineEnds(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 16);
    for (const char c : value) {
        if (c == ';')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

std::string GeneratorToIniValue(PublishedObject& generator) {
    return LineEndsToSemicolons(ComponentToText(generator));
}

} // namespace rfbind
