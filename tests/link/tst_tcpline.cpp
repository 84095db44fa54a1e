// The line to a serial device server: entry parsing, the causes of a failed connection, the
// connect time-out on virtual time (a host that never answers), and on real loopback sockets
// the bytes both ways, a refused connection and the server going away.
#include "LinkRig.h"
#include "HeadlessWindowServices.h"
#include "TcpLine.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tonvara;

Q_DECLARE_METATYPE(std::optional<TcpEntry>)

namespace {

// A TCP socket bound to a free loopback port, its address in `address`; -1 when that fails.
int boundLoopbackSocket(sockaddr_in &address)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

// A loopback port whose listener never takes another connection: its queue of one is full, so
// the system drops our connection request and the connect never ends by itself.
struct SilentHost
{
    SilentHost()
    {
        sockaddr_in address{};
        listener = boundLoopbackSocket(address);
        if (listener < 0 || ::listen(listener, 0) != 0)
            return;
        filler = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(filler, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
            port = ntohs(address.sin_port);
    }
    ~SilentHost()
    {
        ::close(filler);
        ::close(listener);
    }
    QString entry() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(port); }
    int listener = -1;
    int filler = -1;
    quint16 port = 0;
};

// A loopback port with nobody listening: bound, so that no other program takes it meanwhile.
struct ClosedPort
{
    ClosedPort()
    {
        sockaddr_in address{};
        fd = boundLoopbackSocket(address);
        if (fd >= 0)
            port = ntohs(address.sin_port);
    }
    ~ClosedPort() { ::close(fd); }
    int fd = -1;
    quint16 port = 0;
};

} // namespace

class TestTcpLine : public QObject
{
    Q_OBJECT
  private slots:
    void entriesParse_data();
    void entriesParse();
    void connectFailuresClassify_data();
    void connectFailuresClassify();
    void silentHostTimesOutOnVirtualTime();
    void scanPassesDeadServerWithinProbeTime();
    void refusedConnectionIsRefused();
    void malformedEntryIsToldNotTried();
    void bytesBothWaysAndConfigureDropsUnread();
    void serverClosingIsOneLoss_data();
    void serverClosingIsOneLoss();
};

void TestTcpLine::entriesParse_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<std::optional<TcpEntry>>("expected");
    const auto e = [](const char *host, quint16 port) {
        return std::optional<TcpEntry>(TcpEntry{QString::fromLatin1(host), port});
    };
    QTest::newRow("name and port") << "tcp://rack3.local:2001" << e("rack3.local", 2001);
    QTest::newRow("IPv4 address") << "tcp://10.0.0.5:4001" << e("10.0.0.5", 4001);
    QTest::newRow("IPv6 in brackets") << "tcp://[fe80::1]:2000" << e("fe80::1", 2000);
    QTest::newRow("scheme in capitals") << "TCP://host:7" << e("host", 7);
    QTest::newRow("highest port") << "tcp://h:65535" << e("h", 65535);
    QTest::newRow("device path") << "/dev/ttyUSB0" << std::optional<TcpEntry>();
    QTest::newRow("no port") << "tcp://host" << std::optional<TcpEntry>();
    QTest::newRow("empty port") << "tcp://host:" << std::optional<TcpEntry>();
    QTest::newRow("no host") << "tcp://:2000" << std::optional<TcpEntry>();
    QTest::newRow("port 0") << "tcp://host:0" << std::optional<TcpEntry>();
    QTest::newRow("port above 65535") << "tcp://host:65536" << std::optional<TcpEntry>();
    QTest::newRow("signed port") << "tcp://host:+80" << std::optional<TcpEntry>();
    QTest::newRow("IPv6 without brackets") << "tcp://fe80::1:2000" << std::optional<TcpEntry>();
    QTest::newRow("path after host") << "tcp://host/x:2000" << std::optional<TcpEntry>();
    QTest::newRow("other scheme") << "udp://host:2000" << std::optional<TcpEntry>();
}

void TestTcpLine::entriesParse()
{
    QFETCH(QString, entry);
    QFETCH(std::optional<TcpEntry>, expected);
    const std::optional<TcpEntry> parsed = parseTcpEntry(entry);
    QCOMPARE(parsed.has_value(), expected.has_value());
    if (expected) {
        QCOMPARE(parsed->host, expected->host);
        QCOMPARE(parsed->port, expected->port);
    }
}

void TestTcpLine::connectFailuresClassify_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("detail");
    QTest::newRow("refused") << int(QAbstractSocket::ConnectionRefusedError)
                             << int(OpenFailure::Refused) << QString();
    QTest::newRow("host not found")
        << int(QAbstractSocket::HostNotFoundError) << int(OpenFailure::HostNotFound) << QString();
    QTest::newRow("network unreachable is no answer")
        << int(QAbstractSocket::NetworkError) << int(OpenFailure::NoAnswer) << QString();
    QTest::newRow("anything else keeps the system's text")
        << int(QAbstractSocket::SocketAccessError) << int(OpenFailure::Other)
        << QStringLiteral("access denied");
}

void TestTcpLine::connectFailuresClassify()
{
    QFETCH(int, error);
    QFETCH(int, failure);
    QFETCH(QString, detail);
    const OpenOutcome outcome = classifyConnectFailure(
        static_cast<QAbstractSocket::SocketError>(error), QStringLiteral("access denied"));
    QCOMPARE(int(outcome.failure), failure);
    QCOMPARE(outcome.detail, detail);
}

