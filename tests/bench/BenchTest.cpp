// SPDX-License-Identifier: MIT
#include "BenchRig.h"

#include <gtest/gtest.h>

using namespace rfbind;
using namespace rfbind::bench;
using rfbind::test::BenchRig;

namespace {

BenchOptions withFaults(BenchFaults faults) {
    BenchOptions o;
    o.faults = faults;
    return o;
}

// Receiver and transmitter bytes of the radio IDs R = 0x123456, T = 0x345678 as the
// programming run writes them, top bits set on B0 and B3.
constexpr RadioId kRxId{0x92, 0x34, 0x56};
constexpr RadioId kTxId{0xB4, 0x56, 0x78};

void programMouseIds(BenchRig& rig, const RadioId& own, const RadioId& partner) {
    for (int i = 0; i < 3; ++i) {
        rig.link.RemoteWrite(0x21, 8 + i, own[i]);
        rig.link.RemoteWrite(0x21, 12 + i, partner[i]);
    }
    rig.link.RemoteWrite(0x23, 0xFF, 0x3D); // fast reload
}

void programReceiverIds(BenchRig& rig, const RadioId& own, const RadioId& partner) {
    for (int i = 0; i < 3; ++i) {
        rig.link.WriteReceiverEeprom(i, complementWord(own[i]));
        rig.link.WriteReceiverEeprom(51 + i, complementWord(partner[i]));
    }
    rig.reloadReceiver();
}

bool validComplement(std::uint16_t w) { return (w >> 8) == ((w & 0xFF) ^ 0xFF); }

} // namespace

TEST(Bench, ReceiverWordsWrittenThroughTheLinkReadBack) {
    struct Row {
        int address, value;
        bool stored;
    };
    BenchRig rig;
    for (const Row& row : {Row{0, 0x926D, true}, Row{0x33, 0xB44B, true}, Row{63, 0xFFFF, true},
                           Row{20, 0x0000, true}, Row{64, 0x1234, false}}) {
        rig.link.CommError = false;
        rig.link.WriteReceiverEeprom(row.address, row.value);
        EXPECT_EQ(rig.link.CommError, !row.stored) << row.address;
        EXPECT_EQ(rig.link.ReadReceiverEeprom(row.address), row.stored ? row.value : 0);
        if (row.stored) {
            EXPECT_EQ(rig.bench.receiver().eeprom()[row.address], row.value);
        }
    }
}

TEST(Bench, TransmitterSpacesThroughRemoteWriteAndRead) {
    struct Row {
        int write, read, address, value;
    };
    BenchRig rig;
    rig.freshUnit(7);
    for (const Row& row : {Row{0x21, 0x24, 0x78, 0x12}, Row{0x21, 0x24, 0x1D, 0xDB},
                           Row{0x22, 0x25, 0x40, 0x01}, Row{0x23, 0x26, 0x10, 0x80},
                           Row{0x27, 0x28, 0x01, 0x1B}, Row{0x29, 0x2A, 0x02, 0x44}}) {
        rig.link.RemoteWrite(row.write, row.address, row.value);
        EXPECT_EQ(rig.link.RemoteRead(row.read, row.address), row.value) << row.write;
    }
    EXPECT_EQ(rig.bench.mouse().eeprom()[0x78], 0x12);
    EXPECT_EQ(rig.link.RemoteRead(0x2A, 0), 0x29) << "sensor identification";
    EXPECT_FALSE(rig.link.CommError);
}

// RemoteRead gives up after 30 attempts or one second, whichever comes first; USB latency
// decides which.
class SwitchedOffMouse : public ::testing::TestWithParam<int> {};

TEST_P(SwitchedOffMouse, RemoteReadFailsAfterAboutOneSecond) {
    BenchFaults faults;
    faults.usbLatencyMs = GetParam();
    BenchRig rig(withFaults(faults));
    rig.freshUnit(7);
    rig.bench.switchMouse(false);
    const auto start = rig.clock.tickMs();
    const auto setsBefore = rig.bench.setFeatures();
    EXPECT_EQ(rig.link.RemoteRead(0x24, 8), -1);
    EXPECT_TRUE(rig.link.CommError);
    const auto took = rig.clock.tickMs() - start;
    EXPECT_GE(took, 700u);
    EXPECT_LE(took, 1100u);
    EXPECT_LE(rig.bench.setFeatures() - setsBefore, 31u) << "prelude and at most 30 requests";
}

