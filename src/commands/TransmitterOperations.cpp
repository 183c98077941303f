// SPDX-License-Identifier: MIT
#include "commands/TransmitterOperations.h"

#include <cstdio>

namespace rfbind {

int TransmitterOperations::verifiedEepromWrite(int address, int value) {
    // The remote prelude readies the receiver for the read-backs below; its own outcome
    // shows in them.
    link_.setFeature8(frame::kRemoteReadPrelude);
    int readBack = -1;
    for (int cycle = 0; cycle < kVerifiedWriteCycles; ++cycle) {
        link_.RemoteWrite(remote::kWrtEeprom, address, value);
        link_.clock().sleepMs(kEepromProgramMs);
        readBack = link_.RemoteRead(remote::kRdEeprom, address);
        if (readBack == value)
            return readBack;
    }
    // A read-back that failed has said why already; the first failure is the one kept.
    char text[48];
    std::snprintf(text, sizeof text, "read back 0x%02X after %d writes", readBack & 0xFF,
                  kVerifiedWriteCycles);
    link_.fail(LinkFailure::Kind::NotConfirmed, text);
    return readBack;
}

void TransmitterOperations::enterAccess(bool withLed) {
    if (link_.ActiveDevice != nullptr)
        send(remote::enterAccess(withLed));
}

void TransmitterOperations::leaveAccess() {
    if (link_.ActiveDevice != nullptr)
        send(remote::leaveAccess());
}

} // namespace rfbind
