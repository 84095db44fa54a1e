#include "LinkRig.h"
#include "QSerialLine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tonvara;

Q_DECLARE_METATYPE(tonvara::OpenFailure)

class TestRS232Port : public QObject
{
    Q_OBJECT
  private slots:
    void portTableSource_data();
    void portTableSource();
    void portNumbersMapToTableEntries_data();
    void portNumbersMapToTableEntries();
    void bytesWaitingIsCapped_data();
    void bytesWaitingIsCapped();
    void configureEmptiesInputAndCloseIsHarmless();
    void openFailuresAreToldOncePerDeviceAndCause_data();
    void openFailuresAreToldOncePerDeviceAndCause();
    void networkCausesAreToldOncePerEntryAndCause_data();
    void networkCausesAreToldOncePerEntryAndCause();
    void entryFormPicksTheLine();
    void tableIsRebuiltForEveryScan();
    void realDeviceFailuresAreClassified_data();
    void realDeviceFailuresAreClassified();
    void notAllowedNamesAGroupOnlyWhenItMayOpen_data();
    void notAllowedNamesAGroupOnlyWhenItMayOpen();
};

void TestRS232Port::portTableSource_data()
{
    QTest::addColumn<bool>("envSet");
    QTest::addColumn<QString>("env");
    QTest::addColumn<QStringList>("table");
    const QStringList system{"/dev/ttyS0", "/dev/ttyUSB0"};
    QTest::newRow("unset: the system's list") << false << QString() << system;
    QTest::newRow("set: its paths in order")
        << true << "/dev/pts/4:/dev/pts/3" << QStringList{"/dev/pts/4", "/dev/pts/3"};
    QTest::newRow("set but empty: no ports") << true << "" << QStringList{};
    QTest::newRow("empty items skipped") << true << "::/tmp/a:" << QStringList{"/tmp/a"};
    QTest::newRow("device servers keep their colons among paths")
        << true << "tcp://10.0.0.5:2000:/dev/pts/3:tcp://rack.local:4001"
        << QStringList{"tcp://10.0.0.5:2000", "/dev/pts/3", "tcp://rack.local:4001"};
    QTest::newRow("IPv6 server in brackets")
        << true << "/dev/pts/3:tcp://[fe80::1]:2000:/dev/pts/4"
        << QStringList{"/dev/pts/3", "tcp://[fe80::1]:2000", "/dev/pts/4"};
    QTest::newRow("server without a port stays one entry")
        << true << "tcp://rack" << QStringList{"tcp://rack"};
}

void TestRS232Port::portTableSource()
{
    QFETCH(bool, envSet);
    QFETCH(QString, env);
    QFETCH(QStringList, table);
    QCOMPARE(portTableFrom(envSet, env, {"/dev/ttyS0", "/dev/ttyUSB0"}), table);
}

void TestRS232Port::portNumbersMapToTableEntries_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1 first entry") << "1"
                                      << "/dev/d1";
    QTest::newRow("COM12 twelfth entry") << "12"
                                         << "/dev/d12";
    QTest::newRow("COM13 beyond the range") << "13"
                                            << "";
    QTest::newRow("COM0 none") << "0"
                               << "";
    QTest::newRow("not a number") << "x"
                                  << "";
}

void TestRS232Port::portNumbersMapToTableEntries()
{
    QFETCH(QString, number);
    QFETCH(QString, device);
    VirtualWindowServices services;
    auto line = std::make_unique<InMemoryLine>(services);
    InMemoryLine *raw = line.get();
    for (int i = 1; i <= 13; ++i) {
        raw->table.append(QStringLiteral("/dev/d%1").arg(i));
        raw->devices[raw->table.last()] = {};
    }
    RS232Port port(std::move(line));
    port.setDiagnosticSink({});
    port.rebuildPortTable();
    QCOMPARE(port.portHandle(), 0);
    QCOMPARE(port.openPort(number), !device.isEmpty());
    QCOMPARE(raw->openDevice(), device);
    QCOMPARE(port.portHandle(), device.isEmpty() ? RS232Port::kInvalidHandle : number.toInt());
    port.closePort();
    QCOMPARE(port.portHandle(), device.isEmpty() ? RS232Port::kInvalidHandle : number.toInt());
}

