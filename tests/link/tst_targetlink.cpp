#include "LinkRig.h"

#include <QTest>

#include <random>

using namespace tonvara;

Q_DECLARE_METATYPE(tonvara::Bytes)

namespace {

const QString kDev0 = QStringLiteral("/dev/ttyT0");

// Answers the n-th frame written with answers[n] (empty: silence), then acknowledges.
InMemoryLine::Peer scripted(std::vector<Bytes> answers, int *count)
{
    return [answers = std::move(answers), count](const std::uint8_t *, std::size_t size) {
        if (size != 6)
            return InMemoryLine::Answer{};
        const int n = (*count)++;
        if (n < static_cast<int>(answers.size()))
            return InMemoryLine::Answer{answers[static_cast<std::size_t>(n)], false};
        return InMemoryLine::Answer{{AckByte}, false};
    };
}

int countOf(const QString &text, const QString &needle)
{
    return static_cast<int>(text.count(needle));
}

} // namespace

class TestTargetLink : public QObject
{
    Q_OBJECT
  private slots:
    void workedExampleSendsFrameAndLogsIt();
    void replyTimeouts_data();
    void replyTimeouts();
    void muteOffPausesBeforeTheWait_data();
    void muteOffPausesBeforeTheWait();
    void receiveClassification_data();
    void receiveClassification();
    void anyByteStreamStaysInsideTheBuffers_data();
    void anyByteStreamStaysInsideTheBuffers();
    void replyIndexRestartsAt1000_data();
    void replyIndexRestartsAt1000();
    void progressFigures_data();
    void progressFigures();
    void nestedSendsKeepOrderAndOwnAnswers_data();
    void nestedSendsKeepOrderAndOwnAnswers();
    void scanSkipsAbsentAndSilentPorts();
    void wrongModelThenTarget();
    void noDeviceScansEveryTwoSeconds();
    void syncPushesCurrentRowsAndReadsBack_data();
    void syncPushesCurrentRowsAndReadsBack();
    void startLevelAboveMaxIsLimitedWithoutFrame();
    void inputAnswerAboveTwoSelectsNone();
    void lossWhileIdle_data();
    void lossWhileIdle();
    void unansweredFrameReportsLossOnce();
    void abandonWaitEndsWaitSilently();
    void keepAliveEchoKeepsLink();
    void probeIsLoggedWithItsAnswer();
    void noScanWhileALossIsOnScreen();
    void watchdogFiresEvenWhileFramesAreAnswered();
    void wrongModelAloneEndsNotConnected();
    void textInsteadOfAModelByteIsToldButShownAsAMismatch();
    void noticeOfAServerThatClosesIsToldAsTheScanGoesOn();
    void modelByteInsideANoticeDoesNotConnect();
    void lossInTheMiddleOfTheSync();
    void muteOffPauseSkippedWhenItsFrameFailedFirst();
    void answersInTheDriverAreReadBeforeDeciding_data();
    void answersInTheDriverAreReadBeforeDeciding();
};

void TestTargetLink::workedExampleSendsFrameAndLogsIt()
{
    LinkRig rig;
    QVERIFY(rig.connect());
    rig.link->trafficLog().setEnabled(true);
    rig.link->trafficLog().clear();
    const std::size_t before = rig.line->writes.size();

    QVERIFY(rig.link->sendFrame(false, 0, Command::LiveWrite, Group::KtvEff, 20, 181, 25, false));

    const auto frames = rig.framesSince(before);
    QCOMPARE(frames.size(), std::size_t{1});
    QCOMPARE(frames[0], (Bytes{0xCD, 0x02, 0x02, 0x14, 0xB5, 0x19}));
    QCOMPARE(rig.link->trafficLog().text(),
             QStringLiteral("\r\nSend: CD,02,02,14,B5,19\r\nRecv: 33"));
    QCOMPARE(rig.target.setting(2, 20, 181), std::uint8_t{25});
}

void TestTargetLink::replyTimeouts_data()
{
    QTest::addColumn<bool>("probing");
    QTest::addColumn<int>("timeoutMs");
    QTest::newRow("probe waits 700 ms") << true << 700;
    QTest::newRow("connected frame waits 4000 ms") << false << 4000;
}

void TestTargetLink::replyTimeouts()
{
    QFETCH(bool, probing);
    QFETCH(int, timeoutMs);
    LinkRig rig({kDev0, QStringLiteral("/dev/ttyT1")}, false);
    if (probing) {
        // COM1 silent, COM2 the target: the second Identify follows the first by the time-out.
        rig.line->devices[kDev0] = {};
        rig.line->attachTarget(QStringLiteral("/dev/ttyT1"), rig.target);
        QVERIFY(rig.connect());
        const auto &w = rig.line->writes;
        QCOMPARE(w[0].device, kDev0);
        QCOMPARE(w[1].device, QStringLiteral("/dev/ttyT1"));
        QCOMPARE((w[1].at - w[0].at).count(), timeoutMs);
        QVERIFY(rig.services.messages.isEmpty());
        return;
    }
    rig.line->attachTarget(kDev0, rig.target);
    QVERIFY(rig.connect());
    rig.target.options().silentAfter = rig.target.framesReceivedCount();
    const Millis start = rig.services.now();
    QVERIFY(!rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 1, false));
    QCOMPARE((rig.services.now() - start).count(), timeoutMs);
    QCOMPARE(rig.services.messageTexts(),
             QStringList{QString::fromLatin1(TargetLink::kLinkLostMessage)});
    QCOMPARE(rig.services.messages[0].icon, MessageIcon::Warning);
    QCOMPARE((rig.services.messages[0].at - start).count(), timeoutMs);
    QCOMPARE(rig.view.caption(), QStringLiteral("Not connected"));
    QVERIFY(!rig.link->connected());
    QVERIFY(!rig.line->isOpen());
}

