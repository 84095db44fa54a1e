// A venue being served: one Room per room of the venue (each on its own thread), the ApiRouter
// over them, the VenueServer that carries it, and the wiring that turns every acknowledged
// change and every change of a room's state into an event on the open event sockets.
// Server thread only.
#pragma once

#include "AccessPolicy.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace tonvara::cli {

class ApiRouter;
class Room;
class VenueServer;

struct ServedRoomEntry
{
    QString name;
    QString port; // as the venue file gives it
};

class VenueService : public QObject
{
    Q_OBJECT
  public:
    // portTable: the devices COM1, COM2 ... stand for.
    VenueService(const QString &venue, const QList<ServedRoomEntry> &rooms,
                 const QStringList &portTable, AccessPolicy access, QObject *parent = nullptr);
    ~VenueService() override;

    // The port it listens on, or 0 with error set. Nothing is opened before this.
    quint16 listen(const QHostAddress &address, quint16 port, QString &error);
    // Every room's line opens, each on its own thread.
    void startRooms();

    ApiRouter &router() { return *m_router; }
    VenueServer &server() { return *m_server; }

  private:
    QString m_venue;
    QList<Room *> m_rooms;
    std::unique_ptr<ApiRouter> m_router;
    std::unique_ptr<VenueServer> m_server;
};

} // namespace tonvara::cli
