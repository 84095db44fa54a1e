// Runs one tonvara-cli command line: checks the arguments, the ports and the profile before
// anything goes out, works every port in a thread of its own, prints each port's line on
// standard output in the order the ports were given (as soon as it and those before it are
// done) and returns the exit status. Main thread; needs a QCoreApplication.
#pragma once

#include <QStringList>

namespace tonvara::cli {

// arguments without the program name.
int runCommandLine(const QStringList &arguments);

} // namespace tonvara::cli
