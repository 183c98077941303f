// SPDX-License-Identifier: MIT
// Interface language: placeholder until the message table and captions land.
#include "TForm1.h"

namespace rfbind::app {

QString TForm1::MessageText(int id) const {
    const char* text = rfbind::MessageText(id, CurrentLanguage);
    return text ? QString::fromUtf8(text) : QString();
}
void TForm1::LoadLanguage() {}
void TForm1::ApplyLanguage() {}
void TForm1::SaveLanguage() {}
void TForm1::cbbLangChange(int) {}

} // namespace rfbind::app
