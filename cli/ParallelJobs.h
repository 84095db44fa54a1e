// Runs a command's jobs (one per port or room), each in a thread of its own with its own line
// and link, so that several targets are served at the same time; draws the progress line on
// standard error meanwhile and hands each finished job back in the order the jobs were given.
// Main thread; the tasks run on their own threads.
#pragma once

#include "PortJobs.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace tonvara::cli {

using JobTask = std::function<void(JobStatus &)>;

// names: one per task, for the progress line; noun: what they are ("ports", "rooms").
// verifies: a Verifying stage follows each job's transfer (for its share of the progress).
// onDone(i) runs on the calling thread once task i and every task before it have ended;
// everything task i wrote is visible to it then.
void runInParallel(const QStringList &names, const QList<JobTask> &tasks, const QString &noun,
                   bool verifies, const std::function<void(qsizetype)> &onDone);

} // namespace tonvara::cli
