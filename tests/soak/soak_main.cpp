// SPDX-License-Identifier: MIT
// The crash and fault soak: runs units through `rfbind-bench --headless` in one station
// folder, kills the station with SIGKILL at random moments (inside cycles, between them and
// in the middle of a settings write), restarts it, mixes in bench faults, and then checks
// what a line supervisor would: no serial number or radio ID logged twice, every logged unit's
// numbers in its EEPROMs, TX.ini always loadable, no torn log line.
//
//   rfbind-soak --bench PATH [--units N] [--seed S] [--work DIR] [--slots N]
//       (with --slots, a gang station: the units of a session run in several slots at once,
//       kills hit while several units run, and a bench fault goes to one slot)
//   rfbind-soak --write-settings DIR [--random-radio-ids]
//                                       (only writes the soak's TX.ini into DIR)
//   rfbind-soak --check-line STORED OUTPUT...
//       (the line soak's EEPROM check: STORED holds the database's passes, one per line as
//       "rx_serial|tx_serial|rx_radio_id|tx_radio_id"; OUTPUT the stations' headless reports)
//
// Exit status 0 when every check held.
#include "SettingsWriteTrap.h"
#include "SoakLedger.h"

#include "settings/IniFile.h"
#include "settings/StoredGenerators.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <map>
#include <optional>
#include <random>

