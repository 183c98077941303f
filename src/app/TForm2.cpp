// SPDX-License-Identifier: MIT
#include "TForm2.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace rfbind::app {

TForm2::TForm2(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName("TForm2");
    auto* layout = new QVBoxLayout(this);
    auto* lbl1 = new QLabel("Please select a language.", this);
    lbl1->setObjectName("lbl1");
    cbbLang_ = new QComboBox(this);
    cbbLang_->setObjectName("cbbLang");
    cbbLang_->addItems({"English", "Traditional Chinese", "Simplified Chinese"});
    auto* btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    layout->addWidget(lbl1);
    layout->addWidget(cbbLang_);
    layout->addWidget(btnOK);
    connect(btnOK, &QPushButton::clicked, this, &TForm2::btnOKClick);

    setWindowTitle(mainWindow ? mainWindow->windowTitle() : QString());
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.width() / 2 - width() / 2, s.height() / 2 - height() / 2);
    }
}

void TForm2::btnOKClick() { done(QDialog::Accepted); }

} // namespace rfbind::app
