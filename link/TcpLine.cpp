#include "TcpLine.h"

#include <algorithm>

namespace tonvara {

namespace {

const QLatin1String kScheme("tcp://");

} // namespace

bool isTcpEntry(const QString &entry)
{
    return entry.startsWith(kScheme, Qt::CaseInsensitive);
}

std::optional<TcpEntry> parseTcpEntry(const QString &entry)
{
    if (!isTcpEntry(entry))
        return std::nullopt;
    const QString rest = entry.mid(kScheme.size());
    const int colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = rest.left(colon);
    if (host.startsWith(QLatin1Char('['))) {
        if (!host.endsWith(QLatin1Char(']')) || host.size() < 3)
            return std::nullopt;
        host = host.mid(1, host.size() - 2);
    } else if (host.contains(QLatin1Char(':')) || host.contains(QLatin1Char('/'))) {
        return std::nullopt;
    }
    const QString portText = rest.mid(colon + 1);
    bool isNumber = false;
    const uint port = portText.toUInt(&isNumber);
    // toUInt takes a sign or spaces; a port is digits only.
    const bool digitsOnly =
        !portText.isEmpty() && std::all_of(portText.begin(), portText.end(),
                                           [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!isNumber || !digitsOnly || port < 1 || port > 65535 || host.isEmpty())
        return std::nullopt;
    return TcpEntry{host, static_cast<quint16>(port)};
}

OpenOutcome classifyConnectFailure(QAbstractSocket::SocketError error, const QString &errorText)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return {OpenFailure::Refused, {}, {}};
    case QAbstractSocket::HostNotFoundError:
        return {OpenFailure::HostNotFound, {}, {}};
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::NetworkError:
        // An unreachable network is no answer as well, just a quicker one.
        return {OpenFailure::NoAnswer, {}, {}};
    default:
        return {OpenFailure::Other, {}, errorText};
    }
}

TcpLine::TcpLine(WindowServices &services, QObject *parent)
    : SerialLine(parent), m_services(services),
      m_connectTimer(services.createTimer(kConnectTimeout, this))
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &SerialLine::readyRead);
    connect(m_connectTimer.get(), &ServiceTimer::tick, this, [this] {
        m_connectTimer->setEnabled(false);
        m_timedOut = true;
    });
}

TcpLine::~TcpLine()
{
    close();
}

OpenOutcome TcpLine::open(const QString &entry)
{
    close();
    m_dropped.clear();
    const std::optional<TcpEntry> server = parseTcpEntry(entry);
    if (!server)
        return {OpenFailure::Other, {}, QStringLiteral("not of the form tcp://HOST:PORT")};
    forgetPendingLoss();
    m_connecting = true;
    m_timedOut = false;
    m_connectTimer->setEnabled(true);
    m_socket.connectToHost(server->host, server->port);
    const auto settling = [this] {
        const QAbstractSocket::SocketState state = m_socket.state();
        return state == QAbstractSocket::HostLookupState ||
               state == QAbstractSocket::ConnectingState;
    };
    // The wait processes window events: the window stays live, and the time-out runs on the
    // services' clock. close() during the wait (the window closing) ends it.
    while (m_connecting && !m_timedOut && settling())
        m_services.waitForEvents();
    m_connectTimer->setEnabled(false);
    if (!m_connecting)
        return {OpenFailure::Cancelled, {}, {}};
    m_connecting = false;
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        // Each frame is one small write awaiting its answer: send it now, not with the next.
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_open = true;
        m_endedConnection =
            connect(&m_socket, &QAbstractSocket::disconnected, this, &TcpLine::onConnectionEnded);
        m_errorConnection =
            connect(&m_socket, &QAbstractSocket::errorOccurred, this, &TcpLine::onConnectionEnded);
        return {};
    }
    const OpenOutcome outcome =
        m_timedOut ? OpenOutcome{OpenFailure::NoAnswer, {}, {}}
                   : classifyConnectFailure(m_socket.error(), m_socket.errorString());
    m_socket.abort();
    return outcome;
}

bool TcpLine::configure(int, int)
{
    if (!m_open)
        return false;
    m_dropped = m_socket.readAll();
    return true;
}

qint64 TcpLine::bytesAvailable() const
{
    return m_open ? m_socket.bytesAvailable() : 0;
}

qint64 TcpLine::read(std::uint8_t *data, qint64 maxSize)
{
    if (!m_open || maxSize <= 0)
        return 0;
    const qint64 n = m_socket.read(reinterpret_cast<char *>(data), maxSize);
    return n < 0 ? 0 : n;
}

void TcpLine::write(const std::uint8_t *data, qint64 size)
{
    if (!m_open || m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    m_socket.write(reinterpret_cast<const char *>(data), size);
    // Hand the bytes to the system now, as the serial line does; flush() does not block.
    m_socket.flush();
}

void TcpLine::close()
{
    stopWatchingLoss();
    m_connecting = false;
    m_connectTimer->setEnabled(false);
    m_open = false;
    m_socket.abort();
}

void TcpLine::onConnectionEnded()
{
    // An error, then the end of the connection, come for one loss: the first one reports it.
    stopWatchingLoss();
    failLine();
}

void TcpLine::stopWatchingLoss()
{
    disconnect(m_endedConnection);
    disconnect(m_errorConnection);
    m_endedConnection = {};
    m_errorConnection = {};
}

} // namespace tonvara
