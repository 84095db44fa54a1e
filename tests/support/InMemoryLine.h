// A serial line for tests: devices by path, each with an open failure or a peer that answers
// what the editor writes (a simulated target, or a script), delivered on the virtual clock
// after the time the bytes would take on a 9600 baud line. Records every open and write.
// Owned by the RS232Port under test; user-interface thread only.
#pragma once

#include "SerialLine.h"
#include "VirtualWindowServices.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

namespace tonvara {
namespace sim {
class TargetCore;
}

class InMemoryLine : public SerialLine
{
    Q_OBJECT
  public:
    struct Answer
    {
        std::vector<std::uint8_t> bytes;
        bool closeLine = false;
    };
    using Peer = std::function<Answer(const std::uint8_t *data, std::size_t size)>;

    struct Device
    {
        OpenOutcome openOutcome; // failure to report on open, or none
        Peer peer;               // null: the device opens but never answers
        // Already received when the device opens (a device server's notice on connecting).
        std::vector<std::uint8_t> greeting = {};
    };

    struct Write
    {
        Millis at;
        QString device;
        std::vector<std::uint8_t> bytes;
    };

    explicit InMemoryLine(VirtualWindowServices &services);

    // The table portTable() gives; devices not in it may still be added (for a later table).
    QStringList table;
    std::map<QString, Device> devices;
    // Received bytes also raise readyRead (off: only the poll sees them).
    bool notifyReadyRead = true;
    // configure keeps what it drops, as the line to a device server does.
    bool keepsDropped = false;

    // Joins a simulated target to device (kept by reference).
    void attachTarget(const QString &device, sim::TargetCore &target);
    // Bytes the peer sends on its own (key reset, noise), after delay.
    void inject(const QString &device, std::vector<std::uint8_t> bytes, Millis delay = Millis{0});
    // The device disappears (adapter pulled): an open line reports the loss.
    void vanish(const QString &device);

    // Records.
    std::vector<Write> writes;
    QStringList opens;
    QString openDevice() const { return m_open; }
    // Frames (six-byte writes) sent to device, in order.
    std::vector<std::vector<std::uint8_t>> framesTo(const QString &device) const;

    QStringList portTable() const override { return table; }
    OpenOutcome open(const QString &device) override;
    bool configure(int baudRate, int dataBits) override;
    QByteArray droppedByConfigure() const override { return m_dropped; }
    qint64 bytesAvailable() const override { return static_cast<qint64>(m_rx.size()); }
    qint64 read(std::uint8_t *data, qint64 maxSize) override;
    void write(const std::uint8_t *data, qint64 size) override;
    void close() override;
    bool isOpen() const override { return !m_open.isEmpty(); }

  private:
    void deliver(const QString &device, unsigned session, std::vector<std::uint8_t> bytes,
                 bool closeLine, Millis delay);
    static Millis lineTime(std::size_t bytes);

    VirtualWindowServices &m_services;
    QString m_open;
    unsigned m_session = 0; // bytes in flight for an earlier open are lost with it
    std::deque<std::uint8_t> m_rx;
    QByteArray m_dropped;
};

} // namespace tonvara
