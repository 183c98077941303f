// SPDX-License-Identifier: MIT
#pragma once

#include "production/RunOutcome.h"

#include "benchapp/UnitTally.h"

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <deque>
#include <vector>

class QTextStream;

namespace rfbind::bench {
class Bench;
}

namespace rfbind::app {

class CountingClock;
class TForm1;

/// A headless run of a gang bench: the operator serves every slot as a person walking along
/// the boxes would. When a slot's unit has ended they put a fresh unit in its box and start
/// the slot; while a slot shows "Move" they move its mouse, and when it shows "Wait" they
/// press its keyboard's bind button. One JSON line per unit as it ends (with its slot), and a
/// summary with the units per hour.
class GangHeadlessRun : public QObject {
    Q_OBJECT

public:
    /// One box: its bench, and the count of the pauses its slot's station asks for.
    struct Box {
        bench::Bench* bench = nullptr;
        CountingClock* clock = nullptr;
    };

    GangHeadlessRun(TForm1& form, std::vector<Box> boxes, std::uint32_t seed, QTextStream& out);

    /// Runs `units` units across the slots, then returns.
    void runUnits(int units);
    void printSummary();

private:
    enum class Phase { Placing, PickingUp, Running, Done };
    struct Slot {
        Box box;
        Phase phase = Phase::Done;
        int unit = 0;
        bool bindPressed = false;
        QElapsedTimer placed;
        QElapsedTimer cycle;
        long long slept0 = 0;
        std::uint64_t frames0 = 0;
        int units = 0;
    };

    void place(int slot);
    /// The operator swaps one box at a time: `slot`'s box is swapped on a later heartbeat,
    /// after the boxes already waiting for their turn.
    void placeInTurn(int slot);
    void start(int slot);
    void ended(int slot, const std::optional<RunOutcome>& outcome);
    void heartbeat();
    bool keyboardUnits() const;

    TForm1& form_;
    std::vector<Slot> slots_;
    std::uint32_t seed_;
    QTextStream& out_;
    int units_ = 0;
    int nextUnit_ = 1;

    std::deque<int> toPlace_;
    QElapsedTimer sinceSwap_;

    QTimer heartbeat_;
    QElapsedTimer sinceBeat_;
    QElapsedTimer wall_;
    qint64 firstGoMs_ = -1;
    qint64 lastEndMs_ = 0;
    int mostWaiting_ = 0;
    UnitTally tally_;
};

} // namespace rfbind::app
