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

    /// Copies the station program to <root>/<folder>/<name> and starts it there.
    QProcess* start(const QString& folder, const QString& name) {
        QDir(root.path()).mkpath(folder);
        const QString exe = root.filePath(folder + "/" + name);
        QFile::copy(RFBIND_EXE, exe);
        QFile::setPermissions(exe, QFile::permissions(RFBIND_EXE));
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", root.filePath("config"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(root.filePath(folder));
        p->start(exe, {});
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
