#include "CliRunner.h"

#include "CliOptions.h"
#include "ParallelJobs.h"
#include "PortJobs.h"
#include "PortName.h"
#include "Print.h"
#include "ProfileCommands.h"
#include "ProfileFile.h"
#include "QSerialLine.h"
#include "RS232Port.h"
#include "SettingsDifference.h"
#include "VenueCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <cstdio>
#include <functional>
#include <vector>

namespace tonvara::cli {

namespace {

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The profile at path checked whole, as Import checks it; the reason on standard error when it
// is refused.
std::optional<ProfileData> checkedProfile(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        printErr(QStringLiteral("%1: it does not exist").arg(shownPath(path)));
        return std::nullopt;
    }
    const ProfileCheck check = loadProfileFile(path);
    const QString refusal = profileRefusal(check);
    if (!refusal.isEmpty()) {
        printErr(QStringLiteral("%1: %2").arg(shownPath(path), refusal));
        return std::nullopt;
    }
    // Import's rule stands (a missing key is taken as 0), but a cut file is worth a word.
    const QString missing = missingKeysWarning(check);
    if (!missing.isEmpty())
        printErr(QStringLiteral("warning: %1: %2").arg(shownPath(path), missing));
    return check.data;
}

using Job = std::function<PortReport(JobStatus &)>;

// Starts every job in a thread of its own and prints the reports in the order of the jobs.
// The exit status: kExitFailed when any report failed.
int runJobs(const QStringList &names, const QList<Job> &work, bool json, bool verifies = false)
{
    std::vector<PortReport> reports(std::size_t(work.size()));
    std::vector<bool> ended(reports.size(), false);
    QList<JobTask> tasks;
    for (qsizetype i = 0; i < work.size(); ++i) {
        tasks.append([&reports, i, job = work.at(i)](JobStatus &status) {
            reports[std::size_t(i)] = job(status);
        });
    }
    runInParallel(names, tasks, QStringLiteral("ports"), verifies, [&](qsizetype i) {
        ended[std::size_t(i)] = true;
        const PortReport &report = reports[std::size_t(i)];
        printOut(json ? QString::fromUtf8(QJsonDocument(report.json).toJson(QJsonDocument::Compact))
                      : report.line);
    });
    bool allOk = true;
    for (std::size_t i = 0; i < reports.size(); ++i)
        allOk = allOk && ended[i] && reports[i].ok;
    return allOk ? kExitOk : kExitFailed;
}

QStringList portTable()
{
    QSerialLine line;
    return line.portTable();
}

// The --port names resolved against the port table, or a usage error.
std::optional<QList<PortName>> resolvePorts(const Options &options)
{
    const QStringList table = portTable();
    QList<PortName> ports;
    for (const QString &text : options.ports) {
        PortName port = resolvePort(text, table);
        if (!port.error.isEmpty()) {
            printErr(usageErrorText(options.verb, port.error));
            return std::nullopt;
        }
        ports.append(port);
    }
    const QString twice = sameDeviceTwice(ports);
    if (!twice.isEmpty()) {
        printErr(usageErrorText(options.verb, twice));
        return std::nullopt;
    }
    return ports;
}

int runPorts(const Options &options)
{
    const QStringList table = portTable().mid(0, RS232Port::kMaxPortNumber);
    if (table.isEmpty()) {
        printErr(QStringLiteral("No serial port found. Set TONVARA_PORTS to list devices the "
                                "system does not (pseudo-terminals, network ports)."));
        return kExitOk;
    }
    QStringList names;
    QList<Job> work;
    for (qsizetype i = 0; i < table.size(); ++i) {
        const int number = int(i) + 1;
        const QString device = table.at(i);
        names.append(QStringLiteral("COM%1").arg(number));
        work.append(
            [number, device](JobStatus &status) { return probeEntry(number, device, status); });
    }
    runJobs(names, work, options.json);
    // The listing itself is the result: what a port holds is no failure of the command.
    return kExitOk;
}

int runRead(const Options &options)
{
    const std::optional<QList<PortName>> ports = resolvePorts(options);
    if (!ports)
        return kExitUsage;
    const QString path = withProfileExtension(options.output);
    // Everything that can be known about the file is checked before the target is asked.
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) {
        printErr(QStringLiteral("%1: cannot be saved: the folder %2 does not exist")
                     .arg(shownPath(path), shownPath(info.absolutePath())));
        return kExitUsage;
    }
    const ExistingDocument existing = readExistingDocument(path);
    if (!existing.ok) {
        printErr(QStringLiteral("%1: cannot be saved: %2").arg(shownPath(path), existing.reason));
        return kExitUsage;
    }
    const PortName port = ports->first();
    return runJobs({port.name},
                   {[port, path](JobStatus &status) { return readTarget(port, path, status); }},
                   options.json);
}

