// SPDX-License-Identifier: MIT
#include "DeviceStation.h"
#include "widgets/THexEdit.h"

#include <QCheckBox>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <algorithm>

using namespace rfbind;
using rfbind::test::BenchStation;

namespace {

/// The settings file, in the station's working folder (the fixture's temporary folder).
const QString kSettingsFile = QStringLiteral("TX.ini");

QString settingsText() {
    QFile file(kSettingsFile);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

struct OptionCase {
    const char* button;
    const char* other; ///< the other choice of the group, selected first
    int address;
    std::uint8_t value;
    std::uint8_t complement;
    int pauseMs;
};

struct OptionInMode {
    OptionCase option;
    int runMode;
};

class TransmitterOptions : public ::testing::TestWithParam<OptionInMode> {};

const OptionCase kOptions[] = {
    {"rbRF_DR_15", "rbRF_DR_1A", 18, 0x33, 0xCC, 20}, {"rbRF_DR_1A", "rbRF_DR_15", 18, 0xCC, 0x33, 8},
    {"rbRF_DR_45", "rbRF_DR_4A", 22, 0x3C, 0xC3, 8},  {"rbRF_DR_4A", "rbRF_DR_45", 22, 0xC5, 0x3A, 8},
    {"rbRF_DR_4F", "rbRF_DR_45", 22, 0xCA, 0x35, 8},  {"rbRF_DR_25", "rbRF_DR_2A", 20, 0x55, 0xAA, 8},
    {"rbRF_DR_2A", "rbRF_DR_25", 20, 0xAA, 0x55, 8},  {"rbRF_DR_5A", "rbRF_DR_55", 24, 0x5A, 0xA5, 8},
    {"rbRF_DR_55", "rbRF_DR_5A", 24, 0x55, 0xAA, 8},
};

std::vector<OptionInMode> everyOptionInEveryMode() {
    std::vector<OptionInMode> out;
    for (const auto& o : kOptions)
        for (int mode : {0, 1, 2})
            out.push_back({o, mode});
    return out;
}

/// A connected bench station whose recording clock logs, with the given option's group
/// moved to its other choice while nothing may act.
struct OptionStation : BenchStation {
    std::vector<std::string> log;
    app::TForm1* form;
    OptionStation() {
        form = &create();
        form->FindReceiver();
        form->station().link().CommError = false;
    }
    void prepare(const char* other) {
        form->station().setRunMode(2);
        child<QRadioButton>(other)->setChecked(true);
    }
};

} // namespace

TEST_P(TransmitterOptions, WriteTheirComplementPairOnlyInAProgrammingRun) {
    const auto [o, mode] = GetParam();
    OptionStation s;
    s.prepare(o.other);
    std::vector<std::string> sleeps;
    s.clock.onSleep = [&](int ms) { sleeps.push_back(std::to_string(ms)); };
    const auto transfers = s.bench.featureTransfers();
    const auto before = s.bench.mouse().eeprom();
    QFile::remove(kSettingsFile);
    s.form->station().setRunMode(static_cast<std::uint8_t>(mode));
    s.child<QRadioButton>(o.button)->click();

    EXPECT_EQ(QFile::exists(kSettingsFile), mode == 0) << "only an idle change saves";
    if (mode != 1) {
        EXPECT_EQ(s.bench.featureTransfers(), transfers) << "mode " << mode;
        EXPECT_EQ(s.bench.mouse().eeprom(), before);
        return;
    }
    EXPECT_EQ(s.bench.mouse().eeprom()[static_cast<std::size_t>(o.address)], o.value);
    EXPECT_EQ(s.bench.mouse().eeprom()[static_cast<std::size_t>(o.address + 1)], o.complement);
    EXPECT_FALSE(s.form->station().link().CommError);
    // The RF page shows the last pair written.
    EXPECT_EQ(s.child<app::THexEdit>("edtRF_EEPROMAddr")->value(), o.address + 1);
    EXPECT_EQ(s.child<app::THexEdit>("edtRF_EEPROMData")->value(), o.complement);
    // Only the pause between the two writes is this long: the remote primitives use 8 and 16.
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), "20"), o.pauseMs == 20 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(TForm1Options, TransmitterOptions, ::testing::ValuesIn(everyOptionInEveryMode()),
                         [](const auto& info) {
                             return std::string(info.param.option.button) + "_RunMode" +
                                    std::to_string(info.param.runMode);
                         });

