// SPDX-License-Identifier: MIT
#pragma once

#include "bench/BenchOptions.h"
#include "bench/hidraw/HidrawFaults.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace rfbind::app {

/// What `rfbind-bench` was asked to do.
struct BenchCommandLine {
    bool headless = false;
    int units = 0;
    /// Interactive: Go is pressed once the station is up, so a unit is being programmed
    /// without anyone at the window (with --latency, for as long as one likes).
    bool go = false;
    /// "eng", "cht" or "chs": stored as the operator's choice before the window starts.
    QString language;
    QString screenshot;
    std::uint32_t seed = 1;
    /// "--version" without a number: print the program's version and end.
    bool printVersion = false;
    /// The line's database and this station's name on it, overriding Line.ini.
    QString lineDatabase;
    QString lineStation;
    bench::BenchOptions bench;
    /// How the station reaches the bench: in process (direct), or through emulated hidraw
    /// nodes and its real Linux backend (hidraw).
    enum class Transport { Direct, Hidraw } transport = Transport::Direct;
    bench::HidrawFaults hidraw;
    /// A gang bench: this many slots, each a box of its own (1: a bench of one unit, as
    /// before), and the faults given to one slot only (--slot-fault K:FAULT, applied on top of
    /// the bench options every slot has).
    int slotCount = 1;
    std::vector<std::pair<int, QString>> slotFaults;

    /// The bench options of slot `slot` (1-based) of a gang bench: its receiver on port
    /// "1-1.K" of the hub, its own faults added.
    bench::BenchOptions slotBench(int slot) const;

    /// Parses the arguments after the program name. On a mistake returns nothing and puts a
    /// message for the user into `error`.
    static std::optional<BenchCommandLine> parse(const QStringList& arguments, QString& error);
    static QString usage();
};

} // namespace rfbind::app
