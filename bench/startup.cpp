// Start-up cost: from process start to the first painted main window of the editor, against a
// bare Qt Widgets window of the same size started the same way from the same program, so that
// loading the libraries and connecting to the display cost both the same. The program runs
// itself as a child in each role, alternately; a child prints the monotonic clock once its
// window has been painted, the parent subtracts the moment it started the child.
// The editor's child also marks when QApplication is up and when its window has been built, so
// the output shows where the time goes. Last line: startup_ratio=R (the editor's median over
// the bare window's median).

#include "StartupCheck.h"
#include "TonvaraApp.h"

#include "QtWindowServices.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC: one clock for parent and children

constexpr int kRunsPerRole = 15;
constexpr int kChildTimeoutMs = 30000;
const char *const kEditorRole = "editor";
const char *const kBareRole = "bare";

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

void mark(const char *name)
{
    std::printf("%s_ns=%lld\n", name, nowNs());
    std::fflush(stdout);
}

// Prints the clock once the first paint of the watched window has been delivered and the
// event loop has come round again (the frame is then on the screen), then ends the program.
class FirstPaint : public QObject
{
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QMetaObject::invokeMethod(
                this,
                [] {
                    mark("painted");
                    QCoreApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool m_seen = false;
};

int runChild(int argc, char *argv[], const QString &role)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonvara"));
    mark("application");
    FirstPaint watcher;
    if (role == QLatin1String(kEditorRole)) {
        // The same steps as the editor's main().
        tonvara::QtWindowServices services;
        if (!tonvara::passesDisplayChecks(services))
            return 2;
        tonvara::TonvaraApp editor(services);
        mark("built");
        editor.mainWindow().installEventFilter(&watcher);
        editor.start();
        return QApplication::exec();
    }
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tonvara"));
    window.setFixedSize(932, 674);
    window.installEventFilter(&watcher);
    window.show();
    return QApplication::exec();
}

struct Times
{
    double application = 0; // process start to QApplication constructed, ms
    double built = 0;       // QApplication to the editor's objects built (editor only), ms
    double painted = 0;     // process start to the first painted window, ms
};

long long markIn(const QByteArray &out, const QByteArray &name)
{
    const QByteArray key = name + "_ns=";
    const qsizetype at = out.indexOf(key);
    if (at < 0)
        return -1;
    const qsizetype end = out.indexOf('\n', at);
    return out.mid(at + key.size(), end - at - key.size()).toLongLong();
}

// Starts one child and returns its times, measured from the moment it was started.
std::optional<Times> timeChild(const QString &program, const QString &role,
                               const QString &runtimeDir)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               QStringLiteral("offscreen:configfile=" TONVARA_SCREEN_CONFIG));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    // A port that does not exist: the editor must not touch real serial devices here.
    env.insert(QStringLiteral("TONVARA_PORTS"), QStringLiteral("/nonexistent/tonvara-bench"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const long long started = nowNs();
    child.start(program, {QStringLiteral("--child"), role});
    if (!child.waitForFinished(kChildTimeoutMs) || child.exitCode() != 0) {
        std::fprintf(stderr, "startup: the %s child failed (exit %d)\n", qPrintable(role),
                     child.exitCode());
        return std::nullopt;
    }
    const QByteArray out = child.readAllStandardOutput();
    const long long application = markIn(out, "application");
    const long long built = markIn(out, "built");
    const long long painted = markIn(out, "painted");
    if (application < 0 || painted < 0) {
        std::fprintf(stderr, "startup: the %s child printed no paint time\n", qPrintable(role));
        return std::nullopt;
    }
    Times t;
    t.application = static_cast<double>(application - started) / 1e6;
    t.built = built < 0 ? 0 : static_cast<double>(built - application) / 1e6;
    t.painted = static_cast<double>(painted - started) / 1e6;
    return t;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    QTemporaryDir runtimeDir; // Qt wants a private runtime folder; do not rely on the caller's
    if (!runtimeDir.isValid())
        return 1;
    std::vector<Times> editor;
    std::vector<Times> bare;
    // One run of each first, uncounted, so that both find the libraries in the page cache.
    for (int i = -1; i < kRunsPerRole; ++i) {
        const auto e = timeChild(self, QString::fromLatin1(kEditorRole), runtimeDir.path());
        const auto b = timeChild(self, QString::fromLatin1(kBareRole), runtimeDir.path());
        if (!e || !b)
            return 1;
        if (i >= 0) {
            editor.push_back(*e);
            bare.push_back(*b);
        }
    }
    const auto medianOf = [](const std::vector<Times> &runs, double Times::*field) {
        std::vector<double> values;
        for (const Times &t : runs)
            values.push_back(t.*field);
        return median(values);
    };
    const double e = medianOf(editor, &Times::painted);
    const double b = medianOf(bare, &Times::painted);
    std::printf("editor: application_ms=%.1f build_window_ms=%.1f first_paint_ms=%.1f\n",
                medianOf(editor, &Times::application), medianOf(editor, &Times::built), e);
    std::printf("bare window: application_ms=%.1f first_paint_ms=%.1f\n",
                medianOf(bare, &Times::application), b);
    std::printf("medians of %d runs each, offscreen\n", kRunsPerRole);
    std::printf("startup_ratio=%.2f\n", e / b);
    return 0;
}
