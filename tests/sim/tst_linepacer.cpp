#include "LinePacer.h"

#include <QTest>

using namespace tonvara::sim;
using namespace std::chrono_literals;

namespace {

constexpr qint64 B = LinePacer::kByteTime.count(); // one byte on the line, in ns
constexpr qint64 ms = 1'000'000;

} // namespace

class TestLinePacer : public QObject
{
    Q_OBJECT
  private slots:
    void byteTimeIsTenBitsAt9600();
    void answersArriveAfterTheLineTime_data();
    void answersArriveAfterTheLineTime();
    void adapterHoldsAnswersToItsTimer_data();
    void adapterHoldsAnswersToItsTimer();
};

void TestLinePacer::byteTimeIsTenBitsAt9600()
{
    // A frame and its one-byte answer take about 7.3 ms on a 9600 baud 8N1 line.
    QVERIFY(7 * B > 7'290'000 && 7 * B < 7'300'000);
}

void TestLinePacer::answersArriveAfterTheLineTime_data()
{
    QTest::addColumn<QList<int>>("readsMs");      // when each received byte was read
    QTest::addColumn<QList<int>>("answerAfter");  // 1-based byte that completes what is answered
    QTest::addColumn<QList<int>>("answerCounts"); // bytes in that answer
    QTest::addColumn<int>("extraDelayMs");
    QTest::addColumn<QList<qint64>>("arrivals"); // ns after the first read

    QTest::newRow("Frame read at once") << QList<int>{0, 0, 0, 0, 0, 0} << QList<int>{6}
                                        << QList<int>{1} << 0 << QList<qint64>{7 * B};
    QTest::newRow("Frame bytes read late") << QList<int>{0, 0, 0, 10, 10, 10} << QList<int>{6}
                                           << QList<int>{1} << 0 << QList<qint64>{10 * ms + 4 * B};
    QTest::newRow("Keep-alive") << QList<int>{5} << QList<int>{1} << QList<int>{1} << 0
                                << QList<qint64>{5 * ms + 2 * B};
    QTest::newRow("Extra delay") << QList<int>{0, 0, 0, 0, 0, 0} << QList<int>{6} << QList<int>{1}
                                 << 40 << QList<qint64>{6 * B + 40 * ms + B};
    QTest::newRow("Stray byte and answer follow each other")
        << QList<int>{0, 0, 0, 0, 0, 0} << QList<int>{6} << QList<int>{2} << 0
        << QList<qint64>{7 * B, 8 * B};
    QTest::newRow("Second answer waits for a long first one")
        << QList<int>(12, 0) << QList<int>{6, 12} << QList<int>{10, 1} << 0
        << QList<qint64>{7 * B,  8 * B,  9 * B,  10 * B, 11 * B, 12 * B,
                         13 * B, 14 * B, 15 * B, 16 * B, 17 * B};
    QTest::newRow("Idle line answers the next frame at once")
        << QList<int>{0, 0, 0, 0, 0, 0, 100, 100, 100, 100, 100, 100} << QList<int>{6, 12}
        << QList<int>{1, 1} << 0 << QList<qint64>{7 * B, 100 * ms + 7 * B};
}

void TestLinePacer::answersArriveAfterTheLineTime()
{
    QFETCH(QList<int>, readsMs);
    QFETCH(QList<int>, answerAfter);
    QFETCH(QList<int>, answerCounts);
    QFETCH(int, extraDelayMs);
    QFETCH(QList<qint64>, arrivals);

    LinePacer pacer{std::chrono::milliseconds(extraDelayMs)};
    const LinePacer::Time origin = LinePacer::Clock::now();
    QList<qint64> got;
    for (qsizetype i = 0; i < readsMs.size(); ++i) {
        const LinePacer::Time arrived =
            pacer.received(origin + std::chrono::milliseconds(readsMs[i]));
        const qsizetype a = answerAfter.indexOf(static_cast<int>(i + 1));
        if (a < 0)
            continue;
        for (LinePacer::Time t : pacer.answer(arrived, static_cast<std::size_t>(answerCounts[a])))
            got << std::chrono::duration_cast<std::chrono::nanoseconds>(t - origin).count();
    }
    QCOMPARE(got, arrivals);
}

void TestLinePacer::adapterHoldsAnswersToItsTimer_data()
{
    QTest::addColumn<int>("latencyMs");
    QTest::addColumn<int>("frameReadMs"); // the six bytes of a frame, read at once
    QTest::addColumn<int>("answerCount");
    QTest::addColumn<QList<qint64>>("arrivals"); // ns on the clock whose multiples the timer ends
    QTest::newRow("16 ms: held to the next multiple") << 16 << 0 << 1 << QList<qint64>{16 * ms};
    QTest::newRow("16 ms: just past a multiple waits nearly a period")
        << 16 << 9 << 1 << QList<qint64>{32 * ms};
    QTest::newRow("16 ms: bytes of one period leave together")
        << 16 << 0 << 2 << QList<qint64>{16 * ms, 16 * ms};
    QTest::newRow("1 ms: the next millisecond") << 1 << 0 << 1 << QList<qint64>{8 * ms};
    QTest::newRow("no adapter: the line time") << 0 << 0 << 1 << QList<qint64>{7 * B};
}

void TestLinePacer::adapterHoldsAnswersToItsTimer()
{
    QFETCH(int, latencyMs);
    QFETCH(int, frameReadMs);
    QFETCH(int, answerCount);
    QFETCH(QList<qint64>, arrivals);

    LinePacer pacer;
    pacer.setLatencyTimer(std::chrono::milliseconds(latencyMs));
    const LinePacer::Time zero{};
    LinePacer::Time arrived;
    for (int i = 0; i < 6; ++i)
        arrived = pacer.received(zero + std::chrono::milliseconds(frameReadMs));
    QList<qint64> got;
    for (LinePacer::Time t : pacer.answer(arrived, static_cast<std::size_t>(answerCount)))
        got << std::chrono::duration_cast<std::chrono::nanoseconds>(t - zero).count();
    QCOMPARE(got, arrivals);
}

QTEST_GUILESS_MAIN(TestLinePacer)
#include "tst_linepacer.moc"
