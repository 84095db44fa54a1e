// tonvara-target-sim: the target on a pseudo-terminal, for trying the editor without hardware
// and for the end-to-end tests.
#include "SimOptions.h"
#include "TargetSimulator.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    using namespace tonvara::sim;

    const SimOptionsResult parsed = parseSimOptions(app.arguments().mid(1));
    if (parsed.helpRequested) {
        std::fputs(qPrintable(simUsage()), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "tonvara-target-sim: %s\n%s", qPrintable(parsed.error),
                     qPrintable(simUsage()));
        return 2;
    }

    // A reader of stdout that has gone away must not kill the target.
    std::signal(SIGPIPE, SIG_IGN);
    // SIGINT and SIGTERM end the event loop through a pipe, so the exit path (dump, symlink
    // removal) runs outside the signal handler.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        std::perror("tonvara-target-sim: socketpair");
        return 1;
    }
    QSocketNotifier stopNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    TargetSimulator simulator(*parsed.options);
    if (!simulator.start()) {
        std::fprintf(stderr, "tonvara-target-sim: %s\n", qPrintable(simulator.errorString()));
        simulator.finish();
        return 1;
    }
    QObject::connect(&simulator, &TargetSimulator::quitRequested, &app, &QCoreApplication::quit);
    const int status = app.exec();
    return simulator.finish() ? status : 1;
}
