// The simulator program's engine: serves a TargetCore on the master side of a pseudo-terminal,
// times every answer with a LinePacer (a precise timer, no polling), takes run-time commands on
// stdin and traces the traffic on stderr. Created and owned by main(); lives on the main
// thread's event loop.
#pragma once

#include "LinePacer.h"
#include "SimOptions.h"
#include "TargetCore.h"

#include <QObject>
#include <QString>

#include <deque>

class QSocketNotifier;
class QTimer;

namespace tonvara::sim {

class TargetSimulator : public QObject
{
    Q_OBJECT
  public:
    explicit TargetSimulator(SimOptions options, QObject *parent = nullptr);
    ~TargetSimulator() override;

    // Opens the pseudo-terminal, places the symlink and prints "ready <device>". False (with
    // errorString()) when any of it fails.
    bool start();
    QString errorString() const { return m_error; }
    QString devicePath() const { return m_devicePath; }

    // Ends the program: writes the dump, removes the symlink, closes the line. Returns false
    // when the dump could not be written.
    bool finish();

    // One stdin command; returns the line to answer with.
    QString runCommand(const QString &line);

  signals:
    void quitRequested();

  private:
    struct Pending
    {
        LinePacer::Time due;
        int byte = -1; // -1: close the line
    };

    void readLine();
    void readCommands();
    void sendDue();
    void armTimer();
    void queueAnswer(LinePacer::Time ready, const TargetCore::Reaction &reaction);
    void closeLine();
    void removeLink();
    void trace(const QString &text) const;
    bool writeDump() const;

    SimOptions m_options;
    TargetCore m_core;
    LinePacer m_pacer;
    std::deque<Pending> m_pending;
    QString m_devicePath;
    QString m_error;
    QByteArray m_commandBuffer;
    int m_masterFd = -1;
    int m_slaveFd = -1; // held open so the master never sees a hang-up between editor opens
    int m_timerFd = -1;
    bool m_closeQueued = false;
    bool m_linkCreated = false;
    QSocketNotifier *m_lineNotifier = nullptr;
    QSocketNotifier *m_timerNotifier = nullptr;
    QSocketNotifier *m_commandNotifier = nullptr;
    QTimer *m_keyResetTimer = nullptr;
    QTimer *m_lineRetryTimer = nullptr;
};

} // namespace tonvara::sim
