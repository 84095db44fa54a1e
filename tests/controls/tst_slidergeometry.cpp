// The slider's value laws: knob rows, pointer rows to values, the centre of a new range and
// the rounding they share.
#include "ControlMath.h"
#include "SliderGeometry.h"

#include <QTest>

using namespace tonvara;

class TestSliderGeometry : public QObject
{
    Q_OBJECT
  private slots:
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void knobRow_data();
    void knobRow();
    void valueFromPointerRow_data();
    void valueFromPointerRow();
    void centreOfNewRange_data();
    void centreOfNewRange();
    void tickRows_data();
    void tickRows();
    void titleCentredOn51_data();
    void titleCentredOn51();
};

void TestSliderGeometry::roundsHalvesToEven_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("expected");
    QTest::newRow("0.5 down to 0") << 0.5 << 0;
    QTest::newRow("1.5 up to 2") << 1.5 << 2;
    QTest::newRow("2.5 down to 2") << 2.5 << 2;
    QTest::newRow("63.5 up to 64") << 63.5 << 64;
    QTest::newRow("-2.5 to -2") << -2.5 << -2;
    QTest::newRow("-3.5 to -4") << -3.5 << -4;
    QTest::newRow("2.5000001 up") << 2.5000001 << 3;
    QTest::newRow("2.4999999 down") << 2.4999999 << 2;
}

void TestSliderGeometry::roundsHalvesToEven()
{
    QFETCH(double, x);
    QFETCH(int, expected);
    QCOMPARE(roundHalfEven(x), expected);
}

void TestSliderGeometry::knobRow_data()
{
    QTest::addColumn<bool>("tall");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("knobY");
    // 3.45 held in single precision lies slightly above 3.45, which decides the half.
    QTest::newRow("tall max 20 value 10 rounds up") << true << 20 << 10 << 71;
    QTest::newRow("tall max 60 value 30 rounds down") << true << 60 << 30 << 70;
    QTest::newRow("normal max 20 value 10") << false << 20 << 10 << 65;
    QTest::newRow("normal top") << false << 15 << 15 << 36;
    QTest::newRow("normal bottom") << false << 15 << 0 << 94;
    QTest::newRow("tall bottom") << true << 127 << 0 << 105;
    QTest::newRow("tall top") << true << 127 << 127 << 36;
    QTest::newRow("normal max 127 value 64") << false << 127 << 64 << 65;
}

void TestSliderGeometry::knobRow()
{
    QFETCH(bool, tall);
    QFETCH(int, maxValue);
    QFETCH(int, value);
    QFETCH(int, knobY);
    QCOMPARE(SliderGeometry(tall, maxValue).knobY(value), knobY);
}

void TestSliderGeometry::valueFromPointerRow_data()
{
    QTest::addColumn<bool>("tall");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("value");
    QTest::newRow("y 36 is the top") << true << 20 << 36.0 << 20;
    QTest::newRow("y 40") << true << 20 << 40.0 << 19;
    QTest::newRow("y 71 is the middle") << true << 20 << 71.0 << 10;
    QTest::newRow("y 103") << true << 20 << 103.0 << 1;
    QTest::newRow("y 104 is the bottom") << true << 20 << 104.0 << 0;
    QTest::newRow("y 110 below the bottom") << true << 20 << 110.0 << 0;
    QTest::newRow("y 30 above the top is limited") << true << 20 << 30.0 << 20;
    QTest::newRow("normal y 94 is 0") << false << 15 << 94.0 << 0;
    QTest::newRow("normal y 65 of 20 is 10") << false << 20 << 65.0 << 10;
}

void TestSliderGeometry::valueFromPointerRow()
{
    QFETCH(bool, tall);
    QFETCH(int, maxValue);
    QFETCH(double, y);
    QFETCH(int, value);
    QCOMPARE(SliderGeometry(tall, maxValue).valueAt(y), value);
}

void TestSliderGeometry::centreOfNewRange_data()
{
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("centre");
    QTest::newRow("15 gives 8") << 15 << 8;
    QTest::newRow("21 gives 10") << 21 << 10;
    QTest::newRow("13 gives 6") << 13 << 6;
    QTest::newRow("127 gives 64") << 127 << 64;
    QTest::newRow("3 gives 2") << 3 << 2;
    QTest::newRow("1 gives 0") << 1 << 0;
    QTest::newRow("20 gives 10") << 20 << 10;
}

void TestSliderGeometry::centreOfNewRange()
{
    QFETCH(int, maxValue);
    QFETCH(int, centre);
    QCOMPARE(sliderCentreValue(maxValue), centre);
}

void TestSliderGeometry::tickRows_data()
{
    QTest::addColumn<bool>("tall");
    QTest::addColumn<int>("tick");
    QTest::addColumn<int>("y");
    QTest::newRow("normal bottom tick") << false << 0 << 94;
    QTest::newRow("normal middle tick") << false << 5 << 64;
    QTest::newRow("normal top tick") << false << 10 << 34;
    QTest::newRow("tall bottom tick") << true << 0 << 105;
    QTest::newRow("tall top tick") << true << 10 << 35;
}

void TestSliderGeometry::tickRows()
{
    QFETCH(bool, tall);
    QFETCH(int, tick);
    QFETCH(int, y);
    QCOMPARE(SliderGeometry(tall, 10).tickY(tick), y);
}

void TestSliderGeometry::titleCentredOn51_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("left");
    QTest::newRow("even width") << 20 << 41;
    QTest::newRow("odd width halves down") << 21 << 41;
    QTest::newRow("wider than the control") << 120 << -9;
}

void TestSliderGeometry::titleCentredOn51()
{
    QFETCH(int, width);
    QFETCH(int, left);
    QCOMPARE(sliderTitleLeft(width), left);
}

QTEST_APPLESS_MAIN(TestSliderGeometry)
#include "tst_slidergeometry.moc"
