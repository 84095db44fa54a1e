#include "TargetSimulator.h"

#include <QFile>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

namespace tonvara::sim {

namespace {

// Should the master ever report an error (it cannot hang up while we hold the slave open),
// look again after this pause instead of spinning on a notifier that stays ready.
constexpr std::chrono::milliseconds kLineRetry{50};
// Closing the master flushes whatever the other end has not read yet, so the line goes this
// long after the last answer has arrived: the unplug comes after the answer, not over it.
constexpr std::chrono::milliseconds kCloseGrace{50};
constexpr qsizetype kLongestCommand = 4096;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString hexByte(std::uint8_t byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString hexFrame(const CommandFrame &frame)
{
    QStringList parts;
    for (std::uint8_t b : frame.bytes())
        parts << hexByte(b);
    return parts.join(QLatin1Char(','));
}

void printLine(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

std::optional<std::uint8_t> byteArg(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 0);
    if (!ok || value < 0 || value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

} // namespace

TargetSimulator::TargetSimulator(SimOptions options, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_core(m_options.target),
      m_pacer(m_options.extraDelay)
{
    m_pacer.setLatencyTimer(m_options.latencyTimer);
}

TargetSimulator::~TargetSimulator()
{
    closeLine();
    if (m_timerFd >= 0)
        ::close(m_timerFd);
}

bool TargetSimulator::start()
{
    m_masterFd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_masterFd < 0) {
        m_error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(systemError());
        return false;
    }
    ::fcntl(m_masterFd, F_SETFD, FD_CLOEXEC);
    char name[128] = {};
    if (::grantpt(m_masterFd) != 0 || ::unlockpt(m_masterFd) != 0 ||
        ::ptsname_r(m_masterFd, name, sizeof name) != 0) {
        m_error = QStringLiteral("cannot set up the pseudo-terminal: %1").arg(systemError());
        return false;
    }
    m_devicePath = QString::fromLocal8Bit(name);

    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (m_slaveFd < 0 || ::tcgetattr(m_slaveFd, &tio) != 0) {
        m_error = QStringLiteral("cannot open %1: %2").arg(m_devicePath, systemError());
        return false;
    }
    // Raw 8N1 at 9600 until the editor sets its own line settings: no echo, no translation.
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(m_slaveFd, TCSANOW, &tio) != 0) {
        m_error = QStringLiteral("cannot configure %1: %2").arg(m_devicePath, systemError());
        return false;
    }
    ::fcntl(m_masterFd, F_SETFL, ::fcntl(m_masterFd, F_GETFL) | O_NONBLOCK);

    if (!m_options.linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(m_options.linkPath);
        struct stat st
        {
        };
        // Replace an old symlink, but never a file that is not one.
        if (::lstat(link.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                m_error = QStringLiteral("%1 exists and is not a symlink").arg(m_options.linkPath);
                return false;
            }
            ::unlink(link.constData());
        }
        if (::symlink(name, link.constData()) != 0) {
            m_error = QStringLiteral("cannot create the symlink %1: %2")
                          .arg(m_options.linkPath, systemError());
            return false;
        }
        m_linkCreated = true;
    }

    m_timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timerFd < 0) {
        m_error = QStringLiteral("cannot create a timer: %1").arg(systemError());
        return false;
    }

    m_lineNotifier = new QSocketNotifier(m_masterFd, QSocketNotifier::Read, this);
    connect(m_lineNotifier, &QSocketNotifier::activated, this, &TargetSimulator::readLine);
    m_timerNotifier = new QSocketNotifier(m_timerFd, QSocketNotifier::Read, this);
    connect(m_timerNotifier, &QSocketNotifier::activated, this, &TargetSimulator::sendDue);
    m_commandNotifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_commandNotifier, &QSocketNotifier::activated, this, &TargetSimulator::readCommands);

    m_lineRetryTimer = new QTimer(this);
    m_lineRetryTimer->setSingleShot(true);
    m_lineRetryTimer->setInterval(kLineRetry);
    connect(m_lineRetryTimer, &QTimer::timeout, this, [this] {
        if (m_lineNotifier)
            m_lineNotifier->setEnabled(true);
    });

    if (m_options.keyResetEvery.count() > 0) {
        m_keyResetTimer = new QTimer(this);
        m_keyResetTimer->setTimerType(Qt::PreciseTimer);
        m_keyResetTimer->setInterval(m_options.keyResetEvery);
        connect(m_keyResetTimer, &QTimer::timeout, this,
                [this] { queueAnswer(LinePacer::Clock::now(), m_core.keyReset()); });
        m_keyResetTimer->start();
    }

