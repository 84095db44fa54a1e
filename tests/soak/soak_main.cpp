// tonvara-soak: the fault soak program. Runs the editor against the simulator program for the
// given minutes while the driver works it and breaks the line, then prints one summary line
// and exits 0 only when every check held.
//   tonvara-soak --minutes M [--seed N]
// Needs a screen of at least 930 x 560 at 96 DPI (offscreen: QT_QPA_PLATFORM with the
// 1280 x 800 screen config, as the tests use).
#include "SimControl.h"
#include "SoakDriver.h"
#include "TonvaraApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <memory>

using namespace tonvara;

#if defined(__SANITIZE_ADDRESS__)
#define TONVARA_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TONVARA_SOAK_ASAN 1
#endif
#endif

#ifdef TONVARA_SOAK_ASAN
// Freed memory held back to catch late uses would look like growth; a small quarantine keeps
// the resident size a measure of what the editor holds.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=4";
}
#endif

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform says so for every window feature it lacks; that is not news here.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (standardHandler)
        standardHandler(type, context, text);
}

} // namespace

int main(int argc, char *argv[])
{
    standardHandler = qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonvara"));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption minutesOption(QStringLiteral("minutes"),
                                           QStringLiteral("How long to run (fractions allowed)."),
                                           QStringLiteral("M"), QStringLiteral("1"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the driver's choices."),
                                        QStringLiteral("N"), QStringLiteral("1"));
    parser.addOption(minutesOption);
    parser.addOption(seedOption);
    parser.process(app);
    bool ok = false;
    const double minutes = parser.value(minutesOption).toDouble(&ok);
    if (!ok || minutes <= 0) {
        std::fprintf(stderr, "tonvara-soak: --minutes needs a positive number\n");
        return 2;
    }
    const unsigned seed = parser.value(seedOption).toUInt();

    // Two fixed paths for the simulator's device: a restarted simulator takes the other one,
    // and the editor finds it by its scan.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "tonvara-soak: no temporary folder: %s\n",
                     qPrintable(dir.errorString()));
        return 2;
    }
    const QStringList links{dir.filePath(QStringLiteral("target-a")),
                            dir.filePath(QStringLiteral("target-b"))};
    qputenv("TONVARA_PORTS", links.join(QLatin1Char(':')).toLocal8Bit());

    SimControl sim(QStringLiteral(TONVARA_SIM_PROGRAM));
    if (!sim.start(links.first())) {
        std::fprintf(stderr, "tonvara-soak: %s\n", qPrintable(sim.lastError()));
        return 2;
    }

    SoakServices services;
    auto editor = std::make_unique<TonvaraApp>(services);
    editor->start();
    SoakDriver driver(*editor, services, sim, links,
                      std::chrono::milliseconds(qint64(minutes * 60'000)), seed);
    const SoakResult result = driver.run();
    editor.reset();
    sim.stop();

    // Growth past this after the first minute means something piles up per operation. The
    // sanitizer's allocator keeps more for itself (its quarantine, per-size caches).
#ifdef TONVARA_SOAK_ASAN
    constexpr qint64 kRssMarginKib = 16 * 1024;
#else
    constexpr qint64 kRssMarginKib = 8 * 1024;
#endif
    const qint64 growth = result.rssEndKib - result.rssBaselineKib;
    std::fprintf(stderr,
                 "soak: reads=%d (+%d interrupted) uploads=%d (+%d interrupted) imports=%d "
                 "(+%d refused) message_boxes=%d stalls=%d longest_gap_ms=%lld "
                 "reconnect_failures=%d rss_kib=%lld..%lld problems=%lld\n",
                 result.readsCompleted, result.readsInterrupted, result.uploadsCompleted,
                 result.uploadsInterrupted, result.importsApplied, result.importsRefused,
                 result.messageBoxes, result.stalls, static_cast<long long>(result.longestStallMs),
                 result.reconnectFailures, static_cast<long long>(result.rssBaselineKib),
                 static_cast<long long>(result.rssEndKib),
                 static_cast<long long>(result.problems.size()));
    if (growth > kRssMarginKib)
        std::fprintf(stderr, "soak: resident size grew by %lld KiB, more than %lld KiB\n",
                     static_cast<long long>(growth), static_cast<long long>(kRssMarginKib));
    if (!result.endedConnected)
        std::fprintf(stderr, "soak: the editor did not end connected with a complete Read\n");
    std::fflush(stderr);
    // The summary is the last line.
    std::printf("soak minutes=%s operations=%d faults=%d reconnects=%d crashes=%d mismatches=%d "
                "rss_growth_kib=%lld\n",
                qPrintable(parser.value(minutesOption)), result.operations, result.faults,
                result.reconnects, result.crashes, result.mismatches,
                static_cast<long long>(growth));
    std::fflush(stdout);
    const bool passed = result.problems.isEmpty() && result.crashes == 0 &&
                        result.mismatches == 0 && result.endedConnected &&
                        result.rssBaselineKib > 0 && growth <= kRssMarginKib;
    return passed ? 0 : 1;
}
