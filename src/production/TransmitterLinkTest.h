// SPDX-License-Identifier: MIT
#pragma once

#include "link/ReceiverLink.h"
#include "production/RunDisplay.h"

namespace rfbind {

/// The transmitter-link test: does the transmitter carry traffic over the radio? The receiver
/// counts the mouse's packets (status query 1, byte 1); two reads 24 ms apart that differ
/// mean traffic. A mouse that moves counts by itself; a still one is woken into access mode
/// and asked for its sensor, which makes traffic if it is in reach.
///
/// The counter read keeps its last answered value when a query goes unanswered (as its field
/// does), so a silent receiver reads as a counter that stands still. Keep one object per
/// station so that value carries from test to test. Nothing throws; the test needs a selected
/// receiver (the caller checks).
class TransmitterLinkTest {
public:
    TransmitterLinkTest(ReceiverLink& link, RunDisplay& display) : link_(link), display_(display) {}

    /// One test. Shows the status answers and the sensor read it makes.
    bool run();

    /// Between the two status queries whose link counters are compared, in ms.
    static constexpr int kCounterGapMs = 24;
    /// Time the transmitter needs to enter access mode before it answers, in ms.
    static constexpr int kAccessSettleMs = 50;

private:
    int counter();
    bool counterMoves();

    ReceiverLink& link_;
    RunDisplay& display_;
    int lastCounter_ = 0;
};

} // namespace rfbind
