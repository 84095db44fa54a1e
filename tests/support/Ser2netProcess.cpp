#include "Ser2netProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

namespace tonvara {

Ser2netProcess::Ser2netProcess() = default;

Ser2netProcess::~Ser2netProcess()
{
    stop();
}

QString Ser2netProcess::programPath()
{
    QString path = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                               QStringLiteral("/usr/local/sbin")});
    return path;
}

bool Ser2netProcess::start(const QString &device)
{
    m_error.clear();
    const QString program = programPath();
    if (program.isEmpty()) {
        m_error = QStringLiteral("ser2net is not installed (scripts/setup installs it)");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory: %1").arg(m_dir.errorString());
        return false;
    }
    if (m_port == 0) {
        // Other test programs run at the same time: take a port the system says is free.
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) {
            m_error = QStringLiteral("no free loopback port: %1").arg(probe.errorString());
            return false;
        }
        m_port = probe.serverPort();
    }
    const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml"));
    QFile file(config);
    const QByteArray yaml = QStringLiteral("connection: &target\n"
                                           "  accepter: tcp,127.0.0.1,%1\n"
                                           "  connector: serialdev,%2,9600n81,local\n"
                                           "  options:\n"
                                           "    chardelay: false\n"
                                           "    kickolduser: true\n")
                                .arg(m_port)
                                .arg(device)
                                .toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(yaml) != yaml.size()) {
        m_error = QStringLiteral("cannot write %1: %2").arg(config, file.errorString());
        return false;
    }
    file.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("ser2net.log")),
                                    QIODevice::Append);
    m_process.start(program, {QStringLiteral("-n"), QStringLiteral("-c"), config,
                              QStringLiteral("-P"), m_dir.filePath(QStringLiteral("ser2net.pid"))});
    if (!m_process.waitForStarted(static_cast<int>(kStartTimeout.count()))) {
        m_error = QStringLiteral("%1 did not start: %2").arg(program, m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeout);
    while (!listening()) {
        if (!isRunning() || deadline.hasExpired()) {
            QFile log(m_dir.filePath(QStringLiteral("ser2net.log")));
            log.open(QIODevice::ReadOnly);
            m_error = QStringLiteral("ser2net is not listening on port %1: %2")
                          .arg(m_port)
                          .arg(QString::fromLocal8Bit(log.readAll()).trimmed());
            stop();
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}

void Ser2netProcess::stop()
{
    if (!isRunning())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(static_cast<int>(kStartTimeout.count()))) {
        m_process.kill();
        m_process.waitForFinished(static_cast<int>(kStartTimeout.count()));
    }
}

bool Ser2netProcess::listening() const
{
    // The system's table of TCP sockets, rather than a trial connection, which would make the
    // server open the device.
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local =
        QByteArray("0100007F:") + QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0');
    const QList<QByteArray> lines = table.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // sl local_address rem_address st: 0A is LISTEN.
        if (fields.size() > 3 && fields.at(1) == local && fields.at(3) == "0A")
            return true;
    }
    return false;
}

} // namespace tonvara
