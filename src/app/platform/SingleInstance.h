// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace rfbind::app {

/// The newest copy of the station wins: a newly started copy ends every older copy of itself.
/// An older copy is asked to close first, as an operator closing its window would (a unit it
/// is programming ends as FAIL "cancelled" with its journal line, the settings are saved);
/// only a copy that has not ended after kCloseGraceMs is ended at once. The newest copy goes
/// on starting only once the older copies are gone, so two copies never hold the receiver.
class SingleInstance {
public:
    /// The environment variable that names a copy's identity: only copies of the same
    /// identity count as copies of each other. Unset (or empty) is the identity every station
    /// has; the suite gives its copies identities of their own, so that it never ends a
    /// station someone is using on the same machine.
    static constexpr const char* kIdentityVariable = "RFBIND_INSTANCE";
    /// How long an older copy has to end through its close path (its run stops at its next
    /// step, its journal line and settings are written) before it is ended at once.
    static constexpr int kCloseGraceMs = 5000;
    /// How long the newest copy then waits for a copy ended at once to be gone.
    static constexpr int kKilledWaitMs = 2000;

    /// File-name part of this process's executable, e.g. "rfbind".
    static QString currentExecutableName();

    /// This process's identity (see kIdentityVariable); empty for the default one.
    static QString currentIdentity();

    /// The identity of the process `pid`, as it was started; nothing when its environment
    /// cannot be read (another user's process, a process that just ended).
    static std::optional<QString> identityOf(qint64 pid);

    /// The command-line arguments, after the program name, of the process `pid`; nothing
    /// when they cannot be read.
    static std::optional<QStringList> argumentsOf(qint64 pid);

    /// What became of the older copies.
    struct Ended {
        int closed = 0; ///< ended through their close path within the grace period
        int killed = 0; ///< ended at once after the grace period
        int stuck = 0;  ///< still there after all the waiting (should never happen)
    };

    /// Ends every other process of the current user whose executable file name equals `name`
    /// (letter case ignored) and whose identity equals this process's; never the calling
    /// process. With `counts`, only the copies for which it returns true, given the copy's
    /// command-line arguments after the program name (a copy whose arguments cannot be read
    /// is left alone). Processes that cannot be inspected or signalled are skipped silently.
    /// Returns once every copy it signalled is gone, or after at most `graceMs` plus
    /// kKilledWaitMs.
    static Ended endOtherCopies(const QString& name,
                                const std::function<bool(const QStringList&)>& counts = {},
                                int graceMs = kCloseGraceMs);
};

} // namespace rfbind::app
