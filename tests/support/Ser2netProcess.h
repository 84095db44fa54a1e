// Runs ser2net, the serial device server, in front of a device for real-time tests and the
// bulk benchmark: writes its YAML (raw TCP on a loopback port, the device at 9600n81, no
// character delay), starts it in the foreground and waits until it listens. The port is picked
// free on the first start and kept, so a stopped server can come back where the editor looks.
// Owned by one test; used from the test's thread only. Every wait is bounded.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <chrono>

namespace tonvara {

class Ser2netProcess
{
  public:
    Ser2netProcess();
    ~Ser2netProcess();
    Ser2netProcess(const Ser2netProcess &) = delete;
    Ser2netProcess &operator=(const Ser2netProcess &) = delete;

    // The installed program, or empty when ser2net is not installed.
    static QString programPath();

    // Serves device on the loopback port; false (with errorString()) when the server does not
    // come up listening.
    bool start(const QString &device);
    // Ends the server (SIGTERM) and waits for it.
    void stop();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    quint16 port() const { return m_port; }
    // The port-table entry that reaches the device through the server.
    QString entry() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(m_port); }
    QString errorString() const { return m_error; }

    static constexpr std::chrono::milliseconds kStartTimeout{5000};

  private:
    bool listening() const;

    QProcess m_process;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace tonvara
