// The venue server, as an installer runs it: tonvara-cli serve with 24 rooms on 24 simulator
// programs. Measures, with every room connected:
//  - idle: the server's processor time over 20 s (limit 2 % of one core) and its resident
//    memory (limit 80 MiB);
//  - a settings POST until the target's acknowledgement has come back as the answer, median of
//    40 (limit 100 ms; one exchange on the line is 7.3 ms);
//  - a change seen by 50 open event sockets: from the POST to the last socket's message, the
//    median of 10 rounds (limit 100 ms).
// Prints the figures and, last, their ratios to the limits. Measures only; the exit status says
// whether everything ran, never how fast.
#include "FactoryValues.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "ServeClient.h"
#include "SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace tonvara;
using namespace tonvara::test;

namespace {

constexpr int kRooms = 24;
constexpr int kIdleSeconds = 20;
constexpr int kPosts = 40;
constexpr int kSockets = 50;
constexpr int kRounds = 10;
constexpr double kCpuLimitPercent = 2.0;
constexpr double kRssLimitMiB = 80.0;
constexpr double kAckLimitMs = 100.0;
constexpr double kEventLimitMs = 100.0;

// utime + stime of a process, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name in parentheses, which may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

double rssMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString baseline = dir.filePath(QStringLiteral("baseline.Lumaroch"));
    if (!saveProfileFile(baseline, profileFromStore(factoryStore())).ok)
        return 1;
    std::vector<std::unique_ptr<SimProcess>> sims;
    QString venue = QStringLiteral("[Venue]\nName=Bench\n");
    for (int i = 0; i < kRooms; ++i) {
        sims.push_back(std::make_unique<SimProcess>());
        if (!sims.back()->start()) {
            std::fprintf(stderr, "serve: simulator did not start: %s\n",
                         qPrintable(sims.back()->errorString()));
            return 1;
        }
        venue += QStringLiteral("\n[Room Room %1]\nPort=%2\nBaseline=%3\n")
                     .arg(i + 1)
                     .arg(sims.back()->device(), baseline);
    }
    const QString venuePath = dir.filePath(QStringLiteral("bench.venue"));
    QFile venueFile(venuePath);
    if (!venueFile.open(QIODevice::WriteOnly) || venueFile.write(venue.toUtf8()) < 0)
        return 1;
    venueFile.close();

    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral(TONVARA_CLI_PROGRAM),
                 {QStringLiteral("serve"), venuePath, QStringLiteral("--listen"),
                  QStringLiteral("127.0.0.1:0")});
    if (!server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "serve: the server did not start\n");
        return 1;
    }
    const QRegularExpressionMatch serving =
        QRegularExpression(QStringLiteral(":(\\d+)/")).match(QString::fromUtf8(server.readLine()));
    const quint16 port = quint16(serving.captured(1).toUInt());
    if (port == 0)
        return 1;

    QElapsedTimer clock;
    clock.start();
    int connected = 0;
    while (clock.elapsed() < 60000) {
        connected = 0;
        for (const QJsonValue room :
             httpRequest(port, "GET", "/api/rooms").json().value("rooms").toArray())
            connected += room.toObject().value("state").toString() == QLatin1String("connected");
        if (connected == kRooms)
            break;
        pause(200);
    }
    std::printf("serve: %d of %d rooms connected after %.1f s\n", connected, kRooms,
                double(clock.elapsed()) / 1000.0);
    if (connected != kRooms)
        return 1;

    // Idle: keep-alives only.
    pause(2000);
    const qint64 pid = server.processId();
    const double cpuBefore = cpuSeconds(pid);
    clock.restart();
    pause(kIdleSeconds * 1000);
    const double cpuPercent =
        (cpuSeconds(pid) - cpuBefore) / (double(clock.elapsed()) / 1000.0) * 100.0;
    const double rss = rssMiB(pid);
    std::printf("serve: idle with %d rooms: %.2f %% of one core, %.1f MiB resident\n", kRooms,
                cpuPercent, rss);

    // A POST until its frame is acknowledged.
    std::vector<double> acks;
    for (int i = 0; i < kPosts; ++i) {
        QElapsedTimer one;
        one.start();
        const HttpResult result =
            httpRequest(port, "POST", "/api/rooms/Room%201/settings",
                        QByteArray("{\"START0\": ") + QByteArray::number(30 + i % 2) + '}');
        if (result.status != 200) {
            std::fprintf(stderr, "serve: POST answered %d: %s\n", result.status,
                         result.body.constData());
            return 1;
        }
        acks.push_back(double(one.nsecsElapsed()) / 1e6);
    }
    const double ackMs = median(acks);
    std::printf("serve: POST to acknowledged frame: median %.1f ms of %d\n", ackMs, kPosts);

    // 50 event sockets.
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    std::vector<qint64> seenAt(kSockets, -1);
    QElapsedTimer roundClock;
    QString expected;
    for (int i = 0; i < kSockets; ++i) {
        auto socket = std::make_unique<QWebSocket>();
        QObject::connect(socket.get(), &QWebSocket::textMessageReceived, socket.get(),
                         [&, i](const QString &text) {
                             if (seenAt[std::size_t(i)] < 0 && text.contains(expected) &&
                                 text.contains(QLatin1String("\"START2\"")))
                                 seenAt[std::size_t(i)] = roundClock.nsecsElapsed();
                         });
        socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/events").arg(port)));
        sockets.push_back(std::move(socket));
    }
    clock.restart();
    while (std::any_of(sockets.begin(), sockets.end(), [](const auto &s) {
        return s->state() != QAbstractSocket::ConnectedState;
    })) {
        if (clock.elapsed() > 10000) {
            std::fprintf(
                stderr, "serve: %lld of %d event sockets did not open\n",
                static_cast<long long>(std::count_if(
                    sockets.begin(), sockets.end(),
                    [](const auto &s) { return s->state() != QAbstractSocket::ConnectedState; })),
                kSockets);
            return 1;
        }
        pause(20);
    }
    std::vector<double> rounds;
    for (int round = 0; round < kRounds; ++round) {
        std::fill(seenAt.begin(), seenAt.end(), -1);
        const int value = 40 + round;
        expected = QStringLiteral("\"value\":%1}").arg(value);
        roundClock.start();
        const HttpResult posted =
            httpRequest(port, "POST", "/api/rooms/Room%202/settings",
                        QByteArray("{\"START2\": ") + QByteArray::number(value) + '}');
        if (posted.status != 200) {
            std::fprintf(stderr, "serve: POST answered %d: %s\n", posted.status,
                         posted.body.constData());
            return 1;
        }
        clock.restart();
        while (std::count(seenAt.begin(), seenAt.end(), -1) > 0 && clock.elapsed() < 5000)
            pause(5);
        if (std::count(seenAt.begin(), seenAt.end(), -1) > 0) {
            std::fprintf(stderr, "serve: some event sockets got no message\n");
            return 1;
        }
        rounds.push_back(double(*std::max_element(seenAt.begin(), seenAt.end())) / 1e6);
    }
    const double eventMs = median(rounds);
    std::printf("serve: %d event sockets, POST to the last socket's message: median %.1f ms of %d "
                "rounds\n",
                kSockets, eventMs, kRounds);

    server.terminate();
    server.waitForFinished(10000);
    std::printf("idle_cpu_ratio=%.3f idle_rss_ratio=%.3f post_ack_ratio=%.3f "
                "events_50_ratio=%.3f (limits: %.0f %% of a core, %.0f MiB, %.0f ms, %.0f ms)\n",
                cpuPercent / kCpuLimitPercent, rss / kRssLimitMiB, ackMs / kAckLimitMs,
                eventMs / kEventLimitMs, kCpuLimitPercent, kRssLimitMiB, kAckLimitMs,
                kEventLimitMs);
    return 0;
}
