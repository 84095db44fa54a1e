// The work of one room for each venue command: check it against its baseline, back it up,
// apply its baseline, accept what it holds. Each opens the room's port in a session of its own
// (Identify alone, then the editor's Read and Upload frames), so it runs on the thread of the
// room's job; it writes nothing to a target unless the command is apply and the room differs,
// and writes every file whole or not at all. Returns plain data for the caller to report.
#pragma once

#include "PortJobs.h"
#include "SettingsDifference.h"
#include "VenueFile.h"

#include <QString>

#include <vector>

namespace tonvara::cli {

// Where a room's work stopped.
enum class RoomStep
{
    None,    // it did not stop
    Connect, // the port did not open, or no target answered Identify
    Read,
    Backup,
    Upload,
    Verify,
    Baseline // accept: the old baseline could not be kept or the new one written
};
QString stepName(RoomStep step); // "connect", "read" ...

struct RoomOutcome
{
    bool ok = false;
    RoomStep failedAt = RoomStep::None;
    QString error;     // why it stopped, when failedAt is not None
    bool read = false; // the target answered and every setting was read
    // The baseline against what the room held when read (before any upload).
    std::vector<SettingDifference> differences;
    QString backupPath;       // the backup written by this run, empty when none
    bool uploaded = false;    // apply: the whole baseline went out and the target took it
    bool verified = false;    // apply: read back and equal to the baseline
    QString previousBaseline; // accept: where the old baseline was kept
    double seconds = 0;
};

// Reads the room and compares it with its baseline. Writes nothing.
RoomOutcome checkRoom(const VenueRoom &room, JobStatus &status);
// Reads the room into folder/<room>.Lumaroch.
RoomOutcome backupRoom(const VenueRoom &room, const QString &folder, JobStatus &status);
// Reads the room and backs it up into folder; where it differs from its baseline, uploads the
// baseline and reads it back. dryRun: reads and compares only (folder unused, nothing written).
RoomOutcome applyRoom(const VenueRoom &room, const QString &folder, bool dryRun, JobStatus &status);
// Reads the room, keeps the old baseline as folder/"<room> baseline.Lumaroch", then updates
// the baseline file in place with what the room holds.
RoomOutcome acceptRoom(const VenueRoom &room, const QString &folder, JobStatus &status);

// The file a room's backup goes to in a run's folder.
QString backupFilePath(const QString &folder, const QString &roomName);

} // namespace tonvara::cli
