// SPDX-License-Identifier: MIT
// The Go cycle around the programming run: one run at a time, the duration, and the
// calibration program after a passed unit.
#include "RunStation.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace rfbind;
using test::RunStation;

namespace {

void writeScript(const char* name, const QByteArray& text, bool executable) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    auto permissions = f.permissions();
    if (executable)
        permissions |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    else
        permissions &= ~(QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup |
                         QFileDevice::ExeOther);
    f.setPermissions(permissions);
}

bool appearsWithin(const QString& file, int ms) {
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(file) && t.elapsed() < ms)
        QTest::qWait(20);
    return QFile::exists(file);
}

} // namespace

TEST(TForm1GoRun, NothingElseStartsWhileARunWorks) {
    RunStation rs;
    auto& form = rs.start();
    test::StationChoice c;
    c.rxFirstId = 0x123456;
    c.txFirstId = 0x345678;
    test::applyChoice(form, c);
    for (const char* arming : {"RX_Erased", "TX_Erased"}) {
        rs.s.child<QCheckBox>(arming)->setEnabled(true);
        rs.s.child<QCheckBox>(arming)->setChecked(true);
    }
    ASSERT_TRUE(rs.s.child<QPushButton>("suiButton1")->isEnabled());
    const test::UnitImage before = rs.unit();
    const int debugLinesBefore = rs.s.child<QListWidget>("lstDebug")->count();

    // In the middle of programming the operator clicks everything within reach.
    bool clicked = false;
    bool goDisabled = false;
    rs.duringRun = [&] {
        if (clicked || rs.s.child<QProgressBar>("pbSetTX")->value() < 12)
            return;
        clicked = true;
        goDisabled = !rs.s.child<QPushButton>("btnGo")->isEnabled();
        EXPECT_TRUE(form.runActive());
        rs.s.child<QPushButton>("suiButton1")->click(); // Erase RX
        form.btnCombo_Cmd_Soft_Bind_SWClick();
        form.btnSetTXClick();
        rs.pressGo();
        form.btnGoClick(); // even past the disabled button
        form.suiButton2Click();
    };

    rs.pressGo();

    EXPECT_TRUE(clicked);
    EXPECT_TRUE(goDisabled);
    EXPECT_EQ(rs.result(), "PASS");
    const test::UnitImage expected =
        test::expectedImage(c, before, 0x123456, 0x345678, QDate::currentDate());
    EXPECT_TRUE(rs.unit().rx == expected.rx) << "the receiver was not erased";
    EXPECT_TRUE(rs.unit().tx == expected.tx);
    EXPECT_EQ(RunStation::logLines().size(), 1) << "one run, one line";
    auto* debug = rs.s.child<QListWidget>("lstDebug");
    for (int i = debugLinesBefore; i < debug->count(); ++i)
        EXPECT_FALSE(debug->item(i)->text().startsWith("**")) << "no binding started";
    EXPECT_FALSE(form.station().bindingPolling().isActive());
    EXPECT_FALSE(form.runActive());
    EXPECT_TRUE(rs.s.child<QPushButton>("btnGo")->isEnabled());

    // Idle again: the same clicks work.
    rs.nextUnit(3);
    rs.s.child<QPushButton>("suiButton1")->click();
    EXPECT_EQ(rs.result(), "RX Erased");
}

TEST(TForm1GoRun, APassedUnitStartsTheCalibrationProgramAndAFailedOneDoesNot) {
    RunStation rs;
    auto& form = rs.start();
    rs.s.child<QCheckBox>("CallQUVE")->setChecked(true);

    // A file of that name that cannot be run is reported, not silently skipped.
    writeScript("QUVE_RF_auto.exe", "#!/bin/sh\necho started > quve_started\n", false);
    rs.pressGo();
    ASSERT_EQ(rs.result(), "PASS");
    ASSERT_EQ(rs.messages().size(), 1u);
    EXPECT_TRUE(rs.messages()[0].text.contains("QUVE_RF_auto.exe"));
    EXPECT_TRUE(rs.messages()[0].text.contains("could not be started"));

    writeScript("QUVE_RF_auto.exe", "#!/bin/sh\necho started > quve_started\n", true);
    rs.nextUnit(12);
    rs.pressGo();
    ASSERT_EQ(rs.result(), "PASS");
    EXPECT_TRUE(appearsWithin("quve_started", 5000)) << "started in the working folder";
    EXPECT_EQ(rs.messages().size(), 1u);
    EXPECT_TRUE(form.station().linkPollingSuspended());
    EXPECT_EQ(form.station().link().ActiveDevice, nullptr) << "the receiver is released for the next unit";

    // Without the program in the working folder the station simply goes on.
    QFile::remove("QUVE_RF_auto.exe");
    rs.nextUnit(13);
    rs.pressGo();
    EXPECT_EQ(rs.result(), "PASS");
    EXPECT_EQ(rs.messages().size(), 1u);
}
