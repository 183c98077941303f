// SPDX-License-Identifier: MIT
#include "TForm2.h"

#include "ui_TForm2.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace rfbind::app {

TForm2::TForm2(QWidget* mainWindow) : QDialog(mainWindow), ui(new Ui::TForm2) {
    ui->setupUi(this);
    connect(ui->btnOK, &QPushButton::clicked, this, &TForm2::btnOKClick);

    // The dialog belongs to this copy of the station: its title names the same TempID.
    setWindowTitle(mainWindow ? mainWindow->windowTitle() : QString());
    setFixedSize(size());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.width() / 2 - width() / 2, s.height() / 2 - height() / 2);
    }
}

TForm2::~TForm2() {
    delete ui;
}

QComboBox* TForm2::cbbLang() const {
    return ui->cbbLang;
}

void TForm2::btnOKClick() {
    done(QDialog::Accepted);
}

} // namespace rfbind::app
