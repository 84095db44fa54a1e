#include "RS232Port.h"

#include <cstdio>

namespace tonvara {

QStringList portTableFrom(bool envSet, const QString &envValue, const QStringList &systemPorts)
{
    if (!envSet)
        return systemPorts;
    return envValue.split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

QString openFailureText(int portNumber, const QString &device, const OpenOutcome &outcome)
{
    const QString where = QStringLiteral("COM%1 (%2)").arg(portNumber).arg(device);
    switch (outcome.failure) {
    case OpenFailure::None:
        return {};
    case OpenFailure::NotAllowed:
        return QStringLiteral("%1: not allowed to open it. Fix: sudo usermod -aG %2 $USER, "
                              "then log in again.")
            .arg(where, outcome.group);
    case OpenFailure::Busy:
        if (!outcome.detail.isEmpty())
            return QStringLiteral("%1: in use by %2.").arg(where, outcome.detail);
        return QStringLiteral("%1: in use by another program.").arg(where);
    case OpenFailure::Absent:
        return QStringLiteral("%1: not present.").arg(where);
    case OpenFailure::Other:
        return QStringLiteral("%1: cannot open it: %2.").arg(where, outcome.detail);
    }
    return {};
}

RS232Port::RS232Port(std::unique_ptr<SerialLine> line, QObject *parent)
    : QObject(parent), m_line(std::move(line)),
      m_sink([](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); })
{
}

RS232Port::~RS232Port()
{
    m_line->close();
}

void RS232Port::rebuildPortTable()
{
    m_table = m_line->portTable();
    m_scanFailures.clear();
}

QString RS232Port::deviceOf(int portNumber) const
{
    if (portNumber < 1 || portNumber > kMaxPortNumber || portNumber > m_table.size())
        return {};
    return m_table.at(portNumber - 1);
}

bool RS232Port::openPort(const QString &portNumberText)
{
    bool isNumber = false;
    const int number = portNumberText.toInt(&isNumber);
    const QString device = isNumber ? deviceOf(number) : QString();
    if (device.isEmpty()) {
        // No device stands for this number: nothing to tell the user about.
        m_portHandle = kInvalidHandle;
        return false;
    }
    const OpenOutcome outcome = m_line->open(device);
    if (!outcome.ok()) {
        m_portHandle = kInvalidHandle;
        reportFailure(number, device, outcome);
        return false;
    }
    m_portHandle = number;
    return true;
}

bool RS232Port::configurePort(int baudRate, int byteSize)
{
    return m_line->configure(baudRate, byteSize);
}

void RS232Port::updateBytesWaiting()
{
    const qint64 n = m_line->bytesAvailable();
    m_bytesWaiting = n >= kBytesWaitingCap ? kBytesWaitingCap : static_cast<int>(n < 0 ? 0 : n);
}

int RS232Port::read(std::uint8_t *buffer, int count)
{
    if (count <= 0)
        return 0;
    if (count > kBytesWaitingCap)
        count = kBytesWaitingCap;
    const qint64 n = m_line->read(buffer, count);
    return n < 0 ? 0 : static_cast<int>(n > count ? count : n);
}

void RS232Port::write(const std::uint8_t *data, int count)
{
    m_line->write(data, count);
}

void RS232Port::closePort()
{
    m_line->close();
}

void RS232Port::reportFailure(int portNumber, const QString &device, const OpenOutcome &outcome)
{
    const QString text = openFailureText(portNumber, device, outcome);
    m_scanFailures.append(text);
    // Scans repeat every two seconds; tell each device's cause once, not every time.
    const QString key = device + QLatin1Char('\n') + QString::number(int(outcome.failure));
    if (!m_reported.contains(key)) {
        m_reported.insert(key);
        if (m_sink)
            m_sink(text);
    }
    if (text != m_lastFailureText) {
        m_lastFailureText = text;
        Q_EMIT failureTextChanged(text);
    }
}

} // namespace tonvara
