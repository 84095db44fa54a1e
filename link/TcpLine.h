// SerialLine over a raw TCP connection to a serial device server (an entry tcp://HOST:PORT): the
// server carries the line's bytes unchanged and owns the line settings. Connecting waits on
// window events for at most kConnectTimeout, so the window stays live and a dead host holds a
// scan for less than a silent device does. The server closing or resetting the connection is a
// lost line, reported once. Owned by RS232Port; user-interface thread only.
#pragma once

#include "SerialLine.h"
#include "WindowServices.h"

#include <QAbstractSocket>
#include <QTcpSocket>

#include <memory>
#include <optional>

namespace tonvara {

struct TcpEntry
{
    QString host;
    quint16 port = 0;
};

// Whether a port-table entry names a device server rather than a device.
bool isTcpEntry(const QString &entry);
// tcp://HOST:PORT, the host a name, an IPv4 address or a bracketed IPv6 one; empty when the
// entry is not of that form or the port is not 1 to 65535.
std::optional<TcpEntry> parseTcpEntry(const QString &entry);
// Why a connection attempt failed, from the socket's error.
OpenOutcome classifyConnectFailure(QAbstractSocket::SocketError error, const QString &errorText);

class TcpLine : public SerialLine
{
    Q_OBJECT
  public:
    // Below the probe's 700 ms reply time-out; a device server on a working network answers a
    // connection within a few milliseconds.
    static constexpr Millis kConnectTimeout{500};

    explicit TcpLine(WindowServices &services, QObject *parent = nullptr);
    ~TcpLine() override;

    // Entries come from the port table of the serial side; a server lists nothing itself.
    QStringList portTable() const override { return {}; }
    OpenOutcome open(const QString &entry) override;
    // The server sets the line; only the unread bytes are dropped (and kept to be asked for).
    bool configure(int baudRate, int dataBits) override;
    QByteArray droppedByConfigure() const override { return m_dropped; }
    qint64 bytesAvailable() const override;
    qint64 read(std::uint8_t *data, qint64 maxSize) override;
    void write(const std::uint8_t *data, qint64 size) override;
    void close() override;
    bool isOpen() const override { return m_open; }

  private:
    void onConnectionEnded();
    void stopWatchingLoss();

    WindowServices &m_services;
    QTcpSocket m_socket;
    std::unique_ptr<ServiceTimer> m_connectTimer;
    bool m_connecting = false;
    bool m_timedOut = false;
    bool m_open = false; // connected by open() and not closed since, even if the peer has gone
    QByteArray m_dropped;
    QMetaObject::Connection m_endedConnection;
    QMetaObject::Connection m_errorConnection;
};

} // namespace tonvara
