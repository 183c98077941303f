// SPDX-License-Identifier: MIT
#include "benchapp/UnitTally.h"

#include "bench/Bench.h"
#include "numbering/OnAirId.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <algorithm>

namespace rfbind::app {

namespace {

template <class Container> QJsonArray toArray(const Container& values) {
    QJsonArray a;
    for (auto v : values)
        a.append(static_cast<int>(v));
    return a;
}

template <class T> double median(std::vector<T> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? static_cast<double>(v[n / 2]) : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

} // namespace

QStringList todaysLogLines() {
    QFile f(QDir::current().filePath("Log/" + QDate::currentDate().toString("yyyy-MM-dd") +
                                     ".txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
}

void UnitTally::addDevices(QJsonObject& line, const bench::Bench& bench) {
    const auto& rx = bench.receiver();
    const auto& tx = bench.mouse();
    // The receiver keeps its radio ID in the high bytes of words 0..2, the mouse in bytes 8..10.
    std::uint32_t rxId = 0, txId = 0;
    for (int i = 0; i < 3; ++i) {
        rxId = rxId << 8 | static_cast<std::uint32_t>(rx.eeprom()[i] >> 8);
        txId = txId << 8 | tx.eeprom()[8 + i];
    }
    line["rx_radio_id"] = QString::fromStdString(radioIdText(rxId));
    line["tx_radio_id"] = QString::fromStdString(radioIdText(txId));
    line["rx_eeprom"] = toArray(rx.eeprom());
    line["tx_eeprom"] = toArray(tx.eeprom());
    line["rx_rfic"] = toArray(rx.radioChipRegisters());
    line["tx_rfic"] = toArray(tx.radioChipRegisters());
}

void UnitTally::unitEnded(QJsonObject& line, const QString& result,
                          const std::optional<RunOutcome>& outcome, qint64 cycleMs,
                          long long sleptMs, QTextStream& out) {
    const bool passed = result == "PASS";
    if (outcome && !outcome->passed) {
        line["fail_step"] = QString::fromStdString(outcome->failStep);
        QJsonObject reason;
        reason["code"] = QString::fromStdString(std::string(failReasonCode(outcome->reason)));
        reason["text"] = QString::fromStdString(outcome->reasonText());
        line["fail_reason"] = reason;
        const QString code = reason["code"].toString();
        failuresByReason_[code.isEmpty() ? QStringLiteral("unknown") : code] += 1;
    } else if (!outcome && !passed) {
        // A unit the station never ended (the bench gave up on it) failed for no known reason.
        failuresByReason_[QStringLiteral("unknown")] += 1;
    }
    out << QJsonDocument(line).toJson(QJsonDocument::Compact) << '\n';
    out.flush();
    (passed ? passed_ : failed_)++;
    cycleMs_.push_back(cycleMs);
    sleepMs_.push_back(sleptMs);
}

void UnitTally::stalled(qint64 ms) {
    maxStallMs_ = std::max(maxStallMs_, ms);
}

QJsonObject UnitTally::summary(qint64 spanMs) const {
    QJsonObject s;
    s["units"] = passed_ + failed_;
    s["passed"] = passed_;
    s["failed"] = failed_;
    QJsonObject reasons;
    for (auto it = failuresByReason_.cbegin(); it != failuresByReason_.cend(); ++it)
        reasons[it.key()] = it.value();
    s["failures_by_reason"] = reasons;
    s["median_cycle_ms"] = median(cycleMs_);
    s["median_sleep_ms"] = median(sleepMs_);
    s["max_ui_stall_ms"] = maxStallMs_;
    // The longest time a processor ran nothing of this program, not even a thread that only
    // sleeps (a busy machine, or a virtual machine's host holding it back): a window stall
    // about as long is the machine's, not the station's.
    s["longest_machine_stall_ms"] = static_cast<qint64>(machine_.longest());
    s["units_per_hour"] = spanMs > 0 ? (passed_ + failed_) * 3600000.0 / static_cast<double>(spanMs)
                                     : 0.0;
    return s;
}

} // namespace rfbind::app
