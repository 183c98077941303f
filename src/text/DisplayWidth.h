// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rfbind {

/// How many columns of a terminal UTF-8 text takes: a wide East Asian character (CJK, Hangul,
/// full-width forms) two, a combining mark none, any other character one. A byte that is not
/// valid UTF-8 counts one, as a terminal shows it as one replacement sign.
std::size_t displayWidth(std::string_view utf8);

/// `text` padded with spaces to `width` columns (on the left when `right`); text as wide or
/// wider comes back as it is.
std::string padToWidth(const std::string& text, std::size_t width, bool right = false);

/// `text` cut into lines of at most `width` columns, each cut after a space, '-', '_', '.' or
/// '/' when the line has one, else between characters; never inside a character.
std::vector<std::string> wrapToWidth(const std::string& text, std::size_t width);

} // namespace rfbind
