// Runs the target simulator program for real-time end-to-end tests: starts it with options,
// waits for its "ready <device>" line, talks to it through its stdin commands, stops it and
// collects its trace. Owned by one test; used from the test's thread only. Every wait is
// bounded by a few seconds, so a broken simulator fails the test instead of hanging it.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <optional>

namespace tonvara {

class SimProcess
{
  public:
    SimProcess();
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // The program built with the tests.
    static QString programPath();

    // Starts the simulator with these options and waits for its ready line. False (with
    // errorString()) when it does not start or does not announce a device.
    bool start(const QStringList &options = {});
    QString device() const { return m_device; }
    QString errorString() const { return m_error; }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    // Sends one command line and returns the one-line answer ("" when none came).
    QString command(const QString &line);
    bool setSetting(int group, int mode, int address, int value);
    std::optional<int> setting(int group, int mode, int address);
    int framesReceived();
    bool uploadEnded();
    bool silent() { return command(QStringLiteral("silent")) == QLatin1String("ok"); }
    bool talk() { return command(QStringLiteral("talk")) == QLatin1String("ok"); }
    bool closeLine() { return command(QStringLiteral("close")) == QLatin1String("ok"); }
    bool keyReset() { return command(QStringLiteral("keyreset")) == QLatin1String("ok"); }

    // Asks the simulator to quit (SIGTERM if it does not) and waits for it. True when it ended
    // by itself with status 0.
    bool stop();
    // Sends the signal (SIGTERM, SIGINT ...) and waits for the end. True on status 0.
    bool stopBySignal(int signalNumber);
    // Ends the command input, as a simulator started in the background would see it.
    void closeCommands()
    {
        m_process.closeWriteChannel();
        m_commandsClosed = true;
    }
    int exitCode() const { return m_process.exitCode(); }
    // Everything the simulator wrote on stderr so far: the --trace lines and any error.
    QStringList trace() const;
    // The whole frames among them ("rx CD,02,07,00,00,01"), as "CD,02,07,00,00,01".
    QStringList framesTraced() const;
    // A frame as the trace writes it.
    static QString frameText(int command, int group, int mode, int address, int value);

    static constexpr std::chrono::milliseconds kStartTimeout{5000};
    static constexpr std::chrono::milliseconds kAnswerTimeout{3000};

  private:
    QString readLine(std::chrono::milliseconds timeout);
    bool waitForEnd();

    QProcess m_process;
    QTemporaryDir m_dir;
    QString m_device;
    QString m_error;
    bool m_commandsClosed = false;
};

} // namespace tonvara
