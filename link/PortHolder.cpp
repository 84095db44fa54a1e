#include "PortHolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tonvara {

namespace {

QString commandName(const QString &procRoot, int pid)
{
    QFile comm(QStringLiteral("%1/%2/comm").arg(procRoot).arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.read(256)).trimmed();
}

std::optional<PortHolder> fromLockFile(const QString &device, const QString &procRoot,
                                       const QStringList &lockDirs)
{
    const QString base = QFileInfo(device).fileName();
    for (const QString &dir : lockDirs) {
        QFile lock(QStringLiteral("%1/LCK..%2").arg(dir, base));
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        const int pid = QString::fromLatin1(lock.read(64)).trimmed().toInt(&ok);
        // A stale lock of a process that is gone names nobody.
        if (ok && pid > 0 && QFileInfo::exists(QStringLiteral("%1/%2").arg(procRoot).arg(pid)))
            return PortHolder{pid, commandName(procRoot, pid)};
    }
    return std::nullopt;
}

} // namespace

std::optional<PortHolder> findPortHolder(const QString &device, const QString &procRoot,
                                         const QStringList &lockDirs)
{
    if (auto holder = fromLockFile(device, procRoot, lockDirs))
        return holder;
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return std::nullopt;
    const QDir proc(procRoot);
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        if (!ok)
            continue;
        // Other users' descriptors are unreadable without privileges: those are skipped.
        const QDir fds(proc.filePath(entry + QStringLiteral("/fd")));
        const auto entries = fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &fd : entries) {
            if (fd.isSymLink() && QFileInfo(fd.symLinkTarget()).canonicalFilePath() == target)
                return PortHolder{pid, commandName(procRoot, pid)};
        }
    }
    return std::nullopt;
}

QString describePortHolder(const PortHolder &holder)
{
    const QString name = holder.name.isEmpty() ? QStringLiteral("a process") : holder.name;
    QString text = QStringLiteral("%1 (pid %2)").arg(name).arg(holder.pid);
    if (holder.name == QLatin1String("ModemManager"))
        text += QStringLiteral("; stop it with: sudo systemctl stop ModemManager");
    else if (holder.name.startsWith(QLatin1String("brltty")))
        text += QStringLiteral("; it takes USB serial adapters for Braille displays: remove it "
                               "with sudo apt remove brltty if you have none");
    return text;
}

} // namespace tonvara
