// The target simulator program as the soak drives it: started on a new pseudo-terminal with a
// symlink at a fixed path, told to misbehave through its stdin commands, asked for its settings
// in batches, stopped and started again. Notices when it ends without being asked to (a crash).
// Owned by the soak driver; user-interface thread only. Every wait is bounded by a few seconds.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

namespace tonvara {

class SimControl : public QObject
{
    Q_OBJECT
  public:
    static constexpr std::chrono::milliseconds kStartTimeout{5000};
    static constexpr std::chrono::milliseconds kAnswerTimeout{3000};

    explicit SimControl(QString program, QObject *parent = nullptr);
    ~SimControl() override;

    // Starts a new simulator whose device is reachable at linkPath; the one running is stopped.
    bool start(const QString &linkPath, const QStringList &options = {});
    // Asks it to quit and waits; kills it when it does not.
    void stop();
    bool isRunning() const { return m_process && m_process->state() != QProcess::NotRunning; }
    QString linkPath() const { return m_linkPath; }

    // Sends the lines at once and collects one answer line for each (empty when none came).
    QStringList commands(const QStringList &lines);
    QString command(const QString &line) { return commands({line}).value(0); }
    // The value of one setting, by group, mode and address; nullopt when it did not answer.
    static std::optional<int> valueOf(const QString &answer);

    // Ends the simulator did not ask for: abnormal exits and non-zero statuses.
    int crashes() const { return m_crashes; }
    QString lastError() const { return m_error; }

  private:
    QString readLine(std::chrono::milliseconds timeout);

    QString m_program;
    std::unique_ptr<QProcess> m_process;
    QString m_linkPath;
    bool m_stopping = false;
    int m_crashes = 0;
    QString m_error;
};

} // namespace tonvara
