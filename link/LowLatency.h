// USB serial adapters and latency: most hold received bytes for a latency timer (16 ms on FTDI
// chips) before passing them on, which adds that much to every exchange of the protocol. The
// low-latency request that ordinary users may make on a port they opened, and the timer read
// back from sysfs to tell the user when it is still slow. Plain functions; any thread.
#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tonvara {

// Above this the adapter slows transfers noticeably; the low-latency request gives 1 ms.
inline constexpr int kSlowLatencyTimerMs = 2;

// ioctl(2), replaceable in tests.
using IoctlCall = std::function<int(int fd, unsigned long request, void *argument)>;
int systemIoctl(int fd, unsigned long request, void *argument);

// Sets ASYNC_LOW_LATENCY on the open serial device fd, keeping its other flags; false when the
// driver refuses (a pseudo-terminal, a driver without the request), which changes nothing.
bool requestLowLatency(int fd, const IoctlCall &ioctl = systemIoctl);

// The sysfs file of the latency timer of the USB serial adapter behind device (a path such as
// /dev/ttyUSB0 or a /dev/serial/by-id link to it), under sysfsRoot.
QString latencyTimerFile(const QString &device, const QString &sysfsRoot);
// Its value in milliseconds; empty when the device is not such an adapter.
std::optional<int> usbLatencyTimer(const QString &device, const QString &sysfsRoot);

} // namespace tonvara