int runUpload(const Options &options)
{
    const std::optional<QList<PortName>> ports = resolvePorts(options);
    if (!ports)
        return kExitUsage;
    // Checked whole before any port is opened: a bad file sends nothing anywhere.
    const std::optional<ProfileData> profile = checkedProfile(options.files.first());
    if (!profile)
        return kExitUsage;
    QStringList names;
    QList<Job> work;
    const bool verify = options.verify;
    for (const PortName &port : *ports) {
        names.append(port.name);
        const ProfileData data = *profile;
        work.append([port, data, verify](JobStatus &status) {
            return uploadProfile(port, data, verify, status);
        });
    }
    return runJobs(names, work, options.json, verify);
}

int runDiff(const Options &options)
{
    const std::optional<ProfileData> a = checkedProfile(options.files.at(0));
    if (!a)
        return kExitUsage;
    const std::optional<ProfileData> b = checkedProfile(options.files.at(1));
    if (!b)
        return kExitUsage;
    // The lines the compare window shows, each value named after its file.
    QString nameA = QFileInfo(options.files.at(0)).fileName();
    QString nameB = QFileInfo(options.files.at(1)).fileName();
    if (nameA == nameB) {
        nameA = options.files.at(0);
        nameB = options.files.at(1);
    }
    const std::vector<SettingDifference> differences = settingDifferences(*a, *b);
    for (const std::string &line :
         differenceLines(differences, nameA.toStdString(), nameB.toStdString()))
        printOut(QString::fromStdString(line));
    return differences.empty() ? kExitOk : kExitFailed;
}

int runVenue(const Options &options, VenueRequest::Action action)
{
    VenueRequest request;
    request.action = action;
    request.venueFile = options.files.first();
    request.json = options.json;
    request.metrics = options.metrics;
    request.rooms = options.rooms;
    request.dryRun = options.dryRun;
    return runVenueCommand(request, [&options](const QString &error) {
        printErr(usageErrorText(options.verb, error));
    });
}

} // namespace

int runCommandLine(const QStringList &arguments)
{
    const ParseResult parsed = parseArguments(arguments);
    const Options &options = parsed.options;
    if (!parsed.ok()) {
        printErr(usageErrorText(options.verb, parsed.error));
        return kExitUsage;
    }
    if (options.version) {
        printOut(QStringLiteral("%1 %2").arg(QLatin1String(kProgramName),
                                             QCoreApplication::applicationVersion()));
        return kExitOk;
    }
    if (options.help) {
        std::fputs(qPrintable(helpText(options.verb)), stdout);
        return kExitOk;
    }
    switch (options.verb) {
    case Verb::Ports:
        return runPorts(options);
    case Verb::Read:
        return runRead(options);
    case Verb::Upload:
        return runUpload(options);
    case Verb::Diff:
        return runDiff(options);
    case Verb::VenueCheck:
        return runVenue(options, VenueRequest::Action::Check);
    case Verb::VenueBackup:
        return runVenue(options, VenueRequest::Action::Backup);
    case Verb::VenueApply:
        return runVenue(options, VenueRequest::Action::Apply);
    case Verb::VenueAccept:
        return runVenue(options, VenueRequest::Action::Accept);
    case Verb::Venue:
    case Verb::None:
        break;
    }
    return kExitUsage;
}

} // namespace tonvara::cli
