// SPDX-License-Identifier: MIT
#include "settings/CompStream.h"

#include "numbering/TProdRFID.h"
#include "numbering/TProdSN.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

using namespace rfbind;
using namespace std::string_literals;

namespace {

const std::string kNewSNText = "object TProdSN\r\n"
                               "  IsSN = False\r\n"
                               "  IsDate = True\r\n"
                               "  FixSNByteCount = 2\r\n"
                               "  IncSNByteCount = 2\r\n"
                               "  IncPrevSN = -1\r\n"
                               "  IsFixAscii = True\r\n"
                               "end\r\n";

const std::string kNewRFIDText = "object TProdRFID\r\n"
                                 "  IsRandom = True\r\n"
                                 "  IncInitRFID = 0\r\n"
                                 "  IncPrevRFID = 0\r\n"
                                 "  IncCurrentRFID = 0\r\n"
                                 "end\r\n";

} // namespace

TEST(CompStream, NewGeneratorsGiveTheirExactText) {
    TProdSN sn;
    TProdRFID rfid;
    EXPECT_EQ(ComponentToText(sn), kNewSNText);
    EXPECT_EQ(ComponentToText(rfid), kNewRFIDText);
    EXPECT_EQ(rfid.IncPrevRFID(), 0) << "writing must not consume a NextRFID";
}

