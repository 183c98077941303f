// SPDX-License-Identifier: MIT
#include "commands/ReceiverSelection.h"

#include <gtest/gtest.h>

using namespace rfbind;

namespace {
ReceiverIdTable presetTable() {
    ReceiverIdTable t{};
    presetReceiverIdTable(t);
    return t;
}
constexpr HidCaps kReceiverCaps{1, 2, 8};
} // namespace

struct JudgeCase {
    const char* name;
    HidCaps caps;
    HidAttributes attributes;
    int setVid, setPid;
    bool accepted, zoom;
};

class ReceiverSelectionJudge : public ::testing::TestWithParam<JudgeCase> {};

TEST_P(ReceiverSelectionJudge, AcceptsOnlyMatchingReceivers) {
    const auto c = GetParam();
    const auto v = selection::judge(c.caps, c.attributes, presetTable(), c.setVid, c.setPid);
    EXPECT_EQ(v.accepted, c.accepted);
    EXPECT_EQ(v.zoomKeys, c.zoom);
}

INSTANTIATE_TEST_SUITE_P(
    ReceiverSelection, ReceiverSelectionJudge,
    ::testing::Values(
        JudgeCase{"VersionA000", kReceiverCaps, {MakerVendorId, 0x053A, 0xA000}, 0, 0, true, false},
        JudgeCase{"VersionAFFF", kReceiverCaps, {MakerVendorId, 0x053A, 0xAFFF}, 0, 0, true, false},
        JudgeCase{"Version9FFF", kReceiverCaps, {MakerVendorId, 0x053A, 0x9FFF}, 0, 0, false, false},
        JudgeCase{"VersionB000", kReceiverCaps, {MakerVendorId, 0x053A, 0xB000}, 0, 0, false, false},
        JudgeCase{"KeyboardUsage", {1, 6, 8}, {MakerVendorId, 0x05CA, 0xA012}, 0, 0, true, false},
        JudgeCase{"WrongUsagePage", {0xFF00, 2, 8}, {MakerVendorId, 0x053A, 0xA012}, 0, 0, false, false},
        JudgeCase{"WrongUsage", {1, 1, 8}, {MakerVendorId, 0x053A, 0xA012}, 0, 0, false, false},
        JudgeCase{"FeatureLength9", {1, 2, 9}, {MakerVendorId, 0x053A, 0xA012}, 0, 0, false, false},
        JudgeCase{"NoFeatureReport", {1, 6, 0}, {MakerVendorId, 0x053A, 0xA012}, 0, 0, false, false},
        JudgeCase{"UnknownProduct", kReceiverCaps, {MakerVendorId, 0x0999, 0xA012}, 0, 0, false, false},
        JudgeCase{"SetFields", kReceiverCaps, {0x04F3, 0x0999, 0xA012}, 0x04F3, 0x0999, true, false},
        JudgeCase{"SetFieldsWrongVersion", kReceiverCaps, {0x04F3, 0x0999, 0xB000}, 0x04F3, 0x0999, false, false},
        JudgeCase{"ZoomReceiver05CF", kReceiverCaps, {MakerVendorId, 0x05CF, 0xA012}, 0, 0, true, true},
        JudgeCase{"ZoomReceiver053F", kReceiverCaps, {MakerVendorId, 0x053F, 0xA012}, 0, 0, true, true},
        JudgeCase{"ZoomIdFromOtherMaker", kReceiverCaps, {0x1234, 0x05CF, 0xA012}, 0, 0, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiverSelection, EmptySetFieldsAcceptNothingByThemselves) {
    const ReceiverIdTable empty{};
    // A real device never reports 0/0, so empty fields (value 0) match nothing.
    EXPECT_FALSE(selection::judge(kReceiverCaps, {0x04F3, 0x0999, 0xA012}, empty, 0, 0).accepted);
    EXPECT_FALSE(selection::judge(kReceiverCaps, {MakerVendorId, 0x053A, 0xA012}, empty, 0, 0).accepted);
}
