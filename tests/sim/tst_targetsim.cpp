// The simulator program end to end, in real time, on its pseudo-terminal. The device is opened
// with plain POSIX calls, as any serial program would, so these tests depend on nothing but
// the program itself.
#include "SimProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace tonvara;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}
QString asHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

// Longest wait for bytes that should come; generous, since the machine may be busy.
constexpr int kArriveMs = 1000;
// How long silence is watched for when no answer should come: many answer times.
constexpr int kQuietMs = 150;

// The editor's end of the line, opened raw and non-blocking.
class Device
{
  public:
    explicit Device(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::cfsetspeed(&tio, B9600);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Device()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    bool send(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) ==
               bytes.size();
    }
    // Reads until `count` bytes came or `timeoutMs` passed; m_ended reports a hang-up.
    QByteArray receive(int count, int timeoutMs)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count) {
            const int left = timeoutMs - static_cast<int>(clock.elapsed());
            if (left <= 0)
                break;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0)
                continue;
            char buffer[64];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, n);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                m_ended = true;
                break;
            }
        }
        return got;
    }
    bool ended() const { return m_ended; }

  private:
    int m_fd = -1;
    bool m_ended = false;
};

} // namespace

class TestTargetSim : public QObject
{
    Q_OBJECT
  private slots:
    void answersArePacedLikeTheLine_data();
    void answersArePacedLikeTheLine();
    void faults_data();
    void faults();
    void lineCloses_data();
    void lineCloses();
    void servesAgainAfterTheDeviceIsReopened();
    void keyResetEvery();
    void traceAndDump();
    void symlinkFollowsTheLine();
    void stopsCleanly_data();
    void stopsCleanly();
    void refusesBadStarts_data();
    void refusesBadStarts();
};

void TestTargetSim::answersArePacedLikeTheLine_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<double>("earliestMs"); // the last answer byte may not come sooner

    // Six frame bytes and one answer byte at 1.0417 ms each: 7.29 ms.
    QTest::newRow("Identify") << QStringList() << hex("CD E2 00 00 00 6E") << hex("6E") << 7.25;
    QTest::newRow("Read") << QStringList() << hex("CD 01 00 00 1D 00") << hex("01") << 7.25;
    QTest::newRow("Keep-alive") << QStringList() << hex("FC") << hex("FC") << 2.05;
    QTest::newRow("Another model")
        << QStringList{"--model-byte", "0x6F"} << hex("CD E2 00 00 00 6E") << hex("6F") << 7.25;
    QTest::newRow("Extra delay") << QStringList{"--extra-delay", "40"} << hex("CD E2 00 00 00 6E")
                                 << hex("6E") << 47.25;
    // The second frame ends after twelve bytes; its answer follows one byte later.
    QTest::newRow("Two frames in one write")
        << QStringList() << hex("CD E2 00 00 00 6E CD 01 0C 00 00 00") << hex("6E 01") << 13.5;
    QTest::newRow("Garbage before the answer")
        << QStringList{"--garbage-every", "1"} << hex("CD 00 07 00 00 01") << hex("5A 33") << 8.3;
}

void TestTargetSim::answersArePacedLikeTheLine()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answer);
    QFETCH(double, earliestMs);

    SimProcess sim;
    QVERIFY2(sim.start(options), qPrintable(sim.errorString()));
    Device device(sim.device());
    QVERIFY(device.isOpen());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(device.send(input));
    const QByteArray got = device.receive(static_cast<int>(answer.size()), kArriveMs);
    const double elapsedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QCOMPARE(asHex(got), asHex(answer));
    QVERIFY2(elapsedMs >= earliestMs, qPrintable(QString::number(elapsedMs)));
    QVERIFY(sim.stop());
}