void TestRS232Port::bytesWaitingIsCapped_data()
{
    QTest::addColumn<int>("received");
    QTest::addColumn<int>("waiting");
    QTest::newRow("250 waiting counts 100") << 250 << 100;
    QTest::newRow("100 waiting counts 100") << 100 << 100;
    QTest::newRow("7 waiting counts 7") << 7 << 7;
}

void TestRS232Port::bytesWaitingIsCapped()
{
    QFETCH(int, received);
    QFETCH(int, waiting);
    LinkRig rig;
    rig.link->pollTimer().setEnabled(false);
    rig.line->notifyReadyRead = false;
    RS232Port &port = rig.link->port();
    port.rebuildPortTable();
    QVERIFY(port.openPort("1"));
    QVERIFY(port.configurePort(9600, 8));
    rig.line->inject(rig.line->table[0], Bytes(std::size_t(received), 0x42));
    rig.services.advance(Millis{1});
    port.updateBytesWaiting();
    QCOMPARE(port.bytesWaiting(), waiting);
    std::array<std::uint8_t, TargetLink::kRxBufferSize> buffer{};
    QCOMPARE(port.read(buffer.data(), port.bytesWaiting()), waiting);
    port.updateBytesWaiting();
    QCOMPARE(port.bytesWaiting(), std::min(received - waiting, 100));
}

void TestRS232Port::configureEmptiesInputAndCloseIsHarmless()
{
    LinkRig rig;
    rig.link->pollTimer().setEnabled(false);
    RS232Port &port = rig.link->port();
    port.closePort();
    port.closePort();
    port.updateBytesWaiting();
    QCOMPARE(port.bytesWaiting(), 0);
    port.rebuildPortTable();
    QVERIFY(port.openPort("1"));
    rig.line->inject(rig.line->table[0], Bytes{1, 2, 3});
    rig.services.advance(Millis{1});
    QVERIFY(port.configurePort(9600, 8));
    port.updateBytesWaiting();
    QCOMPARE(port.bytesWaiting(), 0);
    port.closePort();
    port.closePort();
    port.updateBytesWaiting();
    QCOMPARE(port.bytesWaiting(), 0);
    QVERIFY(!port.isOpen());
}

void TestRS232Port::openFailuresAreToldOncePerDeviceAndCause_data()
{
    QTest::addColumn<QList<OpenFailure>>("causes"); // the cause on each scan, in turn
    QTest::addColumn<QStringList>("told");
    const QString dev = "COM1 (/dev/ttyUSB0)";
    QTest::newRow("not allowed names the group and the fix")
        << QList<OpenFailure>{OpenFailure::NotAllowed}
        << QStringList{dev + ": not allowed to open it. Join the group dialout: sudo usermod -aG "
                             "dialout $USER, then log in again."};
    QTest::newRow("busy") << QList<OpenFailure>{OpenFailure::Busy}
                          << QStringList{dev + ": in use by another program."};
    QTest::newRow("absent") << QList<OpenFailure>{OpenFailure::Absent}
                            << QStringList{dev + ": not present."};
    QTest::newRow("busy, then not allowed, then busy again: two reports")
        << QList<OpenFailure>{OpenFailure::Busy, OpenFailure::NotAllowed, OpenFailure::Busy}
        << QStringList{dev + ": in use by another program.",
                       dev + ": not allowed to open it. Join the group dialout: sudo usermod "
                             "-aG dialout $USER, then log in again."};
}

void TestRS232Port::openFailuresAreToldOncePerDeviceAndCause()
{
    QFETCH(QList<OpenFailure>, causes);
    QFETCH(QStringList, told);
    const QString device = "/dev/ttyUSB0";
    LinkRig rig({device}, false);
    rig.link->start();
    rig.services.advance(Millis{50});
    for (const OpenFailure cause : causes) {
        rig.line->devices[device].openOutcome = {cause, "dialout", {}};
        // Several scans with the same cause.
        rig.services.advance(Millis{3 * 2000});
        QCOMPARE(rig.view.caption(), QStringLiteral("Not connected"));
        QCOMPARE(rig.view.hint, rig.link->port().lastFailureText());
        QCOMPARE(rig.view.hint, openFailureText(1, device, {cause, "dialout", {}}));
    }
    QCOMPARE(rig.diagnostics, told);
    QVERIFY(rig.line->opens.size() >= 3 * causes.size());
}

