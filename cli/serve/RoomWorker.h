// One room's line, on the room's own thread: connects with Identify, reads every setting as
// Read does, then runs the editor's start-up synchronisation; keeps the keep-alive and the
// watchdog running and connects again after a loss; sends the changes of settings requests,
// one request at a time, as the editor's controls send them. Created on the server's thread
// and moved to the room's thread, which alone calls it (through queued calls); it reports
// back only by signals carrying copies.
#pragma once

#include "LiveSettings.h"
#include "RoomSnapshot.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <memory>
#include <variant>

class QTimer;

namespace tonvara {
class BulkTransfer;
class HeadlessWindowServices;
class TargetLink;
} // namespace tonvara

namespace tonvara::cli {

class RoomLinkView;

class RoomWorker : public QObject
{
    Q_OBJECT
  public:
    // As the editor scans again after a loss.
    static constexpr std::chrono::milliseconds kReconnectInterval{2000};

    explicit RoomWorker(const QString &device, QObject *parent = nullptr);
    ~RoomWorker() override;

    // The calls below run on the room's thread; requests are queued and served in order.
    void start();
    void submit(quint64 request, const QList<LiveChange> &changes);
    void release(quint64 request);
    void take(quint64 request);
    // Closes the line; the thread ends next.
    void stop();

  signals:
    void snapshotChanged(const tonvara::cli::RoomSnapshot &snapshot);
    // One acknowledged change, with the value the room now holds.
    void changeAcknowledged(const QString &key, int value);
    void requestDone(quint64 request, const tonvara::cli::ChangeOutcome &outcome,
                     const tonvara::cli::RoomSnapshot &snapshot);

  private:
    struct Changes
    {
        QList<LiveChange> changes;
    };
    struct Release
    {
    };
    struct Take
    {
    };
    struct Request
    {
        quint64 id = 0;
        std::variant<Changes, Release, Take> work;
    };

    void serveQueue();
    ChangeOutcome serve(const Request &request);
    ChangeOutcome sendChanges(const QList<LiveChange> &changes);
    void tryConnect();
    void openLink();
    void closeLink();
    void onLinkLost();
    void onNaturalKey();
    RoomSnapshot snapshot() const;
    void publish();

    QString m_device;
    std::unique_ptr<HeadlessWindowServices> m_services;
    std::unique_ptr<ParameterStore> m_store;
    std::unique_ptr<RoomLinkView> m_view;
    std::unique_ptr<TargetLink> m_link;
    std::unique_ptr<BulkTransfer> m_bulk;
    QTimer *m_reconnect = nullptr;

    std::deque<Request> m_queue;
    bool m_busy = false; // a request or a connection is under way (its waits run events)
    bool m_released = false;
    bool m_stopped = false;
    bool m_connected = false; // connected, read and synchronised
    bool m_known = false;     // the settings were read at least once
    bool m_lossReported = false;
    QString m_error;
    quint64 m_linkLosses = 0;
    quint64 m_frames = 0;
};

} // namespace tonvara::cli
