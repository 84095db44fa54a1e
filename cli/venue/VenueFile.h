// The venue file: an INI text the installer writes by hand, naming the venue, its backups
// folder and every room with its port and baseline profile. It is read once and checked whole
// (every room's port form, every baseline as Import checks it) before any port is touched; the
// result is plain data or the first fault with its line. Pure apart from reading the files;
// any thread.
#pragma once

#include "PortName.h"
#include "ProfileData.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

namespace tonvara::cli {

struct VenueRoom
{
    QString name;         // as written after "Room ", what every report and label prints
    QString port;         // as written, any form a --port takes
    QString baselinePath; // absolute
    int line = 0;         // of the room's section header
    PortName portName;    // port resolved against the port table when the file was read
    ProfileData baseline; // as Import read it when the file was read
    // The baseline's keys that were missing when the file was read (taken as Import takes
    // them); the commands warn about them.
    QString baselineWarning;
};

struct Venue
{
    QString name;
    QString filePath;    // absolute
    QString backupsPath; // absolute
    QList<VenueRoom> rooms;
};

struct VenueError
{
    QString file; // as the user named it
    int line = 0; // 0 when the fault is the whole file's
    QString reason;
    QString text() const; // "FILE:LINE: reason", or "FILE: reason" without a line
};

std::variant<Venue, VenueError> readVenueFile(const QString &path);
// The same with the port table that COMn names stand for (tests give their own).
std::variant<Venue, VenueError> readVenueFile(const QString &path, const QStringList &portTable);

// A file name made from a room's name: letters, digits, blanks, '-', '_' and '.' stay, anything
// else (a slash above all) becomes '_', and a leading '.' or '-' too, so no name reaches outside
// its folder, hides its file or reads as an option. Cut to kRoomFileNameBytes of UTF-8, so the
// name with " baseline.Lumaroch" and a save's temporary suffix stays within a file system's
// 255 bytes.
inline constexpr qsizetype kRoomFileNameBytes = 200;
QString roomFileName(const QString &roomName);

} // namespace tonvara::cli
