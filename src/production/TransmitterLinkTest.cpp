// SPDX-License-Identifier: MIT
#include "production/TransmitterLinkTest.h"

#include "commands/ReceiverOperations.h"
#include "commands/RemoteCommands.h"
#include "commands/TransmitterOperations.h"

namespace rfbind {

int TransmitterLinkTest::counter() {
    if (const auto answer = ReceiverOperations(link_).statusQuery(1)) {
        display_.showStatusAnswer(1, answer->data());
        lastCounter_ = (*answer)[1];
    }
    return lastCounter_;
}

bool TransmitterLinkTest::counterMoves() {
    const int before = counter();
    link_.clock().sleepMs(kCounterGapMs);
    return counter() != before;
}

bool TransmitterLinkTest::run() {
    if (counterMoves())
        return true;
    TransmitterOperations transmitter(link_);
    transmitter.enterAccess(false);
    link_.clock().sleepMs(kAccessSettleMs);
    display_.showSensorRead(0x00, transmitter.read(remote::kRdSensor, 0x00));
    return counterMoves();
}

} // namespace rfbind