INSTANTIATE_TEST_SUITE_P(Bench, SwitchedOffMouse, ::testing::Values(0, 1, 10));

TEST(Bench, NeverAcknowledgingReceiverCostsThirtyReadsPerWordRead) {
    BenchFaults faults;
    faults.receiverNeverAcknowledges = true;
    BenchRig rig(withFaults(faults));
    const auto before = rig.bench.featureTransfers();
    EXPECT_EQ(rig.link.ReadReceiverEeprom(5), -1);
    EXPECT_TRUE(rig.link.CommError);
    EXPECT_EQ(rig.bench.featureTransfers() - before, 60u) << "30 set-feature + 30 get-feature";
}

TEST(Bench, LatencyGoesThroughTheGivenSleep) {
    BenchFaults faults;
    faults.usbLatencyMs = 3;
    test::RecordingClock clock;
    std::vector<int> sleeps;
    Bench bench(clock, withFaults(faults), [&](int ms) { sleeps.push_back(ms); });
    BenchController controller(bench, [](BenchController::Task) {});
    ReceiverLink link(clock);
    auto keyboard = controller.checkOut();
    auto receiver = controller.checkOut();
    link.ActiveDevice = receiver.get();
    EXPECT_EQ(link.ReadReceiverEeprom(0), 0);
    EXPECT_EQ(sleeps, (std::vector<int>{3, 3}));
    EXPECT_EQ(clock.sleptMs(), 0) << "not a station pause";
}

TEST(Bench, FreshUnitIsLinkedAndStaysLinkedWhenBothSidesReloadNewIds) {
    BenchRig rig;
    rig.freshUnit(99);
    const auto& rx = rig.bench.receiver();
    EXPECT_EQ(rx.ownId(), rig.bench.mouse().partnerId());
    EXPECT_EQ(rx.partnerMouseId(), rig.bench.mouse().ownId());
    for (std::size_t w : {0u, 1u, 2u, 51u, 52u, 53u})
        EXPECT_TRUE(validComplement(rx.eeprom()[w])) << w;
    EXPECT_EQ(rig.link.RemoteRead(0x2A, 0), 0x29);

    rig.link.RemoteWrite(0x2B, 0x5A, 0x33);
    programMouseIds(rig, kTxId, kRxId);
    EXPECT_EQ(rig.bench.mouse().ownId(), kTxId);
    EXPECT_FALSE(rx.reachable(rig.bench.mouse())) << "only the mouse has reloaded";
    EXPECT_EQ(rig.link.RemoteRead(0x2A, 0), -1);

    rig.link.CommError = false;
    programReceiverIds(rig, kRxId, kTxId);
    EXPECT_FALSE(rig.link.CommError);
    EXPECT_EQ(rx.eeprom()[0], 0x926D);
    EXPECT_EQ(rx.eeprom()[51], 0xB44B);
    EXPECT_EQ(rig.link.RemoteRead(0x2A, 0), 0x29);
    EXPECT_FALSE(rig.link.CommError);
}

TEST(Bench, MouseLinkCounterMovesOnlyWhileReachableAndTalking) {
    struct Row {
        const char* what;
        bool on, linked, moving;
        int accessValue; // 0: no access mode
        bool advances;
    };
    for (const Row& row : {Row{"moving", true, true, true, 0, true},
                           Row{"access without LED", true, true, false, 0x33, true},
                           Row{"access with LED", true, true, false, 0xCC, true},
                           Row{"still", true, true, false, 0, false},
                           Row{"switched off", false, true, true, 0x33, false},
                           Row{"not linked", true, false, true, 0x33, false}}) {
        BenchRig rig;
        rig.freshUnit(5);
        if (row.accessValue)
            rig.link.RemoteWrite(0x2B, 0x5A, row.accessValue);
        if (!row.linked)
            programReceiverIds(rig, kRxId, kTxId);
        rig.bench.setMouseMoving(row.moving);
        rig.bench.switchMouse(row.on);
        const int a = rig.mouseCounter();
        rig.clock.sleepMs(24);
        const int b = rig.mouseCounter();
        const int c = rig.mouseCounter();
        ASSERT_NE(a, -1);
        EXPECT_EQ(a != b, row.advances) << row.what;
        EXPECT_EQ(c - b, row.advances ? 1 : 0) << row.what;
    }
}

