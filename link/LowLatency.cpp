#include "LowLatency.h"

#include <QFile>
#include <QFileInfo>

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace tonvara {

int systemIoctl(int fd, unsigned long request, void *argument)
{
    return ::ioctl(fd, request, argument);
}

bool requestLowLatency(int fd, const IoctlCall &ioctl)
{
    serial_struct serial{};
    if (fd < 0 || ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return false;
    if (serial.flags & ASYNC_LOW_LATENCY)
        return true;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &serial) == 0;
}

QString latencyTimerFile(const QString &device, const QString &sysfsRoot)
{
    // Links such as /dev/serial/by-id/... name the adapter by its tty.
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QString name = QFileInfo(canonical.isEmpty() ? device : canonical).fileName();
    return QStringLiteral("%1/bus/usb-serial/devices/%2/latency_timer").arg(sysfsRoot, name);
}

std::optional<int> usbLatencyTimer(const QString &device, const QString &sysfsRoot)
{
    QFile file(latencyTimerFile(device, sysfsRoot));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const int value = QString::fromLatin1(file.read(32)).trimmed().toInt(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

} // namespace tonvara
