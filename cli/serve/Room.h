// One room of the venue on the server's side: starts the room's thread with its RoomWorker,
// keeps the latest copy of the room's state that the thread sent, and hands requests to the
// thread by queued calls, answering each on the server's thread. Owned by the server; server
// thread only (the worker lives on the room's thread until that thread ends).
#pragma once

#include "ServedRoom.h"

#include <QHash>
#include <QObject>
#include <QThread>

namespace tonvara::cli {

class RoomWorker;

class Room : public QObject, public ServedRoom
{
    Q_OBJECT
  public:
    // device: what the line opens; when empty, deviceError says why the room cannot connect.
    Room(const QString &name, const QString &port, const QString &device,
         const QString &deviceError, QObject *parent = nullptr);
    ~Room() override;

    void start();

    QString name() const override { return m_name; }
    QString port() const override { return m_port; }
    RoomSnapshot snapshot() const override { return m_snapshot; }
    void submit(const QList<LiveChange> &changes, Done done) override;
    void release(Done done) override;
    void take(Done done) override;

  signals:
    void stateChanged(const QString &state);
    void changeAcknowledged(const QString &key, int value);

  private:
    void onSnapshot(const RoomSnapshot &snapshot);
    void onRequestDone(quint64 request, const ChangeOutcome &outcome, const RoomSnapshot &snapshot);
    quint64 queue(Done done);

    QString m_name;
    QString m_port;
    QString m_deviceError;
    QThread m_thread;
    RoomWorker *m_worker = nullptr; // deleted on its own thread as that thread ends
    RoomSnapshot m_snapshot;
    QHash<quint64, Done> m_pending;
    quint64 m_nextRequest = 1;
};

} // namespace tonvara::cli
