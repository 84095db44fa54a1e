// The link through a real serial device server, in real time: the simulator program on a
// pseudo-terminal behind ser2net on a loopback port, reached by a tcp:// entry among device
// paths. Connect, synchronise, Read, the server stopping (one loss report) and coming back (the
// scan connects again). Every wait is bounded by a few seconds.
#include "BulkTransfer.h"
#include "LinkRig.h"
#include "QSerialLine.h"
#include "Ser2netProcess.h"
#include "SimProcess.h"

#include <QTest>

using namespace tonvara;

class TestSer2net : public QObject
{
    Q_OBJECT
  private slots:
    void targetBehindServerConnectsReadsAndComesBack();
};

void TestSer2net::targetBehindServerConnectsReadsAndComesBack()
{
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    Ser2netProcess server;
    QVERIFY2(server.start(sim.device()), qPrintable(server.errorString()));
    RecordingQtServices services;
    ParameterStore store = factoryStore();
    // A value the factory set does not hold, to see the Read bring it over.
    const ParamCell cell = store.cellAt(TableId::Music, 2, 5);
    const int changed = cell.value == 17 ? 18 : 17;
    QVERIFY(sim.setSetting(Group::Music, 2, cell.address, changed));
    qputenv("TONVARA_PORTS", ("/nonexistent/tty:" + server.entry()).toLocal8Bit());

    RecordingView view;
    TargetLink link(services, store, view, std::make_unique<QSerialLine>());
    QStringList diagnostics;
    link.port().setDiagnosticSink([&](const QString &text) { diagnostics.append(text); });
    link.start();
    QTRY_VERIFY_WITH_TIMEOUT(link.connected() && !link.progressActive(), 5000);
    QCOMPARE(view.caption(), QStringLiteral("Successful connection"));
    QCOMPARE(link.port().portHandle(), 2);
    QCOMPARE(sim.framesReceived(), 1 + 42);

    BulkTransfer bulk(services, link, store, view);
    link.setFramesTotal(BulkTransfer::kReadFrames);
    bulk.readAllFromTarget();
    QCOMPARE(services.messages, QStringList{});
    QCOMPARE(sim.framesReceived(), 1 + 42 + BulkTransfer::kReadFrames);
    QCOMPARE(int(store.cellAt(TableId::Music, 2, 5).value), changed);

    // The server goes away: one loss report, at once rather than after the watchdog.
    const qint64 before = services.now().count();
    server.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!services.messages.isEmpty(), 3000);
    QVERIFY(services.now().count() - before < 3000);
    QVERIFY(!link.connected());
    QCOMPARE(view.caption(), QStringLiteral("Not connected"));
    // While it is away, the scans say why, once.
    QTRY_VERIFY_WITH_TIMEOUT(
        diagnostics.contains(QStringLiteral("COM2 (%1): connection refused: no server listens "
                                            "on that port.")
                                 .arg(server.entry())),
        5000);

    // Back on the same port: the scan connects again by itself.
    QVERIFY2(server.start(sim.device()), qPrintable(server.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(link.connected() && !link.progressActive(), 8000);
    QCOMPARE(services.messages, QStringList{QString::fromLatin1(TargetLink::kLinkLostMessage)});
    QCOMPARE(diagnostics.count(diagnostics.last()), 1);
    link.closePort();
    qunsetenv("TONVARA_PORTS");
}

QTEST_MAIN(TestSer2net)
#include "tst_ser2net.moc"
