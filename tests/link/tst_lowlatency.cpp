// USB adapters and latency: the low-latency request (through a recording ioctl, and refused on
// a real pseudo-terminal), the latency timer read from a sysfs tree the test builds, and the
// report of a slow adapter through the serial line and the port, once per device.
#include "LinkRig.h"
#include "LowLatency.h"
#include "QSerialLine.h"
#include "RS232Port.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <linux/serial.h>
#include <sys/ioctl.h>

using namespace tonvara;

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

class TestLowLatency : public QObject
{
    Q_OBJECT
  private slots:
    void requestSetsTheFlagAndKeepsTheOthers_data();
    void requestSetsTheFlagAndKeepsTheOthers();
    void pseudoTerminalRefusesSilently();
    void latencyTimerFromSysfs_data();
    void latencyTimerFromSysfs();
    void slowAdapterIsToldOncePerDevice();
    void slowAdapterStaysInTheToolTipWhileConnected();
};

void TestLowLatency::requestSetsTheFlagAndKeepsTheOthers_data()
{
    QTest::addColumn<int>("flagsBefore");
    QTest::addColumn<bool>("getRefused");
    QTest::addColumn<bool>("setRefused");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QList<int>>("setFlags"); // flags each TIOCSSERIAL carried
    const int skipTest = int(ASYNC_SKIP_TEST);
    const int lowLatency = int(ASYNC_LOW_LATENCY);
    QTest::newRow("flag added, others kept")
        << skipTest << false << false << true << QList<int>{skipTest | lowLatency};
    QTest::newRow("already set: nothing written")
        << (skipTest | lowLatency) << false << false << true << QList<int>{};
    QTest::newRow("driver without the request: nothing written")
        << 0 << true << false << false << QList<int>{};
    QTest::newRow("setting refused") << 0 << false << true << false << QList<int>{lowLatency};
}

void TestLowLatency::requestSetsTheFlagAndKeepsTheOthers()
{
    QFETCH(int, flagsBefore);
    QFETCH(bool, getRefused);
    QFETCH(bool, setRefused);
    QFETCH(bool, result);
    QFETCH(QList<int>, setFlags);
    QList<int> written;
    const IoctlCall fake = [&](int fd, unsigned long request, void *argument) {
        if (fd != 7)
            return -1;
        auto *serial = static_cast<serial_struct *>(argument);
        if (request == TIOCGSERIAL) {
            if (getRefused)
                return -1;
            serial->flags = flagsBefore;
            serial->baud_base = 24000000;
            return 0;
        }
        if (request == TIOCSSERIAL) {
            // The rest of the record is what the driver reported.
            if (serial->baud_base != 24000000)
                return -1;
            written.append(serial->flags);
            return setRefused ? -1 : 0;
        }
        return -1;
    };
    QCOMPARE(requestLowLatency(7, fake), result);
    QCOMPARE(written, setFlags);
}

