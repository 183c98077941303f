// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

namespace rfbind::soak {

/// One line of the day's production log, split into its fields.
struct LoggedUnit {
    QString line;
    QString timestamp;
    QString radioId;
    QString rxSerial;
    QString txSerial;
};

/// The numbers a unit's EEPROMs hold, read back from the bench's report of the unit.
struct EepromNumbers {
    QString rxRadioId;      ///< the receiver's own radio ID
    QString rxPartnerId;    ///< the transmitter ID the receiver was paired with
    QString txRadioId;      ///< the transmitter's own radio ID
    QString txPartnerId;    ///< the receiver ID the transmitter was paired with
    QString rxSerial;
    QString txSerial;
    QString problem;        ///< a field that is not stored the way the station writes it
};

/// Parses a log line "YYYY-MM-DD hh:mm:ss,RADIOID,RXSERIAL,TXSERIAL"; nothing when the line is
/// torn or malformed.
std::optional<LoggedUnit> ParseLogLine(const QString& line);

/// The radio ID as both EEPROMs hold it: the logged six digits with the top bit set.
QString onAir(const QString& radioId);

/// Decodes the numbers from a unit line's "rx_eeprom" and "tx_eeprom".
EepromNumbers ReadEepromNumbers(const QJsonObject& unit);

/// A passed unit as the line's database stores it (serial numbers as "5258-00000001" or
/// without the dash, radio IDs as drawn, with or without the top bit).
struct StoredPass {
    QString rxSerial;
    QString txSerial;
    QString rxRadioId;
    QString txRadioId;
};

/// What the line soak finds when it holds the units its stations reported against the passes
/// the database stores.
struct LineVerdict {
    QStringList faults;  ///< a reported PASS stored never or twice, or with other numbers
    int verified = 0;    ///< stored passes compared with their unit's EEPROMs
    /// Stored passes no report matches: the station was killed between the attempt's journal
    /// line and its report of the unit, so its EEPROMs cannot be compared.
    int unverified = 0;
};

/// Every reported PASS must be stored exactly once, with the numbers the unit's EEPROMs hold
/// (matched on the receiver's serial number, which the line hands out once), and the EEPROMs
/// must hold a consistent pair.
LineVerdict CheckLinePasses(const std::vector<QJsonObject>& reported,
                            const std::vector<StoredPass>& stored);

/// Everything the soak learns: the units the station reported and the lines it logged, and
/// the verdicts over them.
class SoakLedger {
public:
    void addReportedUnit(const QJsonObject& unit) { reported_.push_back(unit); }

    /// Reads every day's log file in `logFolder`. Lines that are torn (no CR LF at the end of
    /// the file, or not in the log's format) go to `tornLines`.
    void readLogs(const QString& logFolder);

    /// One line per fault found: a number logged twice, a logged unit whose EEPROMs hold
    /// other numbers, a passed unit without its log line, a torn line.
    QStringList faults() const;

    int reportedUnits() const { return static_cast<int>(reported_.size()); }
    int reportedPasses() const;
    int loggedUnits() const { return static_cast<int>(logged_.size()); }
    /// Logged lines no report matches: the station was killed between writing the line and
    /// reporting the unit, so the EEPROMs cannot be compared (the numbers still count for
    /// duplicates).
    int unverifiedLines() const;
    int verifiedLines() const { return loggedUnits() - unverifiedLines(); }
    const QStringList& tornLines() const { return torn_; }

private:
    std::vector<QJsonObject> reported_;
    std::vector<LoggedUnit> logged_;
    QStringList torn_;
};

} // namespace rfbind::soak