void TestTargetLink::muteOffPausesBeforeTheWait_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("pauseWhenZero");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<int>("pauseMs");
    QTest::newRow("mute off waits 1.5 s, then 4 s for no answer") << 0 << true << false << 1500;
    QTest::newRow("mute off answered during the pause") << 0 << true << true << 1500;
    QTest::newRow("mute on: no pause") << 1 << true << false << 0;
    QTest::newRow("zero without the flag: no pause") << 0 << false << false << 0;
}

void TestTargetLink::muteOffPausesBeforeTheWait()
{
    QFETCH(int, value);
    QFETCH(bool, pauseWhenZero);
    QFETCH(bool, answered);
    QFETCH(int, pauseMs);
    LinkRig rig;
    QVERIFY(rig.connect());
    if (!answered)
        rig.target.options().silentAfter = 0;
    const Millis start = rig.services.now();
    const std::size_t before = rig.line->writes.size();
    QCOMPARE(rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Mute, 0, 0,
                                 std::uint8_t(value), pauseWhenZero),
             answered);
    QCOMPARE(rig.line->writes[before].at, start); // the frame goes out before the pause
    QCOMPARE(rig.services.pauses, pauseMs ? QList<Millis>{Millis{pauseMs}} : QList<Millis>{});
    if (!answered)
        QCOMPARE((rig.services.now() - start).count(), pauseMs + 4000);
}

void TestTargetLink::receiveClassification_data()
{
    QTest::addColumn<bool>("collect");
    QTest::addColumn<int>("expected");
    QTest::addColumn<Bytes>("answer");
    QTest::addColumn<bool>("armWatchdog");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Bytes>("reply");
    QTest::addColumn<int>("naturalKeys");

    QTest::newRow("Read answered 0x33 stores 0x33")
        << true << 1 << Bytes{0x33} << false << true << Bytes{0x33} << 0;
    QTest::newRow("LiveWrite answered 0x35 times out")
        << false << 0 << Bytes{0x35} << false << false << Bytes{} << 0;
    QTest::newRow("FC then 33 during LiveWrite")
        << false << 0 << Bytes{0xFC, 0x33} << true << true << Bytes{} << 0;
    QTest::newRow("Read answered FC is not collected")
        << true << 1 << Bytes{0xFC} << false << false << Bytes{} << 0;
    QTest::newRow("Read answered FE is not collected")
        << true << 1 << Bytes{0xFE} << false << false << Bytes{} << 1;
    QTest::newRow("markers amid reply data")
        << true << 2 << Bytes{0x01, 0xFE, 0xFC, 0x02} << true << true << Bytes{0x01, 0x02} << 1;
    QTest::newRow("stray bytes before ack ignored")
        << false << 0 << Bytes{0x00, 0x6E, 0xCD, 0x33} << false << true << Bytes{} << 0;
}

void TestTargetLink::receiveClassification()
{
    QFETCH(bool, collect);
    QFETCH(int, expected);
    QFETCH(Bytes, answer);
    QFETCH(bool, armWatchdog);
    QFETCH(bool, ok);
    QFETCH(Bytes, reply);
    QFETCH(int, naturalKeys);

    LinkRig rig;
    QVERIFY(rig.connect());
    int count = 0;
    rig.line->devices[kDev0].peer = scripted({answer}, &count);
    if (armWatchdog)
        rig.link->watchdogTimer().setEnabled(true);
    rig.store.keyIndex = 8;
    const std::size_t before = rig.line->writes.size();
    const int naturalBefore = rig.view.naturalKeyShown;

    const bool result = rig.link->sendFrame(collect, std::uint8_t(expected),
                                            collect ? Command::Read : Command::LiveWrite,
                                            Group::Exciter, 0, 0, 0, false);
    QCOMPARE(result, ok);
    if (ok) {
        QCOMPARE(rig.link->replyCount(), int(reply.size()));
        for (std::size_t i = 0; i < reply.size(); ++i)
            QCOMPARE(rig.link->replyBuffer()[i], reply[i]);
        QVERIFY(rig.services.messages.isEmpty());
    } else {
        QCOMPARE(rig.services.messages.size(), 1);
    }
    if (armWatchdog)
        QVERIFY(!rig.link->watchdogTimer().isEnabled());
    QCOMPARE(rig.view.naturalKeyShown - naturalBefore, naturalKeys);
    if (naturalKeys > 0)
        QCOMPARE(rig.store.keyIndex, kNaturalKey);
    // The key reset is display only: nothing but the one frame went out.
    QCOMPARE(rig.framesSince(before).size(), std::size_t{1});
}

