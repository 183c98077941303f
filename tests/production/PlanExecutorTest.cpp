// SPDX-License-Identifier: MIT
#include "RunBench.h"

#include "production/PlanExecutor.h"
#include "production/UnitPlan.h"
#include "text/Hex.h"

#include <gtest/gtest.h>

using namespace rfbind;
using namespace rfbind::test;
using Op = UnitStep::Op;

namespace {

constexpr const char* kIoError = "feature report transfer failed (Input/output error)";

/// The bench's receiver with a switch that makes every transfer fail as the system would.
struct SwitchedDevice : HidDevice {
    explicit SwitchedDevice(HidDevice& inner) : inner(inner) {}
    HidAttributes attributes() const override { return inner.attributes(); }
    HidCaps caps() const override { return inner.caps(); }
    std::string productString() override { return inner.productString(); }
    TransferResult setFeature(const std::uint8_t* b, std::size_t n) override {
        return failing ? TransferResult::failed("Input/output error") : inner.setFeature(b, n);
    }
    TransferResult getFeature(std::uint8_t* b, std::size_t n) override {
        return failing ? TransferResult::failed("Input/output error") : inner.getFeature(b, n);
    }
    bool pluggedIn() const override { return inner.pluggedIn(); }
    void setNumInputBuffers(int count) override { inner.setNumInputBuffers(count); }
    void clearDataEvent() override { inner.clearDataEvent(); }
    OpenStatus openStatus() const override { return inner.openStatus(); }
    std::string path() const override { return inner.path(); }

    HidDevice& inner;
    bool failing = false;
};

/// The whole plan of a unit with serial numbers and USB IDs.
UnitPlan wholePlan() {
    UnitRecipe recipe;
    recipe.productName = "USB Receiver";
    recipe.settings.CustKey1 = 7;
    recipe.settings.CustKey2 = 8;
    recipe.settings.VID = 0x1234;
    recipe.settings.PID = 0x5678;
    const UnitSerial serial{"AB000005", std::array<std::uint8_t, 6>{0x41, 0x42, 0, 0, 0, 5}};
    UnitPlan plan = unitplan::beforeRadioIds(recipe, 0xA012, 0, serial);
    const UnitPlan rest = unitplan::fromRadioIds(recipe, {0x123456, 0x345678}, serial, 0x9D);
    plan.insert(plan.end(), rest.begin(), rest.end());
    return plan;
}

/// A fresh unit on the bench, its receiver found.
struct PlanBench {
    PlanBench() {
        rig.freshUnit(17);
        host.findReceiver();
        device = std::make_unique<SwitchedDevice>(*rig.link.ActiveDevice);
        rig.link.ActiveDevice = device.get();
    }

    BenchRig rig;
    RecordingDisplay display;
    BenchHost host{rig, display};
    std::unique_ptr<SwitchedDevice> device;
    std::int32_t sensorCode = 0;
    PlanExecutor executor{rig.link, display, host, sensorCode};
    UnitPlan plan = wholePlan();
};

/// What a write leaves in its EEPROM cell, when the plan says exactly.
std::optional<int> storedValue(const UnitStep& s) {
    switch (s.op) {
    case Op::TxEeprom:
    case Op::RxWord:
        return s.value;
    case Op::RxByte:
        return rxeeprom::complementWord(static_cast<std::uint8_t>(s.value));
    default:
        return std::nullopt;
    }
}

int cell(const PlanBench& b, const UnitStep& s) {
    if (s.op == Op::TxEeprom)
        return b.rig.bench.mouse().eeprom()[static_cast<std::size_t>(s.address)];
    return b.rig.bench.receiver().eeprom()[static_cast<std::size_t>(s.address)];
}

bool transfers(Op op) {
    return op != Op::Pause && op != Op::Pump && op != Op::Progress && op != Op::ShowTxSerial &&
           op != Op::ShowRxSerial && op != Op::ShowRadioId && op != Op::DebugLine &&
           op != Op::ClearUsbIds && op != Op::ForgetFailures && op != Op::Check;
}

/// Commands whose lost transfer the protocol lets pass: unanswered writes sent three times, a
/// radio setting nobody checks, the hot-key update.
bool tolerated(Op op) {
    return op == Op::EnterAccess || op == Op::LeaveAccess || op == Op::TxRadioChip ||
           op == Op::TxCommandRegister || op == Op::TxCpi || op == Op::RadioSetting ||
           op == Op::RxUpdateCustKey;
}

UnitPlan slice(const UnitPlan& plan, std::size_t from, std::size_t to) {
    return UnitPlan(plan.begin() + static_cast<std::ptrdiff_t>(from), plan.begin() + static_cast<std::ptrdiff_t>(to));
}

class FailingStep : public ::testing::TestWithParam<std::size_t> {};

std::vector<std::size_t> transferringSteps() {
    std::vector<std::size_t> out;
    const UnitPlan plan = wholePlan();
    for (std::size_t i = 0; i < plan.size(); ++i)
        if (transfers(plan[i].op))
            out.push_back(i);
    return out;
}

} // namespace

