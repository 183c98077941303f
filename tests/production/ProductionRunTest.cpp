// SPDX-License-Identifier: MIT
#include "RunBench.h"

#include "bench/BenchTransmitter.h"
#include "production/AttemptsJournal.h"
#include "production/NumberingAdvance.h"
#include "production/PairingWindow.h"
#include "text/Hex.h"
#include "settings/Lang.h"
#include "support/RecordingFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace rfbind;
using namespace rfbind::test;
using Label = RunDisplay::Label;

namespace {

/// One station on the bench with its four generators: serial numbers on for both devices,
/// sequential radio IDs.
struct Station {
    explicit Station(bench::BenchOptions options = {}) : rig(std::move(options)), host(rig, display) {
        freshStationGenerators(rxSN, txSN, rxRFID, txRFID);
        recipe.productName = "USB 2.4G Wireless Desktop";
        recipe.settings.CustKey1 = 7;
        recipe.settings.CustKey2 = 8;
    }

    /// A fresh unit; the operator takes it up after the mouse's own pairing period when the
    /// unit has a keyboard to bind.
    void placeUnit(std::uint32_t seed) {
        rig.bench.freshUnit(seed);
        rig.runPosted();
        if (recipe.settings.KBind && !recipe.settings.MouseOnly)
            rig.clock.advance(bench::BenchTransmitter::kMousePairingMs + 300);
    }

    RunOutcome go() {
        host.bindPressed = false;
        ProductionRun run(rig.link, display, host, {rxSN, txSN, rxRFID, txRFID}, sensorCode, bindingStatus, records);
        return run.go(recipe);
    }

    BenchRig rig;
    RecordingDisplay display;
    BenchHost host;
    TempFolder folder;
    UnitRecords records{folder.path, "bench-1"};
    TProdSN rxSN, txSN;
    TProdRFID rxRFID, txRFID;
    std::int32_t sensorCode = 0;
    int bindingStatus = -1;
    UnitRecipe recipe;
};

void useKeyboard(Station& s) {
    s.recipe.settings.MouseOnly = false;
    s.recipe.settings.KBind = true;
}

struct FaultCase {
    const char* name;
    std::function<void(Station&)> arrange;   ///< before the unit is placed
    std::function<void(Station&)> placed;    ///< once it is on the bench
    std::function<void(Station&)> meanwhile; ///< on every pump during the run
    const char* step;
    FailReason reason;
    const char* detail;
};

class ProductionRunFaults : public ::testing::TestWithParam<FaultCase> {};

} // namespace

TEST_P(ProductionRunFaults, FailWithTheirStepAndReasonAndLeaveNoLogLineAndNoNumbers) {
    const FaultCase& c = GetParam();
    bench::BenchOptions options;
    Station s(options);
    if (c.arrange)
        c.arrange(s);
    s.placeUnit(21);
    if (c.placed)
        c.placed(s);
    if (c.meanwhile)
        s.host.duringRun = [&] { c.meanwhile(s); };

    const RunOutcome out = s.go();

    EXPECT_FALSE(out.passed);
    EXPECT_EQ(out.failStep, c.step);
    EXPECT_EQ(out.reason, c.reason) << failReasonCode(out.reason);
    EXPECT_EQ(out.detail, c.detail);
    EXPECT_EQ(s.display.failMessage, failReasonMessageId(c.reason));
    EXPECT_TRUE(s.folder.lines("20").empty()) << "nothing in the production log";
    EXPECT_EQ(s.rxSN.IncNextSN(), 0x0005) << "the next unit gets the same serial number";
    EXPECT_EQ(s.host.saves, 0);
    const auto journal = s.folder.lines("attempts-");
    ASSERT_EQ(journal.size(), 2u) << "header and one attempt";
    EXPECT_NE(journal[1].find(",FAIL," + std::string(c.step) + "," + std::string(failReasonCode(c.reason)) + ","),
              std::string::npos)
        << journal[1];
}

