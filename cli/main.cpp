#include "CliRunner.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // A reader that goes away (tonvara-cli upload ... | head -1) must not stop the uploads still
    // under way: a target would be left half written. Writes to a closed pipe then fail with
    // EPIPE instead, and the reports ignore them.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tonvara-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TONVARA_VERSION));
    return tonvara::cli::runCommandLine(QCoreApplication::arguments().mid(1));
}