void TestTargetLink::anyByteStreamStaysInsideTheBuffers_data()
{
    QTest::addColumn<bool>("readyRead");
    QTest::addColumn<int>("burst");
    QTest::addColumn<int>("total");
    QTest::newRow("poll only, bursts of 250") << false << 250 << 12000;
    QTest::newRow("readyRead, bursts of 1000") << true << 1000 << 12000;
    QTest::newRow("byte by byte") << true << 1 << 600;
}

void TestTargetLink::anyByteStreamStaysInsideTheBuffers()
{
    QFETCH(bool, readyRead);
    QFETCH(int, burst);
    QFETCH(int, total);
    LinkRig rig;
    QVERIFY(rig.connect());
    rig.line->notifyReadyRead = readyRead;
    std::mt19937 random(1234);
    Bytes all;
    for (int i = 0; i < total; ++i)
        all.push_back(std::uint8_t(random()));
    int count = 0;
    rig.line->devices[kDev0].peer = scripted({Bytes(all.begin(), all.begin() + burst)}, &count);
    for (int at = burst; at < total; at += burst)
        rig.line->inject(kDev0, Bytes(all.begin() + at, all.begin() + std::min(total, at + burst)),
                         Millis{at / burst});
    rig.link->trafficLog().setEnabled(true);
    rig.link->trafficLog().clear();

    // A long collected reply keeps collecting past its end, through the wrap of the buffer.
    rig.link->sendFrame(true, 255, Command::Read, Group::Mute, 0, 0, 0, false);
    // The poll takes 100 bytes a tick; everything is in well before the keep-alive matters.
    rig.services.advance(Millis{(total / RS232Port::kBytesWaitingCap + 2) * 15 + total / burst});
    QCOMPARE(countOf(rig.link->trafficLog().text(), QStringLiteral("Recv: ")), total);
    QVERIFY(rig.link->replyCount() >= 0 && rig.link->replyCount() <= TargetLink::kReplyWrapAt);
    QVERIFY(rig.link->port().bytesWaiting() <= RS232Port::kBytesWaitingCap);
}

void TestTargetLink::replyIndexRestartsAt1000_data()
{
    QTest::addColumn<int>("received");
    QTest::addColumn<int>("count");
    QTest::newRow("4999 bytes") << 4999 << 4999;
    QTest::newRow("5000 bytes fill the buffer") << 5000 << 5000;
    QTest::newRow("5001st byte goes to index 1000") << 5001 << 1001;
    QTest::newRow("9000 bytes full again") << 9000 << 5000;
    QTest::newRow("9001st byte goes to index 1000 again") << 9001 << 1001;
}

void TestTargetLink::replyIndexRestartsAt1000()
{
    QFETCH(int, received);
    QFETCH(int, count);
    LinkRig rig;
    QVERIFY(rig.connect());
    Bytes data;
    for (int i = 0; i < received; ++i)
        data.push_back(std::uint8_t(i % 200)); // no marker bytes
    int frames = 0;
    rig.line->devices[kDev0].peer = scripted({Bytes{data[0]}}, &frames);
    QVERIFY(rig.link->sendFrame(true, 1, Command::Read, Group::Mute, 0, 0, 0, false));
    // The rest keeps coming after the reply is complete: still collected and counted.
    rig.line->inject(kDev0, Bytes(data.begin() + 1, data.end()));
    rig.services.advance(Millis{(received / RS232Port::kBytesWaitingCap + 2) * 15});
    QCOMPARE(rig.link->replyCount(), count);
    QCOMPARE(rig.link->replyBuffer()[std::size_t(count - 1)], data.back());
}

void TestTargetLink::progressFigures_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<QList<int>>("shown");
    QTest::newRow("211 frames: 2 at 5, 4 at 10, 99 at 210, 100 at 211")
        << 211 << QList<int>{2, 4, 99, 100};
    QTest::newRow("7 frames: 71 at 5, 100 at 7") << 7 << QList<int>{71, 100};
}

void TestTargetLink::progressFigures()
{
    QFETCH(int, frames);
    QFETCH(QList<int>, shown);
    LinkRig rig;
    QVERIFY(rig.connect());
    rig.view.progress.clear();
    rig.link->beginProgress(frames);
    std::map<int, int> byFrame;
    for (int i = 1; i <= frames; ++i) {
        const std::size_t before = rig.view.progress.size();
        QVERIFY(rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 1, false));
        if (rig.view.progress.size() != before)
            byFrame[i] = rig.view.progress.back();
        QVERIFY(rig.view.progress.size() - before == ((i % 5 == 0 || i == frames) ? 1u : 0u));
    }
    if (frames == 211) {
        QCOMPARE(byFrame[5], shown[0]);
        QCOMPARE(byFrame[10], shown[1]);
        QCOMPARE(byFrame[210], shown[2]);
        QCOMPARE(byFrame[211], shown[3]);
    } else {
        QCOMPARE(byFrame[5], shown[0]);
        QCOMPARE(byFrame[frames], shown[1]);
    }
}

