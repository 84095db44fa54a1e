#include "SimOptions.h"

#include <QTest>

using namespace tonvara::sim;

namespace {

// The parsed options in one line, so a row states them all at a glance.
QString describe(const SimOptions &o)
{
    return QStringLiteral("model=%1 silent=%2 echo=%3 garbage=%4 close=%5 delay=%6 key=%7 "
                          "link=%8 dump=%9 trace=%10")
               .arg(o.target.modelByte, 2, 16, QLatin1Char('0'))
               .arg(o.target.silentAfter)
               .arg(o.target.syncEcho)
               .arg(o.target.garbageEvery)
               .arg(o.target.closeAfter)
               .arg(o.extraDelay.count())
               .arg(o.keyResetEvery.count())
               .arg(o.linkPath, o.dumpPath)
               .arg(o.trace) +
           QStringLiteral(" latency=%1").arg(o.latencyTimer.count());
}

} // namespace

class TestSimOptions : public QObject
{
    Q_OBJECT
  private slots:
    void parse_data();
    void parse();
};

void TestSimOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("parsed"); // describe() of the result, or "" when refused
    QTest::addColumn<QString>("error");  // part of the message when refused

    const QString defaults = QStringLiteral("model=6e silent=-1 echo=1 garbage=0 close=-1 "
                                            "delay=0 key=0 link= dump= trace=0 latency=0");
    QTest::newRow("No options") << QStringList() << defaults << QString();
    QTest::newRow("Model byte in hex") << QStringList{"--model-byte", "0x6F"}
                                       << QString(defaults).replace("6e", "6f") << QString();
    QTest::newRow("Every fault")
        << QStringList{"--silent-after",
                       "3",
                       "--close-after",
                       "5",
                       "--garbage-every",
                       "2",
                       "--no-sync-echo",
                       "--extra-delay",
                       "20",
                       "--key-reset-every",
                       "1.5",
                       "--latency-timer",
                       "16"}
        << QStringLiteral("model=6e silent=3 echo=0 garbage=2 close=5 delay=20 key=1500 link= "
                          "dump= trace=0 latency=16")
        << QString();
    QTest::newRow("Presentation") << QStringList{"--trace", "--link", "/tmp/t", "--dump", "/tmp/d"}
                                  << QStringLiteral(
                                         "model=6e silent=-1 echo=1 garbage=0 close=-1 "
                                         "delay=0 key=0 link=/tmp/t dump=/tmp/d trace=1 latency=0")
                                  << QString();
    QTest::newRow("Silent from the start")
        << QStringList{"--silent-after", "0"} << QString(defaults).replace("silent=-1", "silent=0")
        << QString();

    QTest::newRow("Model byte above 255")
        << QStringList{"--model-byte", "256"} << QString() << QStringLiteral("--model-byte");
    QTest::newRow("Model byte not a number")
        << QStringList{"--model-byte", "x"} << QString() << QStringLiteral("'x'");
    QTest::newRow("Negative frame count")
        << QStringList{"--silent-after", "-1"} << QString() << QStringLiteral("--silent-after");
    QTest::newRow("Garbage every 0")
        << QStringList{"--garbage-every", "0"} << QString() << QStringLiteral("--garbage-every");
    QTest::newRow("Key reset every 0 s") << QStringList{"--key-reset-every", "0"} << QString()
                                         << QStringLiteral("--key-reset-every");
    QTest::newRow("Key reset every nan s") << QStringList{"--key-reset-every", "nan"} << QString()
                                           << QStringLiteral("--key-reset-every");
    QTest::newRow("Latency timer 0 ms")
        << QStringList{"--latency-timer", "0"} << QString() << QStringLiteral("--latency-timer");
    QTest::newRow("Latency timer above 255 ms")
        << QStringList{"--latency-timer", "256"} << QString() << QStringLiteral("1 to 255");
    QTest::newRow("Missing value")
        << QStringList{"--extra-delay"} << QString() << QStringLiteral("needs a value");
    QTest::newRow("Unknown option")
        << QStringList{"--bogus"} << QString() << QStringLiteral("'--bogus'");
    QTest::newRow("Empty link path")
        << QStringList{"--link", ""} << QString() << QStringLiteral("--link");
}

void TestSimOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, parsed);
    QFETCH(QString, error);

    const SimOptionsResult result = parseSimOptions(arguments);
    QCOMPARE(result.options.has_value(), !parsed.isEmpty());
    if (result.options)
        QCOMPARE(describe(*result.options), parsed);
    else
        QVERIFY2(result.error.contains(error), qPrintable(result.error));
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
