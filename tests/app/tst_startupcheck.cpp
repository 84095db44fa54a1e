#include "StartupCheck.h"
#include "VirtualWindowServices.h"

#include <QTest>

using namespace tonvara;

class TestStartupCheck : public QObject
{
    Q_OBJECT
private slots:
    void decisions_data();
    void decisions();
};

void TestStartupCheck::decisions_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("message"); // empty: start-up goes on

    const QString dpi = QStringLiteral(
        "Keep your computer current DPI change 96DPI, in order to avoid the software displays an "
        "exception, click OK to exit this application.");
    const QString small = QStringLiteral(
        "Your computer monitor resolution is too low, at least 930 * 560 to the normal display of "
        "the program interface, click OK to exit.");
    QTest::newRow("96 DPI 1024x768 passes") << 96 << 1024 << 768 << QString();
    QTest::newRow("96 DPI 930x560 passes") << 96 << 930 << 560 << QString();
    QTest::newRow("120 DPI refused whatever the size") << 120 << 1920 << 1080 << dpi;
    QTest::newRow("120 DPI and too small: DPI first") << 120 << 640 << 480 << dpi;
    QTest::newRow("929 wide refused") << 96 << 929 << 768 << small;
    QTest::newRow("559 high refused") << 96 << 1024 << 559 << small;
}

void TestStartupCheck::decisions()
{
    QFETCH(int, dpi);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, message);

    VirtualWindowServices services;
    const int twips = 1440 / dpi;
    services.metrics = {twips, twips, width * twips, height * twips};
    const bool passes = passesDisplayChecks(services);
    QCOMPARE(passes, message.isEmpty());
    if (message.isEmpty()) {
        QVERIFY(services.messages.isEmpty());
    } else {
        QCOMPARE(services.messages.size(), 1);
        QCOMPARE(services.messages[0].text, message);
        QCOMPARE(services.messages[0].icon, MessageIcon::Warning);
        QCOMPARE(services.messages[0].buttons, MessageButtons::Ok);
    }
}

QTEST_GUILESS_MAIN(TestStartupCheck)
#include "tst_startupcheck.moc"