void TestRS232Port::networkCausesAreToldOncePerEntryAndCause_data()
{
    QTest::addColumn<QList<OpenFailure>>("causes"); // the cause on each scan, in turn
    QTest::addColumn<QStringList>("told");
    const QString at = "COM1 (tcp://10.0.0.5:2000)";
    const QString refused = at + ": connection refused: no server listens on that port.";
    QTest::newRow("refused") << QList<OpenFailure>{OpenFailure::Refused} << QStringList{refused};
    QTest::newRow("host not found")
        << QList<OpenFailure>{OpenFailure::HostNotFound} << QStringList{at + ": host not found."};
    QTest::newRow("no answer") << QList<OpenFailure>{OpenFailure::NoAnswer}
                               << QStringList{at + ": no answer within 500 ms."};
    QTest::newRow("refused, no answer, refused again: two reports")
        << QList<OpenFailure>{OpenFailure::Refused, OpenFailure::NoAnswer, OpenFailure::Refused}
        << QStringList{refused, at + ": no answer within 500 ms."};
    QTest::newRow("closed while connecting: nothing to tell")
        << QList<OpenFailure>{OpenFailure::Cancelled} << QStringList{};
}

void TestRS232Port::networkCausesAreToldOncePerEntryAndCause()
{
    QFETCH(QList<OpenFailure>, causes);
    QFETCH(QStringList, told);
    const QString entry = "tcp://10.0.0.5:2000";
    VirtualWindowServices services;
    auto owned = std::make_unique<InMemoryLine>(services);
    InMemoryLine *line = owned.get();
    line->table = {entry};
    RS232Port port(std::move(owned));
    QStringList diagnostics;
    port.setDiagnosticSink([&](const QString &text) { diagnostics.append(text); });
    for (const OpenFailure cause : causes) {
        line->devices[entry].openOutcome = {cause, {}, {}};
        for (int scan = 0; scan < 3; ++scan) {
            port.rebuildPortTable();
            QVERIFY(!port.openPort("1"));
            // The status tool tip has it on every scan.
            QCOMPARE(port.scanFailureTexts(), cause == OpenFailure::Cancelled
                                                  ? QStringList{}
                                                  : QStringList{port.lastFailureText()});
        }
    }
    QCOMPARE(diagnostics, told);
}

void TestRS232Port::entryFormPicksTheLine()
{
    // tcp:// entries go to the network line, paths to the device line; reads, writes and close
    // go to whichever opened last.
    VirtualWindowServices services;
    auto devices = std::make_unique<InMemoryLine>(services);
    auto servers = std::make_unique<InMemoryLine>(services);
    InMemoryLine *deviceLine = devices.get();
    InMemoryLine *serverLine = servers.get();
    deviceLine->table = {"tcp://srv:2000", "/dev/ttyS0"};
    deviceLine->devices["/dev/ttyS0"] = {};
    serverLine->devices["tcp://srv:2000"] = {};
    RS232Port port(std::move(devices), std::move(servers));
    port.setDiagnosticSink({});
    port.rebuildPortTable();

    QVERIFY(port.openPort("1"));
    QCOMPARE(serverLine->openDevice(), QStringLiteral("tcp://srv:2000"));
    QVERIFY(deviceLine->opens.isEmpty());
    const std::uint8_t sync = SyncByte;
    port.write(&sync, 1);
    QCOMPARE(serverLine->writes.size(), std::size_t{1});
    QSignalSpy ready(&port, &RS232Port::readyRead);
    serverLine->inject("tcp://srv:2000", {0x33});
    services.advance(Millis{5});
    QCOMPARE(ready.count(), 1);
    port.updateBytesWaiting();
    QCOMPARE(port.bytesWaiting(), 1);

    QVERIFY(port.openPort("2"));
    // Opening the next entry closed the server's connection.
    QVERIFY(!serverLine->isOpen());
    QCOMPARE(deviceLine->openDevice(), QStringLiteral("/dev/ttyS0"));
    port.updateBytesWaiting();
    QCOMPARE(port.bytesWaiting(), 0);
    port.write(&sync, 1);
    QCOMPARE(deviceLine->writes.size(), std::size_t{1});
    QSignalSpy lost(&port, &RS232Port::lineLost);
    deviceLine->vanish("/dev/ttyS0");
    services.advance(Millis{5});
    QCOMPARE(lost.count(), 1);
}

