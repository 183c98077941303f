// SPDX-License-Identifier: MIT
#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

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

/// An older copy, held by a process file descriptor where the kernel has them (Linux 5.3
/// on): signals then reach that very process even if its number is reused meanwhile, and
/// its end can be waited for with poll().
struct OlderCopy {
    pid_t pid = 0;
    int pidfd = -1;
};

int openProcess(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

bool sendSignal(const OlderCopy& copy, int signal) {
#ifdef SYS_pidfd_send_signal
    if (copy.pidfd >= 0)
        return ::syscall(SYS_pidfd_send_signal, copy.pidfd, signal, nullptr, 0) == 0;
#endif
    return ::kill(copy.pid, signal) == 0;
}

/// Whether the copy has ended. A copy that has ended but not yet been reaped by its parent
/// (a zombie) has ended: it holds no device and writes no file any more.
bool hasEnded(const OlderCopy& copy) {
    if (copy.pidfd >= 0) {
        pollfd p{copy.pidfd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
    if (::kill(copy.pid, 0) != 0 && errno == ESRCH)
        return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(copy.pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    // "pid (name) S ...": the state follows the last parenthesis (the name may hold one).
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || line.mid(close + 2, 1) == "Z" || line.mid(close + 2, 1) == "X";
}

/// Waits until every copy in `copies` has ended or `deadline` passes; the ended ones are
/// taken out of `copies` (their descriptors closed), and their number is returned.
int waitForEnd(std::vector<OlderCopy>& copies, const QDeadlineTimer& deadline) {
    int ended = 0;
    for (;;) {
        for (auto it = copies.begin(); it != copies.end();) {
            if (hasEnded(*it)) {
                if (it->pidfd >= 0)
                    ::close(it->pidfd);
                it = copies.erase(it);
                ++ended;
            } else {
                ++it;
            }
        }
        if (copies.empty() || deadline.hasExpired())
            return ended;
        // Woken by the first end among those with a descriptor; the others are looked at
        // every few milliseconds.
        std::vector<pollfd> fds;
        for (const OlderCopy& c : copies)
            fds.push_back({c.pidfd, POLLIN, 0}); // a negative descriptor is ignored
        const int pause = static_cast<int>(std::min<qint64>(20, deadline.remainingTime()));
        ::poll(fds.data(), fds.size(), std::max(pause, 0));
    }
}

} // namespace

QString SingleInstance::currentExecutableName() { return executableNameOf("/proc/self"); }

QString SingleInstance::currentIdentity() { return qEnvironmentVariable(kIdentityVariable); }

std::optional<QString> SingleInstance::identityOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray all = file.readAll();
    if (all.isEmpty()) // a kernel thread, or a process that just ended
        return std::nullopt;
    const QByteArray key = QByteArray(kIdentityVariable) + '=';
    for (const QByteArray& entry : all.split('\0'))
        if (entry.startsWith(key))
            return QString::fromLocal8Bit(entry.mid(key.size()));
    return QString();
}

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

SingleInstance::Ended SingleInstance::endOtherCopies(
    const QString& name, const std::function<bool(const QStringList&)>& counts, int graceMs) {
    Ended result;
    if (name.isEmpty())
        return result;
    const pid_t self = getpid();
    const uid_t user = getuid();
    const QString identity = currentIdentity();
    std::vector<OlderCopy> asked;
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
        // Held before it is looked at further, so that what is signalled is what was looked at.
        OlderCopy copy{pid, openProcess(pid)};
        const std::optional<QString> itsIdentity = identityOf(pid);
        bool isCopy = itsIdentity && *itsIdentity == identity;
        if (isCopy && counts) {
            const std::optional<QStringList> arguments = argumentsOf(pid);
            isCopy = arguments && counts(*arguments);
        }
        // The close path of the copy: a run ends at its next step, its journal line and the
        // settings are written, the transmitter leaves access mode.
        if (isCopy && sendSignal(copy, SIGTERM)) {
            asked.push_back(copy);
        } else if (copy.pidfd >= 0) {
            ::close(copy.pidfd);
        }
    }
    if (asked.empty())
        return result;

    result.closed = waitForEnd(asked, QDeadlineTimer(graceMs));
    // A copy that hangs (or ignores the request) must not keep the newest copy from the
    // receiver: it is ended at once. TX.ini survives that, as it is only ever replaced whole.
    std::vector<OlderCopy> killed;
    for (const OlderCopy& copy : asked) {
        if (sendSignal(copy, SIGKILL))
            ++result.killed;
        killed.push_back(copy);
    }
    waitForEnd(killed, QDeadlineTimer(kKilledWaitMs));
    result.stuck = static_cast<int>(killed.size());
    for (const OlderCopy& copy : killed)
        if (copy.pidfd >= 0)
            ::close(copy.pidfd);
    return result;
}

} // namespace rfbind::app
