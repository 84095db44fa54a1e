// Connecting to a named device with Identify alone, as the command line does: one frame on the
// line and nothing else, on the probe time-out, with the port kept open only for a target.
#include "LinkRig.h"

#include "TargetCore.h"

#include <QTest>

using namespace tonvara;

namespace {

const QString kDevice = QStringLiteral("/dev/ttyNamed");
const Bytes kIdentify{0xCD, 0xE2, 0x00, 0x00, 0x00, 0x6E};
using Kind = TargetLink::ProbeResult::Kind;

enum class Peer
{
    Target,
    OtherModel,
    Silent,
    Absent,
    Busy
};

} // namespace

Q_DECLARE_METATYPE(Peer)
Q_DECLARE_METATYPE(Kind)

class TestIdentifyOnly : public QObject
{
    Q_OBJECT
  private slots:
    void connectsWithIdentifyAlone_data();
    void connectsWithIdentifyAlone();
    void targetStaysConnectedWithoutSynchronisation();
    void answerOfTextIsNoModelByte_data();
    void answerOfTextIsNoModelByte();
    void noticeBeforeIdentifyIsToldWhenTheLineCloses();
};

void TestIdentifyOnly::connectsWithIdentifyAlone_data()
{
    QTest::addColumn<Peer>("peer");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("modelByte");
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<int>("identifyFrames");

    // The simulated target answers Identify after the frame and its answer crossed the line.
    QTest::newRow("target answers 0x6E") << Peer::Target << Kind::Target << 0x6E << -1 << 1;
    QTest::newRow("another model answers 0x6F")
        << Peer::OtherModel << Kind::OtherModel << 0x6F << -1 << 1;
    QTest::newRow("silent device waits the 700 ms probe time-out")
        << Peer::Silent << Kind::Silent << 0 << 700 << 1;
    QTest::newRow("absent device sends nothing") << Peer::Absent << Kind::NotOpened << 0 << 0 << 0;
    QTest::newRow("busy device sends nothing") << Peer::Busy << Kind::NotOpened << 0 << 0 << 0;
}

void TestIdentifyOnly::connectsWithIdentifyAlone()
{
    QFETCH(Peer, peer);
    QFETCH(Kind, kind);
    QFETCH(int, modelByte);
    QFETCH(int, waitMs);
    QFETCH(int, identifyFrames);

    // The device is named, not in the port table: the command line gives it directly.
    LinkRig rig({QStringLiteral("/dev/ttyOther")}, false);
    sim::TargetCore other(sim::TargetOptions{0x6F});
    switch (peer) {
    case Peer::Target:
        rig.line->attachTarget(kDevice, rig.target);
        break;
    case Peer::OtherModel:
        rig.line->attachTarget(kDevice, other);
        break;
    case Peer::Silent:
        rig.line->devices[kDevice] = {};
        break;
    case Peer::Absent:
        rig.line->devices[kDevice] = {OpenOutcome{OpenFailure::Absent, {}, {}}, {}};
        break;
    case Peer::Busy:
        rig.line->devices[kDevice] = {OpenOutcome{OpenFailure::Busy, {}, "minicom (pid 42)"}, {}};
        break;
    }

    const Millis before = rig.services.now();
    const TargetLink::ProbeResult result = rig.link->connectIdentifyOnly(kDevice);
    QCOMPARE(result.kind, kind);
    QCOMPARE(int(result.modelByte), modelByte);
    if (waitMs >= 0)
        QCOMPARE((rig.services.now() - before).count(), waitMs);
    if (peer == Peer::Busy)
        QCOMPARE(result.open.detail, QStringLiteral("minicom (pid 42)"));

    const auto frames = rig.line->framesTo(kDevice);
    QCOMPARE(int(frames.size()), identifyFrames);
    if (identifyFrames)
        QCOMPARE(frames[0], kIdentify);
    QCOMPARE(rig.link->connected(), kind == Kind::Target);
    // Only a target keeps the port; nothing is left probing either way.
    QCOMPARE(rig.line->openDevice(), kind == Kind::Target ? kDevice : QString());
    QVERIFY(!rig.link->probing());
    // The caller reports on its own: no message box, no one-line diagnostics, no pause.
    QVERIFY(rig.services.messages.isEmpty());
    QVERIFY(rig.diagnostics.isEmpty());
    QVERIFY(rig.services.pauses.isEmpty());
    QVERIFY(!rig.line->opens.contains(QStringLiteral("/dev/ttyOther")));
}

