// How close the Read, the Upload and the compare with target come to what the line allows:
// the whole editor on the offscreen platform against the simulator program on a
// pseudo-terminal, the Read and the Upload run through their buttons. Then the Read through ser2net
// on loopback (when it is installed; limit 1.25 times the line's), and the Read through a USB
// adapter whose latency timer is 16 ms (the simulator holds its answers as such an adapter does; no
// limit: it shows the cost). Prints a table and, last, the ratios of the best times to the line
// limit. Measures only; the exit status says whether every transfer completed, never how fast.
#include "ParameterStore.h"

#include "C_Button.h"
#include "CompareCommands.h"
#include "CompareWindow.h"
#include "MainPages.h"
#include "RS232Port.h"
#include "RecordingQtServices.h"
#include "Ser2netProcess.h"
#include "SimProcess.h"
#include "TargetLink.h"
#include "TonvaraApp.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace tonvara;

namespace {

constexpr int kRuns = 3;
constexpr double kSer2netLimit = 1.25; // times the line limit: ser2net adds about 0.5 ms a frame
constexpr int kAdapterLatencyMs = 16;  // an FTDI adapter's default latency timer
constexpr int kReadFrames = 211;
constexpr int kUploadFrames = 212;
// A frame of six bytes and its one-byte answer, ten bits a byte, at 9600 baud.
constexpr double kBitsPerExchange = 7 * 10;
constexpr double kBaud = 9600;

double lineLimitSeconds(int frames)
{
    return frames * kBitsPerExchange / kBaud;
}

struct Run
{
    const char *operation;
    int frames;
    double seconds;
};

// The same 211 Read exchanges from a bare blocking client, with no editor in between: what the
// simulator, the pseudo-terminal and the scheduler leave on this machine now. Negative when the
// device does not open.
double bareReadSeconds(const QString &device, int frames)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(fd, TCSANOW, &settings);
    const std::uint8_t request[6] = {FrameLead, Command::Read, Group::Music, 0, 0, 0};
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < frames; ++i) {
        std::uint8_t answer = 0;
        if (::write(fd, request, sizeof request) != sizeof request || ::read(fd, &answer, 1) != 1) {
            ::close(fd);
            return -1;
        }
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    ::close(fd);
    return seconds;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" TONVARA_SCREEN_CONFIG);
    QApplication application(argc, argv);

    SimProcess sim;
    if (!sim.start()) {
        std::fprintf(stderr, "bulk: simulator did not start: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    // Before the editor, which opens the device exclusively.
    double bareRead = std::numeric_limits<double>::max();
    for (int i = 0; i < kRuns; ++i)
        bareRead = std::min(bareRead, bareReadSeconds(sim.device(), kReadFrames));
    qputenv("TONVARA_PORTS", sim.device().toLocal8Bit());

    RecordingQtServices services;
    TonvaraApp app(services);
    app.start();
    // Waits until the editor is connected and synchronised; false after 10 s.
    const auto awaitConnection = [&]() {
        const QDeadlineTimer deadline(10000);
        while (!(app.link().connected() && app.pages().host()->isEnabled()) &&
               !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return app.link().connected();
    };
    if (!awaitConnection()) {
        std::fprintf(stderr, "bulk: the editor did not connect to %s\n", qPrintable(sim.device()));
        return 1;
    }
    // Mute on at both ends, so the Upload has no mute-off pause and a Read keeps it on.
    sim.setSetting(Group::Mute, 0, 0, 1);
    app.pages().setMute(true);
    SimProcess *counted = &sim; // the simulator the editor talks to now

    std::vector<Run> runs;
    bool complete = true;
    // Runs act (which returns once the transfer ended) and times it.
    const auto measureAct = [&](const char *operation, const std::function<void()> &act,
                                int frames) {
        services.messages.clear();
        const int before = counted->framesReceived();
        QElapsedTimer timer;
        timer.start();
        act();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        const int sent = counted->framesReceived() - before;
        if (sent != frames || !services.messages.isEmpty()) {
            complete = false;
            std::fprintf(stderr, "bulk: %s sent %d of %d frames%s%s\n", operation, sent, frames,
                         services.messages.isEmpty() ? "" : ": ",
                         qPrintable(services.messages.join(QStringLiteral("; "))));
        }
        runs.push_back({operation, frames, seconds});
        return seconds;
    };
    const auto measure = [&](const char *operation, int button, int frames) {
        return measureAct(
            operation, [&] { emit app.pages().commandButton(button)->Click(); }, frames);
    };

    double bestRead = std::numeric_limits<double>::max();
    double bestUpload = std::numeric_limits<double>::max();
    double bestCompare = std::numeric_limits<double>::max();
    for (int i = 0; i < kRuns; ++i) {
        bestRead = std::min(bestRead, measure("read", 0, kReadFrames));
        bestUpload = std::min(bestUpload, measure("upload", 1, kUploadFrames));
        // Compare with target: the Read's frames into a copy, and the window of differences.
        bestCompare = std::min(
            bestCompare, measureAct(
                             "compare", [&] { app.compare().compareWithTarget(); }, kReadFrames));
        if (CompareWindow *window = app.compare().window())
            window->close();
    }
    // The same Read with the receive routine run by the 15 ms poll alone.
    RS232Port &port = app.link().port();
    QObject::disconnect(&port, &RS232Port::readyRead, &app.link(), nullptr);
    const double pollOnlyRead = measure("read, poll only", 0, kReadFrames);
    QObject::connect(&port, &RS232Port::readyRead, &app.link(), &TargetLink::receivePoll);

    // The editor moves to another simulator: the current one goes away (one loss, which the
    // counting services answer), and the next scan finds the new entry.
    const auto moveTo = [&](SimProcess &next, const QString &entry) {
        qputenv("TONVARA_PORTS", entry.toLocal8Bit());
        counted->stop();
        counted = &next;
        const QDeadlineTimer lossDeadline(5000);
        while (app.link().connected() && !lossDeadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!awaitConnection()) {
            std::fprintf(stderr, "bulk: the editor did not connect to %s\n", qPrintable(entry));
            complete = false;
            return false;
        }
        return true;
    };
    const auto bestOf = [&](const char *operation) {
        double best = std::numeric_limits<double>::max();
        for (int i = 0; i < kRuns; ++i)
            best = std::min(best, measure(operation, 0, kReadFrames));
        return best;
    };

    double ser2netRead = -1;
    Ser2netProcess server;
    SimProcess behindServer;
    if (Ser2netProcess::programPath().isEmpty()) {
        std::printf("read, ser2net: not measured, ser2net is not installed (scripts/setup)\n");
    } else if (!behindServer.start() || !server.start(behindServer.device())) {
        std::fprintf(stderr, "bulk: ser2net in front of the simulator did not start: %s%s\n",
                     qPrintable(behindServer.errorString()), qPrintable(server.errorString()));
        complete = false;
    } else if (moveTo(behindServer, server.entry())) {
        ser2netRead = bestOf("read, ser2net");
    }

    double adapterRead = -1;
    SimProcess slowAdapter;
    if (!slowAdapter.start(
            {QStringLiteral("--latency-timer"), QString::number(kAdapterLatencyMs)})) {
        std::fprintf(stderr, "bulk: the simulator with --latency-timer did not start: %s\n",
                     qPrintable(slowAdapter.errorString()));
        complete = false;
    } else if (moveTo(slowAdapter, slowAdapter.device())) {
        adapterRead = bestOf("read, 16 ms USB");
    }
    server.stop();

    std::printf("%-16s %7s %9s %9s %7s\n", "operation", "frames", "seconds", "limit s", "ratio");
    for (const Run &run : runs) {
        const double limit = lineLimitSeconds(run.frames);
        std::printf("%-16s %7d %9.3f %9.3f %7.2f\n", run.operation, run.frames, run.seconds, limit,
                    run.seconds / limit);
    }
    if (bareRead > 0)
        std::printf("%-16s %7d %9.3f %9.3f %7.2f   (best of %d, bare client, no editor)\n",
                    "read, bare", kReadFrames, bareRead, lineLimitSeconds(kReadFrames),
                    bareRead / lineLimitSeconds(kReadFrames), kRuns);
    counted->stop();
    if (ser2netRead > 0)
        std::printf("ser2net_read_ratio=%.2f (limit %.2f)\n",
                    ser2netRead / lineLimitSeconds(kReadFrames), kSer2netLimit);
    if (adapterRead > 0)
        std::printf("usb16ms_read_ratio=%.2f (no limit: what a %d ms latency timer costs)\n",
                    adapterRead / lineLimitSeconds(kReadFrames), kAdapterLatencyMs);
    std::printf(
        "read_ratio=%.2f upload_ratio=%.2f poll_only_read_ratio=%.2f "
        "compare_ratio=%.2f\n",
        bestRead / lineLimitSeconds(kReadFrames), bestUpload / lineLimitSeconds(kUploadFrames),
        pollOnlyRead / lineLimitSeconds(kReadFrames), bestCompare / lineLimitSeconds(kReadFrames));
    return complete ? 0 : 1;
}