TEST(CompStream, SerialNumberRoundTrip) {
    TProdSN sn;
    sn.SetIsSN(true);
    sn.SetIsDate(false);
    sn.SetFixSNByteCount(3);
    sn.SetIsFixAscii(false);
    sn.SetFixSN(std::numeric_limits<std::int64_t>::min());
    sn.SetIncInitSN(0x100);
    sn.SetIncCurrentSN(0x105);
    const std::string text = ComponentToText(sn);

    auto back = TextToComponentOf<TProdSN>(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(ComponentToText(*back), text);
    EXPECT_TRUE(back->IsSN());
    EXPECT_FALSE(back->IsDate());
    EXPECT_EQ(back->FixSNByteCount(), 3);
    EXPECT_EQ(back->IncSNByteCount(), 3);
    EXPECT_EQ(back->FixSN(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(back->IncInitSN(), 0x100);
    EXPECT_EQ(back->IncCurrentSN(), 0x105);
    EXPECT_EQ(back->IncNextSN(), 0x106);
}

TEST(CompStream, RadioIdRoundTrip) {
    TProdRFID rfid;
    rfid.SetIsRandom(false);
    rfid.SetIncInitRFID(0x123456);
    rfid.SetIncCurrentRFID(-7);
    auto back = TextToComponentOf<TProdRFID>(ComponentToText(rfid));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->IsRandom());
    EXPECT_EQ(back->IncInitRFID(), 0x123456);
    EXPECT_EQ(back->IncCurrentRFID(), -7);
    EXPECT_EQ(back->IncPrevRFID(), -7);
}

TEST(CompStream, LoadingStartsFromAllZeroAndAppliesLinesThroughTheSetters) {
    // The stored current value wins over the stored counter: its setter runs later.
    auto sn = TextToComponentOf<TProdSN>("object TProdSN\r\n  IncInitSN = 256\r\n"
                                         "  IncPrevSN = 300\r\n  IncCurrentSN = 290\r\nend\r\n");
    ASSERT_TRUE(sn);
    EXPECT_EQ(sn->IncPrevSN(), 290);
    EXPECT_FALSE(sn->IsDate()) << "absent properties stay 0, not the defaults";
    EXPECT_EQ(sn->FixSNByteCount(), 0);

    // Lines apply in text order, not property order.
    sn = TextToComponentOf<TProdSN>("object TProdSN\r\n  IncCurrentSN = 5\r\n  IncInitSN = 9\r\n"
                                    "end\r\n");
    ASSERT_TRUE(sn);
    EXPECT_EQ(sn->IncPrevSN(), 8);

    auto rfid = TextToComponentOf<TProdRFID>("object TProdRFID\r\nend\r\n");
    ASSERT_TRUE(rfid);
    EXPECT_FALSE(rfid->IsRandom());
}

TEST(CompStream, AcceptsLooserLayoutsOfTheSameText) {
    const char* variants[] = {
        "object TProdSN\n  IsSN = True\n  FixSN = $4142\nend\n",               // LF only, $hex
        "object TProdSN IsSN = True FixSN = 16706 end",                        // one line
        "OBJECT tprodsn\r\n\tissn=TRUE\r\n\tfixsn=16706\r\nEND\r\n\r\n  \r\n", // case, tabs
    };
    for (const char* text : variants) {
        auto sn = TextToComponentOf<TProdSN>(text);
        ASSERT_TRUE(sn) << text;
        EXPECT_TRUE(sn->IsSN()) << text;
        EXPECT_EQ(sn->FixSN(), 0x4142) << text;
    }
}

TEST(CompStream, RefusesBadTexts) {
    const std::string bad[] = {
        "",
        "object",
        "IsSN = True\r\nend\r\n",
        "object TProdSNX\r\nend\r\n",
        "object TProdSN\r\n  IsSN = True\r\n",           // no end
        "object TProdSN\r\n  Colour = 1\r\nend\r\n",     // unknown property
        "object TProdSN\r\n  IncNextSN = 5\r\nend\r\n",  // read-only
        "object TProdRFID\r\n  NextRFID = 5\r\nend\r\n", // read-only
        "object TProdSN\r\n  IsSN = 1\r\nend\r\n",       // Boolean needs a name
        "object TProdSN\r\n  IsSN = Yes\r\nend\r\n",
        "object TProdSN\r\n  FixSNByteCount = True\r\nend\r\n",
        "object TProdSN\r\n  FixSNByteCount = 2147483648\r\nend\r\n",
        "object TProdRFID\r\n  IncInitRFID = -2147483649\r\nend\r\n",
        "object TProdSN\r\n  FixSN = 9223372036854775808\r\nend\r\n",
        "object TProdSN\r\n  FixSN = 12ab\r\nend\r\n",
        "object TProdSN\r\n  FixSN = 1.5\r\nend\r\n",
        "object TProdSN\r\n  FixSN = -\r\nend\r\n",
        "object TProdSN\r\n  FixSN == 1\r\nend\r\n",
        "object TProdSN\r\n  FixSN 1\r\nend\r\n",
        "object TProdSN\r\n  Name = 'x'\r\nend\r\n",
        "object TProdSN\r\n  IsSN = True\0\r\nend\r\n"s,
        "object TProdSN\r\nend\r\nobject TProdSN\r\nend\r\n", // anything after end
        "object TProdSN\r\n  object TProdRFID\r\n  end\r\nend\r\n",
    };
    for (const auto& text : bad) {
        const auto result = TextToComponent(text);
        EXPECT_FALSE(result) << text;
        EXPECT_FALSE(result.error.empty()) << text;
    }
    // Extremes that fit are taken.
    auto sn =
        TextToComponentOf<TProdSN>("object TProdSN\r\n  FixSN = -9223372036854775808\r\nend\r\n");
    ASSERT_TRUE(sn);
    EXPECT_EQ(sn->FixSN(), std::numeric_limits<std::int64_t>::min());
}

TEST(CompStream, OtherClassThanExpectedFails) {
    std::string why;
    EXPECT_FALSE(TextToComponentOf<TProdSN>(kNewRFIDText, &why));
    EXPECT_NE(why.find("TProdRFID"), std::string::npos) << why;
    EXPECT_FALSE(TextToComponentOf<TProdRFID>(kNewSNText));
}

TEST(CompStream, IniValueFormJoinsLinesWithSemicolons) {
    TProdSN sn;
    const std::string value = GeneratorToIniValue(sn);
    EXPECT_EQ(value, "object TProdSN;  IsSN = False;  IsDate = True;  FixSNByteCount = 2;"
                     "  IncSNByteCount = 2;  IncPrevSN = -1;  IsFixAscii = True;end;");
    EXPECT_EQ(SemicolonsToLineEnds(value), kNewSNText);
    EXPECT_EQ(LineEndsToSemicolons("a\rb\nc\r\n"), "a\rb\nc;") << "only CR LF pairs are line ends";
}

TEST(CompStream, GeneratorFromIniValueFallsBackToDefaults) {
    TProdRFID stored;
    stored.SetIsRandom(false);
    stored.SetIncInitRFID(0x4242);
    std::string why;
    auto rfid = GeneratorFromIniValue<TProdRFID>(GeneratorToIniValue(stored), &why);
    EXPECT_FALSE(rfid->IsRandom());
    EXPECT_EQ(rfid->IncInitRFID(), 0x4242);
    EXPECT_TRUE(why.empty());

    // A radio-ID text where a serial number belongs gives a new serial-number generator.
    auto sn = GeneratorFromIniValue<TProdSN>(GeneratorToIniValue(stored), &why);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(ComponentToText(*sn), kNewSNText);

    sn = GeneratorFromIniValue<TProdSN>("", &why);
    EXPECT_TRUE(why.empty());
    EXPECT_EQ(ComponentToText(*sn), kNewSNText);
    sn = GeneratorFromIniValue<TProdSN>("object TProdSN;  IsSN = Maybe;end;");
    EXPECT_EQ(ComponentToText(*sn), kNewSNText);
}

TEST(CompStream, RegistersMoreClassesByNameOnce) {
    EXPECT_FALSE(RegisterComponentClass("tprodsn", [] {
        return std::unique_ptr<PublishedObject>(new TProdRFID(kAllZeroState));
    })) << "a registered name is not taken over";
    EXPECT_TRUE(RegisterComponentClass("TTestRFID", [] {
        return std::unique_ptr<PublishedObject>(new TProdRFID(kAllZeroState));
    }));
    EXPECT_TRUE(TextToComponent("object TTestRFID\r\n  IsRandom = True\r\nend\r\n"));
}

TEST(CompStream, ParserSurvivesMangledTexts) {
    // Cut, flip and splice valid texts; every outcome is fine as long as it is a value and a
    // loaded generator can be written again.
    std::mt19937 rng(20240601);
    const std::string seeds[] = {kNewSNText, kNewRFIDText,
                                 "object TProdSN\r\n  FixSN = $7FFFFFFFFFFFFFFF\r\nend\r\n"};
    for (int i = 0; i < 20000; ++i) {
        std::string text = seeds[static_cast<std::size_t>(i) % 3];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const std::size_t at = rng() % text.size();
            switch (rng() % 4) {
            case 0:
                text[at] = static_cast<char>(rng());
                break;
            case 1:
                text.erase(at, 1 + rng() % 8);
                break;
            case 2:
                text.insert(at, 1, static_cast<char>(rng()));
                break;
            default:
                text.resize(at);
                break;
            }
        }
        const auto result = TextToComponent(text);
        if (result)
            EXPECT_FALSE(ComponentToText(*result.component).empty());
        else
            EXPECT_FALSE(result.error.empty());
    }
}
