// Timing tonvara-cli as a user runs it, for the benchmarks of the command line: the best of a
// few runs of each row, the rows interleaved so that a slow moment of the machine does not
// fall on one row only. Measures only.
#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

struct CliRow
{
    const char *what;
    QStringList arguments;
    double best = std::numeric_limits<double>::infinity();
};

// Seconds of one run of the program, or a negative number when it did not end with status 0.
inline double timeCli(const QStringList &arguments)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(TONVARA_CLI_PROGRAM), arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "cli: %s failed: %s%s\n", qPrintable(arguments.join(' ')),
                     process.readAllStandardOutput().constData(),
                     process.readAllStandardError().constData());
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

// Runs every row runs times, keeps each row's best and prints the table. False when a run
// failed.
inline bool timeRows(std::vector<CliRow> &rows, int runs)
{
    bool allOk = true;
    for (int run = 0; run < runs; ++run) {
        for (CliRow &row : rows) {
            const double seconds = timeCli(row.arguments);
            if (seconds < 0)
                allOk = false;
            else
                row.best = std::min(row.best, seconds);
        }
    }
    std::printf("%-12s %9s\n", "run", "best s");
    for (const CliRow &row : rows)
        std::printf("%-12s %9.3f   (best of %d)\n", row.what, row.best, runs);
    return allOk;
}
