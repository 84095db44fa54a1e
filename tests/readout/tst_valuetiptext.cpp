// The read-out rules: Value as text in the unit of its parameter.
#include "ValueTipText.h"

#include <QTest>

using namespace tonvara;

class TestValueTipText : public QObject
{
    Q_OBJECT
  private slots:
    void textForValue_data();
    void textForValue();
    void typesWithoutRuleKeepTheText_data();
    void typesWithoutRuleKeepTheText();
};

void TestValueTipText::textForValue_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("v");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain 40") << 0 << 40 << "40";
    QTest::newRow("plain 0") << 0 << 0 << "0";
    QTest::newRow("delay first") << 1 << 0 << "12ms";
    QTest::newRow("delay 8") << 1 << 8 << "110ms";
    QTest::newRow("delay 10") << 1 << 10 << "135ms";
    QTest::newRow("delay last") << 1 << 15 << "196ms";
    QTest::newRow("delay past the table shows the number") << 1 << 16 << "16";
    QTest::newRow("seconds 30") << 2 << 30 << "3.0s";
    QTest::newRow("seconds 35") << 2 << 35 << "3.5s";
    QTest::newRow("seconds 0") << 2 << 0 << "0.0s";
    QTest::newRow("seconds 5") << 2 << 5 << "0.5s";
    QTest::newRow("seconds 60") << 2 << 60 << "6.0s";
    QTest::newRow("ms 20") << 3 << 20 << "20ms";
    QTest::newRow("triple ms 64") << 4 << 64 << "192ms";
    QTest::newRow("triple ms 127") << 4 << 127 << "381ms";
    QTest::newRow("triple ms 0") << 4 << 0 << "0ms";
    QTest::newRow("dB 2") << 5 << 2 << "2dB";
    QTest::newRow("gain 0") << 6 << 0 << "-10dB";
    QTest::newRow("gain 7") << 6 << 7 << "-3dB";
    QTest::newRow("gain 9") << 6 << 9 << "-1dB";
    QTest::newRow("gain 10 has no sign") << 6 << 10 << "0dB";
    QTest::newRow("gain 11") << 6 << 11 << "+1dB";
    QTest::newRow("gain 13") << 6 << 13 << "+3dB";
    QTest::newRow("gain 20") << 6 << 20 << "+10dB";
    QTest::newRow("Hz 0") << 8 << 0 << "20Hz";
    QTest::newRow("Hz 10") << 8 << 10 << "120Hz";
    QTest::newRow("Hz 13") << 8 << 13 << "150Hz";
    QTest::newRow("Hz 21") << 8 << 21 << "230Hz";
    QTest::newRow("limit 0") << 9 << 0 << "OFF";
    QTest::newRow("limit 1") << 9 << 1 << "0.775V";
    QTest::newRow("limit 3") << 9 << 3 << "1.2V";
    QTest::newRow("limit 6") << 9 << 6 << "2V";
    QTest::newRow("limit past the table shows the number") << 9 << 7 << "7";
}

void TestValueTipText::textForValue()
{
    QFETCH(int, type);
    QFETCH(int, v);
    QFETCH(QString, text);
    const auto result = valueTipText(type, v);
    QVERIFY(result.has_value());
    QCOMPARE(QString::fromStdString(*result), text);
}

void TestValueTipText::typesWithoutRuleKeepTheText_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("type 7") << 7;
    QTest::newRow("type 10") << 10;
    QTest::newRow("type 255") << 255;
    QTest::newRow("type -1") << -1;
}

void TestValueTipText::typesWithoutRuleKeepTheText()
{
    QFETCH(int, type);
    QVERIFY(!valueTipText(type, 5).has_value());
}

QTEST_APPLESS_MAIN(TestValueTipText)
#include "tst_valuetiptext.moc"
