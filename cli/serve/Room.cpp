#include "Room.h"

#include "RoomWorker.h"

namespace tonvara::cli {

QJsonObject ServedRoom::roomJson(const QString &name, const QString &port,
                                 const RoomSnapshot &snapshot)
{
    QJsonObject room{{QStringLiteral("name"), name},
                     {QStringLiteral("port"), port},
                     {QStringLiteral("state"), roomStateText(snapshot.state)},
                     {QStringLiteral("settings"), snapshot.settings}};
    if (!snapshot.error.isEmpty())
        room.insert(QStringLiteral("error"), snapshot.error);
    return room;
}

Room::Room(const QString &name, const QString &port, const QString &device,
           const QString &deviceError, QObject *parent)
    : QObject(parent), m_name(name), m_port(port), m_deviceError(deviceError)
{
    m_snapshot.error = deviceError;
    m_thread.setObjectName(QStringLiteral("room ") + name);
    m_worker = new RoomWorker(device);
    m_worker->moveToThread(&m_thread);
    // The worker's timers and line belong to its thread: it is deleted there, last.
    RoomWorker *worker = m_worker;
    connect(
        &m_thread, &QThread::finished, worker, [worker] { delete worker; }, Qt::DirectConnection);
    connect(m_worker, &RoomWorker::snapshotChanged, this, &Room::onSnapshot);
    connect(m_worker, &RoomWorker::changeAcknowledged, this, &Room::changeAcknowledged);
    connect(m_worker, &RoomWorker::requestDone, this, &Room::onRequestDone);
}

Room::~Room()
{
    if (m_thread.isRunning()) {
        RoomWorker *worker = m_worker;
        QMetaObject::invokeMethod(
            worker, [worker] { worker->stop(); }, Qt::QueuedConnection);
        m_thread.quit();
        m_thread.wait();
    } else {
        delete m_worker;
    }
}

void Room::start()
{
    m_thread.start();
    RoomWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->start(); }, Qt::QueuedConnection);
}

quint64 Room::queue(Done done)
{
    const quint64 id = m_nextRequest++;
    m_pending.insert(id, std::move(done));
    return id;
}

void Room::submit(const QList<LiveChange> &changes, Done done)
{
    const quint64 id = queue(std::move(done));
    RoomWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, id, changes] { worker->submit(id, changes); }, Qt::QueuedConnection);
}

void Room::release(Done done)
{
    const quint64 id = queue(std::move(done));
    RoomWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, id] { worker->release(id); }, Qt::QueuedConnection);
}

void Room::take(Done done)
{
    const quint64 id = queue(std::move(done));
    RoomWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, id] { worker->take(id); }, Qt::QueuedConnection);
}

void Room::onSnapshot(const RoomSnapshot &snapshot)
{
    const RoomState before = m_snapshot.state;
    m_snapshot = snapshot;
    if (m_snapshot.error.isEmpty() && m_snapshot.state == RoomState::NotConnected)
        m_snapshot.error = m_deviceError;
    if (snapshot.state != before)
        emit stateChanged(roomStateText(snapshot.state));
}

void Room::onRequestDone(quint64 request, const ChangeOutcome &outcome,
                         const RoomSnapshot &snapshot)
{
    onSnapshot(snapshot);
    const Done done = m_pending.take(request);
    if (done)
        done(outcome, json());
}

} // namespace tonvara::cli
