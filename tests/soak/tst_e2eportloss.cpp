// The line vanishing in the middle of a transfer, end to end in real time: the simulator
// program closes its pseudo-terminal (and removes the device's link) after a number of frames
// while the whole editor runs a Read or an Upload. The editor reports the lost link once,
// keeps its store as it was, and connects to a new simulator that appears on the other path
// its port table lists.
#include "ParameterStore.h"

#include "C_Button.h"
#include "MainPages.h"
#include "RecordingQtServices.h"
#include "SimProcess.h"
#include "TargetLink.h"
#include "TonvaraApp.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace tonvara;

namespace {

// The frames of the post-connect synchronisation in the factory state (MUSIC1, MIC1, KTV1):
// the Identify, 18 + 9 + 8 live writes and 7 reads.
constexpr int kConnectFrames = 1 + 42;

int musicValueAt(const ParameterStore &store, int row, int address)
{
    for (int slot = 0; slot < shapeOf(TableId::Music).slotCount; ++slot)
        if (store.cellAt(TableId::Music, row, slot).address == address)
            return store.cellAt(TableId::Music, row, slot).value;
    return -1;
}

} // namespace

class TestE2ePortLoss : public QObject
{
    Q_OBJECT

  private slots:
    void lineVanishesDuringTransfer_data();
    void lineVanishesDuringTransfer();
};

void TestE2ePortLoss::lineVanishesDuringTransfer_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("framesBeforeLoss");

    QTest::newRow("Read loses the line at frame 60") << 0 << 60;
    QTest::newRow("Upload loses the line at frame 150") << 1 << 150;
}

void TestE2ePortLoss::lineVanishesDuringTransfer()
{
    QFETCH(int, button);
    QFETCH(int, framesBeforeLoss);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString first = dir.filePath(QStringLiteral("first"));
    const QString second = dir.filePath(QStringLiteral("second"));
    qputenv("TONVARA_PORTS", (first + QLatin1Char(':') + second).toLocal8Bit());

    SimProcess vanishing;
    QVERIFY2(vanishing.start({QStringLiteral("--link"), first, QStringLiteral("--close-after"),
                              QString::number(kConnectFrames + framesBeforeLoss)}),
             qPrintable(vanishing.errorString()));
    RecordingQtServices services;
    TonvaraApp app(services);
    app.start();
    QTRY_VERIFY_WITH_TIMEOUT(app.link().connected(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(app.pages().host()->isEnabled(), 3000);
    // The simulator holds other values than the editor (within the 1KHz slider's 0 to 20), so
    // a Read that applied part of what it got would show.
    QVERIFY(vanishing.setSetting(0, 0, 3, 17));
    QVERIFY(vanishing.setSetting(0, 2, 3, 16));
    const ParameterStore before = app.store();

    // The button's Click runs the whole transfer before it returns.
    emit app.pages().commandButton(button)->Click();

    QCOMPARE(services.messages, QStringList{QString::fromLatin1(TargetLink::kLinkLostMessage)});
    QVERIFY(!app.link().connected());
    QCOMPARE(app.pages().statusLabel()->text(), QStringLiteral("Not connected"));
    QVERIFY(app.pages().host()->isEnabled());
    QVERIFY(app.store() == before);
    QVERIFY(!QFileInfo::exists(first));

    // A new target on the other path: the scan finds it, and the link works again.
    SimProcess replacement;
    QVERIFY2(replacement.start({QStringLiteral("--link"), second}),
             qPrintable(replacement.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(app.link().connected(), 6000);
    QTRY_VERIFY_WITH_TIMEOUT(app.pages().host()->isEnabled(), 3000);
    QCOMPARE(app.pages().statusLabel()->text(), QStringLiteral("Successful connection"));
    QVERIFY(replacement.setSetting(0, 0, 3, 15));
    emit app.pages().commandButton(0)->Click();
    QCOMPARE(services.messages.size(), 1);
    QCOMPARE(musicValueAt(app.store(), 0, 3), 15);

    QVERIFY(replacement.stop());
    vanishing.stop();
    qunsetenv("TONVARA_PORTS");
}

QTEST_MAIN(TestE2ePortLoss)
#include "tst_e2eportloss.moc"
