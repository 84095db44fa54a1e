// The simulator program's command line: the target's fault options plus how the program
// presents itself (symlink, trace, dump). Parsed once in main(); plain data.
#pragma once

#include "TargetCore.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace tonvara::sim {

struct SimOptions
{
    TargetOptions target;
    std::chrono::milliseconds extraDelay{0};
    std::chrono::milliseconds latencyTimer{0};  // 0: no USB adapter holding the answers
    std::chrono::milliseconds keyResetEvery{0}; // 0: never
    QString linkPath;                           // symlink to the device ("" for none)
    QString dumpPath;                           // settings written here on exit ("" for none)
    bool trace = false;
};

struct SimOptionsResult
{
    std::optional<SimOptions> options; // empty when the command line is wrong
    QString error;                     // what is wrong, naming the option
    bool helpRequested = false;
};

// arguments without the program name.
SimOptionsResult parseSimOptions(const QStringList &arguments);
QString simUsage();

} // namespace tonvara::sim
