// SPDX-License-Identifier: MIT
#include "Dialogs.h"

#include "TForm2.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace rfbind::app {

void ModalDialogs::message(QWidget* parent, const QString& caption, const QString& text,
                           Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

std::optional<QString> ModalDialogs::password(QWidget* parent) {
    QInputDialog dlgPass(parent);
    dlgPass.setObjectName("dlgPass");
    dlgPass.setWindowTitle("Setting");
    dlgPass.setLabelText("PASSWORD:");
    dlgPass.setTextEchoMode(QLineEdit::Password);
    dlgPass.setOkButtonText("OK");
    dlgPass.setCancelButtonText("Cancel");
    if (dlgPass.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlgPass.textValue();
}

int ModalDialogs::chooseLanguage(TForm2& dialog, int preselected) {
    dialog.cbbLang()->setCurrentIndex(preselected);
    dialog.exec();
    return dialog.cbbLang()->currentIndex();
}

} // namespace rfbind::app