void TestIdentifyOnly::targetStaysConnectedWithoutSynchronisation()
{
    LinkRig rig({}, false);
    rig.line->attachTarget(kDevice, rig.target);
    QCOMPARE(rig.link->connectIdentifyOnly(kDevice).kind, Kind::Target);
    // Long enough for the window's synchronisation and several keep-alives.
    rig.services.advance(Millis{12000});
    const auto frames = rig.line->framesTo(kDevice);
    QCOMPARE(frames.size(), std::size_t{1});
    QVERIFY(rig.view.enabledCalls.empty());
    QVERIFY(rig.view.progress.empty());
    QVERIFY(rig.link->connected());
    // The keep-alive runs and is echoed, so the link holds.
    int syncBytes = 0;
    for (const InMemoryLine::Write &write : rig.line->writes)
        syncBytes += write.bytes == Bytes{SyncByte} ? 1 : 0;
    QCOMPARE(syncBytes, 2);
    // A second connect while connected does nothing.
    QCOMPARE(rig.link->connectIdentifyOnly(kDevice).kind, Kind::NotOpened);
    QCOMPARE(rig.line->framesTo(kDevice).size(), std::size_t{1});
}

void TestIdentifyOnly::answerOfTextIsNoModelByte_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("later"); // more bytes, laterMs after the answer arrived
    QTest::addColumn<int>("laterMs");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("modelByte");
    QTest::addColumn<QString>("text");

    QTest::newRow("device server's notice") << QByteArray("Port already in use\r\n") << QByteArray()
                                            << 0 << Kind::Text << int('P') << "Port already in use";
    QTest::newRow("the first of two lines")
        << QByteArray("Device open failure: Value or file not found\r\nTry later\r\n")
        << QByteArray() << 0 << Kind::Text << int('D')
        << "Device open failure: Value or file not found";
    QTest::newRow("a leading line end is passed over")
        << QByteArray("\r\nWelcome to port 7\r\n") << QByteArray() << 0 << Kind::Text << 0x0D
        << "Welcome to port 7";
    QTest::newRow("a line without its end")
        << QByteArray("login:") << QByteArray() << 0 << Kind::Text << int('l') << "login:";
    QTest::newRow("the rest of the line within the wait")
        << QByteArray("Port al") << QByteArray("ready in use\r\n") << 60 << Kind::Text << int('P')
        << "Port already in use";
    QTest::newRow("nothing is waited for after the wait")
        << QByteArray("Port al") << QByteArray("ready in use\r\n") << 300 << Kind::Text << int('P')
        << "Port al";
    QTest::newRow("a long notice is cut")
        << QByteArray(150, 'x') << QByteArray() << 0 << Kind::Text << int('x')
        << QString(TargetLink::kAnswerTextShown, 'x') + "...";
    QTest::newRow("a notice that begins with the model byte's letter")
        << QByteArray("no device on this port\r\n") << QByteArray() << 0 << Kind::Text << 0x6E
        << "no device on this port";
    QTest::newRow("a printable model byte alone")
        << QByteArray("D") << QByteArray() << 0 << Kind::OtherModel << 0x44 << "";
    QTest::newRow("two printable bytes are no text")
        << QByteArray("Po") << QByteArray() << 0 << Kind::OtherModel << int('P') << "";
    QTest::newRow("a model byte followed by noise")
        << QByteArray("\x6F\x01\x80\x02") << QByteArray() << 0 << Kind::OtherModel << 0x6F << "";
    QTest::newRow("a control byte inside the line")
        << QByteArray("Port\x07 in use") << QByteArray() << 0 << Kind::OtherModel << int('P') << "";
}

