// The fault soak: drives the real editor (TonvaraApp on Qt window services) against the target
// simulator program on a pseudo-terminal. Moves sliders and keys through the controls with
// synthesised input, switches modes, runs Read, Upload, Save and Import through their buttons,
// answers every message box, and makes the simulator misbehave (silence, closed line and a new
// simulator on another pseudo-terminal, garbage, late answers, missing keep-alive echoes, wrong
// model on reconnect, key resets). Checks responsiveness, reconnection, the settings after each
// completed transfer, the store after each interrupted one, and memory growth.
// Owned by the soak program's main(); user-interface thread only.
#pragma once

#include "ParameterStore.h"
#include "ProfileData.h"
#include "QtWindowServices.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>
#include <random>

namespace tonvara {

class SimControl;
class TonvaraApp;

// Qt window services with the file dialogs answered by the soak (a modal dialog has nobody to
// answer it) and the blocking pauses recorded, so that they are not taken for a hung loop.
class SoakServices : public QtWindowServices
{
  public:
    void pause(Millis duration) override
    {
        pausedMs += duration.count();
        QtWindowServices::pause(duration);
    }
    QString openFileDialog(const FileDialogRequest &) override { return nextPath; }
    QString saveFileDialog(const FileDialogRequest &) override { return nextPath; }

    QString nextPath;
    qint64 pausedMs = 0;
};

struct SoakResult
{
    int operations = 0;
    int faults = 0;
    int reconnects = 0;
    int crashes = 0;
    int mismatches = 0;
    int stalls = 0;
    int reconnectFailures = 0;
    qint64 longestStallMs = 0;
    // What the checks saw, for the log.
    int readsCompleted = 0;
    int readsInterrupted = 0;
    int uploadsCompleted = 0;
    int uploadsInterrupted = 0;
    int importsApplied = 0;
    int importsRefused = 0;
    int messageBoxes = 0;
    qint64 rssBaselineKib = 0;
    qint64 rssEndKib = 0;
    bool endedConnected = false;
    QStringList problems; // one line per failed check, for the log
};

class SoakDriver : public QObject
{
    Q_OBJECT
  public:
    // The event loop must answer within this, outside the editor's own blocking pauses.
    static constexpr std::chrono::milliseconds kResponseBound{1000};
    // After the last fault has ended the editor must be connected again within this: a scan
    // every 2 s, probes of 700 ms, one wrong-model pause and the synchronisation.
    static constexpr std::chrono::milliseconds kReconnectBound{15000};
    static constexpr std::chrono::milliseconds kHeartbeat{50};
    static constexpr std::chrono::milliseconds kModalCheck{40};

    SoakDriver(TonvaraApp &app, SoakServices &services, SimControl &sim, QStringList linkPaths,
               std::chrono::milliseconds duration, unsigned seed);

    // Runs the soak to its end in the application's event loop.
    SoakResult run();

  private:
    // Driver steps.
    void step();
    void moveSlider();
    void clickKey();
    void switchMode();
    void clickSwitch();
    void readAll();
    void uploadAll();
    void saveProfile();
    void importProfile();

    // Faults and their recovery.
    void injectFault();
    // midTransfer: armed by a transfer to land in its middle.
    void scheduleFault(std::chrono::milliseconds delay, bool midTransfer = false);
    void recoverLater(std::chrono::milliseconds delay, std::function<void()> recovery);
    void restartSimulator(const QStringList &options);

    // Checks.
    void heartbeat();
    void answerMessageBox();
    // Differences between the editor and the simulator over every setting a Read or Upload
    // carries; each is logged as a problem.
    int compareWithSimulator(const QString &after);
    void problem(const QString &text);
    void finish();

    bool idleConnected() const;
    int pick(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(m_random); }
    // Runs a call that blocks on the simulator, not counting its time against the editor.
    template <typename F> auto blocking(F &&call);

    TonvaraApp &m_app;
    SoakServices &m_services;
    SimControl &m_sim;
    QStringList m_linkPaths;
    int m_linkIndex = 0;
    std::chrono::milliseconds m_duration;
    std::mt19937 m_random;
    QTemporaryDir m_dir;

    QTimer m_stepTimer;
    QTimer m_faultTimer;
    QTimer m_heartbeatTimer;
    QTimer m_modalTimer;
    QElapsedTimer m_clock;
    SoakResult m_result;

    // Heartbeat.
    qint64 m_lastBeat = 0;
    qint64 m_pausedAtBeat = 0;
    qint64 m_excusedMs = 0;

    // Connection tracking.
    bool m_wasConnected = false;
    bool m_everConnected = false;
    int m_faultsActive = 0;
    qint64 m_readySince = -1; // no fault active and not connected since then
    bool m_reconnectReported = false;

    // Message boxes.
    QStringList m_messages;
    qint64 m_boxSeenAt = -1;
    int m_boxDelayMs = 0;

    QPointer<QObject> m_box;   // the message box being answered
    bool m_lineClosed = false; // the simulator closed its line; a new one is on its way
    bool m_inTransfer = false;
    bool m_nextFaultMidTransfer = false;
    bool m_garbageOn = false;
    bool m_finishing = false;
    bool m_baselineTaken = false;
    int m_saves = 0;
    std::optional<ProfileData> m_savedProfile;
    QString m_savedPath;
};

} // namespace tonvara
