// The command line's pure parts: what an argument list asks for, what a --port names, and how a
// probe's finding is told.
#include "CliOptions.h"
#include "PortJobs.h"
#include "PortName.h"

#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace tonvara;
using namespace tonvara::cli;

Q_DECLARE_METATYPE(tonvara::cli::Verb)
Q_DECLARE_METATYPE(tonvara::TargetLink::ProbeResult)

class TestCliUnits : public QObject
{
    Q_OBJECT
  private slots:
    void parsesCommandLines_data();
    void parsesCommandLines();
    void resolvesPortNames_data();
    void resolvesPortNames();
    void sameDeviceUnderTwoNamesIsRefused();
    void sameDeviceServerPortWrittenTwoWays_data();
    void sameDeviceServerPortWrittenTwoWays();
    void eachServerNameIsLookedUpOnce();
    void describesWhatAProbeFound_data();
    void describesWhatAProbeFound();
};

void TestCliUnits::parsesCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Verb>("verb");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<bool>("json");
    QTest::addColumn<bool>("help");

    QTest::newRow("upload to three ports, verified")
        << QStringList{"upload",        "--verify",     "--port", "COM1",
                       "--port",        "/dev/ttyUSB0", "-p",     "tcp://10.0.0.5:4001",
                       "venue.Lumaroch"}
        << Verb::Upload << QStringList{"COM1", "/dev/ttyUSB0", "tcp://10.0.0.5:4001"} << QString()
        << QStringList{"venue.Lumaroch"} << true << false << false;
    QTest::newRow("options after the file, --port=VALUE form")
        << QStringList{"upload", "venue.Lumaroch", "--port=COM2", "--json"} << Verb::Upload
        << QStringList{"COM2"} << QString() << QStringList{"venue.Lumaroch"} << false << true
        << false;
    QTest::newRow("read with short options")
        << QStringList{"read", "-p", "COM3", "-o", "room.Lumaroch"} << Verb::Read
        << QStringList{"COM3"} << "room.Lumaroch" << QStringList{} << false << false << false;
    QTest::newRow("-- lets a file name start with a dash")
        << QStringList{"diff", "--", "-a.Lumaroch", "b.Lumaroch"} << Verb::Diff << QStringList{}
        << QString() << QStringList{"-a.Lumaroch", "b.Lumaroch"} << false << false << false;
    QTest::newRow("ports as JSON") << QStringList{"ports", "--json"} << Verb::Ports << QStringList{}
                                   << QString() << QStringList{} << false << true << false;
    QTest::newRow("help wins over missing parts")
        << QStringList{"upload", "--help"} << Verb::Upload << QStringList{} << QString()
        << QStringList{} << false << false << true;
    QTest::newRow("help of the program") << QStringList{"-h"} << Verb::None << QStringList{}
                                         << QString() << QStringList{} << false << false << true;
}

void TestCliUnits::parsesCommandLines()
{
    QFETCH(QStringList, arguments);
    const ParseResult result = parseArguments(arguments);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QTEST(result.options.verb, "verb");
    QTEST(result.options.ports, "ports");
    QTEST(result.options.output, "output");
    QTEST(result.options.files, "files");
    QTEST(result.options.verify, "verify");
    QTEST(result.options.json, "json");
    QTEST(result.options.help, "help");
}

