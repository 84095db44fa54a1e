#include "ServeCommand.h"

#include "CliOptions.h"
#include "QSerialLine.h"
#include "VenueFile.h"
#include "VenueService.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace tonvara::cli {

namespace {

int g_signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: the event loop reads the pipe and quits.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

void printErr(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

int usage(const QString &error)
{
    printErr(QStringLiteral("%1 serve: %2\nTry '%1 serve --help'.")
                 .arg(QLatin1String(kProgramName), error));
    return kExitUsage;
}

} // namespace

ListenAddress parseListenAddress(const QString &text)
{
    ListenAddress result;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
        result.error = QStringLiteral("'%1' is not ADDRESS:PORT").arg(text);
        return result;
    }
    QString host = text.left(colon);
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535) {
        result.error = QStringLiteral("'%1' has no port number from 0 to 65535").arg(text);
        return result;
    }
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (host == QLatin1String("localhost"))
        host = QStringLiteral("127.0.0.1");
    if (!result.address.setAddress(host)) {
        result.error = QStringLiteral("'%1' is not an IP address (or localhost)").arg(host);
        return result;
    }
    result.port = static_cast<quint16>(port);
    return result;
}

QString serveHelpText()
{
    return QStringLiteral(
        "Usage: tonvara-cli serve VENUE [--listen ADDRESS:PORT] [--token-file FILE]\n"
        "\n"
        "Holds the line of every room of the venue file and serves a page for staff, an\n"
        "HTTP/JSON API, live events on a WebSocket and Prometheus metrics:\n"
        "  GET  /                         the staff page\n"
        "  GET  /api/rooms                every room with its state and settings\n"
        "  GET  /api/rooms/NAME           one room (the name URL-encoded)\n"
        "  POST /api/rooms/NAME/settings  {\"MUTE\": 1, \"START0\": 40}: sent as the editor sends\n"
        "  POST /api/rooms/NAME/release   closes the room's line for the editor or venue apply\n"
        "  POST /api/rooms/NAME/take      opens it again\n"
        "  GET  /api/events               WebSocket: one JSON message per change or link change\n"
        "  GET  /metrics                  Prometheus text format\n"
        "\n"
        "  --listen ADDRESS:PORT  where to listen (default 127.0.0.1:8350); an address other\n"
        "                         than loopback needs --token-file\n"
        "  --token-file FILE      one line, the token: every request but the page needs\n"
        "                         \"Authorization: Bearer TOKEN\" (the event socket may carry\n"
        "                         ?access_token=TOKEN instead)\n"
        "Stops on SIGINT or SIGTERM. Exit status: 0 stopped; 2 a usage error, a bad venue\n"
        "file or token file, or an address it may not or cannot listen on.\n");
}

int runServe(const QStringList &arguments)
{
    QString venuePath;
    QString listenText = QStringLiteral("127.0.0.1:%1").arg(kDefaultServePort);
    QString tokenPath;
    bool listenGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            std::fputs(qPrintable(serveHelpText()), stdout);
            return kExitOk;
        }
        QString name = argument;
        QString value;
        const bool isOption = argument.startsWith(QLatin1String("--"));
        if (isOption && argument.contains(QLatin1Char('='))) {
            name = argument.section(QLatin1Char('='), 0, 0);
            value = argument.section(QLatin1Char('='), 1);
        } else if (isOption) {
            if (name != QLatin1String("--listen") && name != QLatin1String("--token-file"))
                return usage(QStringLiteral("unknown option '%1'").arg(name));
            if (i + 1 >= arguments.size())
                return usage(QStringLiteral("option '%1' needs a value").arg(name));
            value = arguments.at(++i);
        }
        if (!isOption) {
            if (!venuePath.isEmpty())
                return usage(QStringLiteral("unexpected argument '%1'").arg(argument));
            venuePath = argument;
        } else if (name == QLatin1String("--listen") && !listenGiven && !value.isEmpty()) {
            listenText = value;
            listenGiven = true;
        } else if (name == QLatin1String("--token-file") && tokenPath.isEmpty() &&
                   !value.isEmpty()) {
            tokenPath = value;
        } else if (name == QLatin1String("--listen") || name == QLatin1String("--token-file")) {
            return usage(QStringLiteral("option '%1' needs one value, given once").arg(name));
        } else {
            return usage(QStringLiteral("unknown option '%1'").arg(name));
        }
    }
    if (venuePath.isEmpty())
        return usage(QStringLiteral("no venue file given"));

    const ListenAddress listen = parseListenAddress(listenText);
    if (!listen.error.isEmpty())
        return usage(listen.error);
    if (!listen.address.isLoopback() && tokenPath.isEmpty())
        return usage(QStringLiteral("%1 is not a loopback address: anyone on the network could "
                                    "change the rooms, so give --token-file FILE")
                         .arg(listen.address.toString()));
    AccessPolicy access;
    if (!tokenPath.isEmpty()) {
        const TokenFile token = readTokenFile(tokenPath);
        if (!token.error.isEmpty()) {
            printErr(token.error);
            return kExitUsage;
        }
        access = AccessPolicy(token.token);
    }

    QSerialLine line;
    const QStringList portTable = line.portTable();
    const auto read = readVenueFile(venuePath);
    if (const auto *error = std::get_if<VenueError>(&read)) {
        printErr(error->text());
        return kExitUsage;
    }
    const Venue &venue = std::get<Venue>(read);
    QList<ServedRoomEntry> rooms;
    for (const VenueRoom &room : venue.rooms)
        rooms.append({room.name, room.port});

    VenueService service(venue.name, rooms, portTable, access);
    QString error;
    const quint16 port = service.listen(listen.address, listen.port, error);
    if (port == 0) {
        printErr(QStringLiteral("cannot listen on %1: %2").arg(listenText, error));
        return kExitUsage;
    }

    if (::pipe(g_signalPipe) != 0) {
        printErr(QStringLiteral("cannot set up the stop signals"));
        return kExitUsage;
    }
    QSocketNotifier stopNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);

    QString shownHost = listen.address.toString();
    if (listen.address.protocol() == QAbstractSocket::IPv6Protocol)
        shownHost = QLatin1Char('[') + shownHost + QLatin1Char(']');
    std::fprintf(stdout, "serving %s on http://%s:%u/ (%lld rooms)\n", qPrintable(venue.name),
                 qPrintable(shownHost), unsigned(port), static_cast<long long>(rooms.size()));
    std::fflush(stdout);
    service.startRooms();
    QCoreApplication::exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return kExitOk;
}

} // namespace tonvara::cli
