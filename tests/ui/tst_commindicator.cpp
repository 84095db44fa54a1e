#include "CommIndicator.h"
#include "LinkRig.h"

#include <QPlainTextEdit>
#include <QTest>

using namespace tonvara;

namespace {

const QString kHint = QStringLiteral("Double-click the empty display can be stretched or wide...");

// The link with its traffic log window, opened as the w key opens it.
struct LogRig : LinkRig
{
    QPointer<CommIndicator> window;
    CommIndicator *openTrafficLog()
    {
        return CommIndicator::openOrRaise(window, services, link->trafficLog());
    }
    ~LogRig() { delete window.data(); }
};

} // namespace

class TestCommIndicator : public QObject
{
    Q_OBJECT
  private slots:
    void opensShowingHintAfterOneTick();
    void recordsOnlyWhileOpen();
    void doubleClickClearsAndTrafficStartsOnSecondLine();
    void longLogIsDroppedOnNextTick_data();
    void longLogIsDroppedOnNextTick();
    void everyReceivedByteGetsItsLine();
    void openingAgainBringsUpTheSameWindow();
};

void TestCommIndicator::opensShowingHintAfterOneTick()
{
    LogRig rig;
    rig.link->initTrafficLog();
    CommIndicator *window = rig.openTrafficLog();
    QVERIFY(rig.link->trafficLog().enabled());
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Double-click the empty display can be stretched or wide"));
    QCOMPARE(window->size(), QSize(470, 662));
    QVERIFY(window->isWindow());
    QPlainTextEdit *box = window->textBox();
    QVERIFY(box->isReadOnly());
    QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByMouse);
    QCOMPARE(box->geometry(), QRect(0, 0, 470, 662));
    rig.services.advance(Millis{199});
    QVERIFY(box->toPlainText().isEmpty());
    rig.services.advance(Millis{1});
    QCOMPARE(box->toPlainText(), kHint);
    QCOMPARE(box->textCursor().position(), kHint.size());
}

void TestCommIndicator::recordsOnlyWhileOpen()
{
    LogRig rig;
    QVERIFY(rig.connect());
    rig.link->initTrafficLog();
    QVERIFY(rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 1, false));
    QCOMPARE(rig.link->trafficLog().text(), kHint);

    CommIndicator *window = rig.openTrafficLog();
    QVERIFY(rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 0, false));
    const QString recorded = kHint + "\r\nSend: CD,02,0A,00,00,00\r\nRecv: 33";
    QCOMPARE(rig.link->trafficLog().text(), recorded);
    window->close();
    QVERIFY(!rig.link->trafficLog().enabled());
    QVERIFY(rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 1, false));
    QCOMPARE(rig.link->trafficLog().text(), recorded);

    // Opened again, it shows what was recorded before.
    window = rig.openTrafficLog();
    rig.services.advance(Millis{200});
    QCOMPARE(window->textBox()->toPlainText().split('\n').size(), 3);
}

void TestCommIndicator::doubleClickClearsAndTrafficStartsOnSecondLine()
{
    LogRig rig;
    QVERIFY(rig.connect());
    rig.link->initTrafficLog();
    CommIndicator *window = rig.openTrafficLog();
    window->show();
    rig.services.advance(Millis{200});
    QTest::mouseDClick(window->textBox()->viewport(), Qt::LeftButton);
    QVERIFY(rig.link->trafficLog().text().isEmpty());
    rig.services.advance(Millis{200});
    QVERIFY(window->textBox()->toPlainText().isEmpty());
    rig.link->trafficLog().clear();
    QVERIFY(rig.link->sendFrame(false, 0, Command::LiveWrite, Group::Exciter, 0, 0, 1, false));
    rig.services.advance(Millis{200});
    const QStringList lines = window->textBox()->toPlainText().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].trimmed().isEmpty());
    QCOMPARE(lines[1].trimmed(), QStringLiteral("Send: CD,02,0A,00,00,01"));
    QCOMPARE(lines[2].trimmed(), QStringLiteral("Recv: 33"));
}

void TestCommIndicator::longLogIsDroppedOnNextTick_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("dropped");
    QTest::newRow("60000 characters kept") << 60000 << false;
    QTest::newRow("60001 characters dropped") << 60001 << true;
}

void TestCommIndicator::longLogIsDroppedOnNextTick()
{
    QFETCH(int, length);
    QFETCH(bool, dropped);
    VirtualWindowServices services;
    TrafficLog log;
    CommIndicator window(services, log);
    log.setText(QString(length, QLatin1Char('x')));
    services.advance(Millis{200});
    QCOMPARE(log.text().isEmpty(), dropped);
    QCOMPARE(window.textBox()->toPlainText().size(), dropped ? 0 : length);
    // Recording goes on: into the emptied log, or past the limit, which the next tick drops.
    log.append("Recv: 33");
    services.advance(Millis{200});
    QCOMPARE(window.textBox()->toPlainText().trimmed(), dropped ? QString("Recv: 33") : QString());
}

void TestCommIndicator::everyReceivedByteGetsItsLine()
{
    LogRig rig;
    QVERIFY(rig.connect());
    rig.link->trafficLog().setEnabled(true);
    rig.link->trafficLog().clear();
    rig.line->inject(rig.line->table[0], Bytes{0x00, 0x0F, 0x10, 0xCD, 0xFF});
    rig.services.advance(Millis{20});
    QCOMPARE(rig.link->trafficLog().text(),
             QStringLiteral("\r\nRecv: 00\r\nRecv: 0F\r\nRecv: 10\r\nRecv: CD\r\nRecv: FF"));
}

void TestCommIndicator::openingAgainBringsUpTheSameWindow()
{
    LogRig rig;
    CommIndicator *first = rig.openTrafficLog();
    QCOMPARE(rig.openTrafficLog(), first);
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    CommIndicator *second = rig.openTrafficLog();
    QVERIFY(second);
    QVERIFY(rig.link->trafficLog().enabled());
}

QTEST_MAIN(TestCommIndicator)
#include "tst_commindicator.moc"
