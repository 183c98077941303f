// SPDX-License-Identifier: MIT
// Starts real copies of the station program: the newest copy must close older copies of the
// same program and identity, whatever the letter case of the name, end at once only a copy
// that does not close, and leave other programs and other identities alone. Every copy gets
// an identity of its own test, so that the suite never ends a station someone is using.
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using rfbind::app::SingleInstance;

namespace {

class StationCopies {
public:
    StationCopies()
        : identity("suite-" + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
        QDir(root.path()).mkpath("config/HALVORETH");
        QFile conf(root.filePath("config/HALVORETH/RF_BIND.conf"));
        conf.open(QIODevice::WriteOnly);
        conf.write("[General]\nLngSection=lkEng\n");
    }
    ~StationCopies() {
        for (auto& p : processes) {
            p->kill();
            p->waitForFinished(3000);
        }
    }

    struct Copy {
        QString folder;
        QString name;
        QString program = RFBIND_EXE;
        QStringList arguments = {};
        /// Appended to the test's identity: a copy that belongs to someone else.
        QString otherIdentity = {};
        /// The copy ignores SIGTERM, as a copy that hangs does not answer it.
        bool ignoresClose = false;
    };

    /// Copies the program to <root>/<folder>/<name> and starts it there.
    QProcess* start(const Copy& c) {
        QDir(root.path()).mkpath(c.folder);
        const QString exe = root.filePath(c.folder + "/" + c.name);
        QFile::copy(c.program, exe);
        QFile::setPermissions(exe, QFile::permissions(c.program));
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", root.filePath("config"));
        env.insert(SingleInstance::kIdentityVariable, identity + c.otherIdentity);
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(root.filePath(c.folder));
        if (c.ignoresClose) // an ignored signal stays ignored across exec
            p->setChildProcessModifier([] { ::signal(SIGTERM, SIG_IGN); });
        p->start(exe, c.arguments);
        EXPECT_TRUE(p->waitForStarted(5000));
        processes.push_back(std::move(p));
        return processes.back().get();
    }
    QProcess* start(const QString& folder, const QString& name,
                    const QString& program = RFBIND_EXE, const QStringList& arguments = {}) {
        return start(Copy{folder, name, program, arguments});
    }

    /// Waits until the copy in `folder` got past its start-up (it has made its Log folder,
    /// which it does once older copies are gone), then a little longer, so it is idle in its
    /// message loop.
    bool waitReady(const QString& folder) {
        QElapsedTimer t;
        t.start();
        while (!QDir(root.filePath(folder + "/Log")).exists()) {
            if (t.elapsed() > 15000)
                return false;
            QThread::msleep(20);
        }
        QThread::msleep(700);
        return true;
    }

    QString path(const QString& file) const { return root.filePath(file); }

    QTemporaryDir root;
    const QString identity;
    std::vector<std::unique_ptr<QProcess>> processes;
};

enum class Fate { ClosesItself, EndedAtOnce, LeftAlone };

} // namespace

TEST(SingleInstance, NewestCopyClosesOlderCopiesOfItsIdentityAndLeavesOthersAlone) {
    const QString sleeper = QStandardPaths::findExecutable("sleep");
    ASSERT_FALSE(sleeper.isEmpty());
    using Copy = StationCopies::Copy;
    const struct {
        Copy copy;
        Fate fate;
    } rows[] = {
        {{"stranger", "rfbind", RFBIND_EXE, {}, "-someone-else"}, Fate::LeftAlone},
        {{"trainer", "rfbind-trainer"}, Fate::LeftAlone},
        {{"first", "rfbind"}, Fate::ClosesItself},
        // Started after the station copy is up, which would otherwise end it.
        {{"hung", "RFBIND", sleeper, {"60"}, {}, true}, Fate::EndedAtOnce},
    };
    StationCopies copies;
    std::vector<QProcess*> older;
    for (const auto& row : rows) {
        older.push_back(copies.start(row.copy));
        if (row.copy.program == RFBIND_EXE) {
            ASSERT_TRUE(copies.waitReady(row.copy.folder)) << row.copy.folder.toStdString();
        }
    }
    QThread::msleep(300);
    // What the close path writes is looked for afresh.
    QFile::remove(copies.path("first/TX.ini"));

    QElapsedTimer sinceNewest;
    sinceNewest.start();
    QProcess* newest = copies.start("second", "RFBind"); // differs only in letter case
    ASSERT_TRUE(copies.waitReady("second"));
    const qint64 startedAfterMs = sinceNewest.elapsed();

    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].copy.folder.toStdString());
        QProcess* p = older[i];
        switch (rows[i].fate) {
        case Fate::ClosesItself:
            ASSERT_TRUE(p->waitForFinished(1000)) << "gone before the newest copy went on";
            EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(p->exitCode(), 0);
            EXPECT_TRUE(QFile::exists(copies.path(rows[i].copy.folder + "/TX.ini")))
                << "its close path saved the settings";
            break;
        case Fate::EndedAtOnce:
            ASSERT_TRUE(p->waitForFinished(1000)) << "gone before the newest copy went on";
            EXPECT_EQ(p->exitStatus(), QProcess::CrashExit);
            EXPECT_EQ(p->exitCode(), SIGKILL);
            break;
        case Fate::LeftAlone:
            EXPECT_FALSE(p->waitForFinished(200));
            break;
        }
    }
    EXPECT_GE(startedAfterMs, SingleInstance::kCloseGraceMs)
        << "the copy that does not close is given the grace period, and the newest copy "
           "waits for it";
    EXPECT_FALSE(newest->waitForFinished(300)) << "the newest copy keeps running";
}

