#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QFile>

#include <csignal>
#include <sys/types.h>

namespace tonvara {

SimProcess::SimProcess() = default;

SimProcess::~SimProcess()
{
    if (isRunning())
        stop();
}

QString SimProcess::programPath()
{
    return QStringLiteral(TONVARA_SIM_PROGRAM);
}

bool SimProcess::start(const QStringList &options)
{
    m_device.clear();
    m_error.clear();
    m_commandsClosed = false;
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory: %1").arg(m_dir.errorString());
        return false;
    }
    // The trace goes to a file rather than a pipe, so a long trace never blocks the simulator.
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("trace.txt")));
    m_process.start(programPath(), options);
    if (!m_process.waitForStarted(static_cast<int>(kStartTimeout.count()))) {
        m_error =
            QStringLiteral("%1 did not start: %2").arg(programPath(), m_process.errorString());
        return false;
    }
    const QString line = readLine(kStartTimeout);
    if (!line.startsWith(QLatin1String("ready "))) {
        m_process.waitForFinished(static_cast<int>(kAnswerTimeout.count()));
        m_error = QStringLiteral("no ready line (got '%1'; stderr: %2)")
                      .arg(line, trace().join(QLatin1Char('\n')));
        return false;
    }
    m_device = line.mid(6);
    return true;
}

QString SimProcess::readLine(std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired())
            return {};
        m_process.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    }
    return QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

QString SimProcess::command(const QString &line)
{
    if (!isRunning() || m_commandsClosed)
        return {};
    m_process.write(line.toLocal8Bit() + '\n');
    m_process.waitForBytesWritten(static_cast<int>(kAnswerTimeout.count()));
    return readLine(kAnswerTimeout);
}

bool SimProcess::setSetting(int group, int mode, int address, int value)
{
    return command(
               QStringLiteral("set %1 %2 %3 %4").arg(group).arg(mode).arg(address).arg(value)) ==
           QLatin1String("ok");
}

std::optional<int> SimProcess::setting(int group, int mode, int address)
{
    const QString answer =
        command(QStringLiteral("get %1 %2 %3").arg(group).arg(mode).arg(address));
    if (!answer.startsWith(QLatin1String("value ")))
        return std::nullopt;
    return answer.mid(6).toInt();
}

int SimProcess::framesReceived()
{
    const QString answer = command(QStringLiteral("frames"));
    return answer.startsWith(QLatin1String("frames ")) ? answer.mid(7).toInt() : -1;
}

bool SimProcess::uploadEnded()
{
    return command(QStringLiteral("ended")) == QLatin1String("ended 1");
}

bool SimProcess::stop()
{
    if (isRunning() && !m_commandsClosed) {
        m_process.write("quit\n");
        m_process.waitForBytesWritten(static_cast<int>(kAnswerTimeout.count()));
        m_process.closeWriteChannel();
    }
    return waitForEnd();
}

bool SimProcess::stopBySignal(int signalNumber)
{
    if (isRunning())
        ::kill(static_cast<pid_t>(m_process.processId()), signalNumber);
    return waitForEnd();
}

bool SimProcess::waitForEnd()
{
    if (isRunning() && !m_process.waitForFinished(static_cast<int>(kAnswerTimeout.count()))) {
        m_process.terminate();
        if (!m_process.waitForFinished(static_cast<int>(kAnswerTimeout.count()))) {
            m_process.kill();
            m_process.waitForFinished(static_cast<int>(kAnswerTimeout.count()));
        }
        return false;
    }
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QStringList SimProcess::trace() const
{
    QFile file(m_dir.filePath(QStringLiteral("trace.txt")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList SimProcess::framesTraced() const
{
    QStringList frames;
    for (const QString &line : trace())
        if (line.startsWith(QLatin1String("rx ")) && line.size() == 3 + 17)
            frames.append(line.mid(3));
    return frames;
}

QString SimProcess::frameText(int command, int group, int mode, int address, int value)
{
    QStringList bytes{QStringLiteral("CD")};
    for (int b : {command, group, mode, address, value})
        bytes.append(QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper());
    return bytes.join(QLatin1Char(','));
}

} // namespace tonvara
