// A whole line on standard output or standard error, flushed at once so that reports from
// several jobs and a progress line never interleave. Main thread.
#pragma once

#include <QString>

#include <cstdio>

namespace tonvara::cli {

inline void printOut(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

inline void printErr(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

} // namespace tonvara::cli
