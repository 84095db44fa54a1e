// Idle cost of the editor program: it runs (offscreen) connected to the simulator program on a
// pseudo-terminal, doing nothing but its polls and keep-alives, for 60 s; its processor time
// and resident memory are read from /proc. A second run makes the simulator fall silent in the
// middle of the connection's synchronisation and measures the processor time the editor uses
// while it waits out the 4 s reply time-out of the unanswered frame.
// Output: reply_timeout_cpu_percent=T, then idle_cpu_percent=C rss_mib=M on the last line.
//   idle [--seconds N]   (default 60)

#include "SimProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kConnectTimeout = 30s;
constexpr auto kPollInterval = 20ms;
// The simulator answers the identify frame and this many synchronisation frames, then nothing.
constexpr int kAnsweredFrames = 10;
// Measured inside the 4 s reply wait, leaving room for the wait's start and end.
constexpr auto kTimeoutWindow = 3500ms;

// Lets the event loop run (so the child processes' pipes are drained) for a while.
void pause(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    // Precise: a coarse timer may end the measured span up to 5 % early.
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Processor time of a process, all its threads, in seconds: the scheduler's nanosecond count
// of each thread where the kernel gives it, else user + system time in clock ticks (10 ms
// steps, too coarse for the short reply wait).
std::optional<double> cpuSeconds(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const QStringList threads = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (!threads.isEmpty() &&
        QFile::exists(tasks.filePath(threads.first() + QStringLiteral("/schedstat")))) {
        double total = 0;
        for (const QString &thread : threads) {
            QFile file(tasks.filePath(thread + QStringLiteral("/schedstat")));
            if (file.open(QIODevice::ReadOnly)) // a thread may end meanwhile
                total += file.readAll().split(' ').first().toDouble() / 1e9;
        }
        return total;
    }
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray stat = file.readAll();
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    const double ticks = static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong());
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

std::optional<double> rssMiB(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return std::nullopt;
}

class Editor
{
  public:
    ~Editor()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool start(const QString &device)
    {
        if (!m_runtimeDir.isValid())
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("offscreen:configfile=" TONVARA_SCREEN_CONFIG));
        env.insert(QStringLiteral("TONVARA_PORTS"), device);
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(QStringLiteral(TONVARA_EDITOR_PROGRAM), {});
        return m_process.waitForStarted(5000);
    }
    qint64 pid() const { return m_process.processId(); }
    bool running() const { return m_process.state() == QProcess::Running; }

  private:
    QTemporaryDir m_runtimeDir; // Qt wants a private runtime folder
    QProcess m_process;
};

int countLines(const QStringList &trace, QLatin1String prefix)
{
    int n = 0;
    for (const QString &line : trace)
        n += line.startsWith(prefix) ? 1 : 0;
    return n;
}

// Connected: the last frame of the synchronisation (the read of the input selection) has been
// answered, and the trace ends with that answer.
bool waitForConnection(tonvara::SimProcess &sim)
{
    const auto end = Clock::now() + kConnectTimeout;
    while (Clock::now() < end) {
        const QStringList trace = sim.trace();
        if (countLines(trace, QLatin1String("rx CD,01,0C,")) > 0 &&
            trace.last().startsWith(QLatin1String("tx ")))
            return true;
        pause(kPollInterval);
    }
    return false;
}

int fail(const char *what)
{
    std::fprintf(stderr, "idle: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int seconds = 60;
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--seconds"))
        seconds = std::max(1, args[2].toInt());

    // Reply time-out: the identify frame and the first synchronisation frames are answered,
    // then the simulator falls silent and the editor waits for the next answer.
    double timeoutPercent = 0;
    {
        tonvara::SimProcess sim;
        if (!sim.start({QStringLiteral("--trace"), QStringLiteral("--silent-after"),
                        QString::number(kAnsweredFrames)}))
            return fail(qPrintable(sim.errorString()));
        Editor editor;
        if (!editor.start(sim.device()))
            return fail("the editor did not start");
        const auto end = Clock::now() + kConnectTimeout;
        while (sim.framesReceived() <= kAnsweredFrames) {
            if (Clock::now() > end)
                return fail("the editor sent no frame past the answered ones");
            pause(kPollInterval);
        }
        const auto cpu0 = cpuSeconds(editor.pid());
        const auto wall0 = Clock::now();
        pause(std::chrono::duration_cast<std::chrono::milliseconds>(kTimeoutWindow));
        const auto cpu1 = cpuSeconds(editor.pid());
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        if (!cpu0 || !cpu1 || !editor.running())
            return fail("the editor ended during the reply wait");
        // Still inside the one wait: nothing after the unanswered frame.
        if (sim.framesReceived() != kAnsweredFrames + 1)
            return fail("the editor did not wait for the unanswered frame");
        timeoutPercent = (*cpu1 - *cpu0) / wall * 100.0;
        std::printf("reply_timeout_cpu_percent=%.2f (%.1f s inside the 4 s reply wait)\n",
                    timeoutPercent, wall);
        std::fflush(stdout);
    }

    tonvara::SimProcess sim;
    if (!sim.start({QStringLiteral("--trace")}))
        return fail(qPrintable(sim.errorString()));
    Editor editor;
    if (!editor.start(sim.device()))
        return fail("the editor did not start");
    if (!waitForConnection(sim))
        return fail("the editor did not connect to the simulator");
    const int identifies = countLines(sim.trace(), QLatin1String("rx CD,E2,"));
    const auto cpu0 = cpuSeconds(editor.pid());
    const auto wall0 = Clock::now();
    pause(std::chrono::seconds(seconds));
    const auto cpu1 = cpuSeconds(editor.pid());
    const auto rss = rssMiB(editor.pid());
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    if (!cpu0 || !cpu1 || !rss || !editor.running())
        return fail("the editor ended while idle");
    const QStringList trace = sim.trace();
    // Still on the same connection: keep-alives echoed, no new identify.
    const int keepAlives = countLines(trace, QLatin1String("tx FC"));
    if (countLines(trace, QLatin1String("rx CD,E2,")) != identifies)
        return fail("the editor lost the connection while idle");
    std::printf("idle_seconds=%.1f keep_alives_echoed=%d\n", wall, keepAlives);
    std::printf("idle_cpu_percent=%.2f rss_mib=%.1f\n", (*cpu1 - *cpu0) / wall * 100.0, *rss);
    return 0;
}