void TestLowLatency::pseudoTerminalRefusesSilently()
{
    Pty pty;
    QVERIFY(!pty.path.isEmpty());
    const int fd = ::open(pty.path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QVERIFY(!requestLowLatency(fd));
    ::close(fd);
    // And the line opens as ever, with nothing to report.
    QTemporaryDir sys;
    QSerialLine line(nullptr, sys.path());
    const OpenOutcome outcome = line.open(pty.path);
    QVERIFY(outcome.ok());
    QCOMPARE(outcome.slowAdapterLatency, 0);
    QVERIFY(line.configure(9600, 8));
}

void TestLowLatency::latencyTimerFromSysfs_data()
{
    QTest::addColumn<QString>("timerFile"); // under the fake sysfs, "" for none
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("byIdLink"); // open the adapter through a /dev/serial/by-id link
    QTest::addColumn<int>("timer");     // -1: not a USB serial adapter
    QTest::newRow("FTDI default 16 ms") << "ttyUSB3" << QByteArray("16\n") << false << 16;
    QTest::newRow("after the low-latency request") << "ttyUSB3" << QByteArray("1\n") << false << 1;
    QTest::newRow("through a by-id link") << "ttyUSB3" << QByteArray("16\n") << true << 16;
    QTest::newRow("not a USB serial adapter") << "" << QByteArray() << false << -1;
    QTest::newRow("unreadable content") << "ttyUSB3" << QByteArray("x\n") << false << -1;
}

void TestLowLatency::latencyTimerFromSysfs()
{
    QFETCH(QString, timerFile);
    QFETCH(QByteArray, content);
    QFETCH(bool, byIdLink);
    QFETCH(int, timer);
    QTemporaryDir root;
    const QString sys = root.filePath("sys");
    const QString device = root.filePath("dev/ttyUSB3");
    QVERIFY(writeFile(device, {}));
    if (!timerFile.isEmpty())
        QVERIFY(writeFile(
            QStringLiteral("%1/bus/usb-serial/devices/%2/latency_timer").arg(sys, timerFile),
            content));
    QString opened = device;
    if (byIdLink) {
        opened = root.filePath("dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0");
        QDir().mkpath(QFileInfo(opened).path());
        QVERIFY(QFile::link("../../ttyUSB3", opened));
    }
    const std::optional<int> read = usbLatencyTimer(opened, sys);
    QCOMPARE(read.value_or(-1), timer);
    QCOMPARE(latencyTimerFile(opened, sys),
             sys + QStringLiteral("/bus/usb-serial/devices/ttyUSB3/latency_timer"));
}

void TestLowLatency::slowAdapterIsToldOncePerDevice()
{
    // A pseudo-terminal stands in for the adapter; the fake sysfs describes it as one whose
    // timer stays at 16 ms (the low-latency request is refused, as a driver may do).
    Pty pty;
    QVERIFY(!pty.path.isEmpty());
    QTemporaryDir root;
    const QString timerFile =
        root.path() + QStringLiteral("/bus/usb-serial/devices/%1/latency_timer")
                          .arg(QFileInfo(pty.path).fileName());
    QVERIFY(writeFile(timerFile, "16\n"));
    qputenv("TONVARA_PORTS", pty.path.toLocal8Bit());
    RS232Port port(std::make_unique<QSerialLine>(nullptr, root.path()));
    QStringList told;
    port.setDiagnosticSink([&](const QString &text) { told.append(text); });
    const QString text =
        QStringLiteral("COM1 (%1): the USB adapter holds received bytes for 16 ms, so Read and "
                       "Upload will be slower. Fix: echo 1 | sudo tee %2 (lasting: see "
                       "Troubleshooting in the README).")
            .arg(pty.path, timerFile);
    for (int scan = 0; scan < 3; ++scan) {
        port.rebuildPortTable();
        QVERIFY(port.openPort("1"));
        QCOMPARE(port.openNoteText(), text);
        QCOMPARE(port.scanFailureTexts(), QStringList{text});
        port.closePort();
    }
    QCOMPARE(told, QStringList{text});

    // A fast timer says nothing.
    QVERIFY(writeFile(timerFile, "1\n"));
    port.rebuildPortTable();
    QVERIFY(port.openPort("1"));
    QCOMPARE(port.openNoteText(), QString());
    QCOMPARE(port.scanFailureTexts(), QStringList{});
    qunsetenv("TONVARA_PORTS");
}

void TestLowLatency::slowAdapterStaysInTheToolTipWhileConnected()
{
    const QString device = QStringLiteral("/dev/ttyUSB0");
    const QString timerFile = QStringLiteral("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer");
    LinkRig rig({device});
    rig.line->devices[device].openOutcome.slowAdapterLatency = 16;
    rig.line->devices[device].openOutcome.latencyTimerFile = timerFile;
    QVERIFY(rig.connect());
    const QString note = slowAdapterText(1, device, 16, timerFile);
    QVERIFY(!note.isEmpty());
    QCOMPARE(rig.view.hint, note);
    // Lost and found again: the tool tip says it again, standard error only the first time.
    rig.line->vanish(device);
    rig.line->table = {device};
    rig.line->devices[device].openOutcome.slowAdapterLatency = 16;
    rig.line->devices[device].openOutcome.latencyTimerFile = timerFile;
    rig.line->attachTarget(device, rig.target);
    QVERIFY(rig.services.runUntil([&] { return !rig.link->connected(); }, Millis{100}));
    rig.view.hint.clear();
    QVERIFY(rig.services.runUntil([&] { return rig.link->connected(); }, Millis{5000}));
    QCOMPARE(rig.view.hint, note);
    QCOMPARE(rig.diagnostics, QStringList{note});
}

QTEST_MAIN(TestLowLatency)
#include "tst_lowlatency.moc"
