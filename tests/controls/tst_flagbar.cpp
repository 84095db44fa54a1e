// The rocker switch: the midpoint rule, Click after every press, ValueInvert, fixed size and
// the lit look of the on face.
#include "C_FlagBar.h"
#include "RenderHelpers.h"

#include <QSignalSpy>
#include <QTest>

using namespace tonvara;
using namespace tonvara::test;

namespace {

// Pixels that read as the amber "lit" colour of the library.
int litPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            if (c.red() > 200 && c.green() > 130 && c.blue() < 90)
                ++count;
        }
    return count;
}

} // namespace

class TestFlagBar : public QObject
{
    Q_OBJECT
  private slots:
    void pressSidesAgainstMidpoint_data();
    void pressSidesAgainstMidpoint();
    void valueInvert_data();
    void valueInvert();
    void invertKeepsTheFace();
    void valueWriteRaisesNothing();
    void sizeIsFixed_data();
    void sizeIsFixed();
    void onFaceIsLitOffFaceIsNot();
    void differenceMarkPixels_data();
    void differenceMarkPixels();
    void differenceMarkGoesWithAChange_data();
    void differenceMarkGoesWithAChange();
};

void TestFlagBar::pressSidesAgainstMidpoint_data()
{
    QTest::addColumn<bool>("wasOn");
    QTest::addColumn<double>("x");
    QTest::addColumn<bool>("on");
    QTest::newRow("left half turns off") << true << 10.0 << false;
    QTest::newRow("right half turns on") << false << 40.0 << true;
    QTest::newRow("27 is left of 420 twips") << true << 27.0 << false;
    QTest::newRow("29 is right of 420 twips") << false << 29.0 << true;
    QTest::newRow("28 is the midpoint: stays off") << false << 28.0 << false;
    QTest::newRow("28 is the midpoint: stays on") << true << 28.0 << true;
    QTest::newRow("27.99 is just left") << true << 27.99 << false;
    QTest::newRow("28.01 is just right") << false << 28.01 << true;
    QTest::newRow("right half when already on") << true << 50.0 << true;
}

void TestFlagBar::pressSidesAgainstMidpoint()
{
    QFETCH(bool, wasOn);
    QFETCH(double, x);
    QFETCH(bool, on);
    C_FlagBar flag;
    flag.setValue(wasOn);
    bool onDuringClick = !on;
    connect(&flag, &C_FlagBar::Click, &flag, [&] { onDuringClick = flag.isOn(); });
    QSignalSpy click(&flag, &C_FlagBar::Click);
    sendMouse(&flag, QEvent::MouseButtonPress, QPointF(x, 11), Qt::RightButton, Qt::RightButton);
    QCOMPARE(click.count(), 1);
    QCOMPARE(flag.isOn(), on);
    QCOMPARE(onDuringClick, on); // the face is updated before Click
    QCOMPARE(flag.value(), on);
}

void TestFlagBar::valueInvert_data()
{
    QTest::addColumn<bool>("written");
    QTest::addColumn<double>("pressX");
    QTest::addColumn<bool>("onAfterWrite");
    QTest::addColumn<bool>("valueAfterPress");
    QTest::newRow("True shows the off face; right half reads False")
        << true << 40.0 << false << false;
    QTest::newRow("False shows the on face; left half reads True") << false << 10.0 << true << true;
}

