// SPDX-License-Identifier: MIT
// What the operator sees, in each language: every caption fits its control and every control
// lies inside its group. Set RFBIND_SCREENSHOT_DIR to keep a picture of the window per language.
#include "StationFixture.h"
#include "TForm2.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <ostream>

using rfbind::test::StationFixture;

namespace {

struct Look {
    const char* stored;
    const char* file;
};

void PrintTo(const Look& l, std::ostream* os) {
    *os << l.stored;
}

class TForm1Look : public ::testing::TestWithParam<Look> {};

/// The width a caption needs in its control, or -1 when the control shows none.
int neededWidth(const QWidget* w) {
    const QFontMetrics fm = w->fontMetrics();
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title().isEmpty() ? -1 : fm.horizontalAdvance(g->title()) + 16;
    if (auto* b = qobject_cast<const QPushButton*>(w))
        return fm.horizontalAdvance(QString(b->text()).remove('&')) + 8;
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
        return w->sizeHint().width();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->pixmap().isNull() && !l->text().isEmpty() ? fm.horizontalAdvance(l->text()) : -1;
    return -1;
}

TEST_P(TForm1Look, EveryCaptionTheOperatorSeesFitsItsControl) {
    StationFixture f;
    f.languages.stored = QString(GetParam().stored);
    auto& form = f.create();
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&form) || w->objectName().isEmpty() ||
            w->objectName().startsWith("qt_"))
            continue;
        const int needed = neededWidth(w);
        if (needed >= 0)
            EXPECT_LE(needed, w->width()) << w->objectName().toStdString();
    }
    if (const QByteArray dir = qgetenv("RFBIND_SCREENSHOT_DIR"); !dir.isEmpty()) {
        const QDir out(QString::fromLocal8Bit(dir));
        QDir().mkpath(out.path());
        form.grab().save(out.filePath(GetParam().file));
        // The panels the operator never sees, for the engineer's eye.
        auto* pages = f.child<QTabWidget>("spgcntrl1");
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            pages->grab().save(out.filePath(
                QString("%1-%2").arg(pages->widget(i)->objectName(), GetParam().file)));
        }
        form.languageDialog()->grab().save(out.filePath(QString("TForm2-%1").arg(GetParam().file)));
        for (const char* panel : {"gb1", "gbRX", "gbTX"})
            f.child<QWidget>(panel)->grab().save(
                out.filePath(QString("%1-%2").arg(panel, GetParam().file)));
    }
}

TEST_P(TForm1Look, EveryControlLiesInsideItsGroup) {
    StationFixture f;
    f.languages.stored = QString(GetParam().stored);
    auto& form = f.create();
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&form) || w->parentWidget() == &form || w->isWindow() ||
            w->objectName().isEmpty() || w->objectName().startsWith("qt_"))
            continue;
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()))
            << w->objectName().toStdString() << " sticks out of "
            << w->parentWidget()->objectName().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(TForm1Look, TForm1Look,
                         ::testing::Values(Look{"lkEng", "station-english.png"},
                                           Look{"lkCht", "station-traditional.png"},
                                           Look{"lkChs", "station-simplified.png"}),
                         [](const auto& info) { return std::string(info.param.stored); });

} // namespace
