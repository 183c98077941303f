// SPDX-License-Identifier: MIT
#include "text/DisplayWidth.h"

#include <cstdint>

namespace rfbind {

namespace {

struct Decoded {
    char32_t code;
    std::size_t length; // bytes
};

Decoded decode(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                             : (lead >> 3) == 0x1E  ? 4 : 0;
    if (length == 0 || at + length > s.size())
        return {0xFFFD, 1};
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return {0xFFFD, 1};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    return {code, length};
}

bool combining(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200B || c == 0x200D;
}

// The East Asian Wide and Full-width blocks.
bool wide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::size_t width(char32_t c) { return combining(c) ? 0 : wide(c) ? 2 : 1; }

} // namespace

std::size_t displayWidth(std::string_view utf8) {
    std::size_t columns = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const Decoded d = decode(utf8, at);
        columns += width(d.code);
        at += d.length;
    }
    return columns;
}

std::string padToWidth(const std::string& text, std::size_t width, bool right) {
    const std::size_t has = displayWidth(text);
    if (has >= width)
        return text;
    const std::string fill(width - has, ' ');
    return right ? fill + text : text + fill;
}

std::vector<std::string> wrapToWidth(const std::string& text, std::size_t limit) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t columns = 0;
    std::size_t lastBreak = std::string::npos; // bytes of `line` up to and with a break sign
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = decode(text, at);
        const std::size_t w = width(d.code);
        if (columns + w > limit && !line.empty()) {
            const std::size_t cut = lastBreak != std::string::npos ? lastBreak : line.size();
            std::string done = line.substr(0, cut);
            while (done.size() > 1 && done.back() == ' ')
                done.pop_back();
            lines.push_back(done);
            line.erase(0, cut);
            columns = displayWidth(line);
            const std::size_t sign = line.find_last_of(" -_./");
            lastBreak = sign == std::string::npos ? sign : sign + 1;
        }
        line.append(text, at, d.length);
        columns += w;
        if (d.code == ' ' || d.code == '-' || d.code == '_' || d.code == '.' || d.code == '/')
            lastBreak = line.size();
        at += d.length;
    }
    if (!line.empty() || lines.empty())
        lines.push_back(line);
    return lines;
}

} // namespace rfbind