void TestFlagBar::valueInvert()
{
    QFETCH(bool, written);
    QFETCH(double, pressX);
    QFETCH(bool, onAfterWrite);
    QFETCH(bool, valueAfterPress);
    C_FlagBar flag;
    flag.setValueInvert(true);
    flag.setValue(written);
    QCOMPARE(flag.isOn(), onAfterWrite);
    QCOMPARE(flag.value(), written);
    sendMouse(&flag, QEvent::MouseButtonPress, QPointF(pressX, 11), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(flag.value(), valueAfterPress);
}

void TestFlagBar::invertKeepsTheFace()
{
    C_FlagBar flag;
    flag.setValue(true);
    const QImage onFace = renderWidget(flag);
    flag.setValueInvert(true);
    QVERIFY(flag.isOn());
    QCOMPARE(flag.value(), false);
    QCOMPARE(renderWidget(flag), onFace);
}

void TestFlagBar::valueWriteRaisesNothing()
{
    C_FlagBar flag;
    QSignalSpy click(&flag, &C_FlagBar::Click);
    flag.setValue(true);
    flag.setValue(false);
    flag.setValueInvert(true);
    flag.setButtonStyle(0);
    QCOMPARE(click.count(), 0);
}

void TestFlagBar::sizeIsFixed_data()
{
    QTest::addColumn<int>("style");
    QTest::newRow("style 0") << 0;
    QTest::newRow("style 1 has no faces: ignored") << 1;
    QTest::newRow("style 255 ignored") << 255;
}

void TestFlagBar::sizeIsFixed()
{
    QFETCH(int, style);
    C_FlagBar flag;
    flag.setButtonStyle(style);
    QCOMPARE(flag.buttonStyle(), 0);
    flag.resize(200, 80);
    QCOMPARE(flag.size(), QSize(56, 23));
    QCOMPARE(renderWidget(flag).size(), QSize(56, 23));
}

void TestFlagBar::onFaceIsLitOffFaceIsNot()
{
    C_FlagBar flag;
    const QImage off = renderWidget(flag);
    flag.setValue(true);
    const QImage on = renderWidget(flag);
    QCOMPARE(litPixels(off), 0);
    QVERIFY(litPixels(on.copy(28, 0, 28, 23)) >= 6); // the mark on the right half
    QCOMPARE(litPixels(on.copy(0, 0, 28, 23)), 0);
}

void TestFlagBar::differenceMarkPixels_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("off face") << false;
    QTest::newRow("on face") << true;
}

void TestFlagBar::differenceMarkPixels()
{
    QFETCH(bool, on);
    C_FlagBar flag;
    flag.setValue(on);
    const QImage plain = renderWidget(flag);
    flag.setMarked(true);
    const QImage marked = renderWidget(flag);
    // A red triangle of 7 px legs over the top right corner, the rest of the face unchanged.
    for (int y = 0; y < C_FlagBar::kHeight; ++y)
        for (int x = 0; x < C_FlagBar::kWidth; ++x) {
            const bool inMark = y < 7 && x >= C_FlagBar::kWidth - 7 + y;
            if (inMark)
                QCOMPARE(pixel(marked, x, y), QColor(232, 32, 32));
            else
                QCOMPARE(pixel(marked, x, y), pixel(plain, x, y));
        }
    QCOMPARE(flag.value(), on);
}

void TestFlagBar::differenceMarkGoesWithAChange_data()
{
    QTest::addColumn<bool>("startOn");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("staysMarked");
    QTest::newRow("a press turns it on") << false << "press right" << false;
    QTest::newRow("a press turns it off") << true << "press left" << false;
    QTest::newRow("a press on the half already down") << true << "press right" << true;
    QTest::newRow("a press on the midpoint") << false << "press middle" << true;
    QTest::newRow("the program writes the other value") << false << "write on" << false;
    QTest::newRow("the program writes the same value") << true << "write on" << true;
    QTest::newRow("ValueInvert flips Value, not the face") << true << "invert" << true;
}

void TestFlagBar::differenceMarkGoesWithAChange()
{
    QFETCH(bool, startOn);
    QFETCH(QString, change);
    QFETCH(bool, staysMarked);
    C_FlagBar flag;
    flag.setValue(startOn);
    flag.setMarked(true);
    if (change == QLatin1String("press right"))
        sendMouse(&flag, QEvent::MouseButtonPress, QPointF(45, 10), Qt::LeftButton, Qt::LeftButton);
    else if (change == QLatin1String("press left"))
        sendMouse(&flag, QEvent::MouseButtonPress, QPointF(10, 10), Qt::LeftButton, Qt::LeftButton);
    else if (change == QLatin1String("press middle"))
        sendMouse(&flag, QEvent::MouseButtonPress, QPointF(28, 10), Qt::LeftButton, Qt::LeftButton);
    else if (change == QLatin1String("write on"))
        flag.setValue(true);
    else
        flag.setValueInvert(true);
    QCOMPARE(flag.isMarked(), staysMarked);
    QCOMPARE(pixel(renderWidget(flag), C_FlagBar::kWidth - 1, 0) == QColor(232, 32, 32),
             staysMarked);
}

QTEST_MAIN(TestFlagBar)
#include "tst_flagbar.moc"
