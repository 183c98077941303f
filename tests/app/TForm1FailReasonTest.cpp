// SPDX-License-Identifier: MIT
// The line under FAIL that says why: shown whole in every language however long the reason,
// clear of the next-unit picture and of Go, gone with the cycle's other fields, and said again
// in the language the operator switches to.
#include "RunStation.h"
#include "widgets/FitTextToWidth.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTextLayout>
#include <QtMath>

#include <gtest/gtest.h>

#include <ostream>

using namespace rfbind;
using namespace rfbind::test;

namespace {

/// The longest details the core gives with each reason, as a real station meets them: a
/// settings file's value, a line server's answer, the system's error, a path that has no
/// place to break.
struct LongReason {
    FailReason reason;
    const char* detail;
};
/// The longest of them once laid out, with the longest message around it.
constexpr const char* kLineServerDown = "lease used up: could not connect to server \"line-db.hall-2.local\" "
                                        "(10.40.12.7), port 5432: Connection refused";
const LongReason kLongReasons[] = {
    {FailReason::NoReceiver,
     "none of the 6 HID devices on the bus has the USB ID 1D57:053A; the wired keyboard "
     "1D57:0001 and a barcode reader were left alone"},
    {FailReason::ReceiverNotAnswering,
     "feature report transfer failed (Input/output error) on /dev/hidraw3 after the link "
     "query 01 09 was sent twice"},
    {FailReason::TransmitterNotAnswering,
     "the link counter did not change in 12 link tests over 2.4 s: the mouse is off, its "
     "battery flat, or it is paired elsewhere"},
    {FailReason::TxEepromWrite, "0x0C (wrote 5A and read back A5 twice; the byte may be write-protected)"},
    {FailReason::RxEepromWrite, "19 (wrote 0x1E34 and read back 0x0000; the receiver may have been reset)"},
    {FailReason::NoFinalLink,
     "the receiver saw no report from the mouse within 10 s after programming; it was not "
     "moved or it is out of range"},
    {FailReason::KeyboardTimeout,
     "no keyboard paired within the binding time of 20 s; its bind button was not pressed "
     "or its battery is flat"},
    {FailReason::MousePairedInstead,
     "the mouse's radio ID changed from 3A5F21 to 3A5F22 while the keyboard was to pair; "
     "the mouse was switched off and on"},
    {FailReason::ReceiverPulled,
     "the receiver left the bus at step tx_radio_ids after 3.2 s (USB port 1-1.4.2, hub "
     "power lost or the dongle pulled)"},
    {FailReason::RecipeRefused, "CustKey1 24 is no item of the hot-key list (0 to 23)"},
    {FailReason::RecipeRefused,
     "the product string \"2.4G Wireless Keyboard & Mouse Combo Receiver\": it has 45 "
     "characters and the receiver holds at most 30"},
    {FailReason::RecipeRefused,
     "PName=Combo \u2713: the receiver cannot take it: \"\u2713\" (U+2713) is not a Latin-1 "
     "character; the receiver stores one byte per character, so only letters, digits, blanks "
     "and signs of Latin-1 can be used."},
    {FailReason::Cancelled,
     "the window was closed while the transmitter EEPROM was written; the unit holds part "
     "of its new settings"},
    {FailReason::LineOffline, kLineServerDown},
    {FailReason::LineUnusable,
     "/home/operator/stations/assembly-hall-2/station-07/Line-leases.ini cannot be read "
     "(Permission denied)"},
};

struct Language {
    const char* stored;
    TLanguateKind kind;
};

void PrintTo(const Language& l, std::ostream* os) { *os << l.stored; }

/// The lines the label's text falls into at the label's font and width, broken where the
/// label breaks them (at spaces, between Chinese characters, at zero-width spaces).
QStringList wrappedLines(const QLabel& label, qreal* height) {
    QTextLayout layout(label.text(), label.font());
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QStringList lines;
    qreal y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label.contentsRect().width());
        line.setPosition(QPointF(0, y));
        y += line.height();
        lines << label.text().mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    *height = y;
    return lines;
}

/// The reason line says `whole` in full and fits where it stands: every line within the
/// label's width, all lines within its height, clear of every other control of the Go group
/// (the next-unit picture above all) and inside the window, with FAIL still large above it.
void expectShownWhole(const StationFixture& f, const QString& whole) {
    const app::TForm1& form = *f.form;
    auto* reason = f.child<QLabel>("lblFailReason");
    ASSERT_NE(reason, nullptr);
    ASSERT_TRUE(reason->isVisibleTo(&form));
    EXPECT_EQ(reason->toolTip(), whole);
    EXPECT_EQ(QString(reason->text()).remove(QChar(0x200B)).toStdString(), whole.simplified().toStdString())
        << "cut short";

    const QFontMetrics fm(reason->font());
    qreal height = 0;
    const QStringList lines = wrappedLines(*reason, &height);
    for (const QString& line : lines) {
        EXPECT_LE(fm.horizontalAdvance(line), reason->contentsRect().width()) << line.toStdString();
    }
    EXPECT_LE(qCeil(height), reason->contentsRect().height()) << lines.size() << " lines";
    EXPECT_GE(reason->font().pointSizeF(), 7.5) << "small print no operator reads";

    auto* picture = f.child<QWidget>("Image1");
    ASSERT_TRUE(picture->isVisibleTo(&form)) << "the run ended with the next-unit picture";
    auto* result = f.child<QLabel>("lblResult");
    for (const QWidget* other : reason->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other == reason || other == result || !other->isVisibleTo(&form))
            continue;
        EXPECT_FALSE(reason->geometry().intersects(other->geometry()))
            << "over or under " << other->objectName().toStdString();
    }
    EXPECT_TRUE(form.rect().contains(QRect(reason->mapTo(&form, QPoint(0, 0)), reason->size())));

    // FAIL keeps the part of its label above the reason, and reads as a result there.
    const QRect failArea = result->contentsRect().translated(result->pos());
    EXPECT_FALSE(failArea.intersects(reason->geometry()));
    const QFont failFont = app::FitTextToWidth::fittedFont(*result);
    EXPECT_LE(QFontMetrics(failFont).height(), failArea.height());
    EXPECT_GE(failFont.pointSizeF(), 16);
}

