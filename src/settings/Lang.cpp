// SPDX-License-Identifier: MIT
// Placeholder until the message table lands.
#include "settings/Lang.h"

namespace rfbind {
const char* MessageText(int, TLanguateKind) { return nullptr; }
const char* LanguageName(TLanguateKind) { return "lkEng"; }
std::optional<TLanguateKind> ParseLanguageName(std::string_view) { return std::nullopt; }
TLanguateKind PreselectedLanguage(int) { return lkChs; }
int CodePageForLocale(std::string_view) { return 65001; }
} // namespace rfbind