void TestTargetLink::nestedSendsKeepOrderAndOwnAnswers_data()
{
    QTest::addColumn<int>("silentFrom"); // first frame of the three left unanswered (-1: none)
    QTest::addColumn<QList<bool>>("results");
    QTest::addColumn<int>("framesOnLine");
    QTest::newRow("all answered") << -1 << QList<bool>{true, true, true} << 3;
    QTest::newRow("first nested send unanswered") << 1 << QList<bool>{true, false, false} << 2;
    QTest::newRow("outer send unanswered") << 0 << QList<bool>{false, false, false} << 1;
}

void TestTargetLink::nestedSendsKeepOrderAndOwnAnswers()
{
    QFETCH(int, silentFrom);
    QFETCH(QList<bool>, results);
    QFETCH(int, framesOnLine);
    LinkRig rig;
    QVERIFY(rig.connect());
    for (int k = 0; k < 3; ++k)
        rig.target.setSetting(Group::StartLevel, 0, std::uint8_t(k), std::uint8_t(11 * (k + 1)));
    const int base = rig.target.framesReceivedCount();
    if (silentFrom >= 0)
        rig.target.options().silentAfter = base + silentFrom;
    const std::size_t before = rig.line->writes.size();

    QList<bool> got{false, false, false};
    QList<int> answers{-1, -1, -1};
    const auto read = [&](int k) {
        got[k] = rig.link->sendFrame(true, 1, Command::Read, Group::StartLevel, 0, std::uint8_t(k),
                                     0, false);
        answers[k] = rig.link->replyBuffer()[0];
    };
    // Two sliders moved while the first frame awaits its answer.
    rig.services.scheduleAt(rig.services.now() + Millis{1}, [&] { read(1); });
    rig.services.scheduleAt(rig.services.now() + Millis{2}, [&] { read(2); });
    read(0);

    QCOMPARE(got, results);
    const auto frames = rig.framesSince(before);
    QCOMPARE(int(frames.size()), framesOnLine);
    for (int k = 0; k < framesOnLine; ++k)
        QCOMPARE(int(frames[std::size_t(k)][4]), k); // in the order the handlers issued them
    for (int k = 0; k < 3; ++k)
        if (results[k])
            QCOMPARE(answers[k], 11 * (k + 1));
    // Each frame goes out only after the previous exchange ended.
    for (std::size_t i = before + 1; i < rig.line->writes.size(); ++i)
        QVERIFY(rig.line->writes[i].at > rig.line->writes[i - 1].at);
    QCOMPARE(rig.services.messages.size(), results.contains(false) ? 1 : 0);
    QVERIFY(!rig.link->isWaitingForReply());
}

void TestTargetLink::scanSkipsAbsentAndSilentPorts()
{
    const QString a = QStringLiteral("/dev/ttyA"), b = QStringLiteral("/dev/ttyB"),
                  c = QStringLiteral("/dev/ttyC");
    LinkRig rig({a, b, c}, false);
    rig.line->devices[b] = {};
    rig.line->attachTarget(c, rig.target);
    rig.link->start();
    QVERIFY(rig.services.runUntil([&] { return rig.link->connected(); }, Millis{2000}));

    QCOMPARE(rig.line->opens.mid(0, 3), (QStringList{a, b, c}));
    const auto toB = rig.line->framesTo(b);
    QCOMPARE(toB.size(), std::size_t{1});
    QCOMPARE(toB[0], (Bytes{0xCD, 0xE2, 0x00, 0x00, 0x00, 0x6E}));
    QCOMPARE(rig.line->writes[0].at.count(), 100); // first scan 100 ms after start
    QCOMPARE((rig.line->writes[1].at - rig.line->writes[0].at).count(), 700);
    QCOMPARE(rig.line->framesTo(c).size(), std::size_t{1 + 42});
    QCOMPARE(rig.view.caption(), QStringLiteral("Successful connection"));
    QCOMPARE(rig.view.progress.back(), 100);
    QCOMPARE(rig.view.enabledCalls, (std::vector<bool>{false, true}));
    QVERIFY(!rig.link->probing());
    QVERIFY(!rig.link->progressActive());
    QVERIFY(rig.services.messages.isEmpty());
}

void TestTargetLink::wrongModelThenTarget()
{
    const QString a = QStringLiteral("/dev/ttyA"), b = QStringLiteral("/dev/ttyB");
    LinkRig rig({a, b}, false);
    sim::TargetCore other(sim::TargetOptions{0x6F});
    rig.line->attachTarget(a, other);
    rig.line->attachTarget(b, rig.target);
    QVERIFY(rig.connect());
    QCOMPARE(rig.view.captions, (QStringList{"Type Mismatch", "Successful connection"}));
    QCOMPARE(rig.services.pauses, QList<Millis>{Millis{1000}});
    // The second probe follows the first answer by at least the one-second pause.
    QVERIFY((rig.line->writes[1].at - rig.line->writes[0].at) >= Millis{1000});
    QCOMPARE(rig.line->writes[1].device, b);
}

