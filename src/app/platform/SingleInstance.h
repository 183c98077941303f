// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

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
};

} // namespace rfbind::app
