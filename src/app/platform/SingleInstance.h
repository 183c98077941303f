// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace rfbind::app {

/// The newest copy of the station wins: a newly started copy ends every older copy of itself.
class SingleInstance {
public:
    /// File-name part of this process's executable, e.g. "rfbind".
    static QString currentExecutableName();

    /// Ends every other process of the current user whose executable file name equals `name`,
    /// letter case ignored; never the calling process. Processes that cannot be inspected or
    /// ended are skipped silently. Returns how many were signalled.
    static int terminateOtherCopies(const QString& name);

    /// As above, but only the copies for which `counts` returns true, given the copy's
    /// command-line arguments after the program name (a copy whose arguments cannot be read
    /// is left alone).
    static int terminateOtherCopies(const QString& name,
                                    const std::function<bool(const QStringList&)>& counts);

    /// The command-line arguments, after the program name, of the process `pid`; nothing
    /// when they cannot be read.
    static std::optional<QStringList> argumentsOf(qint64 pid);
};

} // namespace rfbind::app