void TestTargetLink::noDeviceScansEveryTwoSeconds()
{
    LinkRig rig({QStringLiteral("/dev/ttyA"), QStringLiteral("/dev/ttyB")}, false);
    rig.link->start();
    rig.services.advance(Millis{100});
    QCOMPARE(rig.line->opens.size(), 2);
    rig.services.advance(Millis{1999});
    QCOMPARE(rig.line->opens.size(), 2);
    rig.services.advance(Millis{1});
    QCOMPARE(rig.line->opens.size(), 4);
    rig.services.advance(Millis{6000});
    QCOMPARE(rig.line->opens.size(), 10);
    QVERIFY(!rig.view.captions.isEmpty());
    for (const QString &caption : rig.view.captions)
        QCOMPARE(caption, QStringLiteral("Not connected"));
    QCOMPARE(rig.view.hint,
             QStringLiteral("COM1 (/dev/ttyA): not present.\nCOM2 (/dev/ttyB): not present."));
    QCOMPARE(rig.diagnostics.size(), 2); // once per device, not per scan
    rig.line->table.clear();
    rig.services.advance(Millis{2000});
    QCOMPARE(rig.view.hint, QStringLiteral("No serial port found."));
    QVERIFY(rig.services.messages.isEmpty());
}

void TestTargetLink::syncPushesCurrentRowsAndReadsBack_data()
{
    QTest::addColumn<int>("musicMode");
    QTest::addColumn<int>("micMode");
    QTest::addColumn<int>("effMode");
    QTest::addColumn<int>("frames");
    QTest::newRow("KTV2 current: 42 frames") << 2 << 5 << 1 << 42;
    QTest::newRow("EFF2 current: 44 frames") << 0 << 1 << 21 << 44;
}

void TestTargetLink::syncPushesCurrentRowsAndReadsBack()
{
    QFETCH(int, musicMode);
    QFETCH(int, micMode);
    QFETCH(int, effMode);
    QFETCH(int, frames);
    LinkRig rig;
    rig.store.musicMode = std::uint8_t(musicMode);
    rig.store.micMode = std::uint8_t(micMode);
    rig.store.effMode = std::uint8_t(effMode);
    rig.target.setSetting(Group::StartLevel, 0, 1, 33);
    rig.target.setSetting(Group::Mute, 0, 0, 1);
    rig.target.setSetting(Group::Lock, 0, 0, 0);
    rig.target.setSetting(Group::Exciter, 0, 0, 7);
    rig.target.setSetting(Group::InputSelect, 0, 0, 2);
    QVERIFY(rig.connect());

    const auto sent = rig.line->framesTo(kDev0);
    QCOMPARE(int(sent.size()), 1 + frames);
    const TableId effTable = effMode >= 20 ? TableId::Eff : TableId::Ktv;
    const int effRow = ParameterStore::rowOfMode(effTable, effMode);
    struct Row
    {
        TableId table;
        int row, mode, count;
    };
    const Row rows[] = {{TableId::Music, musicMode, musicMode, 18},
                        {TableId::Mic, micMode, micMode, 9},
                        {effTable, effRow, effMode, effMode >= 20 ? 10 : 8}};
    std::size_t i = 1;
    for (const Row &r : rows) {
        for (int slot = 0; slot < r.count; ++slot, ++i) {
            const ParamCell &cell = rig.store.cellAt(r.table, r.row, slot);
            QCOMPARE(sent[i], (Bytes{0xCD, Command::LiveWrite, shapeOf(r.table).group,
                                     std::uint8_t(r.mode), cell.address, cell.value}));
        }
    }
    const Bytes reads[] = {{0xCD, 1, 6, 0, 0, 0}, {0xCD, 1, 6, 0, 1, 0}, {0xCD, 1, 6, 0, 2, 0},
                           {0xCD, 1, 7, 0, 0, 0}, {0xCD, 1, 8, 0, 0, 0}, {0xCD, 1, 10, 0, 0, 0},
                           {0xCD, 1, 12, 0, 0, 0}};
    for (const Bytes &read : reads)
        QCOMPARE(sent[i++], read);
    QCOMPARE(rig.view.start[1], 33);
    QCOMPARE(int(rig.store.volSet[1].startLevel), 33);
    QCOMPARE(rig.view.mute, 1);
    QCOMPARE(rig.view.lock, 0);
    QCOMPARE(rig.view.exciter, 1);
    QCOMPARE(rig.view.input, 2);
    QCOMPARE(int(rig.store.inputSelect), 2);
    QVERIFY(rig.store.mute && !rig.store.lock && rig.store.exciter);
}

void TestTargetLink::startLevelAboveMaxIsLimitedWithoutFrame()
{
    LinkRig rig;
    rig.target.setSetting(Group::StartLevel, 0, 0, 70);
    rig.view.maxEntry[0] = 60;
    QVERIFY(rig.connect());
    QCOMPARE(rig.view.start[0], 60);
    QCOMPARE(int(rig.store.volSet[0].startLevel), 60);
    QCOMPARE(rig.line->framesTo(kDev0).size(), std::size_t{1 + 42});
    QCOMPARE(rig.target.setting(Group::StartLevel, 0, 0), std::uint8_t{70});
}

