// Runs the tonvara-cli program built with the tests (TONVARA_CLI_PROGRAM) to its end, for the
// end-to-end tests of the command line. Test thread only.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct CliRun
{
    int exitCode = -1;
    QStringList out; // standard output, line by line
    QString err;
};

// Runs the program (a minute at most) with TONVARA_PORTS set to ports.
inline CliRun runCli(const QStringList &arguments, const QStringList &ports = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TONVARA_PORTS", ports.join(':'));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TONVARA_CLI_PROGRAM), arguments);
    CliRun run;
    if (!process.waitForStarted(5000) || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        run.err = QStringLiteral("did not run to its end");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out =
        QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