TEST(Bench, MouseNeverMovedFaultKeepsTheCounterStill) {
    BenchFaults faults;
    faults.mouseNeverMoves = true;
    BenchRig rig(withFaults(faults));
    rig.freshUnit(5);
    rig.bench.setMouseMoving(true);
    EXPECT_EQ(rig.mouseCounter(), rig.mouseCounter());
}

TEST(Bench, BindingStatusFollowsTheTenSecondPairingWindow) {
    BenchRig rig; // mouse and keyboard switched off: nothing pairs
    EXPECT_EQ(rig.bindingStatus(), 0xBB);
    rig.openPairingWindow();
    EXPECT_EQ(rig.bindingStatus(), 0x33);
    rig.clock.sleepMs(9999);
    EXPECT_EQ(rig.bindingStatus(), 0x33);
    rig.clock.sleepMs(1);
    EXPECT_EQ(rig.bindingStatus(), 0xBB);
}

class MouseBinding : public ::testing::TestWithParam<std::pair<int, bool>> {};

TEST_P(MouseBinding, PairsWhenSwitchedOnWithinFiveSecondsOfTheWindow) {
    const auto [switchedOnBeforeMs, pairs] = GetParam();
    BenchRig rig;
    rig.freshUnit(11);
    programReceiverIds(rig, rig.bench.receiver().ownId(), RadioId{0x01, 0x02, 0x03});
    ASSERT_FALSE(rig.bench.receiver().reachable(rig.bench.mouse()));
    rig.bench.switchMouse(false);
    rig.clock.sleepMs(100);
    rig.bench.switchMouse(true);
    rig.clock.sleepMs(switchedOnBeforeMs);
    const int idBefore = (*rig.exchange(frame::receiver(0x09)))[1];

    rig.openPairingWindow();
    const int idAfter = (*rig.exchange(frame::receiver(0x09)))[1];
    EXPECT_EQ(idAfter != idBefore, pairs);
    EXPECT_EQ(rig.bench.receiver().reachable(rig.bench.mouse()), pairs);
    EXPECT_EQ(rig.bindingStatus(), pairs ? 0xBB : 0x33) << "pairing closes the window";
    if (pairs) {
        EXPECT_EQ(rig.bench.receiver().eeprom()[51], complementWord(rig.bench.mouse().ownId()[0]));
    }
}

INSTANTIATE_TEST_SUITE_P(Bench, MouseBinding,
                         ::testing::Values(std::pair{0, true}, std::pair{4999, true},
                                           std::pair{5000, false}));

TEST(Bench, KeyboardBindsAfterItsButtonAndFillsTheReceiverWords) {
    struct Row {
        const char* what;
        int pressAfterWindowMs; // negative: pressed before the window opens
        bool pairs;
    };
    for (const Row& row : {Row{"pressed first", -2000, true}, Row{"pressed in window", 3000, true},
                           Row{"pressed too late", 10000, false}}) {
        BenchRig rig;
        rig.freshUnit(21);
        rig.clock.sleepMs(6000); // the mouse's own pairing period is over
        const auto* kbd = rig.bench.keyboard();
        ASSERT_NE(kbd, nullptr);
        if (row.pressAfterWindowMs < 0)
            rig.bench.pressKeyboardBindButton();
        rig.openPairingWindow();
        if (row.pressAfterWindowMs >= 0) {
            rig.clock.sleepMs(row.pressAfterWindowMs);
            rig.bench.pressKeyboardBindButton();
        }
        const auto answer = *rig.exchange(frame::receiver(0x09));
        EXPECT_EQ(answer[2] != 0, row.pairs) << row.what;
        EXPECT_EQ(answer[1], 0) << "the mouse ID stays";
        const auto& words = rig.bench.receiver().eeprom();
        for (std::size_t w : {43u, 44u, 45u, 48u, 49u, 50u}) {
            EXPECT_EQ(validComplement(words[w]) && (words[w] >> 8) != 0, row.pairs)
                << row.what << " word " << w;
        }
        if (row.pairs) {
            EXPECT_EQ(words[43] >> 8, kbd->ownId()[0]);
            EXPECT_EQ(kbd->partnerId(), rig.bench.receiver().ownId());
            EXPECT_TRUE(rig.bench.receiver().reachable(*kbd));
        }
    }
}