void TestCliUnits::resolvesPortNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("usageError");
    QTest::addColumn<bool>("missing");

    QTest::newRow("COM1 is the first entry") << "COM1"
                                             << "/dev/ttyS0" << false << false;
    QTest::newRow("com2 in lower case") << "com2"
                                        << "/dev/ttyUSB0" << false << false;
    QTest::newRow("COM3 beyond the table fails alone") << "COM3"
                                                       << "" << false << true;
    QTest::newRow("COM13 is not numbered") << "COM13"
                                           << "" << true << false;
    QTest::newRow("COM0 is not numbered") << "COM0"
                                          << "" << true << false;
    QTest::newRow("device path as given") << "/dev/pts/7"
                                          << "/dev/pts/7" << false << false;
    QTest::newRow("relative path") << "./room1"
                                   << "./room1" << false << false;
    QTest::newRow("network port") << "tcp://10.0.0.5:4001"
                                  << "tcp://10.0.0.5:4001" << false << false;
    QTest::newRow("network name and port") << "tcp://room7.local:2000"
                                           << "tcp://room7.local:2000" << false << false;
    QTest::newRow("network port without a port number") << "tcp://10.0.0.5"
                                                        << "" << true << false;
    QTest::newRow("network port out of range") << "tcp://10.0.0.5:70000"
                                               << "" << true << false;
    QTest::newRow("network port with a path") << "tcp://10.0.0.5:4001/x"
                                              << "" << true << false;
    QTest::newRow("bare device name") << "ttyUSB0"
                                      << "" << true << false;
}

void TestCliUnits::resolvesPortNames()
{
    QFETCH(QString, text);
    QFETCH(QString, device);
    QFETCH(bool, usageError);
    QFETCH(bool, missing);
    const PortName port = resolvePort(text, {"/dev/ttyS0", "/dev/ttyUSB0"});
    QCOMPARE(port.name, text);
    QCOMPARE(port.device, device);
    QCOMPARE(!port.error.isEmpty(), usageError);
    QCOMPARE(!port.missing.isEmpty(), missing);
    if (missing)
        QVERIFY2(port.missing.contains("2 serial port(s)"), qPrintable(port.missing));
}

void TestCliUnits::sameDeviceUnderTwoNamesIsRefused()
{
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyFake");
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString link = dir.filePath("room1");
    QVERIFY(QFile::link(device, link));
    const QStringList table{device};

    const QList<PortName> viaNumberAndLink{resolvePort("COM1", table), resolvePort(link, table)};
    const QString error = sameDeviceTwice(viaNumberAndLink);
    QVERIFY2(error.startsWith("COM1 and " + link + " are the same device"), qPrintable(error));

    const QList<PortName> distinct{resolvePort("COM1", table),
                                   resolvePort(dir.filePath("other"), table)};
    QCOMPARE(sameDeviceTwice(distinct), QString());
}

void TestCliUnits::sameDeviceServerPortWrittenTwoWays_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("same");
    const QString entry = "tcp://127.0.0.1:2101";
    QTest::newRow("scheme in capitals") << entry << "TCP://127.0.0.1:2101" << true;
    QTest::newRow("scheme in mixed case") << entry << "Tcp://127.0.0.1:2101" << true;
    QTest::newRow("port number with a leading zero") << entry << "tcp://127.0.0.1:02101" << true;
    QTest::newRow("host by name") << entry << "tcp://localhost:2101" << true;
    QTest::newRow("host name in capitals") << "tcp://rack-pc.invalid:2000"
                                           << "tcp://RACK-PC.invalid:2000" << true;
    QTest::newRow("IPv6 address written two ways") << "tcp://[::1]:2101"
                                                   << "tcp://[0:0:0:0:0:0:0:1]:2101" << true;
    QTest::newRow("another port number") << entry << "tcp://127.0.0.1:2102" << false;
    QTest::newRow("another host") << entry << "tcp://127.0.0.2:2101" << false;
    QTest::newRow("a device path is no server") << entry << "/dev/ttyS0" << false;
}

void TestCliUnits::sameDeviceServerPortWrittenTwoWays()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, same);
    const QList<PortName> ports{resolvePort(first, {}), resolvePort(second, {})};
    QVERIFY(ports[0].error.isEmpty() && ports[1].error.isEmpty());
    const QString error = sameDeviceTwice(ports);
    if (same)
        QCOMPARE(error, QStringLiteral("%1 and %2 are the same device (%1)").arg(first, second));
    else
        QCOMPARE(error, QString());
    // Beside a third port, in either order.
    const QList<PortName> three{resolvePort("/dev/ttyUSB9", {}), ports[1], ports[0]};
    QCOMPARE(sameDeviceTwice(three).isEmpty(), !same);
}

