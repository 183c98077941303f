// SPDX-License-Identifier: MIT
#include "link/ReportDescriptor.h"
#include "ReportDescriptorSamples.h"

#include <gtest/gtest.h>

#include <random>

using namespace rfbind;
namespace samples = rfbind::test::samples;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::string show(const std::vector<HidCaps>& caps) {
    std::string s;
    for (const auto& c : caps)
        s += "{" + std::to_string(c.usagePage) + "," + std::to_string(c.usage) + "," +
             std::to_string(c.featureReportLength) + "}";
    return s;
}

struct ValidCase {
    const char* name;
    Bytes bytes;
    std::vector<HidCaps> expected;
};

class ReportDescriptorValid : public testing::TestWithParam<ValidCase> {};

} // namespace

TEST_P(ReportDescriptorValid, YieldsTopLevelCollectionCaps) {
    const ReportDescriptor d = ReportDescriptor::parse(GetParam().bytes);
    ASSERT_TRUE(d.ok()) << d.error();
    EXPECT_EQ(show(d.collections()), show(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    ReportDescriptor, ReportDescriptorValid,
    testing::Values(
        ValidCase{"CompositeReceiver",
                  samples::compositeReceiver(),
                  {{0x01, 0x02, 8}, {0x01, 0x06, 0}, {0x0C, 0x01, 0}, {0xFF00, 0x01, 8}}},
        ValidCase{"BootKeyboardWithFeatureNoReportIds",
                  samples::bootKeyboardWithFeature(),
                  {{0x01, 0x06, 3}}},
        ValidCase{"BootMouseWithoutFeature", samples::bootMouse(), {{0x01, 0x02, 0}}},
        // 3 + 5 + 4 bits = 12 bits: two bytes, plus the ID byte.
        ValidCase{"BitsRoundedUpToBytes",
                  {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x03, 0x95, 0x01, 0xB1,
                   0x02, 0x75, 0x05, 0xB1, 0x02, 0x75, 0x04, 0xB1, 0x02, 0xC0},
                  {{0x01, 0x02, 3}}},
        ValidCase{"LargestReportIdWins",
                  {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x05, 0x75,
                   0x08, 0x95, 0x02, 0xB1, 0x02, 0x85, 0x06, 0x95, 0x0A, 0xB1,
                   0x02, 0x85, 0x05, 0x95, 0x01, 0xB1, 0x02, 0xC0},
                  {{0xFF00, 0x01, 11}}},
        // The same report ID in two collections belongs to each separately.
        ValidCase{"ReportIdsCountedPerCollection",
                  {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01,
                   0x75, 0x08, 0x95, 0x07, 0xB1, 0x02, 0xC0, 0x09, 0x02,
                   0xA1, 0x01, 0x85, 0x01, 0x95, 0x03, 0xB1, 0x02, 0xC0},
                  {{0xFF00, 0x01, 8}, {0xFF00, 0x02, 4}}},
        ValidCase{"FeatureInNestedCollectionCountsForTopLevel",
                  {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x75, 0x08, 0x95,
                   0x04, 0xB1, 0x02, 0xC0, 0xC0},
                  {{0x01, 0x02, 5}}},
        ValidCase{"ExtendedUsageCarriesItsPage",
                  {0x05, 0x01, 0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0xC0},
                  {{0x0C, 0x01, 0}}},
        // Report Size and Count given with four data bytes (size code 3).
        ValidCase{"FourByteItemData",
                  {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x77, 0x08, 0x00, 0x00, 0x00, 0x97, 0x02,
                   0x00, 0x00, 0x00, 0xB1, 0x02, 0xC0},
                  {{0x01, 0x02, 3}}},
        // Pop restores the page and the report size that were pushed.
        ValidCase{"PopRestoresGlobals",
                  {0x05, 0x01, 0x75, 0x08, 0x95, 0x03, 0xA4, 0x06, 0x00, 0xFF,
                   0x75, 0x01, 0xB4, 0x09, 0x02, 0xA1, 0x01, 0xB1, 0x02, 0xC0},
                  {{0x01, 0x02, 4}}},
        // The usage belongs to the first collection only; the second one has none.
        ValidCase{"LocalUsageClearedByMainItem",
                  {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0, 0xA1, 0x01, 0xC0},
                  {{0x01, 0x02, 0}, {0x01, 0x00, 0}}},
        // A long item's data (here bytes that look like End Collection) is skipped whole.
        ValidCase{"LongItemSkipped",
                  {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xFE, 0x02, 0x10, 0xC0, 0xC0, 0x75, 0x08,
                   0x95, 0x01, 0xB1, 0x02, 0xC0},
                  {{0x01, 0x02, 2}}},
        ValidCase{"FeatureOutsideCollectionsIgnored",
                  {0x75, 0x08, 0x95, 0x04, 0xB1, 0x02, 0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0},
                  {{0x01, 0x02, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

struct MalformedCase {
    const char* name;
    Bytes bytes;
    const char* reason; // part of the message
};

class ReportDescriptorMalformed : public testing::TestWithParam<MalformedCase> {};

Bytes pushes(int n) {
    return Bytes(static_cast<std::size_t>(n), 0xA4);
}

} // namespace

TEST_P(ReportDescriptorMalformed, FailsWithReason) {
    const ReportDescriptor d = ReportDescriptor::parse(GetParam().bytes);
    EXPECT_FALSE(d.ok());
    EXPECT_TRUE(d.collections().empty());
    EXPECT_NE(d.error().find(GetParam().reason), std::string::npos) << d.error();
}

INSTANTIATE_TEST_SUITE_P(
    ReportDescriptor, ReportDescriptorMalformed,
    testing::Values(
        MalformedCase{"Empty", {}, "no top-level collection"},
        MalformedCase{"GlobalsOnly", {0x05, 0x01}, "no top-level collection"},
        MalformedCase{"ItemRunsPastEnd",
                      {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x06, 0x00},
                      "byte 6: item needs 2 data bytes, only 1 remain"},
        MalformedCase{"LongItemHeaderPastEnd", {0x05, 0x01, 0xFE, 0x05}, "byte 2: long item"},
        MalformedCase{"LongItemDataPastEnd",
                      {0x05, 0x01, 0xFE, 0x04, 0x10, 0x01, 0x02},
                      "long item needs 4 data bytes, only 2 remain"},
        MalformedCase{"EndCollectionWithoutCollection", {0xC0}, "byte 0: End Collection"},
        MalformedCase{"ExtraEndCollection",
                      {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0, 0xC0},
                      "byte 7: End Collection"},
        MalformedCase{"UnclosedCollection",
                      {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xA1, 0x00, 0xC0},
                      "byte 4: collection is never closed"},
        MalformedCase{"PopWithoutPush", {0xA4, 0xB4, 0xB4}, "byte 2: Pop without"},
        MalformedCase{"ReportIdZero", {0x85, 0x00}, "Report ID 0"},
        MalformedCase{"ReportIdAbove255", {0x86, 0x00, 0x01}, "Report ID 256"},
        MalformedCase{"UnknownGlobalTag", {0xC4}, "unknown global item tag 12"},
        MalformedCase{"PushTooDeep", pushes(40), "Push nested"},
        MalformedCase{"FeatureReportTooLong",
                      {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF,
                       0xFF, 0xFF, 0xFF, 0xB1, 0x02, 0xC0},
                      "longer than"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every cut of a real descriptor and a run of random bytes: a result or a reason, never a read
// beyond the buffer (the sanitizer build turns such a read into a failure). The bytes are
// copied into a buffer of exactly the parsed length so any overrun leaves the allocation.
TEST(ReportDescriptor, TruncatedOrRandomBytesNeverYieldHalfResults) {
    std::vector<Bytes> inputs;
    const Bytes full = samples::compositeReceiver();
    for (std::size_t n = 0; n < full.size(); ++n)
        inputs.emplace_back(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    std::mt19937 random(20240601);
    for (int i = 0; i < 3000; ++i) {
        Bytes b(random() % 48);
        for (auto& x : b)
            x = static_cast<std::uint8_t>(random());
        inputs.push_back(std::move(b));
    }
    for (const Bytes& in : inputs) {
        auto exact = std::make_unique<std::uint8_t[]>(in.size());
        std::copy(in.begin(), in.end(), exact.get());
        const ReportDescriptor d = ReportDescriptor::parse({exact.get(), in.size()});
        ASSERT_EQ(d.ok(), d.error().empty());
        ASSERT_EQ(d.ok(), !d.collections().empty());
    }
}
