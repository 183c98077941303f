// SPDX-License-Identifier: MIT
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace rfbind::app {

namespace {

/// Executable file name of a process, from its /proc entry; empty when it cannot be read
/// (another user's process, a kernel thread, a process that just ended).
QString executableNameOf(const QString& procEntry) {
    QString target = QFileInfo(procEntry + "/exe").symLinkTarget();
    if (target.isEmpty())
        return {};
    // A program replaced on disk while running (an update of the station) still counts.
    const QString deleted = QStringLiteral(" (deleted)");
    if (target.endsWith(deleted))
        target.chop(deleted.size());
    return QFileInfo(target).fileName();
}

} // namespace

QString SingleInstance::currentExecutableName() { return executableNameOf("/proc/self"); }

std::optional<QStringList> SingleInstance::argumentsOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray all = file.readAll();
    if (all.isEmpty())
        return std::nullopt; // a kernel thread, or a process that just ended
    QStringList arguments;
    for (const QByteArray& a : all.split('\0'))
        arguments << QString::fromLocal8Bit(a);
    if (all.endsWith('\0'))
        arguments.removeLast(); // the terminator of the last argument
    arguments.removeFirst();    // the program
    return arguments;
}

int SingleInstance::terminateOtherCopies(const QString& name) {
    return terminateOtherCopies(name, {});
}

int SingleInstance::terminateOtherCopies(const QString& name,
                                         const std::function<bool(const QStringList&)>& counts) {
    if (name.isEmpty())
        return 0;
    const pid_t self = getpid();
    const uid_t user = getuid();
    int signalled = 0;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const pid_t pid = static_cast<pid_t>(entry.toLongLong(&numeric));
        if (!numeric || pid == self)
            continue;
        const QString procEntry = "/proc/" + entry;
        struct stat st {};
        if (::stat(procEntry.toLocal8Bit().constData(), &st) != 0 || st.st_uid != user)
            continue;
        if (executableNameOf(procEntry).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (counts) {
            const std::optional<QStringList> arguments = argumentsOf(pid);
            if (!arguments || !counts(*arguments))
                continue;
        }
        // Ended at once, without a chance to clean up, as the newest copy must win even over
        // a copy that hangs; TX.ini survives because it is only ever replaced whole.
        if (::kill(pid, SIGKILL) == 0)
            ++signalled;
    }
    return signalled;
}

} // namespace rfbind::app
