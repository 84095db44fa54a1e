// What the HTTP side may ask of a room: its name, port and a copy of its state, and the three
// requests that go to the room's thread. Answers come back on the server's thread, later.
// Implemented by Room (a line on a thread of its own) and by the fuzz target's stand-in.
// Server thread only.
#pragma once

#include "LiveSettings.h"
#include "RoomSnapshot.h"

#include <QJsonObject>
#include <QString>

#include <functional>

namespace tonvara::cli {

class ServedRoom
{
  public:
    virtual ~ServedRoom() = default;

    // Called once with the outcome and the room object as it then is.
    using Done = std::function<void(const ChangeOutcome &outcome, const QJsonObject &room)>;

    virtual QString name() const = 0;
    virtual QString port() const = 0;
    virtual RoomSnapshot snapshot() const = 0;
    // Changes already checked whole; every one goes on the room's line in order.
    virtual void submit(const QList<LiveChange> &changes, Done done) = 0;
    virtual void release(Done done) = 0;
    virtual void take(Done done) = 0;

    // {"name", "port", "state", "settings"} and "error" while there is one.
    QJsonObject json() const { return roomJson(name(), port(), snapshot()); }
    static QJsonObject roomJson(const QString &name, const QString &port,
                                const RoomSnapshot &snapshot);
};

} // namespace tonvara::cli
