#include "InMemoryLine.h"

#include "TargetCore.h"

namespace tonvara {

InMemoryLine::InMemoryLine(VirtualWindowServices &services) : m_services(services) {}

void InMemoryLine::attachTarget(const QString &device, sim::TargetCore &target)
{
    devices[device].peer = [&target](const std::uint8_t *data, std::size_t size) {
        const sim::TargetCore::Reaction reaction = target.feed(data, size);
        return Answer{reaction.bytes, reaction.closeLine};
    };
}

Millis InMemoryLine::lineTime(std::size_t bytes)
{
    // 10 bits a byte at 9600 baud: about 1.04 ms, rounded up to whole milliseconds.
    return Millis{static_cast<long>((bytes * 10 * 1000 + 9599) / 9600)};
}

OpenOutcome InMemoryLine::open(const QString &device)
{
    close();
    m_dropped.clear();
    opens.append(device);
    const auto it = devices.find(device);
    if (it == devices.end())
        return {OpenFailure::Absent, {}, {}};
    if (!it->second.openOutcome.ok())
        return it->second.openOutcome;
    m_open = device;
    ++m_session;
    m_rx.insert(m_rx.end(), it->second.greeting.begin(), it->second.greeting.end());
    // A successful open may still carry a note (a slow USB adapter).
    return it->second.openOutcome;
}

bool InMemoryLine::configure(int baudRate, int dataBits)
{
    if (!isOpen() || baudRate != 9600 || dataBits != 8)
        return false;
    if (keepsDropped) {
        for (const std::uint8_t byte : m_rx)
            m_dropped.append(static_cast<char>(byte));
    }
    m_rx.clear();
    return true;
}

qint64 InMemoryLine::read(std::uint8_t *data, qint64 maxSize)
{
    qint64 n = 0;
    while (n < maxSize && !m_rx.empty()) {
        data[n++] = m_rx.front();
        m_rx.pop_front();
    }
    return n;
}

void InMemoryLine::write(const std::uint8_t *data, qint64 size)
{
    if (!isOpen() || size <= 0)
        return;
    writes.push_back({m_services.now(), m_open, std::vector<std::uint8_t>(data, data + size)});
    const Device &device = devices[m_open];
    if (!device.peer)
        return;
    Answer answer = device.peer(data, static_cast<std::size_t>(size));
    if (answer.bytes.empty() && !answer.closeLine)
        return;
    // The answer follows the written bytes' own line time plus its own.
    const Millis delay = lineTime(static_cast<std::size_t>(size) + answer.bytes.size());
    deliver(m_open, m_session, std::move(answer.bytes), answer.closeLine, delay);
}

void InMemoryLine::deliver(const QString &device, unsigned session, std::vector<std::uint8_t> bytes,
                           bool closeLine, Millis delay)
{
    m_services.scheduleAt(m_services.now() + delay,
                          [this, device, session, bytes = std::move(bytes), closeLine] {
                              if (m_open != device || m_session != session)
                                  return;
                              m_rx.insert(m_rx.end(), bytes.begin(), bytes.end());
                              if (closeLine) {
                                  close();
                                  Q_EMIT lineLost();
                                  return;
                              }
                              if (notifyReadyRead && !bytes.empty())
                                  Q_EMIT readyRead();
                          });
}

void InMemoryLine::inject(const QString &device, std::vector<std::uint8_t> bytes, Millis delay)
{
    m_services.scheduleAt(m_services.now() + delay, [this, device, bytes = std::move(bytes)] {
        if (m_open != device)
            return;
        m_rx.insert(m_rx.end(), bytes.begin(), bytes.end());
        if (notifyReadyRead)
            Q_EMIT readyRead();
    });
}

void InMemoryLine::vanish(const QString &device)
{
    devices.erase(device);
    table.removeAll(device);
    if (m_open != device)
        return;
    close();
    Q_EMIT lineLost();
}

std::vector<std::vector<std::uint8_t>> InMemoryLine::framesTo(const QString &device) const
{
    std::vector<std::vector<std::uint8_t>> frames;
    for (const Write &w : writes)
        if (w.device == device && w.bytes.size() == 6)
            frames.push_back(w.bytes);
    return frames;
}

void InMemoryLine::close()
{
    m_open.clear();
    m_rx.clear();
}

} // namespace tonvara