void TestTargetSim::faults_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray identify = hex("CD E2 00 00 00 6E");
    QTest::newRow("Silent after one frame") << QStringList{"--silent-after", "1"} << QStringList()
                                            << identify + identify + hex("FC") << hex("6E");
    QTest::newRow("No keep-alive echo")
        << QStringList{"--no-sync-echo"} << QStringList() << hex("FC") + identify << hex("6E");
    QTest::newRow("Setting changed")
        << QStringList() << QStringList{"set 0 0 29 5"} << hex("CD 01 00 00 1D 00") << hex("05");
    QTest::newRow("Silent") << QStringList() << QStringList{"silent"} << identify + hex("FC")
                            << QByteArray();
    QTest::newRow("Silent, then talking again")
        << QStringList() << QStringList{"silent", "talk"} << identify << hex("6E");
    QTest::newRow("Keep-alive echo off")
        << QStringList() << QStringList{"syncecho off"} << hex("FC") << QByteArray();
    QTest::newRow("Model byte changed")
        << QStringList() << QStringList{"model 0x70"} << identify << hex("70");
    QTest::newRow("Key reset") << QStringList() << QStringList{"keyreset"} << QByteArray()
                               << hex("FE");
    QTest::newRow("Garbage on") << QStringList() << QStringList{"garbage 1"} << identify
                                << hex("5A 6E");
}

void TestTargetSim::faults()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, commands);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answer);

    SimProcess sim;
    QVERIFY2(sim.start(options), qPrintable(sim.errorString()));
    Device device(sim.device());
    QVERIFY(device.isOpen());
    for (const QString &command : commands)
        QCOMPARE(sim.command(command), QStringLiteral("ok"));
    QVERIFY(device.send(input));
    QByteArray got = device.receive(static_cast<int>(answer.size()), kArriveMs);
    // Then watch a while longer: nothing further may come.
    got += device.receive(1, kQuietMs);
    QCOMPARE(asHex(got), asHex(answer));
    QVERIFY(sim.stop());
}

void TestTargetSim::lineCloses_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("closeCommand");

    QTest::newRow("After two frames") << QStringList{"--close-after", "2"} << false;
    QTest::newRow("On command") << QStringList() << true;
}

void TestTargetSim::lineCloses()
{
    QFETCH(QStringList, options);
    QFETCH(bool, closeCommand);

    SimProcess sim;
    QVERIFY2(sim.start(options), qPrintable(sim.errorString()));
    Device device(sim.device());
    QVERIFY(device.isOpen());
    for (int i = 0; i < 2; ++i) {
        QVERIFY(device.send(hex("CD E2 00 00 00 6E")));
        QCOMPARE(asHex(device.receive(1, kArriveMs)), asHex(hex("6E")));
    }
    if (closeCommand)
        QCOMPARE(sim.command(QStringLiteral("close")), QStringLiteral("ok"));
    // Like an unplugged adapter: reading ends, writing fails, and the device is gone.
    QCOMPARE(asHex(device.receive(1, kArriveMs)), QString());
    QVERIFY(device.ended());
    QVERIFY(!device.send(hex("CD E2 00 00 00 6E")));
    QVERIFY(!QFileInfo::exists(sim.device()) || !Device(sim.device()).isOpen());
    // The program itself goes on until asked to stop.
    QVERIFY(sim.isRunning());
    QVERIFY(sim.stop());
}

void TestTargetSim::servesAgainAfterTheDeviceIsReopened()
{
    // A port scan opens and closes the device again and again; the target must stay there.
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    for (int round = 0; round < 3; ++round) {
        Device device(sim.device());
        QVERIFY(device.isOpen());
        QVERIFY(device.send(hex("CD E2 00 00 00 6E")));
        QCOMPARE(asHex(device.receive(1, kArriveMs)), asHex(hex("6E")));
    }
    QCOMPARE(sim.framesReceived(), 3);
    QVERIFY(sim.stop());
}

void TestTargetSim::keyResetEvery()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--key-reset-every", "0.1"}), qPrintable(sim.errorString()));
    Device device(sim.device());
    QVERIFY(device.isOpen());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(asHex(device.receive(2, kArriveMs)), asHex(hex("FE FE")));
    QVERIFY(clock.elapsed() >= 100);
    QVERIFY(sim.stop());
}

