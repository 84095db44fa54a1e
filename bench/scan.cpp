// The cost of one port scan with no target anywhere: building the port table from the system's
// list, and trying to open all twelve numbers, also with one of them held busy by another port.
// The scan repeats every 2 s while disconnected, so its budget is stated as 1 % of that interval
// (20 ms). Measures and prints; asserts nothing.
#include "QSerialLine.h"
#include "RS232Port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>

#include <cstdio>

#include <pty.h>
#include <unistd.h>

using namespace tonvara;

namespace {

constexpr double kBudgetMs = 20.0;
constexpr int kRuns = 50;

double averageMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRuns; ++i)
        work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6 / kRuns;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    RS232Port port(std::make_unique<QSerialLine>());
    port.setDiagnosticSink([](const QString &) {});

    // The system's own list, as an editor without TONVARA_PORTS builds it at every scan.
    qunsetenv("TONVARA_PORTS");
    const double enumerateMs = averageMs([&] { port.rebuildPortTable(); });
    const int systemPorts = static_cast<int>(port.portTable().size());

    // Twelve numbers that all fail to open (absent devices): the whole scan loop's port work.
    QStringList absent;
    for (int n = 1; n <= RS232Port::kMaxPortNumber; ++n)
        absent << QStringLiteral("/dev/tonvara-absent-%1").arg(n);
    qputenv("TONVARA_PORTS", absent.join(QLatin1Char(':')).toLocal8Bit());
    const double scanMs = averageMs([&] {
        port.rebuildPortTable();
        for (int n = 1; n <= RS232Port::kMaxPortNumber; ++n) {
            if (port.openPort(QString::number(n)))
                port.closePort();
        }
    });

    // The same scan with COM1 busy: a pseudo-terminal held by another port of ours. Finding
    // who holds it walks /proc; that is due once, when the cause is new, not at every scan.
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "no pseudo-terminal for the busy port\n");
        return 1;
    }
    QSerialPort holder(QString::fromLocal8Bit(name));
    if (!holder.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "cannot hold %s busy\n", name);
        return 1;
    }
    QStringList withBusy = absent;
    withBusy[0] = QString::fromLocal8Bit(name);
    qputenv("TONVARA_PORTS", withBusy.join(QLatin1Char(':')).toLocal8Bit());
    const auto busyScan = [&] {
        port.rebuildPortTable();
        for (int n = 1; n <= RS232Port::kMaxPortNumber; ++n) {
            if (port.openPort(QString::number(n)))
                port.closePort();
        }
    };
    QElapsedTimer first;
    first.start();
    busyScan();
    const double firstBusyMs = static_cast<double>(first.nsecsElapsed()) / 1e6;
    const bool busySeen = !port.scanFailureTexts().isEmpty() &&
                          port.scanFailureTexts().first().contains(QLatin1String("in use by"));
    const double busyMs = averageMs(busyScan);
    holder.close();
    ::close(master);
    ::close(slave);

    std::printf("system ports listed: %d\n", systemPorts);
    std::printf("enumerate (system list): %.3f ms\n", enumerateMs);
    std::printf("scan of 12 absent ports: %.3f ms (budget %.0f ms)\n", scanMs, kBudgetMs);
    std::printf("scan with COM1 busy: first %.3f ms, then %.3f ms (budget %.0f ms)%s\n",
                firstBusyMs, busyMs, kBudgetMs, busySeen ? "" : " [COM1 was not busy]");
    std::printf("enumerate_ms=%.3f scan_ms=%.3f scan_ratio=%.3f busy_scan_ms=%.3f "
                "busy_scan_ratio=%.3f\n",
                enumerateMs, scanMs, (enumerateMs + scanMs) / kBudgetMs, busyMs,
                busyMs / kBudgetMs);
    return busySeen ? 0 : 1;
}
