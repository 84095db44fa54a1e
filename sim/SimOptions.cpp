#include "SimOptions.h"

#include <cmath>

namespace tonvara::sim {

namespace {

// Accepts decimal or 0x-prefixed hexadecimal, within [low, high].
std::optional<long long> integerIn(const QString &text, long long low, long long high)
{
    bool ok = false;
    const long long value = text.toLongLong(&ok, 0);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

QString simUsage()
{
    return QStringLiteral(
        "Usage: tonvara-target-sim [options]\n"
        "Serves the target on a new pseudo-terminal and prints 'ready <device>'.\n"
        "  --link PATH             also place a symlink to the device at PATH\n"
        "  --model-byte N          answer Identify with N (default 0x6E)\n"
        "  --silent-after N        answer nothing after N frames\n"
        "  --no-sync-echo          do not echo the keep-alive byte\n"
        "  --garbage-every N       send a stray byte before every N-th answer\n"
        "  --key-reset-every SEC   send the key-reset byte every SEC seconds\n"
        "  --extra-delay MS        answer MS milliseconds later than the line allows\n"
        "  --latency-timer MS      hold each answer until the next multiple of MS, as a USB\n"
        "                          serial adapter with that latency timer does (1 to 255)\n"
        "  --close-after N         close the line after N frames, like an unplugged adapter\n"
        "  --refuse-key K          answer a KEY write of K (0-10) with 0x35, not the\n"
        "                          acknowledgement, and keep the natural key\n"
        "  --trace                 one stderr line per frame received and byte sent\n"
        "  --dump PATH             write every setting to PATH on exit\n"
        "Commands on stdin, one per line, each answered by one line on stdout:\n"
        "  set G M A V | get G M A | silent | talk | close | keyreset | model N | delay MS\n"
        "  garbage N | syncecho on|off | frames | ended | quit\n"
        "The program ends on quit, SIGINT or SIGTERM; the end of stdin only stops the commands.\n");
}

SimOptionsResult parseSimOptions(const QStringList &arguments)
{
    SimOptionsResult result;
    SimOptions options;
    const auto fail = [&result](const QString &error) {
        result.error = error;
        return result;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &name = arguments.at(i);
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            result.helpRequested = true;
            return result;
        }
        if (name == QLatin1String("--trace")) {
            options.trace = true;
            continue;
        }
        if (name == QLatin1String("--no-sync-echo")) {
            options.target.syncEcho = false;
            continue;
        }
        static const QStringList withValue = {QStringLiteral("--link"),
                                              QStringLiteral("--model-byte"),
                                              QStringLiteral("--silent-after"),
                                              QStringLiteral("--garbage-every"),
                                              QStringLiteral("--key-reset-every"),
                                              QStringLiteral("--extra-delay"),
                                              QStringLiteral("--latency-timer"),
                                              QStringLiteral("--close-after"),
                                              QStringLiteral("--refuse-key"),
                                              QStringLiteral("--dump")};
        if (!withValue.contains(name))
            return fail(QStringLiteral("unknown option '%1'").arg(name));
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("option '%1' needs a value").arg(name));
        const QString value = arguments.at(++i);
        const auto bad = [&](const QString &what) {
            return fail(QStringLiteral("option '%1': '%2' is not %3").arg(name, value, what));
        };

        if (name == QLatin1String("--link")) {
            if (value.isEmpty())
                return bad(QStringLiteral("a path"));
            options.linkPath = value;
        } else if (name == QLatin1String("--dump")) {
            if (value.isEmpty())
                return bad(QStringLiteral("a path"));
            options.dumpPath = value;
        } else if (name == QLatin1String("--model-byte")) {
            const auto n = integerIn(value, 0, 255);
            if (!n)
                return bad(QStringLiteral("a byte from 0 to 255"));
            options.target.modelByte = static_cast<std::uint8_t>(*n);
        } else if (name == QLatin1String("--silent-after")) {
            const auto n = integerIn(value, 0, 1'000'000'000);
            if (!n)
                return bad(QStringLiteral("a frame count"));
            options.target.silentAfter = static_cast<int>(*n);
        } else if (name == QLatin1String("--refuse-key")) {
            const auto n = integerIn(value, 0, 10);
            if (!n)
                return bad(QStringLiteral("a key from 0 to 10"));
            options.target.refusedKey = static_cast<int>(*n);
        } else if (name == QLatin1String("--close-after")) {
            const auto n = integerIn(value, 0, 1'000'000'000);
            if (!n)
                return bad(QStringLiteral("a frame count"));
            options.target.closeAfter = static_cast<int>(*n);
        } else if (name == QLatin1String("--garbage-every")) {
            const auto n = integerIn(value, 1, 1'000'000'000);
            if (!n)
                return bad(QStringLiteral("a count of 1 or more"));
            options.target.garbageEvery = static_cast<int>(*n);
        } else if (name == QLatin1String("--extra-delay")) {
            const auto n = integerIn(value, 0, 3'600'000);
            if (!n)
                return bad(QStringLiteral("a delay in milliseconds"));
            options.extraDelay = std::chrono::milliseconds(*n);
        } else if (name == QLatin1String("--latency-timer")) {
            // The range an adapter's timer takes.
            const auto n = integerIn(value, 1, 255);
            if (!n)
                return bad(QStringLiteral("a latency timer from 1 to 255 milliseconds"));
            options.latencyTimer = std::chrono::milliseconds(*n);
        } else if (name == QLatin1String("--key-reset-every")) {
            bool ok = false;
            const double seconds = value.toDouble(&ok);
            // At least a millisecond, and at most a day, so the interval fits a timer.
            if (!ok || !std::isfinite(seconds) || seconds < 0.001 || seconds > 86400)
                return bad(QStringLiteral("a number of seconds"));
            options.keyResetEvery = std::chrono::milliseconds(std::llround(seconds * 1000));
        }
    }
    result.options = options;
    return result;
}

} // namespace tonvara::sim