void TestCliUnits::eachServerNameIsLookedUpOnce()
{
    // Rack PCs by name on the same port, as a venue of 24 rooms names them: rack-pc1 to
    // rack-pc23 at addresses of their own, rack-pc24 an alias of rack-pc1.
    QStringList asked;
    setHostLookup([&asked](const QString &host) {
        asked.append(host);
        const int number = host.mid(QStringLiteral("rack-pc").size()).section('.', 0, 0).toInt();
        return QList<QHostAddress>{QHostAddress(QStringLiteral("10.0.0.%1").arg(number % 23))};
    });
    QList<PortName> ports;
    for (int room = 1; room <= 24; ++room)
        ports.append(resolvePort(QStringLiteral("tcp://rack-pc%1.lan:4001").arg(room), {}));
    const QString first = sameDeviceTwice(ports.first(23));
    const QString alias = sameDeviceTwice(ports);
    setHostLookup({});

    QCOMPARE(first, QString());
    QCOMPARE(alias, QStringLiteral("tcp://rack-pc1.lan:4001 and tcp://rack-pc24.lan:4001 are the "
                                   "same device (tcp://rack-pc1.lan:4001)"));
    // Asked once per name, not once per pair of rooms (276 pairs).
    QStringList expected;
    for (int room = 1; room <= 24; ++room)
        expected.append(QStringLiteral("rack-pc%1.lan").arg(room));
    asked.sort();
    expected.sort();
    QCOMPARE(asked, expected);
}

