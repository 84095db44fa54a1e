// The line on real pseudo-terminals, in real time: reading and writing, the loss report when
// the other end goes away, and the whole link against the simulator program. Every wait is
// bounded by a few seconds.
#include "LinkRig.h"
#include "QSerialLine.h"
#include "SimProcess.h"

#include <QSignalSpy>
#include <QTest>

using namespace tonvara;

class TestQSerialLine : public QObject
{
    Q_OBJECT
  private slots:
    void bytesBothWays();
    void peerClosingIsReportedOnce();
    void linkConnectsAndLosesTargetOnRealLine();
    void busyHolderIsLookedUpOnlyWhenTheCauseIsNew();
};

void TestQSerialLine::bytesBothWays()
{
    Pty pty;
    QVERIFY(!pty.path.isEmpty());
    QSerialLine line;
    QVERIFY(line.open(pty.path).ok());
    QVERIFY(line.configure(9600, 8));
    const std::uint8_t frame[] = {0xCD, 0xE2, 0x00, 0x00, 0x00, 0x6E};
    line.write(frame, 6);
    // The port sends from the event loop, which the wait below runs.
    Bytes received;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            std::uint8_t got[16] = {};
            const ssize_t n = ::read(pty.master, got, sizeof got);
            if (n > 0)
                received.insert(received.end(), got, got + n);
            return received.size() >= 6;
        }(),
        3000);
    QCOMPARE(received, Bytes(frame, frame + 6));
    QSignalSpy ready(&line, &SerialLine::readyRead);
    const std::uint8_t answer = 0x6E;
    QCOMPARE(::write(pty.master, &answer, 1), ssize_t{1});
    QTRY_VERIFY_WITH_TIMEOUT(line.bytesAvailable() == 1, 3000);
    QVERIFY(ready.count() >= 1);
    std::uint8_t got = 0;
    QCOMPARE(line.read(&got, 100), qint64{1});
    QCOMPARE(got, answer);
    QCOMPARE(line.read(&got, 100), qint64{0}); // never waits
}

void TestQSerialLine::peerClosingIsReportedOnce()
{
    auto pty = std::make_unique<Pty>();
    QVERIFY(!pty->path.isEmpty());
    QSerialLine line;
    QVERIFY(line.open(pty->path).ok());
    QVERIFY(line.configure(9600, 8));
    QSignalSpy lost(&line, &SerialLine::lineLost);
    ::close(pty->master);
    pty->master = -1;
    ::close(pty->slave);
    pty->slave = -1;
    // A write makes the loss show even where reads alone would not.
    const std::uint8_t sync = SyncByte;
    line.write(&sync, 1);
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
    QVERIFY(!line.isOpen());
    QTest::qWait(300);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(line.bytesAvailable(), qint64{0});
}

void TestQSerialLine::linkConnectsAndLosesTargetOnRealLine()
{
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    qputenv("TONVARA_PORTS", ("/nonexistent/tty:" + sim.device()).toLocal8Bit());
    RecordingQtServices services;
    ParameterStore store = factoryStore();
    RecordingView view;
    TargetLink link(services, store, view, std::make_unique<QSerialLine>());
    link.port().setDiagnosticSink({});
    link.start();
    QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 5000);
    QCOMPARE(view.caption(), QStringLiteral("Successful connection"));
    QCOMPARE(sim.framesReceived(), 1 + 42);

    // A live change is acknowledged over the real line.
    QVERIFY(link.sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 1, false));
    QCOMPARE(sim.setting(Group::Exciter, 0, 0), std::optional<int>(1));

    // Unplugged: the loss shows at once, not after the watchdog (the silent target is covered
    // on virtual time).
    const qint64 before = services.now().count();
    QVERIFY(sim.closeLine());
    QTRY_VERIFY_WITH_TIMEOUT(!services.messages.isEmpty(), 3000);
    QVERIFY(services.now().count() - before < 3000);
    QCOMPARE(services.messages, QStringList{QString::fromLatin1(TargetLink::kLinkLostMessage)});
    QVERIFY(!link.connected());
    QCOMPARE(view.caption(), QStringLiteral("Not connected"));
    qunsetenv("TONVARA_PORTS");
}

void TestQSerialLine::busyHolderIsLookedUpOnlyWhenTheCauseIsNew()
{
    Pty pty;
    QVERIFY(!pty.path.isEmpty());
    int lookups = 0;
    QSerialLine line;
    line.setHolderLookup([&](const QString &) {
        ++lookups;
        return std::optional<PortHolder>(PortHolder{4242, QStringLiteral("holder")});
    });
    // Another program's hold on the device: a port of our own, opened first.
    QSerialPort other(pty.path);
    QVERIFY(other.open(QIODevice::ReadWrite));
    for (int scan = 0; scan < 3; ++scan) {
        const OpenOutcome outcome = line.open(pty.path);
        QCOMPARE(outcome.failure, OpenFailure::Busy);
        QVERIFY2(outcome.detail.contains(QStringLiteral("holder (pid 4242)")),
                 qPrintable(outcome.detail));
    }
    QCOMPARE(lookups, 1);
    // Released and taken again: a new cause, looked up again.
    other.close();
    QVERIFY(line.open(pty.path).ok());
    line.close();
    QVERIFY(other.open(QIODevice::ReadWrite));
    QCOMPARE(line.open(pty.path).failure, OpenFailure::Busy);
    QCOMPARE(lookups, 2);
}

QTEST_MAIN(TestQSerialLine)
#include "tst_qserialline.moc"