TEST(Bench, WithoutKeyboardTheWindowRunsOut) {
    BenchFaults faults;
    faults.noKeyboard = true;
    BenchRig rig(withFaults(faults));
    rig.freshUnit(21);
    rig.clock.sleepMs(6000);
    EXPECT_EQ(rig.bench.keyboard(), nullptr);
    rig.openPairingWindow();
    rig.bench.pressKeyboardBindButton();
    rig.clock.sleepMs(10000);
    EXPECT_EQ(rig.bindingStatus(), 0xBB);
    EXPECT_EQ((*rig.exchange(frame::receiver(0x09)))[2], 0);
}

namespace {
std::string ackPattern(double p, std::uint32_t seed, int answers) {
    BenchFaults faults;
    faults.ackLossProbability = p;
    faults.ackLossSeed = seed;
    BenchRig rig(withFaults(faults));
    std::string pattern;
    for (int i = 0; i < answers; ++i)
        pattern += frame::acknowledged(*rig.exchange(frame::eepromRead(0))) ? '+' : '-';
    return pattern;
}
} // namespace

TEST(Bench, AcknowledgementLossIsSeededAndRepeatable) {
    const std::string a = ackPattern(0.25, 42, 400);
    EXPECT_EQ(a, ackPattern(0.25, 42, 400));
    EXPECT_NE(a, ackPattern(0.25, 43, 400));
    const auto lost = std::count(a.begin(), a.end(), '-');
    EXPECT_GT(lost, 60);
    EXPECT_LT(lost, 140);
    EXPECT_EQ(ackPattern(0.0, 42, 50), std::string(50, '+'));
    EXPECT_EQ(ackPattern(1.0, 42, 50), std::string(50, '-'));
}

TEST(Bench, WriteIgnoringCellsKeepTheirValue) {
    BenchFaults faults;
    faults.stuckReceiverEepromWord = 46;
    faults.stuckTransmitterEepromByte = 0x1C;
    BenchRig rig(withFaults(faults));
    rig.freshUnit(3);

    rig.link.WriteReceiverEeprom(46, 0x916E);
    EXPECT_TRUE(rig.link.CommError);
    EXPECT_EQ(rig.bench.receiver().eeprom()[46], 0);
    rig.link.CommError = false;
    rig.link.WriteReceiverEeprom(47, 0x916E);
    EXPECT_FALSE(rig.link.CommError);

    rig.link.RemoteWrite(0x21, 0x1C, 0x24);
    rig.link.RemoteWrite(0x21, 0x1D, 0xDB);
    EXPECT_EQ(rig.link.RemoteRead(0x24, 0x1C), 0);
    EXPECT_EQ(rig.link.RemoteRead(0x24, 0x1D), 0xDB);
}

TEST(Bench, TransfersOfTheWrongShapeAreRefused) {
    BenchRig rig;
    Frame f = frame::eepromRead(0);
    auto* rx = rig.link.ActiveDevice;
    EXPECT_FALSE(rx->setFeature(f.data(), 7));
    f[0] = 0x02;
    EXPECT_FALSE(rx->setFeature(f.data(), 8)) << "the receiver has only report 1";
    EXPECT_TRUE(rig.exchange(frame::eepromRead(0)).has_value());
}
