// SPDX-License-Identifier: MIT
#include "production/UnitPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <vector>

using namespace rfbind;
using Op = UnitStep::Op;

namespace {

/// One write as the unit's EEPROM gets it.
struct Write {
    Op op;
    int address;
    int value;
    friend bool operator==(const Write&, const Write&) = default;
};

std::ostream& operator<<(std::ostream& os, const Write& w) {
    return os << "op " << static_cast<int>(w.op) << " @" << w.address << " = 0x" << std::hex << w.value;
}

bool isWrite(const UnitStep& s) {
    return s.op == Op::TxEeprom || s.op == Op::RxWord || s.op == Op::RxByte ||
           s.op == Op::RxBatteryLevel || s.op == Op::RxProductString;
}

/// The whole unit: both pieces, radio IDs 123456 / 345678.
struct Unit {
    UnitRecipe recipe;
    std::uint16_t version = 0xA012;
    std::int32_t sensorCode = 0;
    UnitSerial txSerial{"", std::nullopt};
    UnitSerial rxSerial{"", std::nullopt};

    Unit() {
        recipe.productName = "USB 2.4G Wireless Desktop";
        recipe.settings.CustKey1 = 7;
        recipe.settings.CustKey2 = 8;
    }
    UnitPlan plan() const {
        UnitPlan p = unitplan::beforeRadioIds(recipe, version, sensorCode, txSerial);
        const UnitPlan rest = unitplan::fromRadioIds(recipe, {0x123456, 0x345678}, rxSerial,
                                                     sensorCode == 0 ? 0x9D : sensorCode);
        p.insert(p.end(), rest.begin(), rest.end());
        return p;
    }
};

std::vector<Write> writesOf(const UnitPlan& plan) {
    std::vector<Write> out;
    for (const UnitStep& s : plan)
        if (isWrite(s))
            out.push_back({s.op, s.address, s.value});
    return out;
}

bool has(const UnitPlan& plan, Op op) {
    return std::any_of(plan.begin(), plan.end(), [op](const UnitStep& s) { return s.op == op; });
}

using Reports = std::vector<runsteps::ReportBytes>;

Reports radioSettings(const UnitPlan& plan) {
    Reports out;
    for (const UnitStep& s : plan)
        if (s.op == Op::RadioSetting)
            out.push_back(s.report);
    return out;
}

struct PlanCase {
    const char* name;
    std::function<void(Unit&)> arrange;
    std::vector<Write> present; ///< writes the unit gets, each somewhere in the plan
    std::set<int> absentTx;     ///< transmitter bytes the plan leaves alone
    std::set<int> absentRx;     ///< receiver words the plan leaves alone
    std::function<void(const UnitPlan&)> also;
};

class UnitPlans : public ::testing::TestWithParam<PlanCase> {};

const UnitSerial kSerial{"AB000005", std::array<std::uint8_t, 6>{0x41, 0x42, 0x00, 0x00, 0x00, 0x05}};

} // namespace

TEST_P(UnitPlans, GiveTheRecipeItsWrites) {
    const PlanCase& c = GetParam();
    Unit unit;
    c.arrange(unit);
    const UnitPlan plan = unit.plan();
    const std::vector<Write> writes = writesOf(plan);
    for (const Write& w : c.present)
        EXPECT_NE(std::find(writes.begin(), writes.end(), w), writes.end()) << w;
    for (const Write& w : writes) {
        const bool tx = w.op == Op::TxEeprom;
        EXPECT_FALSE((tx ? c.absentTx : c.absentRx).count(w.address)) << w;
    }
    if (c.also)
        c.also(plan);
}