void TestTargetSim::traceAndDump()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString dumpPath = dir.filePath(QStringLiteral("settings.txt"));
    SimProcess sim;
    QVERIFY2(sim.start({"--trace", "--dump", dumpPath}), qPrintable(sim.errorString()));
    Device device(sim.device());
    QVERIFY(device.isOpen());
    QVERIFY(device.send(hex("11 CD 00 00 03 1D 04")));
    QCOMPARE(asHex(device.receive(1, kArriveMs)), asHex(hex("33")));
    QVERIFY(device.send(hex("FC CD EF 00 00 00 00")));
    QCOMPARE(asHex(device.receive(2, kArriveMs)), asHex(hex("FC 33")));
    QVERIFY(sim.uploadEnded());
    QVERIFY(sim.stop());

    const QStringList expectedTrace = {"drop 11",
                                       "rx CD,00,00,03,1D,04",
                                       "tx 33",
                                       "rx FC",
                                       "rx CD,EF,00,00,00,00",
                                       "tx FC",
                                       "tx 33",
                                       "closed"};
    QCOMPARE(sim.trace(), expectedTrace);

    QFile dump(dumpPath);
    QVERIFY(dump.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines =
        QString::fromLatin1(dump.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.contains(QStringLiteral("0 3 29 4")));    // the upload landed
    QVERIFY(lines.contains(QStringLiteral("0 2 29 1")));    // its neighbour did not move
    QVERIFY(lines.contains(QStringLiteral("12 0 0 1")));    // input at its factory value
    QVERIFY(lines.contains(QStringLiteral("2 21 132 55"))); // EFF2 REV 3 Time
    QCOMPARE(lines.size(), 214);
}

void TestTargetSim::symlinkFollowsTheLine()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("target"));
    SimProcess sim;
    QVERIFY2(sim.start({"--link", link}), qPrintable(sim.errorString()));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device());
    {
        Device device(link);
        QVERIFY(device.isOpen());
        QVERIFY(device.send(hex("CD E2 00 00 00 6E")));
        QCOMPARE(asHex(device.receive(1, kArriveMs)), asHex(hex("6E")));
    }
    QVERIFY(sim.stop());
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestTargetSim::stopsCleanly_data()
{
    QTest::addColumn<int>("signalNumber"); // 0: the quit command
    QTest::addColumn<bool>("commandsEndFirst");

    QTest::newRow("Quit command") << 0 << false;
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGTERM after the end of the commands") << int(SIGTERM) << true;
}

void TestTargetSim::stopsCleanly()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, commandsEndFirst);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("target"));
    const QString dumpPath = dir.filePath(QStringLiteral("settings.txt"));
    SimProcess sim;
    QVERIFY2(sim.start({"--link", link, "--dump", dumpPath}), qPrintable(sim.errorString()));
    Device device(link);
    QVERIFY(device.isOpen());
    if (commandsEndFirst) {
        // Started in the background its stdin is empty; the target must go on serving.
        sim.closeCommands();
        QTest::qWait(100);
        QVERIFY(sim.isRunning());
    }
    QVERIFY(device.send(hex("CD 02 0C 00 00 02")));
    QCOMPARE(asHex(device.receive(1, kArriveMs)), asHex(hex("33")));

    QVERIFY(signalNumber == 0 ? sim.stop() : sim.stopBySignal(signalNumber));
    QVERIFY(!QFileInfo(link).isSymLink());
    QFile dump(dumpPath);
    QVERIFY(dump.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(QString::fromLatin1(dump.readAll()).split(QLatin1Char('\n')).contains("12 0 0 2"));
}

void TestTargetSim::refusesBadStarts_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("Unknown option") << QStringList{"--bogus"} << 2 << QStringLiteral("--bogus");
    QTest::newRow("Model byte out of range")
        << QStringList{"--model-byte", "300"} << 2 << QStringLiteral("'300'");
    QTest::newRow("Link over a plain file")
        << QStringList{"--link", "@file"} << 1 << QStringLiteral("is not a symlink");
}

void TestTargetSim::refusesBadStarts()
{
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, message);

    // "@file" stands for a plain file that must survive the refusal.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("keep.txt"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("precious\n");
    }
    options.replaceInStrings(QStringLiteral("@file"), file);

    SimProcess sim;
    QVERIFY(!sim.start(options));
    QVERIFY(!sim.isRunning());
    QCOMPARE(sim.exitCode(), status);
    QVERIFY2(sim.trace().join(QLatin1Char('\n')).contains(message), qPrintable(sim.errorString()));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("precious\n"));
}

QTEST_GUILESS_MAIN(TestTargetSim)
#include "tst_targetsim.moc"
