// SPDX-License-Identifier: MIT
// Starts real copies of the station program: the newest copy must end older copies of the
// same program, whatever the letter case of the name, and leave other programs alone.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

class StationCopies {
public:
    StationCopies() {
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

    /// Copies the station program (or `program`) to <root>/<folder>/<name> and starts it there
    /// with `arguments`.
    QProcess* start(const QString& folder, const QString& name,
                    const QString& program = RFBIND_EXE, const QStringList& arguments = {}) {
        QDir(root.path()).mkpath(folder);
        const QString exe = root.filePath(folder + "/" + name);
        QFile::copy(program, exe);
        QFile::setPermissions(exe, QFile::permissions(program));
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", root.filePath("config"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(root.filePath(folder));
        p->start(exe, arguments);
        EXPECT_TRUE(p->waitForStarted(5000));
        processes.push_back(std::move(p));
        return processes.back().get();
    }

    /// Waits until the copy in `folder` got past its start-up (it has made its Log folder),
    /// then a little longer, so it is idle in its message loop.
    bool waitReady(const QString& folder) {
        QElapsedTimer t;
        t.start();
        while (!QDir(root.filePath(folder + "/Log")).exists()) {
            if (t.elapsed() > 10000)
                return false;
            QThread::msleep(20);
        }
        QThread::msleep(700);
        return true;
    }

    QTemporaryDir root;
    std::vector<std::unique_ptr<QProcess>> processes;
};

} // namespace

TEST(SingleInstance, NewestCopyEndsOlderCopiesAndLeavesOtherProgramsAlone) {
    StationCopies copies;
    QProcess* other = copies.start("other", "rfbind-trainer");
    QProcess* first = copies.start("first", "rfbind");
    ASSERT_TRUE(copies.waitReady("other"));
    ASSERT_TRUE(copies.waitReady("first"));
    ASSERT_EQ(first->state(), QProcess::Running);

    QProcess* second = copies.start("second", "RFBind"); // differs only in letter case
    EXPECT_TRUE(first->waitForFinished(10000)) << "the older copy must end";
    ASSERT_TRUE(copies.waitReady("second"));
    EXPECT_EQ(second->state(), QProcess::Running) << "the newest copy keeps running";
    EXPECT_EQ(other->state(), QProcess::Running) << "another program name is left alone";
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
    ASSERT_TRUE(copies.waitReady("second"));
    EXPECT_FALSE(second->waitForFinished(500));
    EXPECT_FALSE(headless->waitForFinished(500));
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
