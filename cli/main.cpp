#include "CliRunner.h"
#include "ServeCommand.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tonvara-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TONVARA_VERSION));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    // The server runs until it is stopped, on Qt's HTTP modules: it has a runner of its own.
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("serve"))
        return tonvara::cli::runServe(arguments.mid(1));
    return tonvara::cli::runCommandLine(arguments);
}