void TestTargetLink::inputAnswerAboveTwoSelectsNone()
{
    LinkRig rig;
    rig.target.setSetting(Group::InputSelect, 0, 0, 5);
    rig.view.input = 1;
    QVERIFY(rig.connect());
    QCOMPARE(rig.view.clearInputsCalls, 1);
    QCOMPARE(rig.view.input, -1);
    QCOMPARE(rig.store.inputSelect, kNoInput);
    QCOMPARE(rig.view.enabledCalls.back(), true);
    QVERIFY(rig.services.messages.isEmpty());
}

void TestTargetLink::lossWhileIdle_data()
{
    QTest::addColumn<bool>("vanish");
    QTest::newRow("target stops answering") << false;
    QTest::newRow("port vanishes") << true;
}

void TestTargetLink::lossWhileIdle()
{
    QFETCH(bool, vanish);
    LinkRig rig;
    QVERIFY(rig.connect());
    const Millis lost = rig.services.now();
    if (vanish)
        rig.services.scheduleAt(lost + Millis{1234}, [&] { rig.line->vanish(kDev0); });
    else
        rig.target.options().silentAfter = 0;
    QVERIFY(rig.services.runUntil([&] { return !rig.services.messages.isEmpty(); }, Millis{9000}));
    if (vanish)
        QCOMPARE(rig.services.messages[0].at - lost, Millis{1234});
    QCOMPARE(rig.services.messages[0].text, QString::fromLatin1(TargetLink::kLinkLostMessage));
    QCOMPARE(rig.services.messages[0].icon, MessageIcon::Warning);
    QCOMPARE(rig.view.caption(), QStringLiteral("Not connected"));
    QVERIFY(!rig.link->connected());
    QVERIFY(!rig.line->isOpen());
    // Scanning resumes with the next connection tick and finds the target again (plugged back
    // in, or talking again); the loss is told once.
    rig.target.options().silentAfter = -1;
    rig.line->table = QStringList{kDev0};
    rig.line->attachTarget(kDev0, rig.target);
    const Millis reported = rig.services.now();
    QVERIFY(rig.services.runUntil([&] { return rig.link->connected(); }, Millis{2100}));
    QVERIFY(rig.services.now() - reported <= Millis{2100});
    QCOMPARE(rig.services.messages.size(), 1);
}

void TestTargetLink::unansweredFrameReportsLossOnce()
{
    LinkRig rig;
    QVERIFY(rig.connect());
    // The target falls silent; a frame goes out 1 s before the next keep-alive, which arms the
    // watchdog during the frame's wait. The frame's time-out drops the link; the watchdog
    // expiring 1 s later must not report it again.
    rig.target.options().silentAfter = 0;
    rig.target.options().syncEcho = false;
    rig.services.advance(TargetLink::kKeepAliveInterval - Millis{1000});
    const Millis sent = rig.services.now();
    QVERIFY(!rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Mute, 0, 0, 1, false));
    QCOMPARE(rig.services.now() - sent, TargetLink::kReplyTimeout);
    rig.services.advance(Millis{10000});
    QCOMPARE(rig.services.messages.size(), 1);
}

void TestTargetLink::abandonWaitEndsWaitSilently()
{
    LinkRig rig;
    QVERIFY(rig.connect());
    rig.target.options().silentAfter = 0;
    const Millis start = rig.services.now();
    const std::size_t before = rig.line->writes.size();
    int nested = -1;
    // A second send queues behind the first; then the window closes during the wait.
    rig.services.scheduleAt(start + Millis{10}, [&] {
        nested = rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 1, false);
    });
    rig.services.scheduleAt(start + Millis{50}, [&] {
        QVERIFY(rig.link->isWaitingForReply());
        rig.link->abandonWait();
        QVERIFY(!rig.link->isWaitingForReply());
    });
    QVERIFY(!rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Mute, 0, 0, 1, false));
    QCOMPARE(nested, 0);
    QCOMPARE(rig.services.now() - start, Millis{50});
    QCOMPARE(rig.framesSince(before).size(), std::size_t{1});
    QVERIFY(rig.services.messages.isEmpty());
    QVERIFY(!rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Mute, 0, 0, 1, false));
}

void TestTargetLink::keepAliveEchoKeepsLink()
{
    LinkRig rig;
    QVERIFY(rig.connect());
    rig.link->trafficLog().setEnabled(true);
    rig.link->trafficLog().clear();
    rig.services.advance(Millis{30000 + 100});
    QVERIFY(rig.link->connected());
    QVERIFY(!rig.link->watchdogTimer().isEnabled());
    QVERIFY(rig.services.messages.isEmpty());
    const QString log = rig.link->trafficLog().text();
    QCOMPARE(countOf(log, QStringLiteral("Send: FC")), 6);
    QCOMPARE(countOf(log, QStringLiteral("Recv: FC")), 6);
}

void TestTargetLink::probeIsLoggedWithItsAnswer()
{
    LinkRig rig;
    rig.link->initTrafficLog();
    rig.link->trafficLog().setEnabled(true);
    QVERIFY(rig.connect());
    QVERIFY(rig.link->trafficLog().text().startsWith(
        QStringLiteral("Double-click the empty display can be stretched or wide...\r\n"
                       "Send: CD,E2,00,00,00,6E\r\nRecv: 6E\r\n")));
}

