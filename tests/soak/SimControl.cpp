#include "SimControl.h"

#include <QDeadlineTimer>

namespace tonvara {

SimControl::SimControl(QString program, QObject *parent)
    : QObject(parent), m_program(std::move(program))
{
}

SimControl::~SimControl()
{
    stop();
}

bool SimControl::start(const QString &linkPath, const QStringList &options)
{
    stop();
    m_stopping = false;
    m_linkPath = linkPath;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->setStandardErrorFile(QProcess::nullDevice());
    QProcess *process = m_process.get();
    connect(process, &QProcess::finished, this,
            [this, process](int code, QProcess::ExitStatus status) {
                if (process != m_process.get() || m_stopping)
                    return;
                ++m_crashes;
                m_error = status == QProcess::CrashExit
                              ? QStringLiteral("simulator crashed")
                              : QStringLiteral("simulator ended with status %1").arg(code);
            });
    m_process->start(m_program, QStringList{QStringLiteral("--link"), linkPath} + options);
    if (!m_process->waitForStarted(int(kStartTimeout.count()))) {
        m_error = QStringLiteral("simulator did not start: ") + m_process->errorString();
        return false;
    }
    const QString ready = readLine(kStartTimeout);
    if (!ready.startsWith(QLatin1String("ready "))) {
        m_error = QStringLiteral("simulator did not announce its device");
        return false;
    }
    return true;
}

void SimControl::stop()
{
    if (!m_process)
        return;
    m_stopping = true;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->write("quit\n");
        m_process->waitForBytesWritten(int(kAnswerTimeout.count()));
        if (!m_process->waitForFinished(int(kAnswerTimeout.count()))) {
            m_process->kill();
            m_process->waitForFinished(int(kAnswerTimeout.count()));
        }
    }
    m_process.reset();
}

QString SimControl::readLine(std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!m_process->canReadLine() && !deadline.hasExpired() &&
           m_process->state() != QProcess::NotRunning)
        m_process->waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    if (!m_process->canReadLine())
        return {};
    return QString::fromLocal8Bit(m_process->readLine()).trimmed();
}

QStringList SimControl::commands(const QStringList &lines)
{
    QStringList answers;
    if (!isRunning())
        return answers;
    QByteArray batch;
    for (const QString &line : lines)
        batch += line.toLocal8Bit() + '\n';
    m_process->write(batch);
    m_process->waitForBytesWritten(int(kAnswerTimeout.count()));
    for (qsizetype i = 0; i < lines.size(); ++i)
        answers.append(readLine(kAnswerTimeout));
    return answers;
}

std::optional<int> SimControl::valueOf(const QString &answer)
{
    if (!answer.startsWith(QLatin1String("value ")))
        return std::nullopt;
    bool ok = false;
    const int value = answer.mid(6).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace tonvara
