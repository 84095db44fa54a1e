// Who holds a serial device that would not open as busy: a process with the device open (found
// through /proc/<pid>/fd) or named by a UUCP lock file (LCK..<name> holding its pid). Read-only
// look-ups on the file system; any thread.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tonvara {

struct PortHolder
{
    int pid = 0;
    QString name; // the process's command name, e.g. "ModemManager"
};

std::optional<PortHolder> findPortHolder(const QString &device,
                                         const QString &procRoot = QStringLiteral("/proc"),
                                         const QStringList &lockDirs = {
                                             QStringLiteral("/var/lock"),
                                             QStringLiteral("/run/lock")});

// "ModemManager (pid 812)", with the usual remedy for the services that grab serial adapters.
QString describePortHolder(const PortHolder &holder);

} // namespace tonvara
