// SPDX-License-Identifier: MIT
// A station whose Line.ini cannot be used says so at start-up and refuses every Go with the
// reason; it never numbers from TX.ini alone instead.
#include "RunStation.h"

#include <QLabel>

using namespace rfbind;
using namespace rfbind::test;

TEST(TForm1Line, AnUnusableLineIsSaidAtStartUpAndGoIsRefusedWithTheReason) {
    struct Case {
        const char* lineIni;
        const char* said; ///< part of the start-up message and of the reason under FAIL
    };
    const Case cases[] = {
        {"[Line]\nthis is not a setting\n", "line 2"},
        {"[Line]\nDatabase=http://line-server/x\n", "Database"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lineIni);
        RunStation rs;
        rs.s.station.putFile("Line.ini", c.lineIni);
        rs.start();
        ASSERT_EQ(rs.s.station.dialogs.messages.size(), 1u);
        const auto& shown = rs.s.station.dialogs.messages.front();
        EXPECT_EQ(shown.caption, "Line");
        EXPECT_TRUE(shown.text.contains(c.said)) << shown.text.toStdString();

        rs.nextUnit(3);
        rs.pressGo();
        EXPECT_EQ(rs.result(), "FAIL");
        auto* reason = rs.s.child<QLabel>("lblFailReason");
        ASSERT_NE(reason, nullptr);
        EXPECT_TRUE(reason->text().startsWith("Line not usable: ")) << reason->text().toStdString();
        EXPECT_TRUE(reason->text().contains(c.said)) << reason->text().toStdString();
    }
}

TEST(TForm1Line, WithoutLineIniNothingIsSaidAndGoProgramsAsAlways) {
    RunStation rs;
    rs.start();
    EXPECT_TRUE(rs.s.station.dialogs.messages.empty());
    rs.nextUnit(3);
    rs.pressGo();
    EXPECT_EQ(rs.result(), "PASS");
}