/// What the run shows at the end of a failed unit.
void showFail(app::TForm1& form, FailReason reason, const std::string& detail) {
    form.runDisplay().showLabel(RunDisplay::Label::Fail);
    form.runDisplay().showFailReason(failReasonMessageId(reason), detail, {});
    form.runDisplay().showNextUnitPrompt(true);
}

class TForm1FailReason : public ::testing::TestWithParam<Language> {};

TEST_P(TForm1FailReason, TheLongestReasonsAreShownWholeBesideTheNextUnitPicture) {
    StationFixture f;
    f.languages.stored = QString(GetParam().stored);
    auto& form = f.create();
    ASSERT_EQ(form.currentLanguage(), GetParam().kind);
    for (const LongReason& r : kLongReasons) {
        const int id = failReasonMessageId(r.reason);
        SCOPED_TRACE(testing::Message() << "message " << id << ": " << r.detail);
        showFail(form, r.reason, r.detail);
        const QString lead = QString::fromUtf8(MessageText(id, GetParam().kind)).section("%1", 0, 0);
        const QString whole = f.child<QLabel>("lblFailReason")->toolTip();
        EXPECT_TRUE(whole.startsWith(lead)) << "in the operator's language: " << whole.toStdString();
        EXPECT_TRUE(whole.contains(QString::fromUtf8(r.detail))) << "with its detail: " << whole.toStdString();
        expectShownWhole(f, whole);
    }
    if (const QByteArray dir = qgetenv("RFBIND_SCREENSHOT_DIR"); !dir.isEmpty()) {
        showFail(form, FailReason::LineOffline, kLineServerDown);
        form.grab().save(QDir(QString::fromLocal8Bit(dir))
                             .filePath(QString("fail-reason-%1.png").arg(GetParam().stored)));
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TForm1FailReason,
                         ::testing::Values(Language{"lkEng", lkEng}, Language{"lkCht", lkCht},
                                           Language{"lkChs", lkChs}),
                         [](const auto& info) { return std::string(info.param.stored); });

/// A unit that fails with transmitter EEPROM byte 0x0D stuck.
RunStation& failedUnit(RunStation& rs) {
    rs.start();
    rs.pressGo();
    EXPECT_EQ(rs.result(), "FAIL");
    EXPECT_EQ(rs.s.child<QLabel>("lblFailReason")->text().toStdString(), "TX EEPROM write at 0x0D not confirmed");
    return rs;
}

bench::BenchOptions stuckByte() {
    bench::BenchOptions options;
    options.faults.stuckTransmitterEepromByte = 0x0D;
    return options;
}

TEST(TForm1FailReasonCycle, RepluggingTheReceiverClearsTheReasonWithTheResult) {
    RunStation rs(stuckByte());
    failedUnit(rs);
    ASSERT_FALSE(rs.text("edtCaliTime").isEmpty());

    rs.nextUnit(12); // the operator puts the next unit's receiver in

    auto* reason = rs.s.child<QLabel>("lblFailReason");
    EXPECT_TRUE(rs.result().isEmpty());
    EXPECT_TRUE(rs.text("edtCaliTime").isEmpty());
    EXPECT_FALSE(reason->isVisibleTo(rs.form));
    EXPECT_TRUE(reason->text().isEmpty());
    EXPECT_TRUE(reason->toolTip().isEmpty()) << "no old reason behind the mouse pointer";
    auto* result = rs.s.child<QLabel>("lblResult");
    EXPECT_EQ(result->contentsRect(), result->rect()) << "the next result has the whole label";

    // Nor does a language switch bring the old unit's reason back.
    QTest::keyClick(rs.s.child<QComboBox>("cbbLang"), Qt::Key_Down);
    EXPECT_FALSE(reason->isVisibleTo(rs.form));
    EXPECT_TRUE(reason->text().isEmpty());
}

TEST(TForm1FailReasonCycle, SwitchingTheLanguageSaysTheReasonAgainInTheNewOne) {
    RunStation rs(stuckByte());
    failedUnit(rs);
    auto* reason = rs.s.child<QLabel>("lblFailReason");
    auto* list = rs.s.child<QComboBox>("cbbLang");

    QTest::keyClick(list, Qt::Key_Down); // English -> Traditional Chinese
    EXPECT_EQ(reason->text().toStdString(), "TX EEPROM 位址 0x0D 寫入未確認");
    EXPECT_EQ(reason->toolTip(), reason->text());
    QTest::keyClick(list, Qt::Key_Down); // -> Simplified Chinese
    EXPECT_EQ(reason->text().toStdString(), "TX EEPROM 地址 0x0D 写入未确认");
    QTest::keyClick(list, Qt::Key_Home); // -> English
    EXPECT_EQ(reason->text().toStdString(), "TX EEPROM write at 0x0D not confirmed");

    // A long reason is laid out anew for the new language's wider characters.
    showFail(*rs.form, FailReason::LineOffline, kLineServerDown);
    QTest::keyClick(list, Qt::Key_End); // -> Simplified Chinese
    EXPECT_TRUE(reason->toolTip().startsWith("产线离线")) << reason->toolTip().toStdString();
    expectShownWhole(rs.s.station, reason->toolTip());
}

} // namespace
