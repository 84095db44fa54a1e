// The venue commands of tonvara-cli: check, backup, apply and accept. Reads the venue file
// whole first (a bad one writes FILE:LINE: reason and nothing else happens), then works every
// room chosen in a thread of its own, prints one report per room in the file's order (or one
// JSON document) and returns the exit status. Main thread; needs a QCoreApplication.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tonvara::cli {

struct VenueRequest
{
    enum class Action
    {
        Check,
        Backup,
        Apply,
        Accept
    };
    Action action = Action::Check;
    QString venueFile;
    bool json = false;
    QString metrics;   // check: the Prometheus text file to write, empty for none
    QStringList rooms; // apply and accept: the rooms named, empty for every room
    bool dryRun = false;
};

// A new, empty folder for one run's files: BACKUPS/20261211T143000Z from the time given, or
// with -2, -3 ... when a run in the same second made that one. nullopt with why when none can
// be made.
std::optional<QString> makeRunFolder(const QString &backups, const QDateTime &utc, QString &why);

// usageError: prints a usage error (the caller's words for the command); the status is then 2.
int runVenueCommand(const VenueRequest &request,
                    const std::function<void(const QString &)> &usageError);

} // namespace tonvara::cli
