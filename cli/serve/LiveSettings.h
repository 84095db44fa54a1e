// What a room's settings look like over HTTP: the JSON object of every value a room holds
// (the live keys MUTE, KEY, INPUTSELECT, EX, START0-2, MUSICMODE, MICMODE, EFFMODE and every
// profile key with its raw value), and a request body of changes checked whole before anything
// is sent. Pure functions; any thread.
#pragma once

#include "ParameterStore.h"
#include "SettingsCatalog.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace tonvara::cli {

// A larger body is refused before it is looked at.
inline constexpr qsizetype kMaxBodyBytes = 64 * 1024;

enum class LiveKind
{
    Mute,
    Key,
    Input,
    Exciter,
    StartLevel, // group: the VOL(SET) group
    Mode,       // group: the mode list (0 MUSIC, 1 MIC, 2 EFF); the value is the list's index
    Cell
};

// One change of a request, in the order given.
struct LiveChange
{
    QString key; // as this server names it ("START0", "Music1.3")
    LiveKind kind = LiveKind::Mute;
    int group = 0;
    SettingId cell;
    int value = 0;
};

struct ParsedChanges
{
    QList<LiveChange> changes;
    QString error; // empty when every change is good
    bool ok() const { return error.isEmpty(); }
};

// The body of a settings request: a JSON object of keys and whole numbers in range. Refused
// whole with a reason that names the key: malformed, empty, too large, an unknown key, a key
// given twice, a value that is not a whole number or out of range, a key that only Upload can
// set.
ParsedChanges parseLiveChanges(const QByteArray &body);

// Every value of a room, by key.
QJsonObject settingsJson(const ParameterStore &store);

// The store after one acknowledged change (a refused KEY is put back to natural by the caller).
void applyChange(ParameterStore &store, const LiveChange &change);

} // namespace tonvara::cli