INSTANTIATE_TEST_SUITE_P(
    Recipes, UnitPlans,
    ::testing::Values(
        PlanCase{"MouseOnly", [](Unit& u) { u.recipe.settings.MouseOnly = true; },
                 {{Op::RxWord, 56, 0x5AA5}}, {}, {}, {}},
        PlanCase{"KeyboardAndMouse", [](Unit& u) { u.recipe.settings.MouseOnly = false; },
                 {{Op::RxWord, 56, 0xFFFF}}, {}, {}, {}},
        PlanCase{"ResolutionSwitchAndButtonWakeup",
                 [](Unit& u) {
                     u.recipe.settings.SoftISS = true;
                     u.recipe.settings.PowerSaving = 1;
                     u.recipe.settings.Wakeup = 1;
                     u.recipe.settings.LRMBinding = true;
                 },
                 {{Op::TxEeprom, 18, 0x33}, {Op::TxEeprom, 19, 0xCC}, {Op::TxEeprom, 22, 0xC5},
                  {Op::TxEeprom, 23, 0x3A}, {Op::TxEeprom, 20, 0xAA}, {Op::TxEeprom, 21, 0x55},
                  {Op::TxEeprom, 28, 0x24}, {Op::TxEeprom, 29, 0xDB}, {Op::TxEeprom, 24, 0x55},
                  {Op::TxEeprom, 25, 0xAA}},
                 {}, {},
                 [](const UnitPlan& plan) {
                     // The transmitter settles longer after the resolution switch is enabled.
                     const auto at18 = std::find_if(plan.begin(), plan.end(), [](const UnitStep& s) {
                         return s.op == Op::TxEeprom && s.address == 18;
                     });
                     ASSERT_NE(at18, plan.end());
                     EXPECT_EQ(at18->pauseMs, 20);
                 }},
        PlanCase{"BatteryLevelToBothDevices", [](Unit& u) { u.recipe.settings.BTY = 0; },
                 {{Op::TxEeprom, 26, 0x40}, {Op::TxEeprom, 27, 0xBF}, {Op::RxBatteryLevel, 47, 0x40}}, {}, {}, {}},
        PlanCase{"UsbIds",
                 [](Unit& u) {
                     u.recipe.settings.VID = 0x1234;
                     u.recipe.settings.PID = 0xABCD;
                 },
                 {{Op::RxByte, 15, 0x12}, {Op::RxByte, 16, 0x34}, {Op::RxByte, 17, 0xAB}, {Op::RxByte, 18, 0xCD}},
                 {}, {},
                 [](const UnitPlan& plan) { EXPECT_FALSE(has(plan, Op::ClearUsbIds)); }},
        PlanCase{"OnlyOneUsbIdClearsBoth", [](Unit& u) { u.recipe.settings.VID = 0x1234; },
                 {{Op::RxWord, 15, 0}, {Op::RxWord, 16, 0}, {Op::RxWord, 17, 0}, {Op::RxWord, 18, 0}}, {}, {},
                 [](const UnitPlan& plan) { EXPECT_TRUE(has(plan, Op::ClearUsbIds)); }},
        PlanCase{"BlankProductString", [](Unit& u) { u.recipe.productName = "   "; },
                 {{Op::RxWord, 19, 0}}, {}, {},
                 [](const UnitPlan& plan) { EXPECT_FALSE(has(plan, Op::RxProductString)); }},
        PlanCase{"ProductString", [](Unit&) {}, {}, {}, {},
                 [](const UnitPlan& plan) {
                     const auto s = std::find_if(plan.begin(), plan.end(),
                                                 [](const UnitStep& x) { return x.op == Op::RxProductString; });
                     ASSERT_NE(s, plan.end());
                     EXPECT_EQ(s->address, 19);
                     EXPECT_EQ(s->text, "USB 2.4G Wireless Desktop");
                 }},
        PlanCase{"NoSerialNumbers", [](Unit&) {}, {},
                 {120, 121, 122, 123, 124, 125, 126, 127}, {60, 61, 62, 63},
                 [](const UnitPlan& plan) {
                     EXPECT_FALSE(has(plan, Op::ShowTxSerial));
                     EXPECT_TRUE(has(plan, Op::ShowRxSerial)) << "the field shows the text either way";
                 }},
        PlanCase{"SerialNumbers",
                 [](Unit& u) {
                     u.txSerial = kSerial;
                     u.rxSerial = kSerial;
                 },
                 {{Op::TxEeprom, 120, 0x41}, {Op::TxEeprom, 121, 0x42}, {Op::TxEeprom, 125, 0x05},
                  {Op::TxEeprom, 126, 0xFF}, {Op::TxEeprom, 127, 0xFF}, {Op::RxWord, 63, 0},
                  {Op::RxWord, 60, 0x4142}, {Op::RxWord, 61, 0x0000}, {Op::RxWord, 62, 0x0005}},
                 {}, {}, {}},
        PlanCase{"RadioIdsAndTheirChecksums", [](Unit&) {},
                 {{Op::TxEeprom, 12, 0x92}, {Op::TxEeprom, 13, 0x34}, {Op::TxEeprom, 14, 0x56},
                  {Op::TxEeprom, 15, 0x0F}, {Op::TxEeprom, 8, 0xB4}, {Op::TxEeprom, 9, 0x56},
                  {Op::TxEeprom, 10, 0x78}, {Op::TxEeprom, 11, 0x65}, {Op::RxWord, 0, 0x926D},
                  {Op::RxWord, 2, 0x56A9}, {Op::RxWord, 51, 0xB44B}, {Op::RxWord, 53, 0x7887}},
                 {}, {}, {}},
        PlanCase{"SensorNotReadYet", [](Unit& u) { u.sensorCode = 0; }, {{Op::RxWord, 46, 0x9D62}}, {}, {},
                 [](const UnitPlan& plan) { EXPECT_TRUE(has(plan, Op::ReadSensor)); }},
        PlanCase{"SensorReadByAnEarlierUnit", [](Unit& u) { u.sensorCode = 0x91; }, {{Op::RxWord, 46, 0x916E}},
                 {}, {}, [](const UnitPlan& plan) { EXPECT_FALSE(has(plan, Op::ReadSensor)); }},
        PlanCase{"ReceiverWithRadioCommands", [](Unit& u) { u.version = 0xA012; }, {}, {}, {},
                 [](const UnitPlan& plan) {
                     EXPECT_EQ(radioSettings(plan), (Reports{{0x08, 0x30, 0x00, 0x02}, {0x08, 0x32, 0x00, 0x02}}));
                 }},
        PlanCase{"ReceiverWithDirectRegisters", [](Unit& u) { u.version = 0xA011; }, {}, {}, {},
                 [](const UnitPlan& plan) {
                     EXPECT_EQ(radioSettings(plan), (Reports{{0x12, 0x92, 0x00, 0x02}, {0x12, 0x98, 0x00, 0x02}}));
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnitPlan, EveryWriteLiesInItsEepromAndIsCheckedBeforeThePlanEnds) {
    Unit unit;
    unit.txSerial = kSerial;
    unit.rxSerial = kSerial;
    unit.recipe.settings.VID = 0x1234;
    unit.recipe.settings.PID = 0x5678;
    const UnitPlan plan = unit.plan();
    std::size_t lastCheck = 0;
    for (std::size_t i = 0; i < plan.size(); ++i)
        if (plan[i].op == Op::Check)
            lastCheck = i;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const UnitStep& s = plan[i];
        if (!isWrite(s))
            continue;
        EXPECT_LT(i, lastCheck) << "write " << i << " is never tested";
        EXPECT_GE(s.address, 0);
        EXPECT_LT(s.address, s.op == Op::TxEeprom ? txeeprom::kByteCount : rxeeprom::kWordCount) << i;
        EXPECT_NE(s.reason, FailReason::None) << "a write names its own failure: " << i;
    }
}

TEST(UnitPlan, StagesComeInTheOrderTheJournalNamesThem) {
    Unit unit;
    unit.txSerial = kSerial;
    std::vector<std::string> stages;
    for (const UnitStep& s : unit.plan())
        if (s.op == Op::Check && (stages.empty() || stages.back() != s.stage))
            stages.push_back(s.stage);
    EXPECT_EQ(stages, (std::vector<std::string>{"link_wait", "sensor", "options", "tx_serial", "tx_radio_ids",
                                                "rx_radio_ids", "hot_keys", "usb_ids", "product_string",
                                                "rx_serial", "rx_words", "periods"}));
}

TEST(UnitPlan, ProgressClimbsToNineteenAndTheBarNeverGoesBack) {
    Unit unit;
    int last = 0;
    for (const UnitStep& s : unit.plan()) {
        if (s.op != Op::Progress)
            continue;
        EXPECT_GE(s.value, last);
        last = s.value;
    }
    EXPECT_EQ(last, 19) << "20 is the final link check's";
}
