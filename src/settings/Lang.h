// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace rfbind {

/// The interface languages, in the order of the language lists.
enum TLanguateKind : std::uint8_t { lkEng = 0, lkCht = 1, lkChs = 2 };

/// Text of message `id` (0..55 for the window, 60..75 for run failures, erase results and the
/// line, 76..81 for a gang station's slots) in `language`, UTF-8; nullptr when the table has no
/// such id (the caller then leaves its text as it was).
const char* MessageText(int id, TLanguateKind language);

/// The name the language is stored under: "lkEng", "lkCht" or "lkChs".
const char* LanguageName(TLanguateKind language);

/// Reads a stored language choice: a three-letter value is taken with "lk" in front, letter
/// case does not matter. Nothing when the text names no language.
std::optional<TLanguateKind> ParseLanguageName(std::string_view stored);

/// The first-start dialog's preselection for the system's code page: Simplified Chinese code
/// pages offer English, Traditional Chinese ones Traditional, every other one Simplified.
TLanguateKind PreselectedLanguage(int codePage);

/// The code page a Linux locale name (e.g. "zh_CN.UTF-8", "en_US.ISO-8859-1") stands for:
/// Simplified Chinese locales (zh_CN, zh_SG, plain zh) count as 936, Traditional ones (zh_TW,
/// zh_HK, zh_MO) as 950, whatever their character set; others by their own character set
/// (UTF-8 as 65001, ISO-8859-n as 2859n, CPnnnn as nnnn). "C", "POSIX" and an empty name
/// without a character set are US-ASCII, 20127; any other locale without a character set is
/// ISO-8859-1, 28591; a character set the table does not know counts as 65001.
int CodePageForLocale(std::string_view locale);

} // namespace rfbind
