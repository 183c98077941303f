// SPDX-License-Identifier: MIT
#pragma once

#include "benchapp/UnitTally.h"

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

class QLabel;
class QTextStream;

namespace rfbind::bench {
class Bench;
}

namespace rfbind::app {

class CountingClock;
class TForm1;

/// A headless bench run: for each unit puts a fresh unit on the bench, presses PageDown, plays
/// the operator (moves the mouse while the result label asks for "Move", presses the
/// keyboard's bind button while it asks for "Wait"), waits for the cycle to end and prints one
/// JSON line for the unit; finally one summary line.
class HeadlessRun : public QObject {
    Q_OBJECT

public:
    HeadlessRun(TForm1& form, bench::Bench& bench, CountingClock& stationClock,
                std::uint32_t seed, QTextStream& out);

    void runUnits(int units);
    void printSummary();

protected:
    /// Notes the result on show when the run gives Go back.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runUnit(int unit);
    void heartbeat();

    TForm1& form_;
    bench::Bench& bench_;
    CountingClock& clock_;
    std::uint32_t seed_;
    QTextStream& out_;
    QLabel* lblResult_;

    QTimer heartbeat_;
    QElapsedTimer sinceBeat_;
    bool inCycle_ = false;
    bool bindPressed_ = false;
    /// What showed when Go was given back during the cycle: result, receiver and transmitter
    /// serial numbers. A device change the station takes after the run may clear them before
    /// the unit's end is reported.
    std::optional<QStringList> shownAtGo_;
    QStringList shown() const;
    bool goTaken_ = false;
    /// From the first unit's key press to the last unit's end, for the units per hour.
    QElapsedTimer wall_;
    qint64 lastEndMs_ = 0;
    UnitTally tally_;
};

} // namespace rfbind::app
