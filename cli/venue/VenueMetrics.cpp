#include "VenueMetrics.h"

namespace tonvara::cli {

namespace {

struct MetricText
{
    const char *name;
    const char *help;
};

constexpr MetricText kRoomUp{"tonvara_room_up",
                             "Whether the room's target answered the venue check and was read "
                             "(1) or not (0)."};
constexpr MetricText kRoomDrift{"tonvara_room_drift_settings",
                                "Settings of the room that differ from its baseline; absent "
                                "when the room could not be read."};
constexpr MetricText kCheckTime{"tonvara_venue_check_timestamp_seconds",
                                "When the venue check ended, in seconds since the Unix epoch."};
constexpr MetricText kCheckDuration{"tonvara_venue_check_duration_seconds",
                                    "How long the venue check took, in seconds."};

void header(QString &out, const MetricText &metric)
{
    out += QStringLiteral("# HELP %1 %2\n# TYPE %1 gauge\n")
               .arg(QLatin1String(metric.name), QLatin1String(metric.help));
}

QString labels(const QString &venue, const QString &room = {})
{
    QString text = QStringLiteral("{venue=\"%1\"").arg(escapedLabelValue(venue));
    if (!room.isNull())
        text += QStringLiteral(",room=\"%1\"").arg(escapedLabelValue(room));
    return text + QLatin1Char('}');
}

void sample(QString &out, const MetricText &metric, const QString &labelText, const QString &value)
{
    out += QLatin1String(metric.name) + labelText + QLatin1Char(' ') + value + QLatin1Char('\n');
}

} // namespace

QString escapedLabelValue(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            escaped += QLatin1String("\\\\");
        else if (c == QLatin1Char('"'))
            escaped += QLatin1String("\\\"");
        else if (c == QLatin1Char('\n'))
            escaped += QLatin1String("\\n");
        else
            escaped += c;
    }
    return escaped;
}

QByteArray venueCheckMetrics(const QString &venue, const QList<RoomMetrics> &rooms,
                             const QDateTime &checkedAt, double durationSeconds)
{
    QString out;
    header(out, kRoomUp);
    for (const RoomMetrics &room : rooms)
        sample(out, kRoomUp, labels(venue, room.room),
               room.up ? QStringLiteral("1") : QStringLiteral("0"));
    header(out, kRoomDrift);
    for (const RoomMetrics &room : rooms) {
        if (room.up)
            sample(out, kRoomDrift, labels(venue, room.room), QString::number(room.driftSettings));
    }
    header(out, kCheckTime);
    sample(out, kCheckTime, labels(venue),
           QString::number(double(checkedAt.toMSecsSinceEpoch()) / 1000.0, 'f', 3));
    header(out, kCheckDuration);
    sample(out, kCheckDuration, labels(venue), QString::number(durationSeconds, 'f', 3));
    return out.toUtf8();
}

} // namespace tonvara::cli
