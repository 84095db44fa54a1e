#include "RS232Port.h"

#include "TcpLine.h"

#include <cstdio>

namespace tonvara {

QStringList portTableFrom(bool envSet, const QString &envValue, const QStringList &systemPorts)
{
    if (!envSet)
        return systemPorts;
    QStringList table;
    const qsizetype n = envValue.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype end = envValue.indexOf(QLatin1Char(':'), i);
        if (isTcpEntry(envValue.mid(i, 6))) {
            // tcp://HOST:PORT: the host (bracketed when it is an IPv6 address) and the colon
            // before the port belong to the entry, which ends at the colon after the port.
            qsizetype hostEnd = i + 6;
            if (hostEnd < n && envValue.at(hostEnd) == QLatin1Char('[')) {
                const qsizetype bracket = envValue.indexOf(QLatin1Char(']'), hostEnd);
                hostEnd = bracket < 0 ? n : bracket;
            }
            const qsizetype portColon = envValue.indexOf(QLatin1Char(':'), hostEnd);
            end = portColon < 0 ? -1 : envValue.indexOf(QLatin1Char(':'), portColon + 1);
        }
        if (end < 0)
            end = n;
        if (end > i)
            table.append(envValue.mid(i, end - i));
        i = end + 1;
    }
    return table;
}

QString openFailureReason(const OpenOutcome &outcome)
{
    switch (outcome.failure) {
    case OpenFailure::None:
        return {};
    case OpenFailure::NotAllowed: {
        QString advice = notAllowedAdvice(outcome);
        advice[0] = advice[0].toUpper();
        return QStringLiteral("not allowed to open it. %1.").arg(advice);
    }
    case OpenFailure::Busy:
        if (!outcome.detail.isEmpty())
            return QStringLiteral("in use by %1.").arg(outcome.detail);
        return QStringLiteral("in use by another program.");
    case OpenFailure::Absent:
        return QStringLiteral("not present.");
    case OpenFailure::Other:
        return QStringLiteral("cannot open it: %1.").arg(outcome.detail);
    case OpenFailure::Refused:
        return QStringLiteral("connection refused: no server listens on that port.");
    case OpenFailure::HostNotFound:
        return QStringLiteral("host not found.");
    case OpenFailure::NoAnswer:
        return QStringLiteral("no answer within %1 ms.").arg(TcpLine::kConnectTimeout.count());
    case OpenFailure::Cancelled:
        return {};
    }
    return {};
}

QString notAllowedAdvice(const OpenOutcome &outcome)
{
    if (!outcome.group.isEmpty())
        return QStringLiteral("join the group %1: sudo usermod -aG %1 $USER, then log in again")
            .arg(outcome.group);
    // Joining the owner's group would not help, or would hand out far more than this port.
    const QString owner = outcome.owner.isEmpty() ? QStringLiteral("owner")
                                                  : QStringLiteral("owner %1").arg(outcome.owner);
    return QStringLiteral("only its %1 may open it; a udev rule can give it to the dialout "
                          "group: see Troubleshooting in the README")
        .arg(owner);
}

QString answerTextReason(const QString &device, const QString &text)
{
    return QStringLiteral("the %1 answered with text: \"%2\"")
        .arg(isTcpEntry(device) ? QStringLiteral("device server") : QStringLiteral("device"), text);
}

QString openFailureText(int portNumber, const QString &device, const OpenOutcome &outcome)
{
    const QString reason = openFailureReason(outcome);
    if (reason.isEmpty())
        return {};
    return QStringLiteral("COM%1 (%2): %3").arg(portNumber).arg(device, reason);
}

QString slowAdapterReason(int latencyTimerMs, const QString &timerFile)
{
    if (latencyTimerMs <= 0)
        return {};
    return QStringLiteral("the USB adapter holds received bytes for %1 ms, so Read and Upload "
                          "will be slower. Fix: echo 1 | sudo tee %2 (lasting: see "
                          "Troubleshooting in the README).")
        .arg(latencyTimerMs)
        .arg(timerFile);
}