void TestTcpLine::silentHostTimesOutOnVirtualTime()
{
    SilentHost host;
    QVERIFY(host.port != 0);
    VirtualWindowServices services;
    TcpLine line(services);
    const Millis start = services.now();
    const OpenOutcome outcome = line.open(host.entry());
    QCOMPARE(int(outcome.failure), int(OpenFailure::NoAnswer));
    QCOMPARE(services.now() - start, TcpLine::kConnectTimeout);
    QVERIFY(!line.isOpen());
    QCOMPARE(line.bytesAvailable(), qint64{0});
    QVERIFY(!line.configure(9600, 8));
}

void TestTcpLine::scanPassesDeadServerWithinProbeTime()
{
    // COM1 a server that never answers, COM2 the target on a device.
    SilentHost host;
    QVERIFY(host.port != 0);
    LinkRig rig({host.entry(), QStringLiteral("/dev/ttyT1")}, false);
    rig.line->attachTarget(QStringLiteral("/dev/ttyT1"), rig.target);
    QVERIFY(rig.connect());
    QCOMPARE(rig.link->port().portHandle(), 2);
    // Never longer on the dead server than the probe of a silent device.
    const Millis identifyAt = rig.line->writes.front().at;
    QCOMPARE(identifyAt, TargetLink::kFirstScanDelay + TcpLine::kConnectTimeout);
    QCOMPARE(rig.line->opens, QStringList{QStringLiteral("/dev/ttyT1")});
    QCOMPARE(rig.diagnostics,
             QStringList{QStringLiteral("COM1 (%1): no answer within 500 ms.").arg(host.entry())});
}

void TestTcpLine::refusedConnectionIsRefused()
{
    ClosedPort closed;
    QVERIFY(closed.port != 0);
    HeadlessWindowServices services;
    TcpLine line(services);
    const OpenOutcome outcome = line.open(QStringLiteral("tcp://127.0.0.1:%1").arg(closed.port));
    QCOMPARE(int(outcome.failure), int(OpenFailure::Refused));
    QVERIFY(!line.isOpen());
}

void TestTcpLine::malformedEntryIsToldNotTried()
{
    VirtualWindowServices services;
    TcpLine line(services);
    const OpenOutcome outcome = line.open(QStringLiteral("tcp://host"));
    QCOMPARE(int(outcome.failure), int(OpenFailure::Other));
    QCOMPARE(openFailureText(3, QStringLiteral("tcp://host"), outcome),
             QStringLiteral("COM3 (tcp://host): cannot open it: not of the form tcp://HOST:PORT."));
    QCOMPARE(services.now(), Millis{0});
}

void TestTcpLine::bytesBothWaysAndConfigureDropsUnread()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    HeadlessWindowServices services;
    TcpLine line(services);
    QVERIFY(line.open(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort())).ok());
    QVERIFY(line.isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 3000);
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());

    // Bytes that came before configure are not an answer to anything we send.
    peer->write("\x01\x02", 2);
    QTRY_COMPARE_WITH_TIMEOUT(line.bytesAvailable(), qint64{2}, 3000);
    QVERIFY(line.configure(9600, 8));
    QCOMPARE(line.bytesAvailable(), qint64{0});
    // Kept aside, for what a device server says on connecting.
    QCOMPARE(line.droppedByConfigure(), QByteArray("\x01\x02", 2));

    const std::uint8_t frame[] = {0xCD, 0xE2, 0x00, 0x00, 0x00, 0x6E};
    line.write(frame, 6);
    QTRY_COMPARE_WITH_TIMEOUT(peer->bytesAvailable(), qint64{6}, 3000);
    QCOMPARE(peer->readAll(), QByteArray(reinterpret_cast<const char *>(frame), 6));

    QSignalSpy ready(&line, &SerialLine::readyRead);
    peer->write("\x6E", 1);
    QTRY_COMPARE_WITH_TIMEOUT(line.bytesAvailable(), qint64{1}, 3000);
    QVERIFY(ready.count() >= 1);
    std::uint8_t got = 0;
    QCOMPARE(line.read(&got, 100), qint64{1});
    QCOMPARE(got, std::uint8_t{0x6E});
    QCOMPARE(line.read(&got, 100), qint64{0}); // never waits
}

void TestTcpLine::serverClosingIsOneLoss_data()
{
    QTest::addColumn<bool>("reset");
    QTest::newRow("server closes") << false;
    QTest::newRow("server resets") << true;
}

void TestTcpLine::serverClosingIsOneLoss()
{
    QFETCH(bool, reset);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    HeadlessWindowServices services;
    TcpLine line(services);
    QVERIFY(line.open(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort())).ok());
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 3000);
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    QSignalSpy lost(&line, &SerialLine::lineLost);
    if (reset) {
        // Lingering for no time makes the close a reset.
        const linger now{1, 0};
        QCOMPARE(
            ::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now),
            0);
        peer->abort();
    } else {
        peer->disconnectFromHost();
    }
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
    QVERIFY(!line.isOpen());
    // A write to the dead connection adds no second report.
    const std::uint8_t sync = SyncByte;
    line.write(&sync, 1);
    QTest::qWait(200);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(line.bytesAvailable(), qint64{0});
}

QTEST_MAIN(TestTcpLine)
#include "tst_tcpline.moc"
