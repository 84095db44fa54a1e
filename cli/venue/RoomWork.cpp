#include "RoomWork.h"

#include "PortSession.h"
#include "ProfileCommands.h"
#include "ProfileFile.h"

#include <QDir>
#include <QElapsedTimer>

namespace tonvara::cli {

namespace {

// One visit to a room: its session, its clock and what it came to. Lives on the job's thread.
class RoomVisit
{
  public:
    RoomVisit(const VenueRoom &room, JobStatus &status)
        : m_room(room), m_status(status), m_session(&status.percent)
    {
        m_clock.start();
    }

    // Identify, then the editor's Read. False (and the outcome says why) when the room could
    // not be read.
    bool connectAndRead(ProfileData &held)
    {
        if (m_room.portName.device.isEmpty())
            return stop(RoomStep::Connect, m_room.portName.missing);
        m_status.stage = JobStatus::Connecting;
        const TargetLink::ProbeResult probe = m_session.connect(m_room.portName.device);
        if (probe.kind == TargetLink::ProbeResult::Kind::Silent)
            return stop(RoomStep::Connect, QStringLiteral("no answer on %1").arg(m_room.port));
        if (probe.kind != TargetLink::ProbeResult::Kind::Target)
            return stop(RoomStep::Connect,
                        QStringLiteral("%1: %2").arg(m_room.port, whyNotConnected(probe)));
        enter(JobStatus::Reading);
        if (m_session.read(held) != BulkTransfer::Result::Done)
            return stop(RoomStep::Read, QStringLiteral("the read stopped on %1: %2")
                                            .arg(m_room.port, m_session.interruption()));
        m_outcome.read = true;
        m_outcome.differences = settingDifferences(m_room.baseline, held);
        return true;
    }

    bool upload()
    {
        enter(JobStatus::Uploading);
        if (m_session.upload(m_room.baseline) != BulkTransfer::Result::Done)
            return stop(RoomStep::Upload, QStringLiteral("the upload stopped on %1: %2")
                                              .arg(m_room.port, m_session.interruption()));
        m_outcome.uploaded = true;
        return true;
    }

    // Reads the room again and compares it with its baseline.
    bool verify()
    {
        enter(JobStatus::Verifying);
        ProfileData back;
        if (m_session.read(back) != BulkTransfer::Result::Done)
            return stop(RoomStep::Verify, QStringLiteral("the read-back stopped on %1: %2")
                                              .arg(m_room.port, m_session.interruption()));
        const std::size_t left = settingDifferences(m_room.baseline, back).size();
        if (left > 0)
            return stop(
                RoomStep::Verify,
                QStringLiteral("%1 setting(s) read back still differ from the baseline").arg(left));
        m_outcome.verified = true;
        return true;
    }

    // Saves what the room holds as a new file in the run's folder.
    bool backUp(const ProfileData &held, const QString &folder)
    {
        const QString path = backupFilePath(folder, m_room.name);
        const SaveResult saved = saveProfileFile(path, held);
        if (!saved.ok)
            return stop(RoomStep::Backup, QStringLiteral("the backup %1 could not be written: %2")
                                              .arg(QDir::toNativeSeparators(path), saved.reason));
        m_outcome.backupPath = path;
        return true;
    }

    bool stop(RoomStep step, const QString &why)
    {
        m_outcome.failedAt = step;
        m_outcome.error = why;
        return false;
    }

    RoomOutcome &outcome() { return m_outcome; }

    RoomOutcome finish()
    {
        m_outcome.ok = m_outcome.failedAt == RoomStep::None;
        m_outcome.seconds = double(m_clock.elapsed()) / 1000.0;
        m_status.failed = !m_outcome.ok;
        m_status.stage = JobStatus::Finished;
        return m_outcome;
    }

  private:
    void enter(JobStatus::Stage stage)
    {
        m_status.percent = 0;
        m_status.stage = stage;
    }

    const VenueRoom &m_room;
    JobStatus &m_status;
    PortSession m_session;
    QElapsedTimer m_clock;
    RoomOutcome m_outcome;
};

} // namespace

QString stepName(RoomStep step)
{
    switch (step) {
    case RoomStep::None:
        return {};
    case RoomStep::Connect:
        return QStringLiteral("connect");
    case RoomStep::Read:
        return QStringLiteral("read");
    case RoomStep::Backup:
        return QStringLiteral("backup");
    case RoomStep::Upload:
        return QStringLiteral("upload");
    case RoomStep::Verify:
        return QStringLiteral("verify");
    case RoomStep::Baseline:
        return QStringLiteral("baseline");
    }
    return {};
}

QString backupFilePath(const QString &folder, const QString &roomName)
{
    return QDir(folder).filePath(roomFileName(roomName) + QString::fromLatin1(kProfileExtension));
}

RoomOutcome checkRoom(const VenueRoom &room, JobStatus &status)
{
    RoomVisit visit(room, status);
    ProfileData held;
    visit.connectAndRead(held);
    return visit.finish();
}

RoomOutcome backupRoom(const VenueRoom &room, const QString &folder, JobStatus &status)
{
    RoomVisit visit(room, status);
    ProfileData held;
    if (visit.connectAndRead(held))
        visit.backUp(held, folder);
    return visit.finish();
}

RoomOutcome applyRoom(const VenueRoom &room, const QString &folder, bool dryRun, JobStatus &status)
{
    RoomVisit visit(room, status);
    ProfileData held;
    // The order is the promise: no write to a room before its backup is whole on disk, and
    // none at all to a room that already holds its baseline.
    if (!visit.connectAndRead(held) || dryRun || !visit.backUp(held, folder) ||
        visit.outcome().differences.empty())
        return visit.finish();
    if (visit.upload())
        visit.verify();
    return visit.finish();
}

RoomOutcome acceptRoom(const VenueRoom &room, const QString &folder, JobStatus &status)
{
    RoomVisit visit(room, status);
    ProfileData held;
    if (!visit.connectAndRead(held))
        return visit.finish();
    // The old baseline is kept byte for byte before the new one replaces it.
    const QString shown = QDir::toNativeSeparators(room.baselinePath);
    const FileBytes old = readSmallFile(room.baselinePath);
    if (!old.ok) {
        visit.stop(RoomStep::Baseline,
                   QStringLiteral("the baseline %1 could not be read: %2").arg(shown, old.reason));
        return visit.finish();
    }
    const QString kept =
        QDir(folder).filePath(roomFileName(room.name) + QStringLiteral(" baseline") +
                              QString::fromLatin1(kProfileExtension));
    if (const SaveResult copy = writeFileAtomically(kept, old.bytes); !copy.ok) {
        visit.stop(RoomStep::Backup, QStringLiteral("the old baseline could not be kept as %1: %2")
                                         .arg(QDir::toNativeSeparators(kept), copy.reason));
        return visit.finish();
    }
    visit.outcome().previousBaseline = kept;
    if (const SaveResult saved = saveProfileFile(room.baselinePath, held); !saved.ok)
        visit.stop(
            RoomStep::Baseline,
            QStringLiteral("the baseline %1 could not be written: %2").arg(shown, saved.reason));
    return visit.finish();
}

} // namespace tonvara::cli