void TestRS232Port::tableIsRebuiltForEveryScan()
{
    LinkRig rig({"/dev/ttyA"}, false);
    rig.link->start();
    rig.services.advance(Millis{150});
    QCOMPARE(rig.line->opens, QStringList{"/dev/ttyA"});
    // A device appears between scans and takes the first number.
    rig.line->table = {"/dev/ttyNew", "/dev/ttyA"};
    rig.line->attachTarget("/dev/ttyNew", rig.target);
    QVERIFY(rig.services.runUntil([&] { return rig.link->connected(); }, Millis{2100}));
    QCOMPARE(rig.line->opens.last(), QStringLiteral("/dev/ttyNew"));
    QCOMPARE(rig.link->port().portHandle(), 1);
}

void TestRS232Port::realDeviceFailuresAreClassified_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("error");
    QTest::addColumn<OpenFailure>("failure");
    QTest::newRow("missing file is absent")
        << "/nonexistent/tty" << int(QSerialPort::PermissionError) << OpenFailure::Absent;
    QTest::newRow("device not found is absent")
        << "." << int(QSerialPort::DeviceNotFoundError) << OpenFailure::Absent;
    QTest::newRow("allowed file refused is busy")
        << "." << int(QSerialPort::PermissionError) << OpenFailure::Busy;
    QTest::newRow("other error keeps its text")
        << "." << int(QSerialPort::UnsupportedOperationError) << OpenFailure::Other;
}

void TestRS232Port::realDeviceFailuresAreClassified()
{
    QFETCH(QString, path);
    QFETCH(int, error);
    QFETCH(OpenFailure, failure);
    QTemporaryDir dir;
    const QString file = path == "." ? dir.filePath("tty") : path;
    if (path == ".") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const OpenOutcome outcome =
        classifyOpenFailure(file, QSerialPort::SerialPortError(error), "some reason");
    QCOMPARE(outcome.failure, failure);
    if (failure == OpenFailure::Other)
        QCOMPARE(outcome.detail, QStringLiteral("some reason"));
}

void TestRS232Port::notAllowedNamesAGroupOnlyWhenItMayOpen_data()
{
    QTest::addColumn<unsigned>("mode");
    QTest::addColumn<QString>("group");
    QTest::addColumn<unsigned>("groupId");
    QTest::addColumn<QString>("told"); // the troubleshooting line
    const QString join = "COM1 (/dev/ttyS0): not allowed to open it. Join the group dialout: sudo "
                         "usermod -aG dialout $USER, then log in again.";
    const QString ownerOnly =
        "COM1 (/dev/ttyS0): not allowed to open it. Only its owner root may open it; a udev rule "
        "can give it to the dialout group: see Troubleshooting in the README.";
    QTest::newRow("crw-rw---- root dialout: join dialout")
        << unsigned(S_IFCHR | 0660) << "dialout" << 20u << join;
    QTest::newRow("crw-rw-r-- root dialout: join dialout")
        << unsigned(S_IFCHR | 0664) << "dialout" << 20u << join;
    QTest::newRow("crw------- root root: only the owner")
        << unsigned(S_IFCHR | 0600) << "root" << 0u << ownerOnly;
    QTest::newRow("crw------- root dialout: only the owner")
        << unsigned(S_IFCHR | 0600) << "dialout" << 20u << ownerOnly;
    QTest::newRow("crw-r----- root dialout: the group may only read")
        << unsigned(S_IFCHR | 0640) << "dialout" << 20u << ownerOnly;
    QTest::newRow("crw--w---- root tty: the group may only write")
        << unsigned(S_IFCHR | 0620) << "tty" << 5u << ownerOnly;
    QTest::newRow("crw-rw---- root root: never the root group")
        << unsigned(S_IFCHR | 0660) << "root" << 0u << ownerOnly;
}

void TestRS232Port::notAllowedNamesAGroupOnlyWhenItMayOpen()
{
    QFETCH(unsigned, mode);
    QFETCH(QString, group);
    QFETCH(unsigned, groupId);
    QFETCH(QString, told);
    const OpenOutcome outcome = notAllowedOutcome(mode, "root", group, groupId);
    QCOMPARE(outcome.failure, OpenFailure::NotAllowed);
    QCOMPARE(openFailureText(1, "/dev/ttyS0", outcome), told);
    // The group named is the one the line tells the user to join, and nothing else.
    QCOMPARE(told.contains("usermod"), !outcome.group.isEmpty());
}

QTEST_MAIN(TestRS232Port)
#include "tst_rs232port.moc"
