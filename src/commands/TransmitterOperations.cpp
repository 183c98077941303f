// SPDX-License-Identifier: MIT
#include "commands/TransmitterOperations.h"

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
    link_.CommError = true;
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