TEST(TForm1Options, AnIdleChoiceIsSavedAtOnce) {
    OptionStation s;
    s.prepare("rbRF_DR_25");
    s.form->station().setRunMode(0);
    s.child<QRadioButton>("rbRF_DR_2A")->click();
    EXPECT_TRUE(settingsText().contains("Wakeup=1"));
    s.child<QRadioButton>("rbKbdMse")->click();
    EXPECT_TRUE(settingsText().contains("MouseOnly=0"));
}

TEST(TForm1Options, ResolutionChoiceSetsTheLevelInAProgrammingRun) {
    OptionStation s;
    for (int mode : {0, 2}) {
        s.prepare("rbRF_CPI_L");
        s.form->station().setRunMode(static_cast<std::uint8_t>(mode));
        s.child<QRadioButton>("rbRF_CPI_H")->click();
        EXPECT_EQ(s.bench.mouse().resolutionLevel(), 0) << mode;
    }
    s.prepare("rbRF_CPI_L");
    s.form->station().setRunMode(1);
    s.child<QRadioButton>("rbRF_CPI_H")->click();
    EXPECT_EQ(s.bench.mouse().resolutionLevel(), 1);
    EXPECT_EQ(s.child<QSpinBox>("edtC_RF_SETUP_CPI")->value(), 1);
    s.child<QRadioButton>("rbRF_CPI_L")->click();
    EXPECT_EQ(s.bench.mouse().resolutionLevel(), 0);
}

TEST(TForm1Options, ReceiverTypeWritesWordFiftySixAndShowsKeyboardBindingInEveryMode) {
    OptionStation s;
    auto* keyboardBind = s.child<QCheckBox>("cbKeyboardbind");
    for (int mode : {0, 2}) {
        s.prepare("rbMouseOnly");
        s.form->station().setRunMode(static_cast<std::uint8_t>(mode));
        const auto transfers = s.bench.featureTransfers();
        s.child<QRadioButton>("rbKbdMse")->click();
        EXPECT_TRUE(keyboardBind->isVisibleTo(s.station.form.get())) << mode;
        EXPECT_EQ(s.bench.featureTransfers(), transfers) << mode;
    }
    s.prepare("rbKbdMse");
    s.form->station().setRunMode(1);
    s.child<QRadioButton>("rbMouseOnly")->click();
    EXPECT_EQ(s.bench.receiver().eeprom()[56], 0x5AA5);
    EXPECT_FALSE(keyboardBind->isVisibleTo(s.station.form.get()));
    s.child<QRadioButton>("rbKbdMse")->click();
    EXPECT_EQ(s.bench.receiver().eeprom()[56], 0xFFFF);
}

TEST(TForm1Options, BatteryLevelGoesToTheMouseAndIntoReceiverWordFortySeven) {
    OptionStation s;
    auto* battery = s.child<QComboBox>("cbRF_Set_BTY_Low_Level");
    s.form->station().setRunMode(2);
    battery->setCurrentIndex(2);
    s.form->station().link().WriteReceiverEeprom(47, 0x9F60);
    const auto transfers = s.bench.featureTransfers();
    s.form->station().setRunMode(0);
    battery->setCurrentIndex(0);
    EXPECT_EQ(s.bench.featureTransfers(), transfers);

    s.form->station().setRunMode(1);
    battery->setCurrentIndex(1);
    EXPECT_EQ(s.bench.mouse().eeprom()[26], 0x20);
    EXPECT_EQ(s.bench.mouse().eeprom()[27], 0xDF);
    EXPECT_EQ(s.bench.receiver().eeprom()[47], 0x3FC0);
    EXPECT_FALSE(s.form->station().link().CommError);
}

TEST(TForm1Options, SpinEditsShowTheirPeriodsInMilliseconds) {
    OptionStation s;
    auto* sleep = s.child<QSpinBox>("suiSpinEdit1");
    auto* wakeup = s.child<QSpinBox>("suiSpinEdit2");
    const std::pair<int, const char*> sleeps[] = {{0, "2340.3ms"}, {240, "146.3ms"}, {56, "1828.4ms"}};
    for (const auto& [v, text] : sleeps) {
        sleep->setValue(v);
        EXPECT_EQ(s.child<QLabel>("Label3")->text(), text);
    }
    const std::pair<int, const char*> wakeups[] = {{3, "1.6ms"}, {19, "8ms"}, {15, "6.4ms"}};
    for (const auto& [v, text] : wakeups) {
        wakeup->setValue(v);
        EXPECT_EQ(s.child<QLabel>("Label4")->text(), text);
    }
}
