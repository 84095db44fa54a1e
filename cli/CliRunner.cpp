#include "CliRunner.h"

#include "CliOptions.h"
#include "PortJobs.h"
#include "PortName.h"
#include "ProfileCommands.h"
#include "ProfileFile.h"
#include "ProgressLine.h"
#include "QSerialLine.h"
#include "RS232Port.h"
#include "SettingsDifference.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace tonvara::cli {

namespace {

// How often the progress line is redrawn while ports are worked.
constexpr int kProgressRefreshMs = 100;

void printOut(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void printErr(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

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
    switch (check.status) {
    case ProfileStatus::Ok:
        return check.data;
    case ProfileStatus::ModelMismatch:
        printErr(QStringLiteral("%1: %2").arg(shownPath(path),
                                              QString::fromLatin1(kModelMismatchMessage)));
        return std::nullopt;
    case ProfileStatus::DataError:
        break;
    }
    const QString detail =
        !check.unreadable.isEmpty()
            ? check.unreadable
            : QStringLiteral("the value of %1").arg(QString::fromLatin1(check.failedKey));
    printErr(QStringLiteral("%1: %2 (%3)")
                 .arg(shownPath(path), QString::fromLatin1(kImportErrorMessage), detail));
    return std::nullopt;
}

QString stageWord(int stage)
{
    switch (stage) {
    case JobStatus::Waiting:
        return QStringLiteral("waiting");
    case JobStatus::Connecting:
        return QStringLiteral("connecting");
    case JobStatus::Reading:
        return QStringLiteral("reading");
    case JobStatus::Uploading:
        return QStringLiteral("uploading");
    case JobStatus::Verifying:
        return QStringLiteral("verifying");
    default:
        return {};
    }
}

using Job = std::function<PortReport(JobStatus &)>;

struct RunningJob
{
    QString name;
    JobStatus status;
    PortReport report;
    // Set by the job's thread once report is written. QThread::wait() orders the two threads
    // through Qt's futex-based locks, which race checkers cannot see; this flag states the
    // hand-over in the language's own terms.
    std::atomic<bool> reported{false};
    std::unique_ptr<QThread> thread;
};

void showProgress(ProgressLine &progress, const std::vector<std::unique_ptr<RunningJob>> &jobs)
{
    QStringList parts;
    int done = 0;
    int failed = 0;
    int percentSum = 0;
    for (const auto &job : jobs) {
        const int stage = job->status.stage.load();
        QString part = job->name + QLatin1Char(' ');
        if (stage == JobStatus::Finished) {
            ++done;
            failed += job->status.failed ? 1 : 0;
            part += job->status.failed ? QStringLiteral("failed") : QStringLiteral("done");
        } else {
            percentSum += job->status.overallPercent();
            part += stageWord(stage);
            if (stage >= JobStatus::Reading)
                part += QStringLiteral(" %1%").arg(job->status.percent.load());
        }
        parts.append(part);
    }
    const int working = int(jobs.size()) - done;
    QString summary = QStringLiteral("%1 ports: %2 done").arg(jobs.size()).arg(done - failed);
    if (failed > 0)
        summary += QStringLiteral(", %1 failed").arg(failed);
    if (working > 0)
        summary +=
            QStringLiteral(", %1 under way, %2% on average").arg(working).arg(percentSum / working);
    progress.show(parts.join(QStringLiteral(", ")), summary);
}

// Starts every job in a thread of its own and prints the reports in the order of the jobs.
// The exit status: kExitFailed when any report failed.
int runJobs(const QStringList &names, const QList<Job> &work, bool json, bool verifies = false)
{
    std::vector<std::unique_ptr<RunningJob>> jobs;
    for (qsizetype i = 0; i < work.size(); ++i) {
        auto job = std::make_unique<RunningJob>();
        job->name = names.at(i);
        job->status.verifies = verifies;
        RunningJob *raw = job.get();
        const Job task = work.at(i);
        job->thread.reset(QThread::create([raw, task] {
            raw->report = task(raw->status);
            raw->reported.store(true, std::memory_order_release);
        }));
        jobs.push_back(std::move(job));
    }
    for (const auto &job : jobs)
        job->thread->start();

    ProgressLine progress(ProgressLine::stderrIsTerminal());
    bool allOk = true;
    for (const auto &job : jobs) {
        while (!job->thread->wait(QDeadlineTimer(kProgressRefreshMs)))
            showProgress(progress, jobs);
        progress.clear();
        const bool reported = job->reported.load(std::memory_order_acquire);
        allOk = allOk && reported && job->report.ok;
        printOut(
            json ? QString::fromUtf8(QJsonDocument(job->report.json).toJson(QJsonDocument::Compact))
                 : job->report.line);
    }
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
    // A place the file cannot be created in (a read-only folder, /proc) would waste the read.
    if (const SaveResult writable = checkDocumentWritable(path); !writable.ok) {
        printErr(QStringLiteral("%1: cannot be saved: the file cannot be created or replaced "
                                "there (%2)")
                     .arg(shownPath(path), writable.reason));
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
    case Verb::None:
        break;
    }
    return kExitUsage;
}

} // namespace tonvara::cli
