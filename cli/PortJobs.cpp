#include "PortJobs.h"

#include "PortSession.h"
#include "ProfileDiff.h"
#include "ProfileFile.h"
#include "RS232Port.h"

#include <QElapsedTimer>
#include <QJsonArray>

namespace tonvara::cli {

namespace {

// How many differing settings a verify line names before "and N more".
constexpr int kDifferencesNamed = 5;

using Kind = TargetLink::ProbeResult::Kind;

QString seconds(const QElapsedTimer &clock)
{
    return QString::number(double(clock.elapsed()) / 1000.0, 'f', 1);
}

QString hexByte(std::uint8_t byte)
{
    return QStringLiteral("0x") +
           QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QString withoutFinalStop(QString text)
{
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

// Why a port that was to carry a transfer did not connect.
QString connectFailure(const TargetLink::ProbeResult &probe)
{
    switch (probe.kind) {
    case Kind::Target:
        break;
    case Kind::OtherModel:
        return QStringLiteral("another model answered Identify (byte %1)")
            .arg(hexByte(probe.modelByte));
    case Kind::Silent:
        return QStringLiteral("no answer to Identify");
    case Kind::NotConfigured:
        return QStringLiteral("the device refused the line settings (9600 baud, 8N1)");
    case Kind::NotOpened:
        return withoutFinalStop(openFailureReason(probe.open));
    }
    return {};
}

// A report that names the port: text line and JSON alike.
class Report
{
  public:
    Report(const QString &name, const QString &device, const char *command)
    {
        m_report.json.insert(QStringLiteral("port"), name);
        m_report.json.insert(QStringLiteral("device"), device);
        m_report.json.insert(QStringLiteral("command"), QLatin1String(command));
        m_name = name;
    }
    QJsonObject &json() { return m_report.json; }

    PortReport succeed(const QString &text)
    {
        m_report.ok = true;
        m_report.line = m_name + QStringLiteral(": ") + text;
        m_report.json.insert(QStringLiteral("ok"), true);
        return m_report;
    }
    PortReport fail(const QString &error)
    {
        m_report.ok = false;
        m_report.line = m_name + QStringLiteral(": failed: ") + error;
        m_report.json.insert(QStringLiteral("ok"), false);
        m_report.json.insert(QStringLiteral("error"), error);
        return m_report;
    }

  private:
    QString m_name;
    PortReport m_report;
};

void finish(JobStatus &status, bool ok)
{
    status.failed = !ok;
    status.stage = JobStatus::Finished;
}

} // namespace

int JobStatus::overallPercent() const
{
    const int current = stage.load();
    if (current == Finished)
        return 100;
    if (current < Reading)
        return 0;
    const int p = percent.load();
    if (!verifies)
        return p;
    return current == Verifying ? 50 + p / 2 : p / 2;
}

PortReport describeProbe(int number, const QString &device, const TargetLink::ProbeResult &probe)
{
    const QString name = QStringLiteral("COM%1").arg(number);
    PortReport report;
    report.ok = true;
    report.json.insert(QStringLiteral("port"), name);
    report.json.insert(QStringLiteral("device"), device);
    QString found;
    QString text;
    switch (probe.kind) {
    case Kind::Target:
        found = QStringLiteral("target");
        text = QStringLiteral("target");
        break;
    case Kind::OtherModel:
        found = QStringLiteral("other-model");
        text = QStringLiteral("another model (byte %1)").arg(hexByte(probe.modelByte));
        report.json.insert(QStringLiteral("modelByte"), probe.modelByte);
        break;
    case Kind::Silent:
        found = QStringLiteral("silent");
        text = QStringLiteral("silent (no answer to Identify)");
        break;
    case Kind::NotConfigured:
        found = QStringLiteral("error");
        text = connectFailure(probe);
        break;
    case Kind::NotOpened:
        switch (probe.open.failure) {
        case OpenFailure::NotAllowed:
            found = QStringLiteral("not-allowed");
            text = QStringLiteral("not allowed (join the group %1: sudo usermod -aG %1 $USER, "
                                  "then log in again)")
                       .arg(probe.open.group);
            report.json.insert(QStringLiteral("group"), probe.open.group);
            break;
        case OpenFailure::Busy:
            found = QStringLiteral("busy");
            text = probe.open.detail.isEmpty()
                       ? QStringLiteral("busy (held by another program)")
                       : QStringLiteral("busy (held by %1)").arg(probe.open.detail);
            if (!probe.open.detail.isEmpty())
                report.json.insert(QStringLiteral("holder"), probe.open.detail);
            break;
        case OpenFailure::Absent:
            found = QStringLiteral("absent");
            text = QStringLiteral("absent");
            break;
        case OpenFailure::None:
        case OpenFailure::Other:
            found = QStringLiteral("error");
            text = connectFailure(probe);
            break;
        }
        break;
    }
    report.json.insert(QStringLiteral("found"), found);
    if (found == QLatin1String("error"))
        report.json.insert(QStringLiteral("error"), text);
    report.line = QStringLiteral("%1 (%2): %3").arg(name, device, text);
    return report;
}

PortReport probeEntry(int number, const QString &device, JobStatus &status)
{
    status.stage = JobStatus::Connecting;
    TargetLink::ProbeResult probe;
    {
        PortSession session;
        probe = session.connect(device);
    }
    finish(status, true);
    return describeProbe(number, device, probe);
}

PortReport readTarget(const PortName &port, const QString &path, JobStatus &status)
{
    QElapsedTimer clock;
    clock.start();
    Report report(port.name, port.device, "read");
    report.json().insert(QStringLiteral("file"), path);
    const auto fail = [&](const QString &error) {
        finish(status, false);
        report.json().insert(QStringLiteral("seconds"), seconds(clock).toDouble());
        return report.fail(error);
    };
    if (port.device.isEmpty())
        return fail(port.missing);

    status.stage = JobStatus::Connecting;
    PortSession session(&status.percent);
    const TargetLink::ProbeResult probe = session.connect(port.device);
    if (probe.kind != Kind::Target)
        return fail(connectFailure(probe));

    status.percent = 0;
    status.stage = JobStatus::Reading;
    ProfileData profile;
    const BulkTransfer::Result result = session.read(profile);
    if (result == BulkTransfer::Result::ReadError)
        return fail(QStringLiteral("an answer cannot be held in a profile (%1)")
                        .arg(session.interruption()));
    if (result != BulkTransfer::Result::Done)
        return fail(session.interruption());

    const SaveResult saved = saveProfileFile(path, profile);
    if (!saved.ok)
        return fail(QStringLiteral("read, but not saved to %1: %2").arg(path, saved.reason));
    finish(status, true);
    report.json().insert(QStringLiteral("seconds"), seconds(clock).toDouble());
    return report.succeed(QStringLiteral("read in %1 s, saved to %2").arg(seconds(clock), path));
}

PortReport uploadProfile(const PortName &port, const ProfileData &profile, bool verify,
                         JobStatus &status)
{
    QElapsedTimer clock;
    clock.start();
    Report report(port.name, port.device, "upload");
    report.json().insert(QStringLiteral("uploaded"), false);
    if (verify)
        report.json().insert(QStringLiteral("verified"), false);
    const auto fail = [&](const QString &error) {
        finish(status, false);
        report.json().insert(QStringLiteral("seconds"), seconds(clock).toDouble());
        return report.fail(error);
    };
    if (port.device.isEmpty())
        return fail(port.missing);

    status.stage = JobStatus::Connecting;
    PortSession session(&status.percent);
    const TargetLink::ProbeResult probe = session.connect(port.device);
    if (probe.kind != Kind::Target)
        return fail(connectFailure(probe));

    status.percent = 0;
    status.stage = JobStatus::Uploading;
    if (session.upload(profile) != BulkTransfer::Result::Done)
        return fail(session.interruption());
    report.json().insert(QStringLiteral("uploaded"), true);

    if (verify) {
        status.percent = 0;
        status.stage = JobStatus::Verifying;
        ProfileData back;
        const BulkTransfer::Result result = session.read(back);
        if (result != BulkTransfer::Result::Done)
            return fail(QStringLiteral("uploaded, but the read-back stopped: %1")
                            .arg(session.interruption()));
        const QList<SettingDifference> differences = profileDifferences(profile, back);
        if (!differences.isEmpty()) {
            QStringList named;
            QJsonArray list;
            for (const SettingDifference &d : differences) {
                if (named.size() < kDifferencesNamed)
                    named.append(QStringLiteral("%1 (file %2, target %3)")
                                     .arg(QString::fromLatin1(d.key), QString::fromLatin1(d.a),
                                          QString::fromLatin1(d.b)));
                list.append(QJsonObject{{QStringLiteral("key"), QString::fromLatin1(d.key)},
                                        {QStringLiteral("file"), QString::fromLatin1(d.a)},
                                        {QStringLiteral("target"), QString::fromLatin1(d.b)}});
            }
            report.json().insert(QStringLiteral("differences"), list);
            QString text = QStringLiteral("uploaded, but %1 setting(s) read back differ: %2")
                               .arg(differences.size())
                               .arg(named.join(QStringLiteral(", ")));
            if (differences.size() > kDifferencesNamed)
                text += QStringLiteral(" and %1 more").arg(differences.size() - kDifferencesNamed);
            return fail(text);
        }
        report.json().insert(QStringLiteral("verified"), true);
    }
    finish(status, true);
    report.json().insert(QStringLiteral("seconds"), seconds(clock).toDouble());
    return report.succeed(
        QStringLiteral("%1 in %2 s")
            .arg(verify ? QStringLiteral("uploaded and verified") : QStringLiteral("uploaded"),
                 seconds(clock)));
}

} // namespace tonvara::cli
