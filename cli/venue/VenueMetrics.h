// A venue check's result in the Prometheus text format, for node_exporter's textfile
// collector: whether each room answered, how many of its settings drifted from its baseline,
// and when and how long the check ran. Pure; any thread.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace tonvara::cli {

struct RoomMetrics
{
    QString room;
    bool up = false;       // the room answered and was read
    int driftSettings = 0; // settings that differ from the baseline; only when up
};

// The whole file: HELP and TYPE for each metric, then one sample a line.
QByteArray venueCheckMetrics(const QString &venue, const QList<RoomMetrics> &rooms,
                             const QDateTime &checkedAt, double durationSeconds);

// A label value as the format writes it between double quotes: backslash, double quote and
// line feed escaped.
QString escapedLabelValue(const QString &value);

} // namespace tonvara::cli
