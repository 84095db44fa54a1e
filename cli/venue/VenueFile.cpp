#include "VenueFile.h"

#include "IniDocument.h"
#include "ProfileFile.h"
#include "QSerialLine.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace tonvara::cli {

namespace {

constexpr QByteArrayView kVenueSection = "Venue";
constexpr QByteArrayView kRoomPrefix = "Room";
constexpr QByteArrayView kNameKey = "Name";
constexpr QByteArrayView kBackupsKey = "Backups";
constexpr QByteArrayView kPortKey = "Port";
constexpr QByteArrayView kBaselineKey = "Baseline";
constexpr const char *kDefaultBackups = "backups";

// A key seen in a section: its value and line.
struct Seen
{
    QString value;
    int line = 0;
};

struct RoomDraft
{
    QString name;
    int line = 0;
    std::optional<Seen> port;
    std::optional<Seen> baseline;
};

struct VenueDraft
{
    int line = 0; // of [Venue]; 0 when there is none
    std::optional<Seen> name;
    std::optional<Seen> backups;
};

// The room name of a "Room NAME" section; nullopt when the section is not a room's, an empty
// string when it is a room without a name.
std::optional<QString> roomNameOf(const QByteArray &section)
{
    if (section.size() < kRoomPrefix.size() ||
        !sameIniName(section.first(kRoomPrefix.size()), kRoomPrefix))
        return std::nullopt;
    const QByteArray rest = section.mid(kRoomPrefix.size());
    if (!rest.isEmpty() && rest.front() != ' ' && rest.front() != '\t')
        return std::nullopt; // "Rooms", "Roomy": not a room
    return QString::fromUtf8(rest.trimmed());
}

QString keyName(QByteArrayView key)
{
    return QString::fromLatin1(key.toByteArray());
}

class Reader
{
  public:
    Reader(const QString &path, const QStringList &portTable) : m_path(path), m_portTable(portTable)
    {
    }

    std::variant<Venue, VenueError> read()
    {
        const FileBytes file = readSmallFile(m_path);
        if (!file.ok)
            return fault(0, QStringLiteral("cannot be read: %1").arg(file.reason));
        if (!looksLikeText(file.bytes))
            return fault(0, QStringLiteral("cannot be read: it holds bytes that are not text"));
        const IniDocument doc = IniDocument::parse(file.bytes);
        if (std::optional<VenueError> error = scan(doc))
            return *error;
        return build();
    }

  private:
    VenueError fault(int line, const QString &reason) const
    {
        return VenueError{m_path, line, reason};
    }

    // The file's shape line by line: sections, keys, values; the first fault with its line.
    std::optional<VenueError> scan(const IniDocument &doc)
    {
        enum class In
        {
            Nothing,
            Venue,
            Room
        } in = In::Nothing;
        int lineNumber = 0;
        for (const IniDocument::Line &line : doc.lines()) {
            ++lineNumber;
            const QByteArray trimmed = line.text.trimmed();
            switch (line.kind) {
            case IniDocument::LineKind::Other:
                if (!trimmed.isEmpty() && !trimmed.startsWith(';') && !trimmed.startsWith('#'))
                    return fault(lineNumber,
                                 QStringLiteral("not a [section], a KEY=value line or a comment"));
                break;
            case IniDocument::LineKind::Section: {
                if (!trimmed.endsWith(']'))
                    return fault(lineNumber, QStringLiteral("a section name must end with ']'"));
                if (sameIniName(line.name, kVenueSection)) {
                    if (m_venue.line > 0)
                        return fault(lineNumber,
                                     QStringLiteral("a second [Venue] section (the first is at "
                                                    "line %1)")
                                         .arg(m_venue.line));
                    m_venue.line = lineNumber;
                    in = In::Venue;
                    break;
                }
                const std::optional<QString> room = roomNameOf(line.name);
                if (!room)
                    return fault(lineNumber,
                                 QStringLiteral("unknown section [%1]: a venue file has [Venue] "
                                                "and [Room NAME] sections")
                                     .arg(QString::fromUtf8(line.name)));
                if (room->isEmpty())
                    return fault(lineNumber, QStringLiteral("a room needs a name: [Room NAME]"));
                for (const RoomDraft &other : m_rooms) {
                    if (other.name.compare(*room, Qt::CaseInsensitive) == 0)
                        return fault(lineNumber,
                                     QStringLiteral("a second room named \"%1\" (the first is at "
                                                    "line %2)")
                                         .arg(*room)
                                         .arg(other.line));
                    const QString file = roomFileName(*room);
                    if (roomFileName(other.name).compare(file, Qt::CaseInsensitive) == 0)
                        return fault(lineNumber,
                                     QStringLiteral("rooms \"%1\" and \"%2\" would share the "
                                                    "backup file name \"%3\": rename one")
                                         .arg(other.name, *room, file));
                }
                m_rooms.append(RoomDraft{*room, lineNumber, {}, {}});
                in = In::Room;
                break;
            }
            case IniDocument::LineKind::Entry: {
                const Seen seen{QString::fromUtf8(line.value), lineNumber};
                switch (in) {
                case In::Nothing:
                    return fault(lineNumber,
                                 QStringLiteral("a key before any section: put it under [Venue] "
                                                "or a [Room NAME]"));
                case In::Venue:
                    if (sameIniName(line.name, kNameKey)) {
                        if (auto error = take(m_venue.name, kNameKey, seen))
                            return error;
                    } else if (sameIniName(line.name, kBackupsKey)) {
                        if (auto error = take(m_venue.backups, kBackupsKey, seen))
                            return error;
                    } else {
                        return fault(lineNumber,
                                     QStringLiteral("unknown key %1 in [Venue]: it takes Name and "
                                                    "Backups")
                                         .arg(QString::fromUtf8(line.name)));
                    }
                    break;
                case In::Room: {
                    RoomDraft &room = m_rooms.last();
                    if (sameIniName(line.name, kPortKey)) {
                        if (auto error = take(room.port, kPortKey, seen))
                            return error;
                    } else if (sameIniName(line.name, kBaselineKey)) {
                        if (auto error = take(room.baseline, kBaselineKey, seen))
                            return error;
                    } else {
                        return fault(lineNumber,
                                     QStringLiteral("unknown key %1 in room \"%2\": a room takes "
                                                    "Port and Baseline")
                                         .arg(QString::fromUtf8(line.name), room.name));
                    }
                    break;
                }
                }
                break;
            }
            }
        }
        return std::nullopt;
    }

