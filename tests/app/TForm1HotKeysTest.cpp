// SPDX-License-Identifier: MIT
#include "DeviceStation.h"

#include <QComboBox>
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
    EXPECT_EQ(form.DefaultCustKey1, 7);
    EXPECT_EQ(form.DefaultCustKey2, 8);
    EXPECT_EQ(key2->itemData(23).toInt(), 0x08D);

    form.ZoomKeysAvailable = true;
    form.FillHotKeyLists();
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

    form.RunMode = 0; // idle: a change is saved and written nowhere else
    QFile::remove("TX.ini");
    const auto transfers = s.bench.featureTransfers();
    key1->setCurrentIndex(0);
    EXPECT_EQ(s.bench.featureTransfers(), transfers);
    EXPECT_TRUE(QFile::exists("TX.ini"));

    QFile::remove("TX.ini");
    form.RunMode = 1;
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
    EXPECT_FALSE(form.link.CommError);
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
    form.RunMode = 1;
    form.cbCustKey1Change();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[log.size() - 1], "set 01 08 0B 00 00 00 00 00");
}