INSTANTIATE_TEST_SUITE_P(
    Bench, ProductionRunFaults,
    ::testing::Values(
        FaultCase{"TransmitterOff", [](Station& s) { s.rig.bench.setFaults({.transmitterOff = true}); }, {}, {},
                  "check_devices", FailReason::TransmitterNotAnswering, ""},
        FaultCase{"NoReceiver", {}, [](Station& s) { s.rig.bench.unplugReceiver(); }, {}, "check_devices",
                  FailReason::NoReceiver, ""},
        FaultCase{"StuckTransmitterByte",
                  [](Station& s) { s.rig.bench.setFaults({.stuckTransmitterEepromByte = 0x0C}); }, {}, {},
                  "tx_radio_ids", FailReason::TxEepromWrite, "0x0C"},
        FaultCase{"StuckReceiverWord",
                  [](Station& s) { s.rig.bench.setFaults({.stuckReceiverEepromWord = 0x39}); }, {}, {},
                  "rx_words", FailReason::RxEepromWrite, "0x39"},
        FaultCase{"ReceiverPulled", [](Station& s) { s.rig.bench.setFaults({.unplugAfterMs = 2500}); }, {}, {},
                  "tx_serial", FailReason::ReceiverPulled, ""},
        FaultCase{"MouseGoneBeforeTheFinalCheck", {}, {},
                  [](Station& s) {
                      if (s.display.label() == Label::Move)
                          s.rig.bench.switchMouse(false);
                  },
                  "final_link", FailReason::NoFinalLink, ""},
        FaultCase{"NoKeyboard",
                  [](Station& s) {
                      useKeyboard(s);
                      s.rig.bench.setFaults({.noKeyboard = true});
                  },
                  {}, {}, "keyboard_binding", FailReason::KeyboardTimeout, ""},
        FaultCase{"MousePairedInstead",
                  [](Station& s) {
                      useKeyboard(s);
                      s.host.pressBindButton = false;
                  },
                  {},
                  [](Station& s) {
                      // The operator switches the mouse off and on instead of pressing the
                      // keyboard's bind button: the mouse is in pairing mode again.
                      if (s.display.label() == Label::Wait && !s.host.bindPressed) {
                          s.host.bindPressed = true;
                          s.rig.bench.switchMouse(false);
                          s.rig.bench.switchMouse(true);
                      }
                  },
                  "keyboard_binding", FailReason::MousePairedInstead, ""},
        FaultCase{"RecipeRefused", [](Station& s) { s.recipe.settings.VID = 0x12345; }, {}, {}, "recipe",
                  FailReason::RecipeRefused, "VID 12345 is not a USB ID: enter 1 to FFFF, or leave it empty"},
        FaultCase{"PairingStatusNeverAnswered",
                  [](Station& s) {
                      useKeyboard(s);
                      s.host.pressBindButton = false;
                      s.rig.bench.setFaults({.pairingStatusUnanswered = true});
                  },
                  {}, {}, "keyboard_binding", FailReason::KeyboardTimeout, ""},
        FaultCase{"ReceiverPulledAtWait", [](Station& s) { useKeyboard(s); }, {},
                  [](Station& s) {
                      if (s.display.label() == Label::Wait)
                          s.rig.bench.unplugReceiver();
                  },
                  "keyboard_binding", FailReason::ReceiverPulled, ""},
        FaultCase{"ClosedAtWait", [](Station& s) { useKeyboard(s); }, {},
                  [](Station& s) {
                      if (s.display.label() == Label::Wait)
                          s.host.cancel = true;
                  },
                  "keyboard_binding", FailReason::Cancelled, ""},
        FaultCase{"ClosedAtMove", {}, {},
                  [](Station& s) {
                      if (s.display.label() == Label::Move)
                          s.host.cancel = true;
                  },
                  "final_link", FailReason::Cancelled, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProductionRun, ARefusedRecipeTouchesNoDevice) {
    Station s;
    s.recipe.productName = "Mäus€ 無線";
    s.placeUnit(3);
    s.rig.connect();
    const std::uint64_t frames = s.rig.bench.featureTransfers();
    const auto txBefore = s.rig.bench.mouse().eeprom();
    const auto rxBefore = s.rig.bench.receiver().eeprom();
    ProductionRun run(s.rig.link, s.display, s.host, {s.rxSN, s.txSN, s.rxRFID, s.txRFID}, s.sensorCode,
                      s.bindingStatus, s.records);
    const RunOutcome out = run.program(s.recipe, {});
    EXPECT_EQ(out.reason, FailReason::RecipeRefused);
    EXPECT_NE(out.detail.find("Mäus€"), std::string::npos) << out.detail;
    // Only the ending's "leave access mode" goes out, as after every run.
    EXPECT_LE(s.rig.bench.featureTransfers() - frames, 6u);
    EXPECT_EQ(s.rig.bench.mouse().eeprom(), txBefore) << "nothing written";
    EXPECT_EQ(s.rig.bench.receiver().eeprom(), rxBefore);
    EXPECT_EQ(s.rxRFID.NextRFID(), 0x123456) << "no radio ID drawn";
}

struct PassCase {
    const char* name;
    bool keyboard;
    int latencyMs;
};
class ProductionRunPasses : public ::testing::TestWithParam<PassCase> {};

TEST_P(ProductionRunPasses, UnitAfterUnitIsLoggedAndJournalledFromItsOwnNumbers) {
    bench::BenchOptions options;
    options.faults.usbLatencyMs = GetParam().latencyMs;
    Station s(options);
    if (GetParam().keyboard)
        useKeyboard(s);
    std::vector<std::size_t> logLinesAtSave;
    s.host.onSave = [&] { logLinesAtSave.push_back(s.folder.lines("20").size()); };
    RunOutcome last;
    for (int unit = 0; unit < 3; ++unit) {
        s.placeUnit(40 + static_cast<std::uint32_t>(unit));
        // Some other USB device comes or goes as the unit ends: the station drops its
        // receiver, but the unit was programmed and paired.
        bool changed = false;
        s.host.duringRun = [&] {
            if (!changed && !s.display.progress.empty() && s.display.progress.back() == 20 &&
                s.display.label() != Label::Wait) {
                changed = true;
                s.rig.link.ActiveDevice = nullptr;
            }
        };
        const RunOutcome out = s.go();
        ASSERT_TRUE(out.passed) << "unit " << unit << ": " << out.failStep << " " << out.reasonText();
        ASSERT_TRUE(out.ids);
        // Sequential, and the next ID the panel shows after a PASS is consumed.
        EXPECT_GE(out.ids->R, unit == 0 ? 0x123456u : last.ids->R + 2);
        EXPECT_EQ(out.rxSerial.substr(out.rxSerial.size() - 5), "-" + hexText(5 + unit, 4));
        EXPECT_EQ(s.display.label(), Label::Pass);
        last = out;
    }
    EXPECT_EQ(logLinesAtSave, (std::vector<std::size_t>{0, 1, 2}))
        << "each unit's numbering is stored before its log line is appended";
    const auto withoutDashes = [](std::string t) {
        std::erase(t, '-');
        return t;
    };
    const auto log = s.folder.lines("20");
    ASSERT_EQ(log.size(), 3u);
    const std::string radioId = hexText(last.ids->R, 6);
    EXPECT_EQ(log[2].substr(19), "," + radioId + "," + withoutDashes(last.rxSerial) + "," + withoutDashes(last.txSerial));
    EXPECT_EQ(s.host.saves, 3) << "numbering stored with every PASS";
    const auto journal = s.folder.lines("attempts-");
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_EQ(journal[0], "attempt_id,started_at,duration_ms,result,fail_step,reason_code,reason_text,"
                          "rx_radio_id,tx_radio_id,rx_serial,tx_serial,rx_usb,rx_version,station,recipe,product");
    EXPECT_NE(journal[3].find(",PASS,,,," + radioId + ","), std::string::npos) << journal[3];
    EXPECT_TRUE(journal[3].ends_with(",")) << "a station on its own numbers from no pool: " << journal[3];
}

INSTANTIATE_TEST_SUITE_P(Bench, ProductionRunPasses,
                         ::testing::Values(PassCase{"MouseOnly", false, 0}, PassCase{"Keyboard", true, 0},
                                           PassCase{"KeyboardAt1ms", true, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProductionRun, AStuckByteFailsTheEraseAndSaysWhere) {
    bench::BenchOptions options;
    options.faults.stuckTransmitterEepromByte = 0x08; // a radio-ID byte, never 0 on a fresh unit
    Station s(options);
    s.placeUnit(5);
    ASSERT_NE(s.rig.bench.mouse().eeprom()[0x08], 0);
    ProductionRun run(s.rig.link, s.display, s.host, {s.rxSN, s.txSN, s.rxRFID, s.txRFID}, s.sensorCode,
                      s.bindingStatus, s.records);
    const RunOutcome out = run.eraseTransmitter();
    EXPECT_FALSE(out.passed);
    EXPECT_EQ(out.reason, FailReason::TxEepromWrite);
    EXPECT_EQ(out.detail, "0x08");
    EXPECT_EQ(s.display.label(), Label::TxEraseFail);
    EXPECT_EQ(s.rig.bench.mouse().eeprom()[0x09], 0) << "the erase went on past the stuck byte";
}

struct RecipeCase {
    const char* name;
    std::function<void(UnitRecipe&)> change;
    const char* complaint; ///< part of the problem text; "" for a recipe that can be programmed
};
class UnitRecipeProblems : public ::testing::TestWithParam<RecipeCase> {};

TEST_P(UnitRecipeProblems, NameWhatCannotBeProgrammed) {
    UnitRecipe r;
    r.productName = "USB 2.4G Wireless Desktop";
    r.settings.CustKey1 = 7;
    r.settings.CustKey2 = 8;
    GetParam().change(r);
    const auto problem = r.problem();
    if (*GetParam().complaint == '\0') {
        EXPECT_FALSE(problem) << *problem;
    } else {
        ASSERT_TRUE(problem);
        EXPECT_NE(problem->find(GetParam().complaint), std::string::npos) << *problem;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Recipes, UnitRecipeProblems,
    ::testing::Values(
        RecipeCase{"Defaults", [](UnitRecipe&) {}, ""},
        RecipeCase{"VidTooLarge", [](UnitRecipe& r) { r.settings.VID = 74565; }, "VID 12345"},
        RecipeCase{"PidNegative", [](UnitRecipe& r) { r.settings.PID = -1; }, "PID"},
        RecipeCase{"Latin1ProductName", [](UnitRecipe& r) { r.productName = "Souris été"; }, ""},
        RecipeCase{"ProductNameBeyondLatin1", [](UnitRecipe& r) { r.productName = "Mäus€"; }, "Mäus€"},
        RecipeCase{"ProductName46", [](UnitRecipe& r) { r.productName = std::string(46, 'x'); }, ""},
        RecipeCase{"ProductName47", [](UnitRecipe& r) { r.productName = std::string(47, 'x'); }, "product string"},
        RecipeCase{"ZoomKeyWithoutZoomList", [](UnitRecipe& r) { r.settings.CustKey2 = 25; }, "CustKey2: the stored choice (item 26)"},
        RecipeCase{"ZoomKeyWithZoom",
                   [](UnitRecipe& r) {
                       r.settings.CustKey2 = 25;
                       r.zoomKeys = true;
                   },
                   ""},
        RecipeCase{"NoHotKeyChosen", [](UnitRecipe& r) { r.settings.CustKey1 = -1; }, "CustKey1: no hot key is chosen"},
        RecipeCase{"SleepOutOfRange", [](UnitRecipe& r) { r.settings.Sleep = 241; }, "Sleep Period 241"},
        RecipeCase{"StoredValueTheStationRefused",
                   [](UnitRecipe& r) { r.settings.refused.push_back({"VID", "74565", "above FFFF"}); },
                   "VID 74565 (as stored in the settings file): above FFFF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnitRecipe, TheFingerprintFollowsWhatIsWrittenToTheUnit) {
    UnitRecipe a;
    a.productName = "USB";
    UnitRecipe b = a;
    EXPECT_EQ(a.fingerprint(), b.fingerprint());
    EXPECT_EQ(a.fingerprint().size(), 16u);
    b.settings.Sleep = 46;
    EXPECT_NE(a.fingerprint(), b.fingerprint());
    b = a;
    b.settings.EnabledQUVE = !a.settings.EnabledQUVE; // the station's, not the unit's
    EXPECT_EQ(a.fingerprint(), b.fingerprint());
}

TEST(AttemptsJournal, EachAttemptReachesTheDiskBeforeAppendReturns) {
    TempFolder folder;
    RecordingFileSystem files;
    AttemptsJournal::Record r;
    r.attemptId = AttemptsJournal::newAttemptId();
    r.result = "PASS";
    const std::string file = AttemptsJournal::path(folder.path, "2026-12-08");
    ASSERT_TRUE(AttemptsJournal::append(file, r, files).ok);
    // The header goes out with the day's first attempt, in the same write.
    EXPECT_EQ(files.calls, (std::vector<std::string>{"write attempts-2026-12-08.csv",
                                                     "fsync attempts-2026-12-08.csv", "fsync Log/"}));
    files.calls.clear();
    ASSERT_TRUE(AttemptsJournal::append(file, r, files).ok);
    EXPECT_EQ(files.calls, (std::vector<std::string>{"write attempts-2026-12-08.csv",
                                                     "fsync attempts-2026-12-08.csv"}));
}

TEST(AttemptsJournal, QuotesOnlyWhatNeedsItAndWritesTheHeaderOnce) {
    TempFolder folder;
    AttemptsJournal::Record r;
    r.attemptId = AttemptsJournal::newAttemptId();
    r.reasonText = "Settings refused: the product string \"a,b\" is bad";
    r.station = "line 3";
    r.result = "FAIL";
    const std::string file = AttemptsJournal::path(folder.path, "2026-12-08");
    ASSERT_TRUE(AttemptsJournal::append(file, r).ok);
    ASSERT_TRUE(AttemptsJournal::append(file, r).ok);
    const auto lines = folder.lines("attempts-");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("attempt_id,", 0), 0u);
    EXPECT_EQ(lines[1], lines[2]);
    EXPECT_NE(lines[1].find(",\"Settings refused: the product string \"\"a,b\"\" is bad\","), std::string::npos)
        << lines[1];
    EXPECT_EQ(r.attemptId.size(), 32u);
    EXPECT_NE(AttemptsJournal::newAttemptId(), r.attemptId);
}

TEST(FailReasons, EveryReasonHasACodeAndATextInEveryLanguage) {
    for (FailReason reason :
         {FailReason::NoReceiver, FailReason::ReceiverNotAnswering, FailReason::TransmitterNotAnswering,
          FailReason::TxEepromWrite, FailReason::RxEepromWrite, FailReason::NoFinalLink,
          FailReason::KeyboardTimeout, FailReason::MousePairedInstead, FailReason::ReceiverPulled,
          FailReason::RecipeRefused, FailReason::Cancelled}) {
        EXPECT_FALSE(failReasonCode(reason).empty());
        for (TLanguateKind language : {lkEng, lkCht, lkChs})
            EXPECT_NE(MessageText(failReasonMessageId(reason), language), nullptr) << failReasonCode(reason);
    }
    EXPECT_EQ(failReasonText(FailReason::TxEepromWrite, "0x0C"), "TX EEPROM write at 0x0C not confirmed");
}

namespace {

/// The station's clock time at which each tick of a keyboard binding read the IDs first.
std::vector<std::uint32_t> tickTimes(Station& s) {
    auto times = std::make_shared<std::vector<std::uint32_t>>();
    s.display.onDebugLine = [&s, times](const std::string& line) {
        if (line.rfind("*1*", 0) == 0 && std::stoi(line.substr(3)) == static_cast<int>(times->size()) + 1)
            times->push_back(s.rig.clock.tickMs());
    };
    s.go();
    s.display.onDebugLine = {};
    return *times;
}

} // namespace

TEST(ProductionRun, AKeyboardBindingThatNeverHearsThePairingStatusTimesOutNeverEarly) {
    Station s;
    useKeyboard(s);
    s.host.pressBindButton = false; // the keyboard never pairs
    s.rig.bench.setFaults({.pairingStatusUnanswered = true});
    s.placeUnit(33);
    const std::vector<std::uint32_t> ticks = tickTimes(s);
    ASSERT_EQ(ticks.size(), 16u) << "every tick counts toward the time-out, and it comes on the sixteenth";
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        // A tick that waited for ten unanswered queries (at least 2.4 s of pauses) is followed
        // by a full second before the next: slow ticks make the time-out later, never earlier.
        EXPECT_GE(ticks[i] - ticks[i - 1], 1000u + 2400u) << "tick " << i + 1;
    }
}

TEST(ProductionRun, AZoomReceiverGetsZoomOutAndZoomInOnEveryGoAndSetTxWritesTheChosenKey) {
    bench::BenchOptions options;
    options.receiverProductId = 0x05CF;
    Station s(options);
    // The station's lists kept the zoom keys from the first zoom receiver, and its settings
    // hold what the lists show (a key chosen since, here MUTE, is replaced by each search).
    s.recipe.zoomKeys = true;
    s.recipe.settings.CustKey1 = 9;
    s.recipe.settings.CustKey2 = 25;
    const auto words = [&s] {
        const auto& rx = s.rig.bench.receiver().eeprom();
        return std::array<int, 4>{rx[3], rx[4], rx[5], rx[6]};
    };
    const std::array<int, 4> zoom = {0x2ED1, 0x02FD, 0x2DD2, 0x02FD}; // 0x22E, then 0x22D
    for (std::uint32_t unit = 0; unit < 3; ++unit) {
        s.placeUnit(60 + unit);
        const RunOutcome out = s.go();
        ASSERT_TRUE(out.passed) << "unit " << unit << ": " << out.failStep << " " << out.reasonText();
        EXPECT_EQ(words(), zoom) << "unit " << unit;
    }

    // Set TX on the receiver found last: the operator chose MUTE for hot key 1 since.
    s.placeUnit(70);
    s.host.findReceiver();
    ProductionRun run(s.rig.link, s.display, s.host, {s.rxSN, s.txSN, s.rxRFID, s.txRFID}, s.sensorCode,
                      s.bindingStatus, s.records);
    const RunOutcome out = run.program(s.recipe, s.host.findReceiver());
    ASSERT_TRUE(out.passed) << out.failStep << " " << out.reasonText();
    EXPECT_EQ(words(), (std::array<int, 4>{0xE21D, 0x00FF, 0x2DD2, 0x02FD})) << "MUTE is 0x0E2";
}

namespace {

/// The receiver's set-feature takes only five bytes from the moment `when` first holds.
std::function<void(Station&)> shortWritesOnceAt(std::function<bool(Station&)> when) {
    auto started = std::make_shared<bool>(false);
    return [when, started](Station& s) {
        if (*started || !when(s))
            return;
        *started = true;
        bench::BenchFaults f = s.rig.bench.faults();
        f.shortWriteBytes = 5;
        s.rig.bench.setFaults(f);
    };
}

bool isAddress(const std::string& s) {
    return s.size() == 4 && s.rfind("0x", 0) == 0 &&
           s.find_first_not_of("0123456789ABCDEF", 2) == std::string::npos;
}

} // namespace

// The reason a unit fails with carries what the link saw: a transfer the system failed names
// its cause after the reason (and after the address of an EEPROM write); a write the unit did
// not take, or a device that stayed silent, is said without a transfer cause. The window's
// line under FAIL, the attempts journal and the outcome all get the same text.
TEST(ProductionRun, TheFailReasonNamesTheTransferFailureBehindIt) {
    const std::string cutShort = "feature report transfer failed (sent 5 of 8 bytes)";
    struct Case {
        const char* name;
        std::function<void(Station&)> arrange;
        std::function<void(Station&)> meanwhile;
        std::vector<FailReason> reasons; ///< any of these
        bool addressDetail;
        std::string cause;
    };
    const Case cases[] = {
        {"cut short from the start",
         [](Station& s) { s.rig.bench.setFaults({.shortWriteBytes = 5}); }, {},
         {FailReason::ReceiverNotAnswering}, false, cutShort},
        {"cut short while the radio IDs are written", {},
         shortWritesOnceAt([](Station& s) { return s.display.radioId.size() == 6; }),
         {FailReason::TxEepromWrite, FailReason::RxEepromWrite}, true, cutShort},
        {"a stuck word is not a transfer failure",
         [](Station& s) { s.rig.bench.setFaults({.stuckReceiverEepromWord = 0x39}); }, {},
         {FailReason::RxEepromWrite}, true, ""},
        {"a silent transmitter", [](Station& s) { s.rig.bench.setFaults({.transmitterOff = true}); },
         {}, {FailReason::TransmitterNotAnswering}, false,
         "transmitter did not answer after 30 tries"},
    };
    for (const Case& c : cases) {
        Station s;
        if (c.arrange)
            c.arrange(s);
        s.placeUnit(21);
        if (c.meanwhile)
            s.host.duringRun = [&] { c.meanwhile(s); };

        const RunOutcome out = s.go();

        ASSERT_FALSE(out.passed) << c.name;
        EXPECT_NE(std::find(c.reasons.begin(), c.reasons.end(), out.reason), c.reasons.end())
            << c.name << ": " << out.reasonText();
        EXPECT_EQ(isAddress(out.detail), c.addressDetail) << c.name << ": " << out.detail;
        EXPECT_EQ(out.cause, c.cause) << c.name;
        const std::string expected =
            failReasonText(out.reason, out.detail) + (c.cause.empty() ? "" : ": " + c.cause);
        EXPECT_EQ(out.reasonText(), expected) << c.name;
        EXPECT_EQ(s.display.failCause, c.cause) << c.name;
        EXPECT_EQ(s.display.failDetail, out.detail) << c.name;
        const auto journal = s.folder.lines("attempts-");
        ASSERT_EQ(journal.size(), 2u) << c.name;
        EXPECT_NE(journal[1].find(expected), std::string::npos) << c.name << ": " << journal[1];
    }
}

// A cause left from an earlier unit never passes for the next one's.
TEST(ProductionRun, AnEarlierUnitsTransferFailureIsNotTheNextOnesCause) {
    Station s;
    s.placeUnit(21);
    s.host.duringRun = [&] {
        shortWritesOnceAt([](Station& st) { return st.display.radioId.size() == 6; })(s);
    };
    ASSERT_NE(s.go().cause, "");
    s.host.duringRun = {};
    s.rig.bench.setFaults({.transmitterOff = true});
    s.placeUnit(22);
    const RunOutcome next = s.go();
    EXPECT_EQ(next.reason, FailReason::TransmitterNotAnswering);
    EXPECT_EQ(next.cause, "transmitter did not answer after 30 tries");
}

TEST(ProductionRun, AReceiverPulledWhileTheNotReadyBoxWaitsIsNoPulledUnit) {
    Station s;
    s.rig.bench.setFaults({.transmitterOff = true});
    s.placeUnit(36);
    s.host.whileBoxShown = [&s] { s.rig.bench.unplugReceiver(); };
    const RunOutcome out = s.go();
    EXPECT_EQ(out.failStep, "check_devices");
    EXPECT_EQ(out.reason, FailReason::TransmitterNotAnswering) << failReasonCode(out.reason);
}

TEST(ProductionRun, AGangSlotsKeyboardWaitsForItsPairingTurn) {
    // Another slot pairs when this unit reaches its keyboard; what happens meanwhile decides.
    struct Case {
        const char* name;
        int otherPairsForMs;     // after this slot began to wait, the other gives the window
                                 // up; 0: nobody pairs, -1: the other never gives it up
        bool pulledWhileWaiting; // this slot's receiver is pulled while it waits
        bool passed;
        FailReason reason;
    };
    const Case cases[] = {
        {"waits, then pairs", 3000, false, true, FailReason::None},
        {"the window is free", 0, false, true, FailReason::None},
        {"its receiver is pulled while it waits", -1, true, false, FailReason::ReceiverPulled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Station s;
        useKeyboard(s);
        PairingWindow window;
        s.host.pairing = &window;
        s.host.slotNumber = 3;
        if (c.otherPairsForMs != 0) {
            ASSERT_TRUE(window.request(1));
        }
        s.placeUnit(31);
        bool askedWhileOtherPaired = false;
        bool waitedInQueue = false;
        std::uint32_t waitStart = 0;
        s.host.duringRun = [&] {
            if (window.holder() == 1 && s.display.label() == Label::Wait)
                askedWhileOtherPaired = true;
            if (!waitedInQueue && window.waiting(3)) {
                waitedInQueue = true;
                waitStart = s.rig.clock.tickMs();
            }
            if (waitedInQueue && c.pulledWhileWaiting && s.rig.bench.receiverPlugged())
                s.rig.bench.unplugReceiver();
            if (waitedInQueue && c.otherPairsForMs > 0 && window.holder() == 1 &&
                s.rig.clock.tickMs() - waitStart >= static_cast<std::uint32_t>(c.otherPairsForMs))
                window.release(1);
        };
        const RunOutcome out = s.go();
        EXPECT_EQ(out.passed, c.passed) << out.reasonText();
        EXPECT_EQ(out.reason, c.reason);
        EXPECT_FALSE(askedWhileOtherPaired) << "Wait shown while another slot pairs";
        EXPECT_EQ(waitedInQueue, c.otherPairsForMs != 0);
        // Whatever ended the binding, this slot neither holds the window nor waits for it.
        EXPECT_NE(window.holder(), 3);
        EXPECT_FALSE(window.waiting(3));
        if (c.passed) {
            EXPECT_NE(std::find(s.display.labels.begin(), s.display.labels.end(), Label::Wait),
                      s.display.labels.end());
        }
    }
}