    printLine(QStringLiteral("ready %1").arg(m_devicePath));
    return true;
}

void TargetSimulator::readLine()
{
    std::uint8_t buffer[256];
    const ssize_t n = ::read(m_masterFd, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        trace(QStringLiteral("line error: %1").arg(n == 0 ? QStringLiteral("end") : systemError()));
        m_lineNotifier->setEnabled(false);
        m_lineRetryTimer->start();
        return;
    }
    const LinePacer::Time now = LinePacer::Clock::now();
    for (ssize_t i = 0; i < n && m_masterFd >= 0; ++i) {
        const LinePacer::Time arrived = m_pacer.received(now);
        const TargetCore::Reaction reaction = m_core.feed(&buffer[i], 1);
        for (std::uint8_t b : reaction.dropped)
            trace(QStringLiteral("drop %1").arg(hexByte(b)));
        for (const CommandFrame &frame : reaction.frames)
            trace(QStringLiteral("rx %1").arg(hexFrame(frame)));
        if (reaction.syncBytes > 0)
            trace(QStringLiteral("rx %1").arg(hexByte(SyncByte)));
        queueAnswer(arrived, reaction);
    }
}

void TargetSimulator::queueAnswer(LinePacer::Time ready, const TargetCore::Reaction &reaction)
{
    if (m_masterFd < 0)
        return;
    const std::vector<LinePacer::Time> arrivals = m_pacer.answer(ready, reaction.bytes.size());
    for (std::size_t i = 0; i < arrivals.size(); ++i)
        m_pending.push_back({arrivals[i], reaction.bytes[i]});
    if (reaction.closeLine && !m_closeQueued) {
        const LinePacer::Time due =
            (m_pending.empty() ? ready : std::max(ready, m_pending.back().due)) + kCloseGrace;
        m_pending.push_back({due, -1});
        m_closeQueued = true;
    }
    armTimer();
}

void TargetSimulator::sendDue()
{
    std::uint64_t expirations = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_timerFd, &expirations, sizeof expirations);
    const LinePacer::Time now = LinePacer::Clock::now();
    while (!m_pending.empty() && m_pending.front().due <= now && m_masterFd >= 0) {
        const Pending next = m_pending.front();
        m_pending.pop_front();
        if (next.byte < 0) {
            closeLine();
            break;
        }
        const auto byte = static_cast<std::uint8_t>(next.byte);
        if (::write(m_masterFd, &byte, 1) == 1)
            trace(QStringLiteral("tx %1").arg(hexByte(byte)));
        else
            trace(QStringLiteral("tx-lost %1: %2").arg(hexByte(byte), systemError()));
    }
    armTimer();
}

void TargetSimulator::armTimer()
{
    if (m_timerFd < 0)
        return;
    itimerspec due{};
    if (!m_pending.empty() && m_masterFd >= 0) {
        // steady_clock is CLOCK_MONOTONIC, so its time points arm the timer directly and the
        // timer never fires before the byte is due.
        const auto ns =
            std::max<std::int64_t>(1, std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          m_pending.front().due.time_since_epoch())
                                          .count());
        due.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        due.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    }
    ::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &due, nullptr);
}

void TargetSimulator::closeLine()
{
    if (m_masterFd < 0)
        return;
    delete m_lineNotifier;
    m_lineNotifier = nullptr;
    ::close(m_masterFd);
    m_masterFd = -1;
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    m_slaveFd = -1;
    m_pending.clear();
    armTimer();
    removeLink();
    trace(QStringLiteral("closed"));
}

void TargetSimulator::removeLink()
{
    // Only what start() placed: the path may name someone else's file when start() refused it.
    if (m_linkCreated)
        ::unlink(QFile::encodeName(m_options.linkPath).constData());
    m_linkCreated = false;
}

void TargetSimulator::readCommands()
{
    char buffer[1024];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        // End of the commands, not of the program: started in the background, stdin is often
        // /dev/null, and the target must go on serving the line.
        m_commandNotifier->setEnabled(false);
        return;
    }
    m_commandBuffer.append(buffer, n);
    // A command is a short line; endless input without a newline is refused, not hoarded.
    if (m_commandBuffer.indexOf('\n') < 0 && m_commandBuffer.size() > kLongestCommand) {
        m_commandBuffer.clear();
        printLine(QStringLiteral("error: command line too long"));
        return;
    }
    qsizetype end;
    while ((end = m_commandBuffer.indexOf('\n')) >= 0) {
        const QString line = QString::fromLocal8Bit(m_commandBuffer.left(end)).trimmed();
        m_commandBuffer.remove(0, end + 1);
        if (!line.isEmpty())
            printLine(runCommand(line));
    }
}

