// The byte line the editor talks to the target over: a serial device opened by path, raw 8N1, or
// a raw TCP connection to a serial device server. Implementations: QSerialLine on a real port,
// TcpLine for tcp://HOST:PORT entries, and an in-memory line in the tests that is joined to a
// simulated target on virtual time. Owned by RS232Port; user-interface thread only.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace tonvara {

// Why a device did not open; the editor tells the user once per device and cause.
enum class OpenFailure
{
    None,
    NotAllowed,
    Busy,
    Absent,
    Other,
    // A device server that did not take the connection.
    Refused,
    HostNotFound,
    NoAnswer,
    // The line was closed while it was still connecting (the window is closing): nothing to tell.
    Cancelled
};

struct OpenOutcome
{
    OpenFailure failure = OpenFailure::None;
    // NotAllowed: the group owning the device, when its members may read and write it; empty
    // when they may not (only the owner may then open it).
    QString group;
    QString detail; // Other: the system's own reason; Busy: who holds the device, if known
    // A USB serial adapter that still holds received bytes this many milliseconds before
    // passing them on (0: not such an adapter, or a fast one). Only on a successful open.
    int slowAdapterLatency = 0;
    QString latencyTimerFile = {}; // where the adapter's timer is read and set (sysfs)
    QString owner = {};            // NotAllowed: the user owning the device
    bool ok() const { return failure == OpenFailure::None; }
};

class SerialLine : public QObject
{
    Q_OBJECT
  public:
    using QObject::QObject;
    ~SerialLine() override = default;

    // The devices that stand for COM1, COM2, ... in this order, looked up afresh on each call.
    virtual QStringList portTable() const = 0;

    // Exclusive read/write access to the device.
    virtual OpenOutcome open(const QString &device) = 0;
    // Line settings (no parity, one stop bit, no flow control) and both queues emptied.
    virtual bool configure(int baudRate, int dataBits) = 0;
    // The received bytes the last configure dropped, where the line keeps them (until the next
    // open, the line's loss notwithstanding): a device server may greet a new connection with a
    // notice and close it. Empty for other lines.
    virtual QByteArray droppedByConfigure() const { return {}; }
    // Received bytes not yet read; 0 when closed.
    virtual qint64 bytesAvailable() const = 0;
    // Already received bytes only, never waits; the count delivered (0 when closed).
    virtual qint64 read(std::uint8_t *data, qint64 maxSize) = 0;
    // Queued for sending without waiting; failures are silent here and show up as silence.
    virtual void write(const std::uint8_t *data, qint64 size) = 0;
    // Harmless when nothing is open.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

  Q_SIGNALS:
    void readyRead();
    // The open device went away (unplugged adapter, closed pseudo-terminal, server gone);
    // emitted once per open, after the line has closed itself.
    void lineLost();

  protected:
    // The open line failed. Failures come in storms (a closed pseudo-terminal raises read errors
    // by the hundred thousand): the first one closes the line outside the signal that told and
    // reports the loss once; the rest are ignored until the next open.
    void failLine();
    bool lossPending() const { return m_lossPending; }
    // A new open starts afresh.
    void forgetPendingLoss() { m_lossPending = false; }

  private:
    void closeAfterFailure();

    bool m_lossPending = false;
};

} // namespace tonvara
