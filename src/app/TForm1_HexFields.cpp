// SPDX-License-Identifier: MIT
// Reading and showing the hex fields that the device commands take their operands from.
#include "TForm1.h"

#include "StationProgram.h"

#include "Dialogs.h"
#include "commands/HexText.h"
#include "widgets/THexEdit.h"

#include <QGuiApplication>

namespace rfbind::app {

std::optional<int> TForm1::hexValue(const THexEdit* edit) {
    if (const auto v = edit->value())
        return *v;
    // A field without the hex filter can hold anything the operator typed: the handler ends
    // here with the toolkit's own wording, as every malformed number in the station does.
    services_.dialogs.message(this, stationTitle(),
                              edit->conversionErrorText(), Dialogs::Icon::Error);
    return std::nullopt;
}

void TForm1::showReadValue(THexEdit* edit, int value, int shift) {
    // A failed read (-1) shows as its 32-bit two's complement, so it can never be mistaken
    // for a byte that was read.
    edit->setText(QString::fromStdString(hexText(static_cast<std::uint32_t>(value) >> shift)));
}

} // namespace rfbind::app
