// The work of one port for each command, run in a thread of its own so that several targets
// are served at the same time: probe a port-table entry, read a target into a profile file,
// upload a profile (and read it back). Each returns the port's report line and the same as a
// JSON object. The status is written by the job's thread and read by the main thread.
#pragma once

#include "PortName.h"
#include "ProfileData.h"
#include "TargetLink.h"

#include <QJsonObject>
#include <QString>

#include <atomic>

namespace tonvara::cli {

struct JobStatus
{
    enum Stage
    {
        Waiting,
        Connecting,
        Reading,
        Uploading,
        Verifying,
        Finished
    };
    std::atomic<int> stage{Waiting};
    std::atomic<int> percent{0};     // of the current stage's frames
    std::atomic<bool> failed{false}; // meaningful once Finished
    bool verifies = false;           // set before the job starts: a Verifying stage follows

    // Of the whole job, 0 to 100: the Upload is the first half when a read-back follows.
    int overallPercent() const;
};

struct PortReport
{
    bool ok = false;
    QString line;     // the text line, starting with the port's name
    QJsonObject json; // the same facts as one JSON object
};

// Why a port that was to carry a transfer did not connect ("no answer to Identify").
QString whyNotConnected(const TargetLink::ProbeResult &probe);

// COM<number> standing for device: what answers there (Identify only).
PortReport probeEntry(int number, const QString &device, JobStatus &status);
// The line and object that tell what a probe of COM<number> found.
PortReport describeProbe(int number, const QString &device, const TargetLink::ProbeResult &probe);
// Reads the target into a profile saved at path (the extension already added).
PortReport readTarget(const PortName &port, const QString &path, JobStatus &status);
// Uploads a checked profile; with verify, reads the settings back and compares.
PortReport uploadProfile(const PortName &port, const ProfileData &profile, bool verify,
                         JobStatus &status);

} // namespace tonvara::cli
