#include "StartupCheck.h"
#include "TonvaraApp.h"

#include "QtWindowServices.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonvara"));
    tonvara::QtWindowServices services;
    if (!tonvara::passesDisplayChecks(services))
        return 1;
    tonvara::TonvaraApp editor(services);
    editor.start();
    return QApplication::exec();
}
