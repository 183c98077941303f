// SPDX-License-Identifier: MIT
#include "SoakLedger.h"

#include "commands/ReceiverEepromMap.h"
#include "commands/TransmitterEepromMap.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>

#include <set>

namespace rfbind::soak {

namespace {

QString hexBytes(const std::vector<int>& bytes) {
    QString text;
    for (int b : bytes)
        text += QString("%1").arg(b & 0xFF, 2, 16, QChar('0')).toUpper();
    return text;
}

std::vector<int> intArray(const QJsonObject& unit, const char* key) {
    std::vector<int> out;
    for (const auto& v : unit.value(key).toArray())
        out.push_back(v.toInt());
    return out;
}

} // namespace

QString onAir(const QString& radioId) {
    return QString("%1").arg(radioId.toUInt(nullptr, 16) | 0x800000u, 6, 16, QChar('0')).toUpper();
}

std::optional<LoggedUnit> ParseLogLine(const QString& line) {
    static const QRegularExpression format(
        "^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d),([0-9A-F]{6}),([0-9A-F]{12}),([0-9A-F]{12})$");
    const auto m = format.match(line);
    if (!m.hasMatch())
        return std::nullopt;
    return LoggedUnit{line, m.captured(1), m.captured(2), m.captured(3), m.captured(4)};
}

EepromNumbers ReadEepromNumbers(const QJsonObject& unit) {
    EepromNumbers n;
    const auto rx = intArray(unit, "rx_eeprom");
    const auto tx = intArray(unit, "tx_eeprom");
    if (rx.size() != rxeeprom::kWordCount || tx.size() != txeeprom::kByteCount) {
        n.problem = "the report has no complete EEPROM images";
        return n;
    }
    auto rxBytes = [&](int first) {
        std::vector<int> bytes;
        for (int w = first; w < first + 3; ++w) {
            const auto word = static_cast<std::uint16_t>(rx[static_cast<std::size_t>(w)]);
            if (!rxeeprom::isComplementWord(word))
                n.problem = QString("receiver word %1 is not a complement word").arg(w);
            bytes.push_back(rxeeprom::complementWordByte(word));
        }
        return bytes;
    };
    auto txBytes = [&](int first, int count) {
        return std::vector<int>(tx.begin() + first, tx.begin() + first + count);
    };
    n.rxRadioId = hexBytes(rxBytes(rxeeprom::kDongleMseAd0));
    n.rxPartnerId = hexBytes(rxBytes(rxeeprom::kTxRadioIdFirst));
    n.txRadioId = hexBytes(txBytes(txeeprom::kOwnRadioId, 3));
    n.txPartnerId = hexBytes(txBytes(txeeprom::kPartnerRadioId, 3));
    std::vector<int> rxSerial;
    for (int w = rxeeprom::kSerialFirst; w < rxeeprom::kSerialFirst + 3; ++w) {
        rxSerial.push_back(rx[static_cast<std::size_t>(w)] >> 8);
        rxSerial.push_back(rx[static_cast<std::size_t>(w)]);
    }
    n.rxSerial = hexBytes(rxSerial);
    n.txSerial = hexBytes(txBytes(txeeprom::kSerialFirst, 6));
    return n;
}

void SoakLedger::readLogs(const QString& logFolder) {
    logged_.clear();
    torn_.clear();
    const QDir dir(logFolder);
    for (const QString& name : dir.entryList({"*.txt"}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) {
            torn_ << name + ": cannot be read";
            continue;
        }
        const QByteArray data = f.readAll();
        QList<QByteArray> lines = data.split('\n');
        // A complete file ends with CR LF, which leaves one empty piece after the last "\n".
        const QByteArray tail = lines.takeLast();
        if (!tail.isEmpty())
            torn_ << name + ": ends inside a line: " + QString::fromLatin1(tail);
        for (const QByteArray& raw : lines) {
            const QString line = QString::fromLatin1(raw);
            const auto parsed = line.endsWith('\r') ? ParseLogLine(line.chopped(1)) : std::nullopt;
            if (parsed)
                logged_.push_back(*parsed);
            else
                torn_ << name + ": " + line;
        }
    }
}

int SoakLedger::reportedPasses() const {
    int n = 0;
    for (const auto& u : reported_)
        n += u.value("result").toString() == "PASS";
    return n;
}

int SoakLedger::unverifiedLines() const {
    std::set<QString> reportedLines;
    for (const auto& u : reported_)
        if (u.value("log_line").isString())
            reportedLines.insert(u.value("log_line").toString());
    int n = 0;
    for (const auto& l : logged_)
        n += reportedLines.count(l.line) == 0;
    return n;
}

QStringList SoakLedger::faults() const {
    QStringList out;
    for (const QString& t : torn_)
        out << "torn log line: " + t;

    // A number handed out twice is the fault the whole numbering exists to prevent.
    auto checkUnique = [&](const char* what, auto field) {
        std::map<QString, QString> seen;
        for (const auto& l : logged_) {
            const QString value = field(l);
            auto [it, fresh] = seen.emplace(value, l.line);
            if (!fresh)
                out << QString("%1 %2 logged twice: \"%3\" and \"%4\"")
                           .arg(what, value, it->second, l.line);
        }
    };
    // Both devices carry the ID with its top bit set, so IDs that differ only there would
    // pair a receiver with another unit's transmitter.
    checkUnique("radio ID", [](const LoggedUnit& l) { return onAir(l.radioId); });
    checkUnique("receiver serial number", [](const LoggedUnit& l) { return l.rxSerial; });
    checkUnique("transmitter serial number", [](const LoggedUnit& l) { return l.txSerial; });

    std::map<QString, const QJsonObject*> byLine;
    std::map<QString, QString> txIds;
    for (const auto& u : reported_) {
        const bool passed = u.value("result").toString() == "PASS";
        const bool logged = u.value("log_line").isString();
        if (passed != logged)
            out << QString("unit reported as %1 %2 a log line")
                       .arg(u.value("result").toString(), logged ? "with" : "without");
        if (logged)
            byLine[u.value("log_line").toString()] = &u;
    }
    for (const auto& l : logged_) {
        const auto found = byLine.find(l.line);
        if (found == byLine.end())
            continue; // unverified: counted, not a fault
        const EepromNumbers n = ReadEepromNumbers(*found->second);
        QStringList wrong;
        if (!n.problem.isEmpty())
            wrong << n.problem;
        if (n.rxRadioId != onAir(l.radioId))
            wrong << "receiver radio ID " + n.rxRadioId;
        if (n.txPartnerId != onAir(l.radioId))
            wrong << "transmitter's partner ID " + n.txPartnerId;
        if (n.rxPartnerId != n.txRadioId)
            wrong << "receiver's partner ID " + n.rxPartnerId + " against transmitter ID " +
                         n.txRadioId;
        if (n.rxSerial != l.rxSerial)
            wrong << "receiver serial number " + n.rxSerial;
        if (n.txSerial != l.txSerial)
            wrong << "transmitter serial number " + n.txSerial;
        if (!wrong.isEmpty())
            out << "logged \"" + l.line + "\" but the EEPROMs hold: " + wrong.join("; ");
        // The transmitter's ID is not logged; it must not repeat either.
        auto [it, fresh] = txIds.emplace(n.txRadioId, l.line);
        if (!fresh)
            out << QString("transmitter radio ID %1 given to \"%2\" and \"%3\"")
                       .arg(n.txRadioId, it->second, l.line);
    }
    return out;
}

LineVerdict CheckLinePasses(const std::vector<QJsonObject>& reported,
                            const std::vector<StoredPass>& stored) {
    const auto digits = [](QString serial) { return serial.remove('-').toUpper(); };
    std::map<QString, std::vector<const StoredPass*>> byRxSerial;
    for (const auto& p : stored)
        byRxSerial[digits(p.rxSerial)].push_back(&p);

    LineVerdict verdict;
    std::set<QString> reportedSerials;
    for (const auto& unit : reported) {
        if (unit.value("result").toString() != "PASS")
            continue;
        const EepromNumbers n = ReadEepromNumbers(unit);
        const QString name = "unit " + n.rxSerial;
        reportedSerials.insert(n.rxSerial);
        if (!n.problem.isEmpty()) {
            verdict.faults << name + ": " + n.problem;
            continue;
        }
        const auto found = byRxSerial.find(n.rxSerial);
        const auto count = found == byRxSerial.end() ? 0 : found->second.size();
        if (count != 1) {
            verdict.faults << QString("%1 passed and is stored %2 times").arg(name).arg(count);
            continue;
        }
        const StoredPass& p = *found->second.front();
        QStringList wrong;
        if (digits(p.txSerial) != n.txSerial)
            wrong << "transmitter serial number " + p.txSerial + " against " + n.txSerial;
        if (onAir(p.rxRadioId) != onAir(n.rxRadioId))
            wrong << "receiver radio ID " + p.rxRadioId + " against " + n.rxRadioId;
        if (onAir(p.txRadioId) != onAir(n.txRadioId))
            wrong << "transmitter radio ID " + p.txRadioId + " against " + n.txRadioId;
        if (n.rxPartnerId != n.txRadioId || n.txPartnerId != n.rxRadioId)
            wrong << "the EEPROMs are not paired with each other";
        if (!wrong.isEmpty())
            verdict.faults << name + " is stored with other numbers: " + wrong.join("; ");
        else
            ++verdict.verified;
    }
    for (const auto& [serial, passes] : byRxSerial)
        if (!reportedSerials.count(serial))
            verdict.unverified += static_cast<int>(passes.size());
    return verdict;
}

} // namespace rfbind::soak