namespace {

using rfbind::soak::SettingsWriteTrap;
using rfbind::soak::SoakLedger;

QTextStream out(stdout);
QTextStream err(stderr);

struct Options {
    QString bench;
    int units = 200;
    std::uint32_t seed = 1;
    QString work;
    /// A gang station's slots (1: a station of one receiver).
    int slotCount = 1;
};

/// How one start of the station ends and what the bench does to it.
struct SessionPlan {
    enum class Kill { None, AtRandomTime, InSettingsWrite };
    enum class Fault { None, AckLoss, PulledReceiver, TransmitterOff };
    int units = 1;
    Kill kill = Kill::None;
    int killAfterMs = 0;       ///< AtRandomTime: from the start of the process
    int killAtWrite = 1;       ///< InSettingsWrite: the n-th save of TX.ini
    Fault fault = Fault::None;
    QStringList faultArguments;
};

const char* faultName(SessionPlan::Fault f) {
    switch (f) {
    case SessionPlan::Fault::None: return "none";
    case SessionPlan::Fault::AckLoss: return "ack_loss";
    case SessionPlan::Fault::PulledReceiver: return "pulled_receiver";
    case SessionPlan::Fault::TransmitterOff: return "transmitter_off";
    }
    return "?";
}

/// The first sessions go through every kind of kill and fault once, so even a short soak
/// meets each; after that they are drawn at random.
SessionPlan planSession(int index, std::mt19937& rng, int slotCount) {
    using Kill = SessionPlan::Kill;
    using Fault = SessionPlan::Fault;
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    SessionPlan p;
    p.units = pick(1, 5);
    static const std::pair<Kill, Fault> opening[] = {
        {Kill::InSettingsWrite, Fault::None}, {Kill::AtRandomTime, Fault::None},
        {Kill::None, Fault::AckLoss},         {Kill::AtRandomTime, Fault::PulledReceiver},
        {Kill::None, Fault::TransmitterOff},  {Kill::InSettingsWrite, Fault::AckLoss},
    };
    if (index < static_cast<int>(std::size(opening))) {
        std::tie(p.kill, p.fault) = opening[index];
        p.units = std::max(p.units, 2);
    } else {
        const int k = pick(0, 99);
        p.kill = k < 30 ? Kill::None : k < 65 ? Kill::AtRandomTime : Kill::InSettingsWrite;
        const int f = pick(0, 99);
        p.fault = f < 60   ? Fault::None
                  : f < 75 ? Fault::AckLoss
                  : f < 88 ? Fault::PulledReceiver
                           : Fault::TransmitterOff;
    }
    // A cycle takes a little over four seconds; a kill anywhere in the session's span hits
    // start-up, the middle of a cycle or the gap between two. On a gang station the session's
    // span holds as many rounds, each of a unit per slot.
    p.killAfterMs = pick(150, p.units * 4500);
    p.units *= slotCount;
    p.killAtWrite = pick(1, p.units);
    switch (p.fault) {
    case Fault::None: break;
    case Fault::AckLoss:
        p.faultArguments = {"--ack-loss", "0.1"};
        break;
    case Fault::PulledReceiver:
        p.faultArguments = {"--unplug-after", QString::number(pick(200, 4000))};
        break;
    case Fault::TransmitterOff:
        p.faultArguments = {"--tx-off"};
        break;
    }
    return p;
}

/// The station's settings for the soak: serial numbers on for both devices, both radio IDs
/// handed out in sequence.
bool writeInitialSettings(const QString& folder, bool randomRadioIds = false) {
    rfbind::IniFile ini(QDir(folder).filePath("TX.ini").toStdString());
    rfbind::TProdSN rxSN, txSN;
    for (auto* sn : {&rxSN, &txSN}) {
        sn->SetIsSN(true);
        sn->SetIsDate(false);
        sn->SetFixSNByteCount(2);
        sn->SetIncSNByteCount(4);
        sn->SetIsFixAscii(false);
        sn->SetIncInitSN(1);
    }
    rxSN.SetFixSN(0x5258); // "RX"
    txSN.SetFixSN(0x5458); // "TX"
    rfbind::TProdRFID rxID, txID;
    rxID.SetIsRandom(randomRadioIds);
    txID.SetIsRandom(randomRadioIds);
    rxID.SetIncInitRFID(0x123456);
    txID.SetIncInitRFID(0x654321);
    rfbind::StoreGenerators(ini, rxSN, txSN, rxID, txID);
    return ini.save().ok;
}

/// TX.ini must load after anything: the file reads, the four generators load without a
/// problem and are still in the modes the soak set.
QString settingsProblem(const QString& folder) {
    rfbind::IniFile ini(QDir(folder).filePath("TX.ini").toStdString());
    const auto loaded = ini.load();
    if (loaded.status != rfbind::IniLoadStatus::Loaded)
        return "TX.ini does not load: " + QString::fromStdString(loaded.error);
    const auto g = rfbind::LoadGenerators(ini);
    if (!g.problems.empty())
        return "TX.ini generator text does not load: " + QString::fromStdString(g.problems.front());
    if (!g.RxSN->IsSN() || !g.TxSN->IsSN() || g.RxRFID->IsRandom() || g.TxRFID->IsRandom())
        return "TX.ini lost the soak's numbering modes";
    return {};
}

struct SessionResult {
    bool started = true;
    bool killed = false;
    bool killedInWrite = false; ///< a temporary settings file was left behind
    bool timedOut = false;
    int unitsReported = 0;
};

SessionResult runSession(const Options& o, const QString& folder, const SessionPlan& plan,
                         std::uint32_t seed, SoakLedger& ledger) {
    SessionResult result;
    QProcess station;
    station.setWorkingDirectory(folder);
    station.setProcessChannelMode(QProcess::SeparateChannels);
    station.setStandardErrorFile(QDir(folder).filePath("station-stderr.txt"), QIODevice::Append);
    QStringList args{"--headless", "--units", QString::number(plan.units), "--language", "eng",
                     "--seed", QString::number(seed)};
    if (o.slotCount > 1) {
        // The session's fault goes to one slot of the gang, the others run clean.
        args << "--slots" << QString::number(o.slotCount);
        if (!plan.faultArguments.isEmpty()) {
            const QString slot = QString::number(seed % static_cast<std::uint32_t>(o.slotCount) + 1);
            QString fault = plan.faultArguments[0].mid(2);
            if (plan.faultArguments.size() > 1)
                fault += "=" + plan.faultArguments[1];
            args << "--slot-fault" << slot + ":" + fault;
        }
    } else {
        args += plan.faultArguments;
    }

    std::optional<SettingsWriteTrap> trap;
    if (plan.kill == SessionPlan::Kill::InSettingsWrite)
        trap.emplace(folder, "TX.ini.tmp", plan.killAtWrite);

    QByteArray pending;
    auto readLines = [&] {
        pending += station.readAllStandardOutput();
        for (int nl; (nl = pending.indexOf('\n')) >= 0; pending.remove(0, nl + 1)) {
            const auto doc = QJsonDocument::fromJson(pending.left(nl));
            if (doc.isObject() && doc.object().contains("unit")) {
                ledger.addReportedUnit(doc.object());
                ++result.unitsReported;
            }
        }
    };
    QEventLoop loop;
    QObject::connect(&station, &QProcess::readyReadStandardOutput, &loop, readLines);
    QObject::connect(&station, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&station, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    QTimer killer, watchdog;
    killer.setSingleShot(true);
    watchdog.setSingleShot(true);
    QObject::connect(&killer, &QTimer::timeout, &station, &QProcess::kill); // SIGKILL
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] {
        result.timedOut = true;
        station.kill();
    });

