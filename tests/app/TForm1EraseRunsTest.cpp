// SPDX-License-Identifier: MIT
// The two erase runs: armed by their check boxes, every address written, failures shown.
#include "RunStation.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace rfbind;
using test::RunStation;

namespace {

void arm(RunStation& rs, const char* box, bool on) {
    rs.s.child<QCheckBox>(box)->setEnabled(true);
    rs.s.child<QCheckBox>(box)->setChecked(on);
}

} // namespace

TEST(TForm1EraseRuns, AnUnarmedEraseDoesNothingAtAll) {
    RunStation rs;
    auto& form = rs.start();
    EXPECT_FALSE(rs.s.child<QPushButton>("suiButton1")->isEnabled());
    EXPECT_FALSE(rs.s.child<QPushButton>("suiButton2")->isEnabled());
    arm(rs, "TX_Erased", true);
    EXPECT_TRUE(rs.s.child<QPushButton>("suiButton2")->isEnabled());
    arm(rs, "TX_Erased", false);
    EXPECT_FALSE(rs.s.child<QPushButton>("suiButton2")->isEnabled());

    rs.s.child<QLabel>("lblResult")->setText("PASS");
    rs.s.child<QLineEdit>("edtCaliTime")->setText("1.234");
    const auto frames = rs.s.bench.featureTransfers();
    form.suiButton1Click();
    form.suiButton2Click();
    EXPECT_EQ(rs.s.bench.featureTransfers(), frames);
    EXPECT_EQ(rs.result(), "PASS");
    EXPECT_EQ(rs.text("edtCaliTime"), "1.234");
}

TEST(TForm1EraseRuns, ErasingWipesEveryAddressOrSaysWhatFailed) {
    struct Case {
        const char* name;
        bool transmitter; ///< Erase TX, else Erase RX
        std::optional<int> stuckByte, stuckWord;
        bool transmitterOff;
        const char* result; ///< empty: the not-ready box instead
        Qt::GlobalColor colour;
    };
    const Case cases[] = {
        {"erase TX", true, {}, {}, false, "TX Erased", Qt::blue},
        {"erase RX", false, {}, {}, false, "RX Erased", Qt::blue},
        {"a transmitter byte that ignores writes", true, 0x1C, {}, false, "TX Erase FAIL", Qt::red},
        {"a receiver word that ignores writes", false, {}, 5, false, "RX Erase FAIL", Qt::red},
        {"erase RX with the transmitter off", false, {}, {}, true, "RX Erased", Qt::blue},
        {"erase TX with the transmitter off", true, {}, {}, true, "", Qt::black},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bench::BenchOptions options;
        options.faults.transmitterOff = c.transmitterOff;
        RunStation rs(options);
        auto& form = rs.start();
        // A programmed unit, so that erased bytes show.
        test::StationChoice choice;
        choice.rxFirstId = 0x123456;
        choice.txFirstId = 0x345678;
        test::applyChoice(form, choice);
        if (!c.transmitterOff) {
            rs.pressGo();
            ASSERT_EQ(rs.result(), "PASS");
        }
        bench::BenchFaults faults = rs.s.bench.faults();
        faults.stuckTransmitterEepromByte = c.stuckByte;
        faults.stuckReceiverEepromWord = c.stuckWord;
        rs.s.bench.setFaults(faults);
        const test::UnitImage before = rs.unit();
        arm(rs, c.transmitter ? "TX_Erased" : "RX_Erased", true);

        rs.s.child<QPushButton>(c.transmitter ? "suiButton2" : "suiButton1")->click();

        const test::UnitImage after = rs.unit();
        if (*c.result == '\0') {
            ASSERT_EQ(rs.messages().size(), 1u);
            EXPECT_EQ(rs.messages()[0].text, "Please Check Device:\r\n* Mouse TX\r\n");
            EXPECT_TRUE(after.tx == before.tx && after.rx == before.rx);
            continue;
        }
        EXPECT_EQ(rs.result(), c.result);
        EXPECT_EQ(rs.resultColour(), QColor(c.colour));
        EXPECT_EQ(rs.s.child<QProgressBar>("pbSetTX")->value(), 20);
        EXPECT_FALSE(rs.text("edtCaliTime").isEmpty());
        EXPECT_EQ(form.station().link().ActiveDevice, nullptr) << "the receiver is released";
        EXPECT_EQ(rs.text("edtRX"), "Mouse RX Not Ready");
        for (std::size_t a = 0; a < after.tx.size(); ++a) {
            const bool erased = c.transmitter && !(c.stuckByte && *c.stuckByte == static_cast<int>(a));
            EXPECT_EQ(after.tx[a], erased ? 0 : before.tx[a]) << "tx " << a;
        }
        for (std::size_t a = 0; a < after.rx.size(); ++a) {
            const bool erased = !c.transmitter && !(c.stuckWord && *c.stuckWord == static_cast<int>(a));
            EXPECT_EQ(after.rx[a], erased ? 0 : before.rx[a]) << "rx " << a;
        }
        EXPECT_TRUE(rs.messages().empty());
    }
}
