#include "VenueService.h"

#include "ApiRouter.h"
#include "PortName.h"
#include "Room.h"
#include "VenueServer.h"

#include <QJsonObject>

namespace tonvara::cli {

VenueService::VenueService(const QString &venue, const QList<ServedRoomEntry> &rooms,
                           const QStringList &portTable, AccessPolicy access, QObject *parent)
    : QObject(parent), m_venue(venue)
{
    QList<ServedRoom *> served;
    for (const ServedRoomEntry &entry : rooms) {
        const PortName port = resolvePort(entry.port, portTable);
        QString why = port.error.isEmpty() ? port.missing : port.error;
        auto *room = new Room(entry.name, entry.port, port.device, why, this);
        m_rooms.append(room);
        served.append(room);
    }
    m_router = std::make_unique<ApiRouter>(venue, served, std::move(access));
    m_server = std::make_unique<VenueServer>(*m_router);
    for (Room *room : std::as_const(m_rooms)) {
        const QString name = room->name();
        connect(room, &Room::changeAcknowledged, this, [this, name](const QString &key, int value) {
            m_server->broadcast(QJsonObject{{QStringLiteral("room"), name},
                                            {QStringLiteral("key"), key},
                                            {QStringLiteral("value"), value}});
        });
        connect(room, &Room::stateChanged, this, [this, name](const QString &state) {
            m_server->broadcast(
                QJsonObject{{QStringLiteral("room"), name}, {QStringLiteral("state"), state}});
        });
    }
}

VenueService::~VenueService()
{
    // The sockets go first, so no answer is written while the rooms' threads end.
    m_server.reset();
    qDeleteAll(m_rooms);
    m_rooms.clear();
}

quint16 VenueService::listen(const QHostAddress &address, quint16 port, QString &error)
{
    return m_server->listenOn(address, port, error);
}

void VenueService::startRooms()
{
    for (Room *room : std::as_const(m_rooms))
        room->start();
}

} // namespace tonvara::cli
