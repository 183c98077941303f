// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QComboBox;

namespace Ui {
class TForm2;
}

namespace rfbind::app {

/// The first-start language dialog: "Please select a language.", the picture list `cbbLang`
/// and "OK". Its title copies the main window's title bar.
class TForm2 : public QDialog {
    Q_OBJECT

public:
    /// Centres itself on the primary screen and copies `mainWindow`'s title.
    explicit TForm2(QWidget* mainWindow);
    ~TForm2() override;

    /// The language list (items 0..2: English, Traditional Chinese, Simplified Chinese).
    QComboBox* cbbLang() const;

    void btnOKClick();

private:
    Ui::TForm2* ui;
};

} // namespace rfbind::app