void TestIdentifyOnly::answerOfTextIsNoModelByte()
{
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, later);
    QFETCH(int, laterMs);
    QFETCH(Kind, kind);
    QFETCH(int, modelByte);
    QFETCH(QString, text);

    LinkRig rig({}, false);
    // Answers Identify with the bytes; the rest of them, if any, follow on their own.
    rig.line->devices[kDevice].peer = [&](const std::uint8_t *, std::size_t) {
        if (!later.isEmpty())
            rig.line->inject(kDevice, Bytes(later.begin(), later.end()),
                             Millis{laterMs} + Millis{(6 + answer.size()) * 10 * 1000 / 9600 + 1});
        return InMemoryLine::Answer{Bytes(answer.begin(), answer.end()), false};
    };
    const TargetLink::ProbeResult result = rig.link->connectIdentifyOnly(kDevice);
    QCOMPARE(result.kind, kind);
    QCOMPARE(int(result.modelByte), modelByte);
    QCOMPARE(result.text, text);
    QCOMPARE(rig.line->framesTo(kDevice).size(), std::size_t{1});
    QCOMPARE(rig.line->openDevice(), QString());
    QVERIFY(!rig.link->connected());
    QVERIFY(!rig.link->probing());
    QVERIFY(rig.diagnostics.isEmpty());
}

void TestIdentifyOnly::noticeBeforeIdentifyIsToldWhenTheLineCloses()
{
    // The notice came with the connection, before the line was configured; Identify then met
    // the closed connection.
    LinkRig rig({}, false);
    rig.line->keepsDropped = true;
    const QByteArray notice("Port already in use\r\n");
    rig.line->devices[kDevice].greeting = Bytes(notice.begin(), notice.end());
    rig.line->devices[kDevice].peer = [](const std::uint8_t *, std::size_t) {
        return InMemoryLine::Answer{{}, /*closeLine=*/true};
    };
    const TargetLink::ProbeResult result = rig.link->connectIdentifyOnly(kDevice);
    QCOMPARE(result.kind, Kind::Text);
    QCOMPARE(result.text, QStringLiteral("Port already in use"));
    QVERIFY(!rig.link->probing());

    // The line was configured in the middle of the notice: what came after is no answer, even
    // where it begins with the model byte ('n').
    LinkRig cut({}, false);
    cut.line->keepsDropped = true;
    const QByteArray before("Device open failure: Value or file ");
    const QByteArray after("not found\r\n");
    cut.line->devices[kDevice].greeting = Bytes(before.begin(), before.end());
    cut.line->devices[kDevice].peer = [&](const std::uint8_t *, std::size_t) {
        return InMemoryLine::Answer{Bytes(after.begin(), after.end()), false};
    };
    const TargetLink::ProbeResult cutResult = cut.link->connectIdentifyOnly(kDevice);
    QCOMPARE(cutResult.kind, Kind::Text);
    QCOMPARE(cutResult.text, QStringLiteral("Device open failure: Value or file not found"));
    QVERIFY(!cut.link->connected());

    // A whole line before Identify is a banner: the target's answer after it is still its own.
    LinkRig banner({}, false);
    banner.line->keepsDropped = true;
    const QByteArray welcome("Welcome to port 7\r\n");
    banner.line->attachTarget(kDevice, banner.target);
    banner.line->devices[kDevice].greeting = Bytes(welcome.begin(), welcome.end());
    QCOMPARE(banner.link->connectIdentifyOnly(kDevice).kind, Kind::Target);

    // A line that keeps nothing it dropped is silent, as before.
    LinkRig plain({}, false);
    plain.line->devices[kDevice].greeting = Bytes(notice.begin(), notice.end());
    plain.line->devices[kDevice].peer = [](const std::uint8_t *, std::size_t) {
        return InMemoryLine::Answer{{}, /*closeLine=*/true};
    };
    QCOMPARE(plain.link->connectIdentifyOnly(kDevice).kind, Kind::Silent);
}

QTEST_MAIN(TestIdentifyOnly)
#include "tst_identifyonly.moc"