QString slowAdapterText(int portNumber, const QString &device, int latencyTimerMs,
                        const QString &timerFile)
{
    const QString reason = slowAdapterReason(latencyTimerMs, timerFile);
    if (reason.isEmpty())
        return {};
    return QStringLiteral("COM%1 (%2): %3").arg(portNumber).arg(device, reason);
}

RS232Port::RS232Port(std::unique_ptr<SerialLine> line, std::unique_ptr<SerialLine> networkLine,
                     QObject *parent)
    : QObject(parent), m_line(std::move(line)), m_networkLine(std::move(networkLine)),
      m_active(m_line.get()),
      m_sink([](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); })
{
    for (SerialLine *each : {m_line.get(), m_networkLine.get()}) {
        if (!each)
            continue;
        connect(each, &SerialLine::readyRead, this, &RS232Port::readyRead);
        connect(each, &SerialLine::lineLost, this, &RS232Port::lineLost);
    }
}

RS232Port::~RS232Port()
{
    m_line->close();
    if (m_networkLine)
        m_networkLine->close();
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
    const OpenOutcome outcome = openEntry(device);
    if (!outcome.ok()) {
        m_portHandle = kInvalidHandle;
        const QString text = openFailureText(number, device, outcome);
        if (!text.isEmpty()) {
            m_scanFailures.append(text);
            report(device, QString::number(int(outcome.failure)), text);
        }
        return false;
    }
    m_portHandle = number;
    m_openNote =
        slowAdapterText(number, device, outcome.slowAdapterLatency, outcome.latencyTimerFile);
    if (!m_openNote.isEmpty()) {
        m_scanFailures.append(m_openNote);
        report(device, QStringLiteral("slow"), m_openNote);
    }
    return true;
}

OpenOutcome RS232Port::openDevice(const QString &device)
{
    const OpenOutcome outcome = openEntry(device);
    m_portHandle = outcome.ok() ? kDeviceHandle : kInvalidHandle;
    return outcome;
}

OpenOutcome RS232Port::openEntry(const QString &device)
{
    // Only one entry is open at a time: the one opened last.
    m_active->close();
    m_active = m_networkLine && isTcpEntry(device) ? m_networkLine.get() : m_line.get();
    m_openNote.clear();
    return m_active->open(device);
}

bool RS232Port::configurePort(int baudRate, int byteSize)
{
    return m_active->configure(baudRate, byteSize);
}

void RS232Port::updateBytesWaiting()
{
    const qint64 n = m_active->bytesAvailable();
    m_bytesWaiting = n >= kBytesWaitingCap ? kBytesWaitingCap : static_cast<int>(n < 0 ? 0 : n);
}

int RS232Port::read(std::uint8_t *buffer, int count)
{
    if (count <= 0)
        return 0;
    if (count > kBytesWaitingCap)
        count = kBytesWaitingCap;
    const qint64 n = m_active->read(buffer, count);
    return n < 0 ? 0 : static_cast<int>(n > count ? count : n);
}

void RS232Port::write(const std::uint8_t *data, int count)
{
    m_active->write(data, count);
}

void RS232Port::closePort()
{
    m_active->close();
}

void RS232Port::reportAnswerText(int portNumber, const QString &text)
{
    const QString device = deviceOf(portNumber);
    const QString line = QStringLiteral("COM%1 (%2): %3.")
                             .arg(portNumber)
                             .arg(device, answerTextReason(device, text));
    m_scanFailures.append(line);
    // A server that says something else this time is worth telling again.
    report(device, QStringLiteral("text ") + text, line);
}

void RS232Port::report(const QString &device, const QString &cause, const QString &text)
{
    // Scans repeat every two seconds; tell each device's cause once, not every time.
    const QString key = device + QLatin1Char('\n') + cause;
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