void TestCliUnits::describesWhatAProbeFound_data()
{
    using Kind = TargetLink::ProbeResult::Kind;
    QTest::addColumn<TargetLink::ProbeResult>("probe");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("found");
    QTest::addColumn<QString>("extraKey");
    QTest::addColumn<QString>("extraValue");

    const auto probe = [](Kind kind, int modelByte = 0, OpenOutcome open = {}) {
        TargetLink::ProbeResult r;
        r.kind = kind;
        r.modelByte = std::uint8_t(modelByte);
        r.open = open;
        return r;
    };
    QTest::newRow("target") << probe(Kind::Target, 0x6E) << "COM1 (/dev/ttyS0): target"
                            << "target"
                            << ""
                            << "";
    OpenOutcome slowAdapter;
    slowAdapter.slowAdapterLatency = 16;
    slowAdapter.latencyTimerFile = "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer";
    QTest::newRow("target on a slow USB adapter")
        << probe(Kind::Target, 0x6E, slowAdapter)
        << "COM1 (/dev/ttyS0): target; the USB adapter holds received bytes for 16 ms, so Read "
           "and Upload will be slower. Fix: echo 1 | sudo tee "
           "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer (lasting: see Troubleshooting in "
           "the README)."
        << "target"
        << "latencyTimerMs"
        << "16";
    QTest::newRow("another model names its byte")
        << probe(Kind::OtherModel, 0x6F) << "COM1 (/dev/ttyS0): another model (byte 0x6F)"
        << "other-model"
        << "modelByte"
        << "111";
    QTest::newRow("a small model byte keeps two digits")
        << probe(Kind::OtherModel, 0x05) << "COM1 (/dev/ttyS0): another model (byte 0x05)"
        << "other-model"
        << "modelByte"
        << "5";
    QTest::newRow("silent") << probe(Kind::Silent)
                            << "COM1 (/dev/ttyS0): silent (no answer to Identify)"
                            << "silent"
                            << ""
                            << "";
    QTest::newRow("not allowed names the group")
        << probe(Kind::NotOpened, 0, {OpenFailure::NotAllowed, "dialout", {}})
        << "COM1 (/dev/ttyS0): not allowed (join the group dialout: sudo usermod -aG dialout "
           "$USER, then log in again)"
        << "not-allowed"
        << "group"
        << "dialout";
    OpenOutcome ownerOnly{OpenFailure::NotAllowed, {}, {}};
    ownerOnly.owner = "root";
    QTest::newRow("not allowed, only the owner may: no group to join")
        << probe(Kind::NotOpened, 0, ownerOnly)
        << "COM1 (/dev/ttyS0): not allowed (only its owner root may open it; a udev rule can "
           "give it to the dialout group: see Troubleshooting in the README)"
        << "not-allowed"
        << "owner"
        << "root";
    TargetLink::ProbeResult text = probe(Kind::Text, 'P');
    text.text = "Port already in use";
    QTest::newRow("a device answering with text")
        << text << "COM1 (/dev/ttyS0): the device answered with text: \"Port already in use\""
        << "text"
        << "text"
        << "Port already in use";
    QTest::newRow("busy names the holder")
        << probe(Kind::NotOpened, 0, {OpenFailure::Busy, {}, "ModemManager (pid 812)"})
        << "COM1 (/dev/ttyS0): busy (held by ModemManager (pid 812))"
        << "busy"
        << "holder"
        << "ModemManager (pid 812)";
    QTest::newRow("busy, holder unknown") << probe(Kind::NotOpened, 0, {OpenFailure::Busy, {}, {}})
                                          << "COM1 (/dev/ttyS0): busy (held by another program)"
                                          << "busy"
                                          << ""
                                          << "";
    QTest::newRow("absent") << probe(Kind::NotOpened, 0, {OpenFailure::Absent, {}, {}})
                            << "COM1 (/dev/ttyS0): absent"
                            << "absent"
                            << ""
                            << "";
    QTest::newRow("device server refuses")
        << probe(Kind::NotOpened, 0, {OpenFailure::Refused, {}, {}})
        << "COM1 (/dev/ttyS0): refused (no server listens on that port)"
        << "refused"
        << ""
        << "";
    QTest::newRow("device server's host unknown")
        << probe(Kind::NotOpened, 0, {OpenFailure::HostNotFound, {}, {}})
        << "COM1 (/dev/ttyS0): unreachable (host not found)"
        << "unreachable"
        << ""
        << "";
    QTest::newRow("device server silent")
        << probe(Kind::NotOpened, 0, {OpenFailure::NoAnswer, {}, {}})
        << "COM1 (/dev/ttyS0): unreachable (no answer within 500 ms)"
        << "unreachable"
        << ""
        << "";
    QTest::newRow("other failure keeps the system's reason")

        << probe(Kind::NotOpened, 0, {OpenFailure::Other, {}, "Input/output error"})
        << "COM1 (/dev/ttyS0): cannot open it: Input/output error"
        << "error"
        << "error"
        << "cannot open it: Input/output error";
}

void TestCliUnits::describesWhatAProbeFound()
{
    QFETCH(TargetLink::ProbeResult, probe);
    QFETCH(QString, extraKey);
    QFETCH(QString, extraValue);
    const PortReport report = describeProbe(1, "/dev/ttyS0", probe);
    if (probe.kind == TargetLink::ProbeResult::Kind::NotOpened &&
        probe.open.failure == OpenFailure::NotAllowed)
        QCOMPARE(report.json.contains("group"), !probe.open.group.isEmpty());
    QTEST(report.line, "line");
    QTEST(report.json.value("found").toString(), "found");
    QCOMPARE(report.json.value("port").toString(), QStringLiteral("COM1"));
    QCOMPARE(report.json.value("device").toString(), QStringLiteral("/dev/ttyS0"));
    if (!extraKey.isEmpty())
        QCOMPARE(report.json.value(extraKey).toVariant().toString(), extraValue);
}

QTEST_GUILESS_MAIN(TestCliUnits)
#include "tst_cliunits.moc"