QString TargetSimulator::runCommand(const QString &line)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString &name = words.first();
    const auto bytesFrom = [&words](qsizetype count) -> std::optional<std::vector<std::uint8_t>> {
        if (words.size() != count + 1)
            return std::nullopt;
        std::vector<std::uint8_t> values;
        for (qsizetype i = 1; i <= count; ++i) {
            const auto b = byteArg(words.at(i));
            if (!b)
                return std::nullopt;
            values.push_back(*b);
        }
        return values;
    };
    const QString ok = QStringLiteral("ok");
    const QString usage = QStringLiteral("error: usage: %1");

    if (name == QLatin1String("set")) {
        const auto v = bytesFrom(4);
        if (!v)
            return usage.arg(QStringLiteral("set GROUP MODE ADDRESS VALUE (bytes)"));
        m_core.setSetting((*v)[0], (*v)[1], (*v)[2], (*v)[3]);
        return ok;
    }
    if (name == QLatin1String("get")) {
        const auto v = bytesFrom(3);
        if (!v)
            return usage.arg(QStringLiteral("get GROUP MODE ADDRESS (bytes)"));
        if (!m_core.hasSetting((*v)[0], (*v)[1], (*v)[2]))
            return QStringLiteral("error: no setting %1 %2 %3").arg(words[1], words[2], words[3]);
        return QStringLiteral("value %1").arg(m_core.setting((*v)[0], (*v)[1], (*v)[2]));
    }
    if (name == QLatin1String("model") || name == QLatin1String("garbage")) {
        const auto v = bytesFrom(1);
        if (!v)
            return usage.arg(name + QStringLiteral(" N (0-255)"));
        if (name == QLatin1String("model"))
            m_core.options().modelByte = (*v)[0];
        else
            m_core.options().garbageEvery = (*v)[0];
        return ok;
    }
    if (name == QLatin1String("delay")) {
        bool valid = false;
        const int ms = words.size() == 2 ? words[1].toInt(&valid) : -1;
        if (!valid || ms < 0 || ms > 3'600'000)
            return usage.arg(QStringLiteral("delay MILLISECONDS"));
        m_pacer.setExtraDelay(std::chrono::milliseconds(ms));
        return ok;
    }
    if (name == QLatin1String("syncecho")) {
        if (words.size() != 2 ||
            (words[1] != QLatin1String("on") && words[1] != QLatin1String("off")))
            return usage.arg(QStringLiteral("syncecho on|off"));
        m_core.options().syncEcho = words[1] == QLatin1String("on");
        return ok;
    }
    if (words.size() != 1)
        return QStringLiteral("error: '%1' takes no arguments").arg(name);
    if (name == QLatin1String("silent")) {
        m_core.options().silentAfter = m_core.framesReceivedCount();
        return ok;
    }
    if (name == QLatin1String("talk")) {
        m_core.options().silentAfter = -1;
        return ok;
    }
    if (name == QLatin1String("close")) {
        closeLine();
        return ok;
    }
    if (name == QLatin1String("keyreset")) {
        queueAnswer(LinePacer::Clock::now(), m_core.keyReset());
        return ok;
    }
    if (name == QLatin1String("frames"))
        return QStringLiteral("frames %1").arg(m_core.framesReceivedCount());
    if (name == QLatin1String("ended"))
        return QStringLiteral("ended %1").arg(m_core.uploadEnded() ? 1 : 0);
    if (name == QLatin1String("quit")) {
        QMetaObject::invokeMethod(this, &TargetSimulator::quitRequested, Qt::QueuedConnection);
        return ok;
    }
    return QStringLiteral("error: unknown command '%1'").arg(name);
}

void TargetSimulator::trace(const QString &text) const
{
    if (!m_options.trace)
        return;
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
}

bool TargetSimulator::writeDump() const
{
    if (m_options.dumpPath.isEmpty())
        return true;
    QSaveFile file(m_options.dumpPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "tonvara-target-sim: cannot write %s: %s\n",
                     qPrintable(m_options.dumpPath), qPrintable(file.errorString()));
        return false;
    }
    QByteArray text;
    for (const auto &[key, value] : m_core.settings()) {
        const auto &[group, mode, address] = key;
        text += QByteArray::number(group) + ' ' + QByteArray::number(mode) + ' ' +
                QByteArray::number(address) + ' ' + QByteArray::number(value) + '\n';
    }
    if (file.write(text) != text.size() || !file.commit()) {
        std::fprintf(stderr, "tonvara-target-sim: cannot write %s: %s\n",
                     qPrintable(m_options.dumpPath), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

bool TargetSimulator::finish()
{
    const bool dumped = writeDump();
    closeLine();
    removeLink();
    return dumped;
}

} // namespace tonvara::sim
