#include "PortJobs.h"

#include "PortSession.h"
#include "ProfileFile.h"
#include "RS232Port.h"
#include "SettingsDifference.h"

#include <QElapsedTimer>
#include <QJsonArray>

namespace tonvara::cli {

namespace {

// How many differing settings a verify line names before "and N more".
constexpr int kDifferencesNamed = 5;

using Kind = TargetLink::ProbeResult::Kind;

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

// A read or an upload on one port: its clock, its session and its report, which names the port
// in the text line and the JSON object alike. Lives on the job's thread.
class Transfer
{
  public:
    Transfer(const PortName &port, const char *command, JobStatus &status)
        : m_port(port), m_status(status), m_session(&status.percent)
    {
        m_clock.start();
        m_report.json.insert(QStringLiteral("port"), port.name);
        m_report.json.insert(QStringLiteral("device"), port.device);
        m_report.json.insert(QStringLiteral("command"), QLatin1String(command));
    }
    PortSession &session() { return m_session; }
    QJsonObject &json() { return m_report.json; }
    QString seconds() const { return QString::number(double(m_clock.elapsed()) / 1000.0, 'f', 1); }

    // Identify alone; false when no target answered (fail() then tells why).
    bool connect(QString &why)
    {
        if (m_port.device.isEmpty()) {
            why = m_port.missing;
            return false;
        }
        m_status.stage = JobStatus::Connecting;
        const TargetLink::ProbeResult probe = m_session.connect(m_port.device);
        why = connectFailure(probe);
        return probe.kind == Kind::Target;
    }
    void enter(JobStatus::Stage stage)
    {
        m_status.percent = 0;
        m_status.stage = stage;
    }

    PortReport succeed(const QString &text) { return end(true, text); }
    PortReport fail(const QString &error)
    {
        m_report.json.insert(QStringLiteral("error"), error);
        return end(false, QStringLiteral("failed: ") + error);
    }

  private:
    PortReport end(bool ok, const QString &text)
    {
        m_report.ok = ok;
        m_report.line = m_port.name + QStringLiteral(": ") + text;
        m_report.json.insert(QStringLiteral("ok"), ok);
        m_report.json.insert(QStringLiteral("seconds"), seconds().toDouble());
        m_status.failed = !ok;
        m_status.stage = JobStatus::Finished;
        return m_report;
    }

    const PortName &m_port;
    JobStatus &m_status;
    QElapsedTimer m_clock;
    PortSession m_session;
    PortReport m_report;
};

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
        case OpenFailure::Refused:
            found = QStringLiteral("refused");
            text = QStringLiteral("refused (no server listens on that port)");
            break;
        case OpenFailure::HostNotFound:
        case OpenFailure::NoAnswer:
            found = QStringLiteral("unreachable");
            text = QStringLiteral("unreachable (%1)").arg(connectFailure(probe));
            break;
        case OpenFailure::None:
        case OpenFailure::Other:
        case OpenFailure::Cancelled:
            found = QStringLiteral("error");
            text = connectFailure(probe);
            break;
        }
        break;
    }
    report.json.insert(QStringLiteral("found"), found);
    if (found == QLatin1String("error"))
        report.json.insert(QStringLiteral("error"), text);
    // An adapter that holds answers for its latency timer is worth knowing whatever answered.
    const QString slow =
        slowAdapterReason(probe.open.slowAdapterLatency, probe.open.latencyTimerFile);
    if (!slow.isEmpty()) {
        text += QStringLiteral("; ") + slow;
        report.json.insert(QStringLiteral("latencyTimerMs"), probe.open.slowAdapterLatency);
    }
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
    status.stage = JobStatus::Finished;
    return describeProbe(number, device, probe);
}

PortReport readTarget(const PortName &port, const QString &path, JobStatus &status)
{
    Transfer transfer(port, "read", status);
    transfer.json().insert(QStringLiteral("file"), path);
    QString why;
    if (!transfer.connect(why))
        return transfer.fail(why);

    transfer.enter(JobStatus::Reading);
    ProfileData profile;
    if (transfer.session().read(profile) != BulkTransfer::Result::Done)
        return transfer.fail(transfer.session().interruption());

    const SaveResult saved = saveProfileFile(path, profile);
    if (!saved.ok)
        return transfer.fail(
            QStringLiteral("read, but not saved to %1: %2").arg(path, saved.reason));
    return transfer.succeed(
        QStringLiteral("read in %1 s, saved to %2").arg(transfer.seconds(), path));
}

PortReport uploadProfile(const PortName &port, const ProfileData &profile, bool verify,
                         JobStatus &status)
{
    Transfer transfer(port, "upload", status);
    transfer.json().insert(QStringLiteral("uploaded"), false);
    if (verify)
        transfer.json().insert(QStringLiteral("verified"), false);
    QString why;
    if (!transfer.connect(why))
        return transfer.fail(why);

    transfer.enter(JobStatus::Uploading);
    if (transfer.session().upload(profile) != BulkTransfer::Result::Done)
        return transfer.fail(transfer.session().interruption());
    transfer.json().insert(QStringLiteral("uploaded"), true);

    if (verify) {
        transfer.enter(JobStatus::Verifying);
        ProfileData back;
        if (transfer.session().read(back) != BulkTransfer::Result::Done)
            return transfer.fail(QStringLiteral("uploaded, but the read-back stopped: %1")
                                     .arg(transfer.session().interruption()));
        const std::vector<SettingDifference> differences = settingDifferences(profile, back);
        if (!differences.empty()) {
            QStringList named;
            QJsonArray list;
            for (const SettingDifference &d : differences) {
                const QString key = QString::fromStdString(d.key);
                const QString title = QString::fromStdString(d.title);
                const QString fileText = QString::fromStdString(d.firstText);
                const QString targetText = QString::fromStdString(d.secondText);
                if (named.size() < kDifferencesNamed)
                    named.append(QStringLiteral("%1 %2 (file %3, target %4)")
                                     .arg(key, title, fileText, targetText));
                list.append(QJsonObject{{QStringLiteral("key"), key},
                                        {QStringLiteral("title"), title},
                                        {QStringLiteral("file"), d.firstValue},
                                        {QStringLiteral("target"), d.secondValue},
                                        {QStringLiteral("fileText"), fileText},
                                        {QStringLiteral("targetText"), targetText}});
            }
            transfer.json().insert(QStringLiteral("differences"), list);
            const int count = int(differences.size());
            QString text = QStringLiteral("uploaded, but %1 setting(s) read back differ: %2")
                               .arg(count)
                               .arg(named.join(QStringLiteral(", ")));
            if (count > kDifferencesNamed)
                text += QStringLiteral(" and %1 more").arg(count - kDifferencesNamed);
            return transfer.fail(text);
        }
        transfer.json().insert(QStringLiteral("verified"), true);
    }
    return transfer.succeed(
        QStringLiteral("%1 in %2 s")
            .arg(verify ? QStringLiteral("uploaded and verified") : QStringLiteral("uploaded"),
                 transfer.seconds()));
}

QString whyNotConnected(const TargetLink::ProbeResult &probe)
{
    return connectFailure(probe);
}

} // namespace tonvara::cli
