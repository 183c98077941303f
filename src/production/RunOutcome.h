// SPDX-License-Identifier: MIT
#pragma once

#include "production/RadioIdPair.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rfbind {

/// Why a unit attempt (or an erase) failed. Each reason has a stable code for files and
/// counting, an English text, and a message-table id for the operator's language.
enum class FailReason {
    None,
    NoReceiver,              ///< no receiver of the configured kind on the bus
    ReceiverNotAnswering,    ///< found, but it does not answer its link query or a read
    TransmitterNotAnswering, ///< no link to the transmitter within the link waits
    TxEepromWrite,           ///< a transmitter EEPROM byte did not read back as written
    RxEepromWrite,           ///< a receiver EEPROM word did not read back as written
    NoFinalLink,             ///< the mouse did not answer after programming (not moved?)
    KeyboardTimeout,         ///< the keyboard did not pair within the binding time
    MousePairedInstead,      ///< the mouse's ID changed while the keyboard was to pair
    ReceiverPulled,          ///< the receiver left the bus during the run
    RecipeRefused,           ///< the settings cannot be programmed; nothing was touched
    Cancelled,               ///< the station was closed during the run
    LineOffline,             ///< the line's database is unreachable and the station's lease is
                             ///< used up (or a random radio ID cannot be claimed): nothing written
    LineUnusable,            ///< a line is configured but refused (Line.ini, login, ledger)
    LeaseReclaimed,          ///< the unit was written, but a supervisor reclaimed the block its
                             ///< numbers came from meanwhile: it must not pass on them
};

/// "no_receiver", "tx_eeprom_write", … (empty for None).
std::string_view failReasonCode(FailReason reason);
/// The message-table id of the reason's short text (with "%1" where an address or detail
/// goes), or -1 for None.
int failReasonMessageId(FailReason reason);

/// How a run ended: the result, the step and reason of a failure, and the numbers the unit
/// was given. The production log line, the attempts journal and the numbering advance are
/// made from this value, never from what a window shows.
struct RunOutcome {
    bool passed = false;
    /// Short identifier of the step that failed ("link_wait", "options", …); empty on PASS.
    std::string failStep;
    FailReason reason = FailReason::None;
    /// What goes into the reason's text: an address ("0x0C"), a setting's complaint; may be
    /// empty.
    std::string detail;
    /// What the link reported of the failure behind the reason, in the system's words when a
    /// transfer failed ("feature report transfer failed (Input/output error)"); empty when the
    /// reason says it all. It follows the reason's text after ": ".
    std::string cause;

    /// The radio IDs written to the unit, once drawn (a failure before that has none).
    std::optional<RadioIdPair> ids;
    /// Serial-number texts as written to the unit (with their separators); empty when off or
    /// not reached.
    std::string rxSerial;
    std::string txSerial;

    /// The receiver the run talked to (0 when none was found).
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;

    /// Set when the unit passed but its production-log line could not be written.
    std::string logError;
    std::string logPath;

    /// The reason in English, with the detail filled in and the cause after it ("RX EEPROM
    /// word 0x0C write not confirmed: feature report transfer failed (Broken pipe)"); empty on
    /// PASS.
    std::string reasonText() const;
};

/// The English text of a reason with `detail` in place of "%1" and `cause`, if any, after it.
std::string failReasonText(FailReason reason, const std::string& detail,
                           const std::string& cause = {});

/// A reason's message text (in any language) with `detail` in place of "%1" and `cause`, if
/// any, after ": ". The window and the files compose the reason the same way.
std::string composeFailReason(std::string message, const std::string& detail,
                              const std::string& cause);

} // namespace rfbind
