#include "CliRunner.h"
#include "ServeCommand.h"

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
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    // The server runs until it is stopped, on Qt's HTTP modules: it has a runner of its own.
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("serve"))
        return tonvara::cli::runServe(arguments.mid(1));
    return tonvara::cli::runCommandLine(arguments);
}