void TestTargetLink::noScanWhileALossIsOnScreen()
{
    LinkRig rig;
    QVERIFY(rig.connect());
    // The keep-alive goes unanswered; the user takes 5 s to answer the loss. Meanwhile the
    // target would answer a probe and then fall silent in the middle of the synchronisation.
    rig.target.options().syncEcho = false;
    rig.services.messageOpenFor = Millis{5000};
    std::size_t writesAtBox = 0;
    rig.services.onMessage = [&](const VirtualWindowServices::RecordedMessage &) {
        writesAtBox = rig.line->writes.size();
        rig.target.options().silentAfter = rig.target.framesReceivedCount() + 5;
        rig.services.onMessage = nullptr;
    };
    QVERIFY(rig.services.runUntil([&] { return !rig.services.messages.isEmpty(); }, Millis{10000}));
    const Millis answered = rig.services.messages[0].at + rig.services.messageOpenFor;
    // Nothing went out while the loss was on screen.
    QCOMPARE(rig.line->writes.size(), writesAtBox);
    QVERIFY(rig.services.now() >= answered);
    QVERIFY(!rig.link->connected());

    // Scanning resumes once the box is answered; the loss in the synchronisation is told.
    rig.services.messageOpenFor = Millis{0};
    QVERIFY(rig.services.runUntil([&] { return rig.services.messages.size() == 2; },
                                  Millis{2000 + 5000}));
    QVERIFY(rig.line->writes[writesAtBox].at - answered <= TargetLink::kScanInterval);
    QCOMPARE(rig.line->writes[writesAtBox].bytes[1], std::uint8_t{0xE2});
    QVERIFY(!rig.link->connected());
    QVERIFY(!rig.line->isOpen());
}

void TestTargetLink::watchdogFiresEvenWhileFramesAreAnswered()
{
    LinkRig rig;
    QVERIFY(rig.connect());
    rig.target.options().syncEcho = false;
    // A frame every 300 ms, each answered: answers are no echo of the keep-alive.
    int answered = 0;
    while (rig.services.messages.isEmpty() && rig.services.now() < Millis{20000}) {
        if (rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 1, false))
            ++answered;
        rig.services.advance(Millis{300});
    }
    QVERIFY(answered > 10);
    QCOMPARE(rig.services.messageTexts(),
             QStringList{QString::fromLatin1(TargetLink::kLinkLostMessage)});
    Millis keepAliveAt{-1};
    for (const InMemoryLine::Write &write : rig.line->writes)
        if (write.bytes == Bytes{SyncByte})
            keepAliveAt = write.at;
    QVERIFY(keepAliveAt >= Millis{0});
    QCOMPARE(rig.services.messages[0].at - keepAliveAt, TargetLink::kWatchdogInterval);
    QVERIFY(!rig.link->connected());
}

void TestTargetLink::textInsteadOfAModelByteIsToldButShownAsAMismatch()
{
    // What a console or a device server says on a new connection, answering Identify.
    LinkRig rig({kDev0}, false);
    const QByteArray notice("Port already in use\r\n");
    rig.line->devices[kDev0].peer = [&](const std::uint8_t *, std::size_t) {
        return InMemoryLine::Answer{Bytes(notice.begin(), notice.end()), false};
    };
    rig.link->start();
    rig.services.advance(Millis{100 + 1000 + 100});
    // The window behaves as for any other byte.
    QCOMPARE(rig.view.captions, (QStringList{"Type Mismatch", "Not connected"}));
    QCOMPARE(rig.services.pauses, QList<Millis>{Millis{1000}});
    QVERIFY(!rig.link->connected());
    QVERIFY(rig.services.messages.isEmpty());
    // The one-line report and the tool tip say what came instead.
    const QString told =
        "COM1 (/dev/ttyT0): the device answered with text: \"Port already in use\".";
    QCOMPARE(rig.diagnostics, QStringList{told});
    QCOMPARE(rig.view.hint, told);
    // Told once, however often the scan meets it.
    rig.services.advance(Millis{3 * 3200});
    QCOMPARE(rig.diagnostics, QStringList{told});
    QCOMPARE(rig.view.hint, told);
}

void TestTargetLink::noticeOfAServerThatClosesIsToldAsTheScanGoesOn()
{
    // A device server greets with a notice and closes before Identify gets an answer.
    LinkRig rig({kDev0}, false);
    rig.line->keepsDropped = true;
    const QByteArray notice("Device open failure: Value or file not found\r\n");
    rig.line->devices[kDev0].greeting = Bytes(notice.begin(), notice.end());
    rig.line->devices[kDev0].peer = [](const std::uint8_t *, std::size_t) {
        return InMemoryLine::Answer{{}, /*closeLine=*/true};
    };
    rig.link->start();
    rig.services.advance(Millis{100 + 700 + 100});
    // As for a silent port: no mismatch shown, no pause.
    QCOMPARE(rig.view.captions, QStringList{"Not connected"});
    QVERIFY(rig.services.pauses.isEmpty());
    const QString told = "COM1 (/dev/ttyT0): the device answered with text: \"Device open "
                         "failure: Value or file not found\".";
    QCOMPARE(rig.diagnostics, QStringList{told});
    QCOMPARE(rig.view.hint, told);
}

