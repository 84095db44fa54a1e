// The virtual clock every timing test relies on: if it delivered ticks early, late or
// recursively, those tests would pass for the wrong reasons.
#include "VirtualWindowServices.h"

#include <QTest>

using namespace tonvara;

class TestVirtualServices : public QObject
{
    Q_OBJECT
private slots:
    void enablingStartsAFullInterval();
    void waitJumpsToTheNextTimer();
    void aTickNeverRunsInsideItself();
    void pauseHandlesNoEventsThenTheTimerFiresOnce();
    void scheduledActionsRunInTimeOrder();
};

void TestVirtualServices::enablingStartsAFullInterval()
{
    VirtualWindowServices services;
    auto timer = services.createTimer(Millis(100), nullptr);
    std::vector<Millis> ticks;
    QObject::connect(timer.get(), &ServiceTimer::tick, [&] { ticks.push_back(services.now()); });
    services.advance(Millis(50));
    timer->setEnabled(true);
    services.advance(Millis(250));
    QCOMPARE(ticks, (std::vector<Millis>{Millis(150), Millis(250)}));
    timer->setEnabled(false);
    timer->setInterval(Millis(40)); // takes effect when enabled again
    services.advance(Millis(100));
    QCOMPARE(ticks.size(), std::size_t(2));
    timer->setEnabled(true);
    services.advance(Millis(40));
    QCOMPARE(ticks.back(), Millis(440));
}

void TestVirtualServices::waitJumpsToTheNextTimer()
{
    VirtualWindowServices services;
    auto timeout = services.createTimer(Millis(700), nullptr);
    bool fired = false;
    QObject::connect(timeout.get(), &ServiceTimer::tick, [&] {
        fired = true;
        timeout->setEnabled(false);
    });
    timeout->setEnabled(true);
    while (!fired)
        services.waitForEvents();
    QCOMPARE(services.now(), Millis(700));
}

void TestVirtualServices::aTickNeverRunsInsideItself()
{
    VirtualWindowServices services;
    auto poll = services.createTimer(Millis(15), nullptr);
    int depth = 0;
    int maxDepth = 0;
    int ticks = 0;
    QObject::connect(poll.get(), &ServiceTimer::tick, [&] {
        ++depth;
        ++ticks;
        maxDepth = std::max(maxDepth, depth);
        if (ticks == 1) {
            // A handler that waits: time moves on, but this timer must not re-enter.
            auto other = services.createTimer(Millis(100), nullptr);
            bool done = false;
            QObject::connect(other.get(), &ServiceTimer::tick, [&] { done = true; });
            other->setEnabled(true);
            while (!done)
                services.waitForEvents();
        }
        --depth;
    });
    poll->setEnabled(true);
    services.advance(Millis(200));
    QCOMPARE(maxDepth, 1);
    QVERIFY(ticks >= 2);
}

void TestVirtualServices::pauseHandlesNoEventsThenTheTimerFiresOnce()
{
    VirtualWindowServices services;
    auto timer = services.createTimer(Millis(15), nullptr);
    int ticks = 0;
    QObject::connect(timer.get(), &ServiceTimer::tick, [&] { ++ticks; });
    timer->setEnabled(true);
    services.pause(Millis(1500));
    QCOMPARE(ticks, 0);
    QCOMPARE(services.now(), Millis(1500));
    services.processPendingEvents();
    QCOMPARE(ticks, 1); // missed ticks are not replayed
    services.advance(Millis(15));
    QCOMPARE(ticks, 2);
}

void TestVirtualServices::scheduledActionsRunInTimeOrder()
{
    VirtualWindowServices services;
    QStringList order;
    services.scheduleAt(Millis(20), [&] { order << "b"; });
    services.scheduleAt(Millis(10), [&] { order << "a"; });
    services.scheduleAt(Millis(20), [&] { order << "c"; });
    services.advance(Millis(15));
    QCOMPARE(order, QStringList{"a"});
    services.advance(Millis(5));
    QCOMPARE(order, QStringList({"a", "b", "c"}));
}

QTEST_GUILESS_MAIN(TestVirtualServices)
#include "tst_virtualservices.moc"
