// SPDX-License-Identifier: MIT
#include "DeviceStation.h"
#include "RunStation.h"

#include <QComboBox>
#include <QLabel>
#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace rfbind;
using rfbind::test::BenchStation;
using rfbind::test::StationFixture;

TEST(TForm1HotKeys, StartUpFillsTwentyFourKeysWithHomeAndMailSelected) {
    StationFixture f;
    auto& form = f.create();
    auto* key1 = f.child<QComboBox>("cbCustKey1");
    auto* key2 = f.child<QComboBox>("cbCustKey2");
    EXPECT_EQ(key1->count(), 24);
    EXPECT_EQ(key2->count(), 24);
    EXPECT_EQ(key1->currentText(), "WWW HOME");
    EXPECT_EQ(key2->currentText(), "MAIL");
    EXPECT_EQ(form.defaultCustKey1(), 7);
    EXPECT_EQ(form.defaultCustKey2(), 8);
    EXPECT_EQ(key2->itemData(23).toInt(), 0x08D);

    form.station().fillHotKeyLists(true); // what finding a zoom-key receiver does
    EXPECT_EQ(key1->count(), 26);
    EXPECT_EQ(key2->count(), 26);
    EXPECT_EQ(key1->currentIndex(), 24);
    EXPECT_EQ(key2->currentIndex(), 25);
}

TEST(TForm1HotKeys, AProgrammingRunWritesBothWordsAndAppliesThem) {
    BenchStation s;
    auto& form = s.create();
    form.FindReceiver();
    auto* key1 = s.child<QComboBox>("cbCustKey1");
    auto* key2 = s.child<QComboBox>("cbCustKey2");

    form.station().setRunMode(0); // idle: a change is saved and written nowhere else
    QFile::remove("TX.ini");
    const auto transfers = s.bench.featureTransfers();
    key1->setCurrentIndex(0);
    EXPECT_EQ(s.bench.featureTransfers(), transfers);
    EXPECT_TRUE(QFile::exists("TX.ini"));

    QFile::remove("TX.ini");
    form.station().setRunMode(1);
    key1->setCurrentIndex(7); // WWW HOME
    key2->setCurrentIndex(0); // [DISABLE]
    const auto& words = s.bench.receiver().eeprom();
    EXPECT_EQ(words[3], 0x23DC);
    EXPECT_EQ(words[4], 0x02FD);
    EXPECT_EQ(words[5], 0x00FF);
    EXPECT_EQ(words[6], 0x00FF);
    key2->setCurrentIndex(8); // MAIL
    EXPECT_EQ(words[5], 0x8A75);
    EXPECT_EQ(words[6], 0x01FE);
    EXPECT_FALSE(QFile::exists("TX.ini")) << "a programming run does not save";
    EXPECT_FALSE(form.station().link().CommError);
}

TEST(TForm1HotKeys, UpdateCustKeyIsSentAfterEachHotKey) {
    std::vector<std::string> log;
    test::FakeDeviceList devices;
    devices.recipes = {[&] { return std::make_unique<test::NamedFakeDevice>(&log, "/dev/hidraw1"); }};
    test::RecordingClock clock;
    StationFixture f(&devices, &clock);
    auto& form = f.create();
    form.FindReceiver();
    log.clear();
    form.station().setRunMode(1);
    form.cbCustKey1Change();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[log.size() - 1], "set 01 08 0B 00 00 00 00 00");
}

TEST(TForm1HotKeys, AZoomReceiverPassesEveryUnitWithTheZoomKeysAcrossRestarts) {
    bench::BenchOptions options;
    options.receiverProductId = 0x05CF;
    test::RunStation rs(options);
    rs.start();
    const auto words = [&rs] {
        const auto& rx = rs.s.bench.receiver().eeprom();
        return std::array<int, 4>{rx[3], rx[4], rx[5], rx[6]};
    };
    const std::array<int, 4> zoom = {0x2ED1, 0x02FD, 0x2DD2, 0x02FD}; // Zoom Out 0x22E, Zoom In 0x22D
    std::uint32_t seed = 80;
    for (int start = 0; start < 2; ++start) {
        if (start == 1) {
            // The station is started again on what it stored itself.
            rs.restart();
            EXPECT_TRUE(rs.messages().empty()) << "no start-up message: "
                                               << (rs.messages().empty() ? "" : rs.messages()[0].text.toStdString());
        }
        for (int unit = 0; unit < (start == 0 ? 3 : 2); ++unit) {
            SCOPED_TRACE(testing::Message() << "start " << start << ", unit " << unit);
            rs.nextUnit(seed++);
            rs.pressGo();
            EXPECT_EQ(rs.result(), "PASS") << rs.form->findChild<QLabel*>("lblFailReason")->text().toStdString();
            EXPECT_EQ(words(), zoom);
            EXPECT_EQ(rs.s.child<QComboBox>("cbCustKey1")->currentText(), "Zoom Out");
        }
    }
}

TEST(TForm1HotKeys, SetTxOnAZoomReceiverWritesTheKeyTheOperatorChose) {
    bench::BenchOptions options;
    options.receiverProductId = 0x053F;
    test::RunStation rs(options);
    auto& form = rs.start();
    form.FindReceiver(); // the lists get the zoom keys, Zoom Out / Zoom In selected
    auto* key1 = rs.s.child<QComboBox>("cbCustKey1");
    ASSERT_EQ(key1->count(), 26);
    key1->setCurrentIndex(9); // MUTE, 0x0E2
    form.btnSetTXClick();
    EXPECT_EQ(rs.result(), "PASS");
    const auto& rx = rs.s.bench.receiver().eeprom();
    EXPECT_EQ(rx[3], 0xE21D);
    EXPECT_EQ(rx[4], 0x00FF);
    EXPECT_EQ(rx[5], 0x2DD2) << "hot key 2 stays Zoom In";
    EXPECT_EQ(key1->currentText(), "MUTE");
}