    station.start(o.bench, args);
    if (!station.waitForStarted(10000)) {
        err << "cannot start " << o.bench << ": " << station.errorString() << Qt::endl;
        result.started = false;
        return result;
    }
    if (trap)
        trap->arm(static_cast<pid_t>(station.processId()));
    if (plan.kill == SessionPlan::Kill::AtRandomTime)
        killer.start(plan.killAfterMs);
    watchdog.start(60000 + plan.units * 30000);
    if (station.state() != QProcess::NotRunning)
        loop.exec();
    station.waitForFinished(5000);
    readLines();
    result.killed = station.exitStatus() == QProcess::CrashExit && !result.timedOut;
    if (trap && trap->fired())
        result.killed = true;
    result.killedInWrite = result.killed && QFile::exists(QDir(folder).filePath("TX.ini.tmp"));
    return result;
}

std::optional<Options> parse(const QStringList& a) {
    Options o;
    for (int i = 1; i < a.size(); ++i) {
        const bool more = i + 1 < a.size();
        if (a[i] == "--bench" && more)
            o.bench = QFileInfo(a[++i]).absoluteFilePath(); // the station runs in another folder
        else if (a[i] == "--units" && more)
            o.units = a[++i].toInt();
        else if (a[i] == "--seed" && more)
            o.seed = a[++i].toUInt();
        else if (a[i] == "--work" && more)
            o.work = a[++i];
        else if (a[i] == "--slots" && more)
            o.slotCount = a[++i].toInt();
        else
            return std::nullopt;
    }
    if (o.bench.isEmpty() || o.units < 1 || o.slotCount < 1 || o.slotCount > 8)
        return std::nullopt;
    return o;
}