TEST(PlanExecutor, WritesTheWholePlanOnTheBench) {
    PlanBench b;
    RunOutcome out;
    ASSERT_TRUE(b.executor.run(b.plan, out)) << out.failStep << " " << failReasonCode(out.reason);
    EXPECT_EQ(out.txSerial, "AB000005");
    EXPECT_EQ(out.rxSerial, "AB000005");
    EXPECT_EQ(b.display.progress.back(), 19);
    EXPECT_NE(b.sensorCode, 0) << "the answered sensor read is kept";
    // Every cell holds what the plan wrote there last.
    for (const UnitStep& s : b.plan) {
        if (const auto v = storedValue(s)) {
            EXPECT_EQ(cell(b, s) & 0xFFFF, *v) << "step at " << s.address;
        }
    }
}

TEST_P(FailingStep, EndsTheRunAtItsStageWithItsOwnReasonAndWritesNothingAfter) {
    const std::size_t k = GetParam();
    PlanBench b;
    const UnitStep& step = b.plan[k];
    std::size_t check = k;
    while (b.plan[check].op != Op::Check && check + 1 < b.plan.size())
        ++check;
    const bool checked = b.plan[check].op == Op::Check;
    bool forgiven = false;
    for (std::size_t i = k; i < check; ++i)
        forgiven = forgiven || b.plan[i].op == Op::ForgetFailures;
    const auto txBefore = b.rig.bench.mouse().eeprom();
    const auto rxBefore = b.rig.bench.receiver().eeprom();

    RunOutcome out;
    ASSERT_TRUE(b.executor.run(slice(b.plan, 0, k), out)) << "the steps before " << k << " pass";
    b.device->failing = true;
    b.executor.perform(step);
    b.device->failing = false;
    const bool passed = b.executor.run(slice(b.plan, k + 1, b.plan.size()), out);

    if (tolerated(step.op) || forgiven || !checked) {
        EXPECT_TRUE(passed) << "step " << k << ": " << out.failStep << " " << out.reasonText();
        return;
    }
    ASSERT_FALSE(passed) << "step " << k;
    EXPECT_EQ(out.failStep, b.plan[check].stage);
    EXPECT_EQ(out.cause, kIoError);
    if (step.reason != FailReason::None) {
        EXPECT_EQ(out.reason, step.reason) << out.reasonText();
        EXPECT_EQ(out.detail, hexAddress(static_cast<unsigned>(step.reasonAddress)));
    } else {
        EXPECT_EQ(out.reason, b.plan[check].reason == FailReason::TransmitterNotAnswering
                                  ? FailReason::TransmitterNotAnswering
                                  : FailReason::ReceiverNotAnswering)
            << out.reasonText();
    }
    // Nothing after the check reached the unit: cells only later steps write keep their value.
    std::set<std::pair<bool, int>> earlier;
    for (std::size_t i = 0; i <= check; ++i)
        earlier.insert({b.plan[i].op == Op::TxEeprom, b.plan[i].address});
    for (std::size_t i = check + 1; i < b.plan.size(); ++i) {
        const UnitStep& s = b.plan[i];
        const auto v = storedValue(s);
        const bool tx = s.op == Op::TxEeprom;
        if (!v || earlier.count({tx, s.address}))
            continue;
        const int before = tx ? txBefore[static_cast<std::size_t>(s.address)] : rxBefore[static_cast<std::size_t>(s.address)];
        EXPECT_EQ(cell(b, s), before) << "step " << i << " at " << s.address << " was written";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTransfer, FailingStep, ::testing::ValuesIn(transferringSteps()));
