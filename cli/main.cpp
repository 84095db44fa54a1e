#include "CliRunner.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tonvara-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TONVARA_VERSION));
    return tonvara::cli::runCommandLine(QCoreApplication::arguments().mid(1));
}