#ifdef RFBIND_BENCH_EXE
TEST(SingleInstance, TheBenchEndsOnlyOlderInteractiveBenchesNeverHeadlessRuns) {
    StationCopies copies;
    const QStringList interactive = {"--language", "eng"};
    QProcess* headless = copies.start("headless", "rfbind-bench", RFBIND_BENCH_EXE,
                                      {"--headless", "--units", "100000"});
    ASSERT_TRUE(copies.waitReady("headless"));
    QProcess* first = copies.start("first", "rfbind-bench", RFBIND_BENCH_EXE, interactive);
    ASSERT_TRUE(copies.waitReady("first"));
    // The state is known only after waiting: a killed copy is reported when it is reaped.
    EXPECT_FALSE(headless->waitForFinished(1500)) << "opening the bench ends no headless run";

    QProcess* second = copies.start("second", "rfbind-bench", RFBIND_BENCH_EXE, interactive);
    EXPECT_TRUE(first->waitForFinished(10000)) << "the older interactive bench must end";
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    ASSERT_TRUE(copies.waitReady("second"));
    EXPECT_FALSE(second->waitForFinished(500));
    EXPECT_FALSE(headless->waitForFinished(500));
}

TEST(SingleInstance, AnOlderBenchProgrammingAUnitEndsItAsCancelledAndJournalsIt) {
    StationCopies copies;
    // Slow USB transfers keep the unit in the station for many seconds.
    const QStringList programming = {"--language", "eng", "--go", "--latency", "40"};
    QProcess* first = copies.start("first", "rfbind-bench", RFBIND_BENCH_EXE, programming);
    ASSERT_TRUE(copies.waitReady("first"));
    QThread::msleep(2000); // Go is pressed a second after start-up
    const QDir log(copies.path("first/Log"));
    ASSERT_TRUE(log.entryList({"attempts-*.csv"}, QDir::Files).isEmpty())
        << "the unit is still being programmed";
    QFile::remove(copies.path("first/TX.ini"));

    QElapsedTimer sinceNewest;
    sinceNewest.start();
    copies.start("second", "rfbind-bench", RFBIND_BENCH_EXE, {"--language", "eng"});
    ASSERT_TRUE(first->waitForFinished(SingleInstance::kCloseGraceMs + 5000));
    EXPECT_LT(sinceNewest.elapsed(), SingleInstance::kCloseGraceMs) << "it closed itself";
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_TRUE(QFile::exists(copies.path("first/TX.ini")));

    const QStringList journals = log.entryList({"attempts-*.csv"}, QDir::Files);
    ASSERT_EQ(journals.size(), 1);
    QFile journal(log.filePath(journals.first()));
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(journal.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << "the header and the unit's line";
    const QStringList fields = lines[1].split(',');
    ASSERT_GE(fields.size(), 6) << lines[1].toStdString();
    EXPECT_EQ(fields[3], "FAIL");
    EXPECT_EQ(fields[5], "cancelled");
}

TEST(BenchProgram, HelpAndVersionWorkWithoutADisplay) {
    const struct {
        QStringList arguments;
        const char* output;
        int exitCode;
    } rows[] = {{{"--help"}, "usage: rfbind-bench", 0},
                {{"-h"}, "usage: rfbind-bench", 0},
                {{"--version"}, "rfbind-bench " RFBIND_VERSION, 0},
                {{"--headless", "--go"}, "--go is for the interactive bench", 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(display);
        p.setProcessEnvironment(env);
        p.start(RFBIND_BENCH_EXE, row.arguments);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), row.exitCode);
        const QString all = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        EXPECT_TRUE(all.contains(row.output)) << all.toStdString();
    }
}
#endif
