// SPDX-License-Identifier: MIT
#include "production/SoftBinding.h"

#include "commands/ReceiverEepromMap.h"
#include "commands/ReceiverFrames.h"

#include <cstdio>

namespace rfbind {

namespace {

constexpr std::uint8_t kLowestChannel = 0x02;
constexpr std::uint8_t kHighestChannel = 0x52;

// Pauses the receiver needs between a query and its answer, and between two queries.
constexpr int kStartAnswerMs = 10;
constexpr int kStartGapMs = 10;
constexpr int kStartSecondAnswerMs = 2;
constexpr int kTickAnswerMs = 10;
constexpr int kTickGapMs = 5;

/// Sends the ID query and fetches its answer into `buffer`; the valid IDs, or nothing after a
/// failed transfer or an invalid answer.
std::optional<SoftBinding::Ids> query(ReceiverLink& link, Frame& buffer, int answerMs) {
    buffer = receiver::linkQuery();
    if (!link.setFeature(buffer))
        return std::nullopt;
    link.clock().sleepMs(answerMs);
    if (!link.getFeature(buffer))
        return std::nullopt;
    return SoftBinding::parse(buffer);
}

std::string line(const char* format, int ticks, const SoftBinding::Ids& ids) {
    char text[96];
    std::snprintf(text, sizeof text, format, ticks, static_cast<unsigned>(ids.mouseId),
                  static_cast<unsigned>(ids.keyboardId), static_cast<int>(ids.channel));
    return text;
}

} // namespace

std::optional<SoftBinding::Ids> SoftBinding::parse(const Frame& answer) {
    if (answer[0] < kLowestChannel || answer[0] > kHighestChannel)
        return std::nullopt;
    return Ids{answer[0], answer[receiver::kLinkMouseIdPos], answer[receiver::kLinkKeyboardIdPos]};
}

SoftBinding::StartRead SoftBinding::readAtStart(ReceiverLink& link) {
    StartRead r;
    // Unequal until both have been noted: only two valid answers can end the reading.
    int first = -1;
    int second = -2;
    std::optional<Ids> lastValid;
    for (int attempt = 1; attempt < kLostAttempt; ++attempt) {
        if (const auto ids = query(link, r.buffer, kStartAnswerMs)) {
            first = ids->mouseId;
            lastValid = ids;
            link.clock().sleepMs(kStartGapMs);
            if (const auto again = query(link, r.buffer, kStartSecondAnswerMs)) {
                second = again->mouseId;
                lastValid = again;
            }
        }
        if (first == second) {
            r.ids = lastValid;
            return r;
        }
    }
    return r;
}

SoftBinding::TickRead SoftBinding::readTick(ReceiverLink& link, int bindTicks) {
    TickRead r;
    Frame buffer{};
    int first = 0;
    int second = 0;
    for (int attempt = 1;; ++attempt) {
        if (attempt == kLostAttempt) {
            r.lost = true;
            return r;
        }
        if (const auto ids = query(link, buffer, kTickAnswerMs)) {
            first = ids->mouseId;
            r.ids = ids;
            r.debugLines.push_back(readLine(1, bindTicks, *ids));
            link.clock().sleepMs(kTickGapMs);
            if (const auto again = query(link, buffer, kTickAnswerMs)) {
                second = again->mouseId;
                r.ids = again;
                r.debugLines.push_back(readLine(2, bindTicks, *again));
            }
        }
        // Equal values end the reading, also after an attempt that ended early; a tick that
        // got no valid answer at all then carries no IDs and cannot be taken for a change.
        if (first == second)
            return r;
    }
}

Frame SoftBinding::bindCommand(const Frame& lastAnswer) {
    Frame f = frame::receiver(receiver::kSubCommand, 0x00, 0x01, 0x00);
    f[5] = lastAnswer[5];
    f[6] = lastAnswer[6];
    f[7] = lastAnswer[7];
    return f;
}

SoftBinding::Verdict SoftBinding::judge(bool fromRun, int prevMouseId, int prevKeyboardId,
                                        const std::optional<Ids>& current, int bindTicks) {
    if (current) {
        const bool keyboardChanged = current->keyboardId != prevKeyboardId;
        const bool mouseChanged = current->mouseId != prevMouseId;
        if (keyboardChanged || (!fromRun && mouseChanged))
            return Verdict::Paired;
    }
    if (bindTicks == kTimeoutTick)
        return Verdict::TimedOut;
    if (bindTicks > kTimeoutTick)
        return Verdict::EndedLate;
    return Verdict::Watching;
}

bool SoftBinding::validKeyboardWord(int word) {
    return word >= 0 && word <= 0xFFFF && rxeeprom::isComplementWord(static_cast<std::uint16_t>(word));
}

std::string SoftBinding::startLine(int bindTicks, const Ids& ids) {
    return line("**%d--preMseID-%X--preKbdID-%X--channel-%d", bindTicks, ids);
}

std::string SoftBinding::readLine(int which, int bindTicks, const Ids& ids) {
    return line(which == 1 ? "*1*%d--NowMseID-%X--NowKbdID-%X--channel-%d"
                           : "*2*%d--NowMseID-%X--NowKbdID-%X--channel-%d",
                bindTicks, ids);
}

} // namespace rfbind
