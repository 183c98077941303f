// SPDX-License-Identifier: MIT
// What the operator sees, in each language: every caption fits its control and every control
// lies inside its group. Set RFBIND_SCREENSHOT_DIR to keep a picture of the window per language.
#include "StationFixture.h"
#include "TForm2.h"
#include "widgets/FitTextToWidth.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <algorithm>
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
        if (needed >= 0) {
            EXPECT_LE(needed, w->width()) << w->objectName().toStdString();
        }
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

/// The part of a group box its frame encloses, as the style draws it: below the caption. The
/// style's contents area lies a margin inside the frame line.
QRect framed(const QGroupBox* g) {
    QStyleOptionGroupBox option;
    option.initFrom(g);
    option.text = g->title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame |
                         (g->title().isEmpty() ? QStyle::SC_None : QStyle::SC_GroupBoxLabel);
    option.features = g->isFlat() ? QStyleOptionFrame::Flat : QStyleOptionFrame::None;
    option.textAlignment = g->alignment();
    return g->style()
        ->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, g)
        .adjusted(-2, -2, 2, 2);
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
    // Fields (edit boxes, lists, spin boxes) sit within the frame their group draws.
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        const auto* group = qobject_cast<const QGroupBox*>(w->parentWidget());
        if (!group || !w->isVisibleTo(&form) || w->objectName().isEmpty() ||
            w->objectName().startsWith("qt_") ||
            !(qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
              qobject_cast<const QAbstractSpinBox*>(w)))
            continue;
        EXPECT_TRUE(framed(group).contains(w->geometry()))
            << w->objectName().toStdString() << " spills over the frame of "
            << group->objectName().toStdString() << ": " << w->geometry().y() << "+"
            << w->geometry().height() << " in " << framed(group).y() << "+"
            << framed(group).height();
    }
}

TEST_P(TForm1Look, LongResultsAndPeriodsAreShownWholeAndClearOfGo) {
    StationFixture f;
    f.languages.stored = QString(GetParam().stored);
    auto& form = f.create();
    auto* sleep = f.child<QSpinBox>("suiSpinEdit1");
    auto* sleepLabel = f.child<QLabel>("Label3");
    for (int v : {0, 1, 56, 240}) {
        sleep->setValue(v);
        EXPECT_LE(neededWidth(sleepLabel), sleepLabel->width()) << sleepLabel->text().toStdString();
    }
    auto* result = f.child<QLabel>("lblResult");
    const QObjectList helpers = result->children();
    EXPECT_TRUE(std::any_of(helpers.begin(), helpers.end(), [](QObject* o) {
        return dynamic_cast<rfbind::app::FitTextToWidth*>(o) != nullptr;
    })) << "the result label draws a long text smaller";
    EXPECT_FALSE(result->geometry().intersects(f.child<QWidget>("btnGo")->geometry()));
    for (const char* text : {"PASS", "FAIL", "TX Erased", "RX Erased", "TX Erase FAIL",
                             "RX Erase FAIL"}) {
        result->setText(text);
        const QFont shown = rfbind::app::FitTextToWidth::fittedFont(*result);
        EXPECT_LE(QFontMetrics(shown).horizontalAdvance(text), result->contentsRect().width())
            << text;
        EXPECT_GE(shown.pointSizeF(), 16) << text << " still reads as a result";
    }
    if (const QByteArray dir = qgetenv("RFBIND_SCREENSHOT_DIR"); !dir.isEmpty()) {
        sleep->setValue(0);
        form.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(
            QString("erase-fail-%1").arg(GetParam().file)));
    }
}

INSTANTIATE_TEST_SUITE_P(TForm1Look, TForm1Look,
                         ::testing::Values(Look{"lkEng", "station-english.png"},
                                           Look{"lkCht", "station-traditional.png"},
                                           Look{"lkChs", "station-simplified.png"}),
                         [](const auto& info) { return std::string(info.param.stored); });

} // namespace
