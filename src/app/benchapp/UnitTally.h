// SPDX-License-Identifier: MIT
#pragma once

#include "benchapp/MachineStalls.h"
#include "production/RunOutcome.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QTextStream;

namespace rfbind::bench {
class Bench;
}

namespace rfbind::app {

/// Lines of today's production log in the working folder (none while there is no log).
QStringList todaysLogLines();

/// What a headless bench run reports of its units, one station or a gang alike: the unit's
/// JSON line gets what the box's devices hold and how the unit ended; the summary line counts
/// the units, their failures by reason, the median cycle and pauses, the longest stall of the
/// window and of the machine, and the units per hour over the span the caller measured.
class UnitTally {
public:
    /// What the box's receiver and mouse hold after the unit: the radio IDs in their EEPROMs,
    /// both EEPROMs, both radio chips. The caller holds the bench.
    static void addDevices(QJsonObject& line, const bench::Bench& bench);

    /// A unit ended with `result` (as the window shows it) and the station's `outcome`: adds
    /// its fail step and reason to `line`, writes the line, and counts the unit.
    void unitEnded(QJsonObject& line, const QString& result,
                   const std::optional<RunOutcome>& outcome, qint64 cycleMs, long long sleptMs,
                   QTextStream& out);
    /// The window's event loop was kept from running for `ms`.
    void stalled(qint64 ms);

    /// The summary's fields, units per hour over `spanMs`; the caller adds its own and
    /// writes it.
    QJsonObject summary(qint64 spanMs) const;

private:
    int passed_ = 0;
    int failed_ = 0;
    std::vector<qint64> cycleMs_;
    std::vector<long long> sleepMs_;
    QMap<QString, int> failuresByReason_;
    qint64 maxStallMs_ = 0;
    /// How long the machine held a processor back, for reading the stalls above.
    MachineStalls machine_;
};

} // namespace rfbind::app