/// The line soak's last check: every PASS a station reported is in the database once, with
/// the numbers its unit's EEPROMs hold.
int checkLine(const QString& storedFile, const QStringList& outputs) {
    std::vector<rfbind::soak::StoredPass> stored;
    QFile in(storedFile);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        err << "cannot read " << storedFile << Qt::endl;
        return 2;
    }
    while (!in.atEnd()) {
        const QStringList f = QString::fromUtf8(in.readLine()).trimmed().split('|');
        if (f.size() == 4)
            stored.push_back({f[0], f[1], f[2], f[3]});
    }
    std::vector<QJsonObject> reported;
    for (const QString& output : outputs) {
        QFile f(output);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            continue; // a station that never reported a unit
        // A station killed while writing its report leaves half a line: not a unit.
        while (!f.atEnd()) {
            const auto doc = QJsonDocument::fromJson(f.readLine());
            if (doc.isObject() && doc.object().contains("unit"))
                reported.push_back(doc.object());
        }
    }
    const auto verdict = rfbind::soak::CheckLinePasses(reported, stored);
    for (const QString& fault : verdict.faults)
        out << "FAILED: " << fault << Qt::endl;
    out << "passes compared with their EEPROMs: " << verdict.verified << " of " << stored.size()
        << " (" << verdict.unverified << " stored by a station killed before it reported them)"
        << Qt::endl;
    return verdict.faults.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The line soak's stations start from the same settings as this one.
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.size() <= 4 && args[1] == "--write-settings" &&
        (args.size() == 3 || args[3] == "--random-radio-ids"))
        return writeInitialSettings(args[2], args.size() == 4) ? 0 : 2;
    if (args.size() >= 3 && args[1] == "--check-line")
        return checkLine(args[2], args.mid(3));
    const auto options = parse(app.arguments());
    if (!options) {
        err << "usage: rfbind-soak --bench PATH-TO-rfbind-bench [--units N] [--seed S] "
               "[--work DIR] [--slots N]"
            << Qt::endl;
        return 2;
    }
    const Options& o = *options;
    QTemporaryDir temporary;
    const QString folder = o.work.isEmpty() ? temporary.path() : o.work;
    QDir().mkpath(folder);
    // The language choice and anything else the station keeps per user stays in the folder.
    qputenv("XDG_CONFIG_HOME", QDir(folder).filePath("config").toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!writeInitialSettings(folder)) {
        err << "cannot write TX.ini in " << folder << Qt::endl;
        return 2;
    }

    std::mt19937 rng(o.seed);
    SoakLedger ledger;
    QStringList faults;
    int sessions = 0, kills = 0, timedKills = 0, writeKills = 0, killsInWrite = 0, timeouts = 0;
    std::map<QString, int> faultSessions;
    QElapsedTimer elapsed;
    elapsed.start();
    while (ledger.reportedUnits() < o.units && sessions < o.units * 4) {
        const SessionPlan plan = planSession(sessions, rng, o.slotCount);
        const auto seed = static_cast<std::uint32_t>(rng());
        const SessionResult r = runSession(o, folder, plan, seed, ledger);
        if (!r.started)
            return 2;
        ++sessions;
        ++faultSessions[faultName(plan.fault)];
        if (r.killed) {
            ++kills;
            (plan.kill == SessionPlan::Kill::InSettingsWrite ? writeKills : timedKills)++;
            killsInWrite += r.killedInWrite;
        }
        timeouts += r.timedOut;
        if (r.timedOut)
            faults << QString("session %1 did not finish in time").arg(sessions);
        const QString settings = settingsProblem(folder);
        if (!settings.isEmpty())
            faults << QString("after session %1: %2").arg(sessions).arg(settings);
        out << QString("session %1: %2 unit(s) asked, %3 reported, fault %4, %5")
                   .arg(sessions)
                   .arg(plan.units)
                   .arg(r.unitsReported)
                   .arg(faultName(plan.fault))
                   .arg(!r.killed           ? QString("ran to the end")
                        : r.killedInWrite   ? QString("killed inside a settings write")
                                            : QString("killed"))
            << Qt::endl;
    }

    ledger.readLogs(QDir(folder).filePath("Log"));
    faults += ledger.faults();
    if (ledger.reportedPasses() == 0)
        faults << "no unit passed, so nothing was checked";

    QJsonObject summary{
        {"units", ledger.reportedUnits()},
        {"passed", ledger.reportedPasses()},
        {"logged", ledger.loggedUnits()},
        {"logged_and_checked_against_eeproms", ledger.verifiedLines()},
        {"logged_but_killed_before_reporting", ledger.unverifiedLines()},
        {"sessions", sessions},
        {"slots", o.slotCount},
        {"kills", kills},
        {"kills_at_random_time", timedKills},
        {"kills_at_settings_write", writeKills},
        {"kills_that_left_a_half_written_settings_file", killsInWrite},
        {"timeouts", timeouts},
        {"faults_found", static_cast<int>(faults.size())},
        {"minutes", elapsed.elapsed() / 60000.0},
    };
    QJsonObject faultCounts;
    for (const auto& [name, n] : faultSessions)
        faultCounts[name] = n;
    summary["sessions_by_bench_fault"] = faultCounts;
    for (const QString& f : faults)
        err << "FAULT: " << f << Qt::endl;
    out << QJsonDocument(summary).toJson(QJsonDocument::Compact) << Qt::endl;
    return faults.isEmpty() ? 0 : 1;
}
