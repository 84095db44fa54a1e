#include "VenueCommands.h"

#include "CliOptions.h"
#include "ParallelJobs.h"
#include "Print.h"
#include "ProfileFile.h"
#include "RoomWork.h"
#include "VenueFile.h"
#include "VenueMetrics.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace tonvara::cli {

namespace {

using Action = VenueRequest::Action;

// A run whose folder is already there (two runs in one second) takes the next free suffix.
constexpr int kMaxFolderSuffix = 99;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

std::optional<QString> makeRunFolder(const QString &backups, const QDateTime &utc, QString &why)
{
    if (!QDir().mkpath(backups)) {
        why = QStringLiteral("the backups folder %1 cannot be created").arg(shown(backups));
        return std::nullopt;
    }
    const QString stamp = utc.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QDir dir(backups);
    for (int suffix = 1; suffix <= kMaxFolderSuffix; ++suffix) {
        const QString name = suffix == 1 ? stamp : QStringLiteral("%1-%2").arg(stamp).arg(suffix);
        // mkdir fails on a folder already there, so two runs never share one.
        if (dir.mkdir(name))
            return dir.filePath(name);
        if (!dir.exists(name)) {
            why = QStringLiteral("no folder can be made in %1").arg(shown(backups));
            return std::nullopt;
        }
    }
    why = QStringLiteral("too many runs in one second in %1").arg(shown(backups));
    return std::nullopt;
}

namespace {

// The file and folder the metrics go to, checked before any port is touched.
QString metricsFileProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return QStringLiteral("the folder %1 does not exist").arg(shown(info.absolutePath()));
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a regular file");
    // A folder the file cannot be created in (read-only, /proc) would waste every room's read.
    if (const SaveResult writable = checkDocumentWritable(path); !writable.ok)
        return QStringLiteral("the file cannot be created or replaced there (%1)")
            .arg(writable.reason);
    return {};
}

QJsonArray differencesJson(const std::vector<SettingDifference> &differences)
{
    QJsonArray list;
    for (const SettingDifference &d : differences)
        list.append(QJsonObject{{QStringLiteral("key"), QString::fromStdString(d.key)},
                                {QStringLiteral("title"), QString::fromStdString(d.title)},
                                {QStringLiteral("baseline"), d.firstValue},
                                {QStringLiteral("target"), d.secondValue}});
    return list;
}

// The lines diff prints, baseline against room, indented under the room's line.
QStringList differenceText(const std::vector<SettingDifference> &differences)
{
    QStringList lines;
    for (const std::string &line : differenceLines(differences, "baseline", "room"))
        lines.append(QStringLiteral("  ") + QString::fromStdString(line));
    return lines;
}

QString settingsCount(std::size_t count)
{
    return count == 1 ? QStringLiteral("1 setting") : QStringLiteral("%1 settings").arg(count);
}

struct RoomReport
{
    bool ok = false;
    QStringList lines; // the first names the room
    QJsonObject json;
};

QString failureText(const RoomOutcome &outcome)
{
    QString text =
        QStringLiteral("failed at %1: %2").arg(stepName(outcome.failedAt), outcome.error);
    if (!outcome.backupPath.isEmpty())
        text += QStringLiteral("; the backup is %1").arg(shown(outcome.backupPath));
    return text;
}

// What one room's outcome means for the command, as text and as JSON.
RoomReport describe(Action action, bool dryRun, const VenueRoom &room, const RoomOutcome &outcome)
{
    RoomReport report;
    QJsonObject &json = report.json;
    json.insert(QStringLiteral("name"), room.name);
    json.insert(QStringLiteral("port"), room.port);
    json.insert(QStringLiteral("seconds"), qRound(outcome.seconds * 10.0) / 10.0);
    if (!outcome.ok) {
        json.insert(QStringLiteral("step"), stepName(outcome.failedAt));
        json.insert(QStringLiteral("error"), outcome.error);
    }
    if (!outcome.backupPath.isEmpty())
        json.insert(QStringLiteral("backup"), outcome.backupPath);
    if (outcome.read || action == Action::Check)
        json.insert(QStringLiteral("differences"), differencesJson(outcome.differences));

    const std::size_t drift = outcome.differences.size();
    QString status;
    QString text;
    bool listDifferences = false;
    switch (action) {
    case Action::Check:
        if (!outcome.read) {
            status = QStringLiteral("unreachable");
            text = outcome.error;
        } else if (drift == 0) {
            status = QStringLiteral("match");
            text = QStringLiteral("matches its baseline");
        } else {
            status = QStringLiteral("drift");
            text = drift == 1 ? QStringLiteral("1 setting differs")
                              : QStringLiteral("%1 settings differ").arg(drift);
            listDifferences = true;
        }
        report.ok = outcome.read && drift == 0;
        break;
    case Action::Backup:
        status = outcome.ok ? QStringLiteral("saved") : QStringLiteral("failed");
        text = outcome.ok ? QStringLiteral("saved to %1 in %2 s")
                                .arg(shown(outcome.backupPath))
                                .arg(outcome.seconds, 0, 'f', 1)
                          : failureText(outcome);
        report.ok = outcome.ok;
        break;
    case Action::Apply:
        if (!outcome.ok) {
            status = QStringLiteral("failed");
            text = failureText(outcome);
            listDifferences = outcome.read;
        } else if (drift == 0) {
            status = QStringLiteral("unchanged");
            text = dryRun ? QStringLiteral("unchanged: it matches its baseline")
                          : QStringLiteral("unchanged, backup %1").arg(shown(outcome.backupPath));
            report.ok = true;
        } else if (dryRun) {
            status = QStringLiteral("would-change");
            text = QStringLiteral("would change %1").arg(settingsCount(drift));
            listDifferences = true;
        } else {
            status = QStringLiteral("applied");
            text = QStringLiteral("applied and verified (%1), backup %2")
                       .arg(settingsCount(drift), shown(outcome.backupPath));
            listDifferences = true;
            report.ok = true;
        }
        json.insert(QStringLiteral("uploaded"), outcome.uploaded);
        json.insert(QStringLiteral("verified"), outcome.verified);
        break;
    case Action::Accept:
        status = outcome.ok ? QStringLiteral("accepted") : QStringLiteral("failed");
        json.insert(QStringLiteral("baseline"), room.baselinePath);
        if (!outcome.previousBaseline.isEmpty())
            json.insert(QStringLiteral("previousBaseline"), outcome.previousBaseline);
        text = outcome.ok ? QStringLiteral("accepted into %1 (%2 changed), the old baseline is "
                                           "kept as %3")
                                .arg(shown(room.baselinePath), settingsCount(drift),
                                     shown(outcome.previousBaseline))
                          : failureText(outcome);
        listDifferences = outcome.ok;
        report.ok = outcome.ok;
        break;
    }
    json.insert(QStringLiteral("status"), status);
    report.lines.append(room.name + QStringLiteral(": ") + text);
    if (listDifferences)
        report.lines += differenceText(outcome.differences);
    return report;
}

// The rooms a command works: every room, or those --room names (without regard to case).
std::optional<QList<VenueRoom>> chosenRooms(const Venue &venue, const QStringList &names,
                                            QString &why)
{
    if (names.isEmpty())
        return venue.rooms;
    QList<VenueRoom> chosen;
    for (const QString &name : names) {
        const auto found =
            std::find_if(venue.rooms.begin(), venue.rooms.end(), [&name](const VenueRoom &room) {
                return room.name.compare(name, Qt::CaseInsensitive) == 0;
            });
        if (found == venue.rooms.end()) {
            QStringList known;
            for (const VenueRoom &room : venue.rooms)
                known.append(room.name);
            why = QStringLiteral("no room named '%1' in %2 (its rooms: %3)")
                      .arg(name, shown(venue.filePath), known.join(QStringLiteral(", ")));
            return std::nullopt;
        }
        chosen.append(*found);
    }
    // In the file's order, as every report is.
    std::sort(chosen.begin(), chosen.end(),
              [](const VenueRoom &a, const VenueRoom &b) { return a.line < b.line; });
    return chosen;
}

RoomOutcome work(Action action, const VenueRoom &room, const QString &folder, bool dryRun,
                 JobStatus &status)
{
    switch (action) {
    case Action::Check:
        return checkRoom(room, status);
    case Action::Backup:
        return backupRoom(room, folder, status);
    case Action::Apply:
        return applyRoom(room, folder, dryRun, status);
    case Action::Accept:
        return acceptRoom(room, folder, status);
    }
    return {};
}

} // namespace