    // Records a key's first value; a second one or an empty one is a fault.
    std::optional<VenueError> take(std::optional<Seen> &slot, QByteArrayView key, const Seen &seen)
    {
        if (slot)
            return fault(seen.line, QStringLiteral("%1 given twice (the first is at line %2)")
                                        .arg(keyName(key))
                                        .arg(slot->line));
        if (seen.value.isEmpty())
            return fault(seen.line, QStringLiteral("%1 needs a value").arg(keyName(key)));
        slot = seen;
        return std::nullopt;
    }

    // The rooms' ports and baselines, once the file's shape is known to be right.
    std::variant<Venue, VenueError> build() const
    {
        const QFileInfo info(m_path);
        const QDir folder = info.absoluteDir();
        Venue venue;
        venue.filePath = info.absoluteFilePath();
        venue.name = m_venue.name ? m_venue.name->value : info.completeBaseName();
        venue.backupsPath = QDir::cleanPath(folder.absoluteFilePath(
            m_venue.backups ? m_venue.backups->value : QString::fromLatin1(kDefaultBackups)));
        if (m_rooms.isEmpty())
            return fault(0, QStringLiteral("no rooms: a venue needs at least one [Room NAME] "
                                           "section with Port and Baseline"));

        for (const RoomDraft &draft : m_rooms) {
            for (const auto &[seen, key] :
                 {std::pair{&draft.port, kPortKey}, std::pair{&draft.baseline, kBaselineKey}}) {
                if (!*seen)
                    return fault(
                        draft.line,
                        QStringLiteral("room \"%1\" has no %2").arg(draft.name, keyName(key)));
            }
            VenueRoom room;
            room.name = draft.name;
            room.line = draft.line;
            room.port = draft.port->value;
            room.portName = resolvePort(room.port, m_portTable);
            if (!room.portName.error.isEmpty())
                return fault(draft.port->line, room.portName.error);
            for (const VenueRoom &other : venue.rooms) {
                QString twice = sameDeviceTwice({other.portName, room.portName});
                // COMn beyond the port table stands for no device yet, but is one port still.
                if (twice.isEmpty() && other.portName.device.isEmpty() &&
                    room.portName.device.isEmpty() &&
                    other.port.compare(room.port, Qt::CaseInsensitive) == 0)
                    twice =
                        QStringLiteral("%1 and %2 are the same port").arg(other.port, room.port);
                if (!twice.isEmpty())
                    return fault(draft.port->line,
                                 QStringLiteral("rooms \"%1\" and \"%2\" are on one port: %3")
                                     .arg(other.name, room.name, twice));
            }
            room.baselinePath = QDir::cleanPath(folder.absoluteFilePath(draft.baseline->value));
            const QString shown = QDir::toNativeSeparators(draft.baseline->value);
            if (!QFileInfo::exists(room.baselinePath))
                return fault(draft.baseline->line,
                             QStringLiteral("the baseline %1 does not exist").arg(shown));
            const ProfileCheck check = loadProfileFile(room.baselinePath);
            const QString refusal = profileRefusal(check);
            if (!refusal.isEmpty())
                return fault(draft.baseline->line,
                             QStringLiteral("the baseline %1: %2").arg(shown, refusal));
            room.baseline = check.data;
            room.baselineWarning = missingKeysWarning(check);
            venue.rooms.append(room);
        }
        return venue;
    }

    QString m_path;
    QStringList m_portTable;
    VenueDraft m_venue;
    QList<RoomDraft> m_rooms;
};

} // namespace

QString VenueError::text() const
{
    const QString shown = QDir::toNativeSeparators(file);
    if (line <= 0)
        return QStringLiteral("%1: %2").arg(shown, reason);
    return QStringLiteral("%1:%2: %3").arg(shown, QString::number(line), reason);
}

std::variant<Venue, VenueError> readVenueFile(const QString &path, const QStringList &portTable)
{
    return Reader(path, portTable).read();
}

std::variant<Venue, VenueError> readVenueFile(const QString &path)
{
    const QSerialLine line;
    return readVenueFile(path, line.portTable());
}

QString roomFileName(const QString &roomName)
{
    QString name;
    name.reserve(roomName.size());
    qsizetype bytes = 0;
    for (const QChar c : roomName) {
        const bool keep = c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-') ||
                          c == QLatin1Char('_') || c == QLatin1Char('.');
        const QChar kept = keep ? c : QLatin1Char('_');
        // Surrogate halves are never kept, so each character is one to three UTF-8 bytes.
        bytes += kept.unicode() < 0x80 ? 1 : kept.unicode() < 0x800 ? 2 : 3;
        if (bytes > kRoomFileNameBytes)
            break;
        name.append(kept);
    }
    // A leading '-' would read as an option to the shell tools run over the backups.
    if (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char('-')))
        name[0] = QLatin1Char('_');
    return name;
}

} // namespace tonvara::cli
