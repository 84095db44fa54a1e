#include "ParallelJobs.h"

#include "ProgressLine.h"

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

namespace tonvara::cli {

namespace {

// How often the progress line is redrawn while jobs are worked.
constexpr int kProgressRefreshMs = 100;

struct RunningJob
{
    QString name;
    JobStatus status;
    // Set by the job's thread once its task has returned. QThread::wait() orders the two
    // threads through Qt's futex-based locks, which race checkers cannot see; this flag states
    // the hand-over in the language's own terms.
    std::atomic<bool> ended{false};
    std::unique_ptr<QThread> thread;
};

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

void showProgress(ProgressLine &progress, const QString &noun,
                  const std::vector<std::unique_ptr<RunningJob>> &jobs)
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
    QString summary =
        QStringLiteral("%1 %2: %3 done").arg(jobs.size()).arg(noun).arg(done - failed);
    if (failed > 0)
        summary += QStringLiteral(", %1 failed").arg(failed);
    if (working > 0)
        summary +=
            QStringLiteral(", %1 under way, %2% on average").arg(working).arg(percentSum / working);
    progress.show(parts.join(QStringLiteral(", ")), summary);
}

} // namespace

void runInParallel(const QStringList &names, const QList<JobTask> &tasks, const QString &noun,
                   bool verifies, const std::function<void(qsizetype)> &onDone)
{
    std::vector<std::unique_ptr<RunningJob>> jobs;
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        auto job = std::make_unique<RunningJob>();
        job->name = names.value(i);
        job->status.verifies = verifies;
        RunningJob *raw = job.get();
        const JobTask task = tasks.at(i);
        job->thread.reset(QThread::create([raw, task] {
            task(raw->status);
            raw->ended.store(true, std::memory_order_release);
        }));
        jobs.push_back(std::move(job));
    }
    for (const auto &job : jobs)
        job->thread->start();

    ProgressLine progress(ProgressLine::stderrIsTerminal());
    for (qsizetype i = 0; i < qsizetype(jobs.size()); ++i) {
        RunningJob &job = *jobs[std::size_t(i)];
        while (!job.thread->wait(QDeadlineTimer(kProgressRefreshMs)))
            showProgress(progress, noun, jobs);
        progress.clear();
        if (job.ended.load(std::memory_order_acquire))
            onDone(i);
    }
}

} // namespace tonvara::cli