int runVenueCommand(const VenueRequest &request,
                    const std::function<void(const QString &)> &usageError)
{
    QElapsedTimer clock;
    clock.start();
    const auto read = readVenueFile(request.venueFile);
    if (const auto *error = std::get_if<VenueError>(&read)) {
        printErr(error->text());
        return kExitUsage;
    }
    const Venue &venue = std::get<Venue>(read);
    QString why;
    const std::optional<QList<VenueRoom>> rooms = chosenRooms(venue, request.rooms, why);
    if (!rooms) {
        usageError(why);
        return kExitUsage;
    }
    if (!request.metrics.isEmpty()) {
        if (const QString problem = metricsFileProblem(request.metrics); !problem.isEmpty()) {
            printErr(
                QStringLiteral("%1: cannot be written: %2").arg(shown(request.metrics), problem));
            return kExitUsage;
        }
    }
    for (const VenueRoom &room : *rooms) {
        if (!room.baselineWarning.isEmpty())
            printErr(QStringLiteral("warning: %1: the baseline %2: %3")
                         .arg(room.name, shown(room.baselinePath), room.baselineWarning));
    }

    const bool writesFiles = request.action == Action::Backup || request.action == Action::Accept ||
                             (request.action == Action::Apply && !request.dryRun);
    QString folder;
    if (writesFiles) {
        const std::optional<QString> made =
            makeRunFolder(venue.backupsPath, QDateTime::currentDateTimeUtc(), why);
        if (!made) {
            printErr(QStringLiteral("%1: %2; no room was touched").arg(venue.name, why));
            return kExitFailed;
        }
        folder = *made;
    }

    std::vector<RoomOutcome> outcomes(std::size_t(rooms->size()));
    std::vector<RoomReport> reports(outcomes.size());
    QStringList names;
    QList<JobTask> tasks;
    for (qsizetype i = 0; i < rooms->size(); ++i) {
        const VenueRoom room = rooms->at(i);
        names.append(room.name);
        tasks.append([&outcomes, i, room, folder, request](JobStatus &status) {
            outcomes[std::size_t(i)] = work(request.action, room, folder, request.dryRun, status);
        });
    }
    bool allOk = true;
    std::vector<bool> ended(outcomes.size(), false);
    const bool verifies = request.action == Action::Apply && !request.dryRun;
    runInParallel(names, tasks, QStringLiteral("rooms"), verifies, [&](qsizetype i) {
        const std::size_t k = std::size_t(i);
        ended[k] = true;
        reports[k] = describe(request.action, request.dryRun, rooms->at(i), outcomes[k]);
        if (!request.json) {
            for (const QString &line : reports[k].lines)
                printOut(line);
        }
    });
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    QJsonArray roomsJson;
    QList<RoomMetrics> metrics;
    for (std::size_t k = 0; k < reports.size(); ++k) {
        allOk = allOk && ended[k] && reports[k].ok;
        roomsJson.append(reports[k].json);
        metrics.append(RoomMetrics{rooms->at(qsizetype(k)).name, outcomes[k].read,
                                   int(outcomes[k].differences.size())});
    }
    // A folder no room wrote into is not kept (rmdir removes only an empty one).
    if (!folder.isEmpty())
        QDir().rmdir(folder);

    if (request.json) {
        QJsonObject document{{QStringLiteral("venue"), venue.name},
                             {QStringLiteral("rooms"), roomsJson}};
        if (request.action == Action::Apply)
            document.insert(QStringLiteral("dryRun"), request.dryRun);
        if (!folder.isEmpty() && QFileInfo::exists(folder))
            document.insert(QStringLiteral("folder"), folder);
        printOut(QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact)));
    }
    if (!request.metrics.isEmpty()) {
        const SaveResult written = writeFileAtomically(
            request.metrics,
            venueCheckMetrics(venue.name, metrics, QDateTime::currentDateTimeUtc(), seconds));
        if (!written.ok) {
            printErr(QStringLiteral("%1: the metrics could not be written: %2")
                         .arg(shown(request.metrics), written.reason));
            return kExitFailed;
        }
    }
    return allOk ? kExitOk : kExitFailed;
}

} // namespace tonvara::cli
