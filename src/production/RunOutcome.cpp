// SPDX-License-Identifier: MIT
#include "production/RunOutcome.h"

#include "settings/Lang.h"

#include <array>

namespace rfbind {

namespace {

struct ReasonRow {
    FailReason reason;
    std::string_view code;
    int messageId;
};

// The message ids follow the station's message table; the texts live there, in all three
// languages, so the English one of the journal and the operator's one cannot drift apart.
constexpr std::array<ReasonRow, 14> kReasons{{
    {FailReason::NoReceiver, "no_receiver", 60},
    {FailReason::ReceiverNotAnswering, "receiver_not_answering", 61},
    {FailReason::TransmitterNotAnswering, "transmitter_not_answering", 62},
    {FailReason::TxEepromWrite, "tx_eeprom_write", 63},
    {FailReason::RxEepromWrite, "rx_eeprom_write", 64},
    {FailReason::NoFinalLink, "no_final_link", 65},
    {FailReason::KeyboardTimeout, "keyboard_timeout", 66},
    {FailReason::MousePairedInstead, "mouse_paired_instead", 67},
    {FailReason::ReceiverPulled, "receiver_pulled", 68},
    {FailReason::RecipeRefused, "recipe_refused", 69},
    {FailReason::Cancelled, "cancelled", 70},
    {FailReason::LineOffline, "line_offline", 73},
    {FailReason::LineUnusable, "line_unusable", 74},
    {FailReason::LeaseReclaimed, "lease_reclaimed", 75},
}};

const ReasonRow* row(FailReason reason) {
    for (const ReasonRow& r : kReasons)
        if (r.reason == reason)
            return &r;
    return nullptr;
}

} // namespace

std::string_view failReasonCode(FailReason reason) {
    const ReasonRow* r = row(reason);
    return r ? r->code : std::string_view{};
}

int failReasonMessageId(FailReason reason) {
    const ReasonRow* r = row(reason);
    return r ? r->messageId : -1;
}

std::string composeFailReason(std::string message, const std::string& detail,
                              const std::string& cause) {
    if (const auto at = message.find("%1"); at != std::string::npos)
        message.replace(at, 2, detail);
    if (!cause.empty())
        message += ": " + cause;
    return message;
}

std::string failReasonText(FailReason reason, const std::string& detail, const std::string& cause) {
    const int id = failReasonMessageId(reason);
    const char* text = id < 0 ? nullptr : MessageText(id, lkEng);
    if (text == nullptr)
        return {};
    return composeFailReason(text, detail, cause);
}

std::string RunOutcome::reasonText() const {
    return passed ? std::string() : failReasonText(reason, detail, cause);
}

} // namespace rfbind
