// A copy of what one room's thread knows, handed to the server's thread by value: the line's
// state, the settings as last read or acknowledged, and the counters the metrics show.
// Plain value type; any thread.
#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace tonvara::cli {

enum class RoomState
{
    NotConnected,
    Connected,
    Released
};

// "connected", "not connected", "released": as the API and the events say it.
QString roomStateText(RoomState state);

struct RoomSnapshot
{
    RoomState state = RoomState::NotConnected;
    QString error;        // why the room is not connected, or why the last change failed
    QJsonObject settings; // empty until the first read has completed
    quint64 linkLosses = 0;
    quint64 frames = 0; // frames put on the room's line
};

// The end of one settings request on a room's thread.
struct ChangeOutcome
{
    enum class Kind
    {
        Done,         // every frame acknowledged
        NotConnected, // nothing sent: the room's line is not connected or released
        Failed        // a frame went unanswered; the room has lost its line
    };
    Kind kind = Kind::Done;
    QString error;
};

} // namespace tonvara::cli

Q_DECLARE_METATYPE(tonvara::cli::RoomSnapshot)
Q_DECLARE_METATYPE(tonvara::cli::ChangeOutcome)
