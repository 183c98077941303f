// SPDX-License-Identifier: MIT
#pragma once

#include "link/Frame.h"
#include "link/ReceiverLink.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rfbind {

/// Pairing a transmitter with the selected receiver from the PC: the reads of the IDs the
/// receiver reports, the bind command and the verdict of one watch tick. The window keeps the
/// state (previous IDs, tick count, timer) and shows the result; everything here is stateless.
///
/// Failure contract: the reads never set CommError and never throw; a receiver that stops
/// answering is reported as "lost" (no IDs). They sleep through the link's clock and do not
/// let window messages run.
class SoftBinding {
public:
    /// The answer to the ID query 01 09: radio channel, mouse ID, keyboard ID.
    struct Ids {
        std::uint8_t channel = 0;
        std::uint8_t mouseId = 0;
        std::uint8_t keyboardId = 0;
        friend bool operator==(const Ids&, const Ids&) = default;
    };

    /// A tick that needs this many read attempts has lost the receiver (19 real attempts).
    static constexpr int kLostAttempt = 20;
    /// The binding times out on this tick.
    static constexpr int kTimeoutTick = 16;
    /// The watch looks once a second.
    static constexpr int kWatchIntervalMs = 1000;
    /// The receiver's answer to the pairing-status query while pairing / otherwise.
    static constexpr std::uint8_t kPairingStatus = 0x33;
    static constexpr std::uint8_t kIdleStatus = 0xBB;
    /// Status queries made per tick before the tick gives up waiting for either status.
    static constexpr int kStatusQueries = 10;

    /// The IDs of an answer, or nothing when its channel byte lies outside 2..82 (the only
    /// mark of a valid answer to this query).
    static std::optional<Ids> parse(const Frame& answer);

    /// What the binding start read: the IDs of the last valid answer once two successive
    /// valid answers agreed on the mouse ID, and the exchange buffer as it was left (the bind
    /// command carries its last three bytes on).
    struct StartRead {
        std::optional<Ids> ids; ///< nothing: no stable answer within the attempts (receiver lost)
        Frame buffer{};
    };
    /// Reads until two successive valid answers carry the same mouse ID, at most 19 attempts.
    static StartRead readAtStart(ReceiverLink& link);

    /// What one watch tick read.
    struct TickRead {
        bool lost = false;       ///< the 20th attempt was reached
        std::optional<Ids> ids;  ///< the last valid answer of this tick; nothing when none came
        std::vector<std::string> debugLines; ///< "*1*…" / "*2*…" lines, in order
    };
    /// The reads of tick number `bindTicks`: attempts of two queries until the two mouse IDs
    /// noted (both starting at 0) are equal, or the attempt limit.
    static TickRead readTick(ReceiverLink& link, int bindTicks);

    /// Bind command: 01 08 00 01 00 followed by bytes 5..7 of the last ID answer, which the
    /// receiver does not look at.
    static Frame bindCommand(const Frame& lastAnswer);

    enum class Verdict {
        Watching,   ///< nothing yet; the watch goes on
        Paired,     ///< the IDs changed: a transmitter has paired
        TimedOut,   ///< the sixteenth tick without a change
        EndedLate,  ///< a tick after a sixteenth tick that ended early: the watch stops
    };
    /// The verdict of a tick. A binding by the operator succeeds on any changed ID; a
    /// keyboard binding by the programming run only on a changed keyboard ID, so a mouse
    /// that pairs in its place does not count. A tick without a valid answer changes nothing.
    static Verdict judge(bool fromRun, int prevMouseId, int prevKeyboardId,
                         const std::optional<Ids>& current, int bindTicks);

    /// True when a receiver word read (-1 after a failed read) is a complement word.
    static bool validKeyboardWord(int word);

    /// Debug lines: "**%d--preMseID-%X--preKbdID-%X--channel-%d" at the start, "*1*…" and
    /// "*2*…" with NowMseID/NowKbdID for the two reads of a tick (`which` 1 or 2).
    static std::string startLine(int bindTicks, const Ids& ids);
    static std::string readLine(int which, int bindTicks, const Ids& ids);
};

} // namespace rfbind
