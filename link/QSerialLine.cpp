#include "QSerialLine.h"

#include "LowLatency.h"
#include "PortHolder.h"
#include "RS232Port.h"

#include <QFile>
#include <QSerialPortInfo>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tonvara {

OpenOutcome classifyOpenFailure(const QString &device, QSerialPort::SerialPortError error,
                                const QString &errorText)
{
    const QByteArray path = QFile::encodeName(device);
    struct stat info
    {
    };
    if (::stat(path.constData(), &info) != 0 || error == QSerialPort::DeviceNotFoundError)
        return {OpenFailure::Absent, {}, {}};
    if (::access(path.constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM)) {
        const struct group *group = ::getgrgid(info.st_gid);
        const struct passwd *owner = ::getpwuid(info.st_uid);
        return notAllowedOutcome(
            info.st_mode,
            owner ? QString::fromLocal8Bit(owner->pw_name) : QString::number(info.st_uid),
            group ? QString::fromLocal8Bit(group->gr_name) : QString::number(info.st_gid),
            info.st_gid);
    }
    // Allowed by the file's rights yet refused: another program holds the lock or the
    // exclusive mode of the device. Who holds it is the caller's look-up.
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError)
        return {OpenFailure::Busy, {}, {}};
    return {OpenFailure::Other, {}, errorText};
}

OpenOutcome notAllowedOutcome(unsigned mode, const QString &owner, const QString &group,
                              unsigned groupId)
{
    OpenOutcome outcome{OpenFailure::NotAllowed, {}, {}};
    outcome.owner = owner;
    const unsigned groupReadWrite = S_IRGRP | S_IWGRP;
    if ((mode & groupReadWrite) == groupReadWrite && groupId != 0)
        outcome.group = group;
    return outcome;
}

QSerialLine::QSerialLine(QObject *parent, const QString &sysfsRoot)
    : SerialLine(parent), m_sysfsRoot(sysfsRoot)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::readyRead);
}

QSerialLine::~QSerialLine() = default;

QStringList QSerialLine::portTable() const
{
    const bool envSet = qEnvironmentVariableIsSet("TONVARA_PORTS");
    // Listing the system's ports reads sysfs for every tty: skip it when it is not used.
    QStringList system;
    if (!envSet) {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            system.append(info.systemLocation());
    }
    return portTableFrom(envSet, qEnvironmentVariable("TONVARA_PORTS"), system);
}

OpenOutcome QSerialLine::open(const QString &device)
{
    close();
    // An absent device is the common case of a scan; QSerialPort would first take a lock file.
    if (::access(QFile::encodeName(device).constData(), F_OK) != 0)
        return {OpenFailure::Absent, {}, {}};
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        OpenOutcome outcome = classifyOpenFailure(device, m_port.error(), m_port.errorString());
        if (outcome.failure != OpenFailure::Busy) {
            m_busyHolders.remove(device);
            return outcome;
        }
        // Finding the holder walks every process's open files; a scan every 2 s meets the
        // same busy device again and again, so it is looked up only when the cause is new.
        auto known = m_busyHolders.constFind(device);
        if (known == m_busyHolders.constEnd()) {
            const std::optional<PortHolder> holder = m_lookUpHolder(device);
            known = m_busyHolders.insert(device, holder ? describePortHolder(*holder) : QString());
        }
        outcome.detail = *known;
        return outcome;
    }
    m_busyHolders.remove(device);
    forgetPendingLoss();
    // Errors are watched only while open, and only until the first one (see onError).
    m_errorConnection = connect(&m_port, &QSerialPort::errorOccurred, this, &QSerialLine::onError);
    // Each exchange ends with a one-byte answer that a USB adapter would otherwise hold for its
    // latency timer. A refusal changes nothing.
    requestLowLatency(static_cast<int>(m_port.handle()));
    OpenOutcome outcome;
    const std::optional<int> timer = usbLatencyTimer(device, m_sysfsRoot);
    if (timer && *timer > kSlowLatencyTimerMs) {
        outcome.slowAdapterLatency = *timer;
        outcome.latencyTimerFile = latencyTimerFile(device, m_sysfsRoot);
    }
    return outcome;
}

bool QSerialLine::configure(int baudRate, int dataBits)
{
    if (!m_port.isOpen())
        return false;
    const bool ok = m_port.setBaudRate(baudRate) &&
                    m_port.setDataBits(static_cast<QSerialPort::DataBits>(dataBits)) &&
                    m_port.setParity(QSerialPort::NoParity) &&
                    m_port.setStopBits(QSerialPort::OneStop) &&
                    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok)
        return false;
    m_port.clear(QSerialPort::AllDirections);
    // Bytes already read into Qt's own buffer are dropped too.
    m_port.readAll();
    return true;
}

qint64 QSerialLine::bytesAvailable() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

qint64 QSerialLine::read(std::uint8_t *data, qint64 maxSize)
{
    if (!m_port.isOpen() || maxSize <= 0)
        return 0;
    const qint64 n = m_port.read(reinterpret_cast<char *>(data), maxSize);
    return n < 0 ? 0 : n;
}

void QSerialLine::write(const std::uint8_t *data, qint64 size)
{
    if (!m_port.isOpen())
        return;
    m_port.write(reinterpret_cast<const char *>(data), size);
    // Hand the bytes to the driver now rather than on the next pass of the event loop: each
    // exchange of a bulk transfer waits for this frame's answer. flush() does not block.
    m_port.flush();
}

void QSerialLine::close()
{
    if (m_errorConnection)
        disconnect(m_errorConnection);
    m_errorConnection = {};
    if (m_port.isOpen())
        m_port.close();
}

bool QSerialLine::isOpen() const
{
    return m_port.isOpen();
}

void QSerialLine::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || lossPending())
        return;
    // A pseudo-terminal whose peer closed raises read errors in a storm: stop listening at once.
    if (m_errorConnection)
        disconnect(m_errorConnection);
    m_errorConnection = {};
    failLine();
}

} // namespace tonvara