void TestTargetLink::modelByteInsideANoticeDoesNotConnect()
{
    // The line was configured in the middle of a device server's notice, so the first byte
    // after Identify is the 'n' of "not found", the model byte's value.
    LinkRig rig({kDev0}, false);
    rig.line->keepsDropped = true;
    const QByteArray before("Device open failure: Value or file ");
    const QByteArray after("not found\r\n");
    rig.line->devices[kDev0].greeting = Bytes(before.begin(), before.end());
    rig.line->devices[kDev0].peer = [&](const std::uint8_t *, std::size_t) {
        return InMemoryLine::Answer{Bytes(after.begin(), after.end()), false};
    };
    rig.link->start();
    rig.services.advance(Millis{100 + 1000 + 100});
    QCOMPARE(rig.view.captions, (QStringList{"Type Mismatch", "Not connected"}));
    QVERIFY(!rig.link->connected());
    QCOMPARE(rig.line->framesTo(kDev0).size(), std::size_t{1}); // no synchronisation
    QCOMPARE(rig.diagnostics, QStringList{"COM1 (/dev/ttyT0): the device answered with text: "
                                          "\"Device open failure: Value or file not found\"."});
}

void TestTargetLink::wrongModelAloneEndsNotConnected()
{
    LinkRig rig({kDev0}, false);
    sim::TargetCore other(sim::TargetOptions{0x6F});
    rig.line->attachTarget(kDev0, other);
    rig.link->start();
    rig.services.advance(Millis{100 + 1000 + 100});
    QCOMPARE(rig.view.captions, (QStringList{"Type Mismatch", "Not connected"}));
    QVERIFY(!rig.link->connected());
    QVERIFY(!rig.line->isOpen());
    QVERIFY(rig.services.messages.isEmpty());
}

void TestTargetLink::lossInTheMiddleOfTheSync()
{
    LinkRig rig;
    // Identify and nine synchronisation frames answered, then silence.
    rig.target.options().silentAfter = 10;
    rig.link->start();
    QVERIFY(rig.services.runUntil([&] { return !rig.services.messages.isEmpty(); }, Millis{6000}));
    QCOMPARE(rig.services.messageTexts(),
             QStringList{QString::fromLatin1(TargetLink::kLinkLostMessage)});
    QCOMPARE(rig.target.framesReceivedCount(), 11);
    QVERIFY(!rig.link->connected());
    QCOMPARE(rig.view.enabledCalls, (std::vector<bool>{false, true}));
    QCOMPARE(rig.view.caption(), QStringLiteral("Not connected"));
    // Scanning resumes and finds the target talking again.
    rig.target.options().silentAfter = -1;
    QVERIFY(rig.services.runUntil([&] { return rig.link->connected(); }, Millis{2100}));
    rig.services.advance(Millis{100});
    QCOMPARE(rig.services.messages.size(), 1);
    QCOMPARE(rig.view.enabledCalls.back(), true);
}

void TestTargetLink::muteOffPauseSkippedWhenItsFrameFailedFirst()
{
    LinkRig rig;
    QVERIFY(rig.connect());
    // The adapter is pulled just as the mute-off frame goes out: the loss arrives with the
    // events processed before the pause.
    rig.services.scheduleAt(rig.services.now(),
                            [&] { rig.line->vanish(QStringLiteral("/dev/ttyT0")); });
    const Millis start = rig.services.now();
    QVERIFY(!rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Mute, 0, 0, 0,
                                 /*pauseWhenZero=*/true));
    QVERIFY(rig.services.pauses.isEmpty());
    QCOMPARE(rig.services.now(), start);
    QCOMPARE(rig.services.messages.size(), 1);
}

void TestTargetLink::answersInTheDriverAreReadBeforeDeciding_data()
{
    QTest::addColumn<bool>("keepAlive"); // false: a frame's answer
    QTest::newRow("frame answer waiting in the driver at the time-out") << false;
    QTest::newRow("keep-alive echo waiting in the driver at the watchdog") << true;
}

void TestTargetLink::answersInTheDriverAreReadBeforeDeciding()
{
    QFETCH(bool, keepAlive);
    LinkRig rig;
    QVERIFY(rig.connect());
    // The bytes arrive but nothing has read them yet: no notification, and the poll is late.
    rig.line->notifyReadyRead = false;
    rig.link->pollTimer().setEnabled(false);
    if (keepAlive) {
        rig.services.advance(TargetLink::kKeepAliveInterval + TargetLink::kWatchdogInterval);
    } else {
        const Millis start = rig.services.now();
        QVERIFY(rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 1, false));
        QCOMPARE(rig.services.now() - start, TargetLink::kReplyTimeout);
    }
    QVERIFY(rig.services.messages.isEmpty());
    QVERIFY(rig.link->connected());
    QVERIFY(rig.line->isOpen());
}

QTEST_MAIN(TestTargetLink)
#include "tst_targetlink.moc"
