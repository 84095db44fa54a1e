// The slider as a widget: the pixels of its drawing, its properties, the drag, the arrow keys,
// and the rule that only the user's actions raise Scroll.
#include "C_ScrollBar.h"
#include "RenderHelpers.h"
#include "VirtualWindowServices.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <functional>

using namespace tonvara;
using namespace tonvara::test;

namespace {

const QColor kBackground(61, 63, 63);
const QColor kTick(31, 26, 23);
const QColor kKnobDark(31, 34, 27);
const QColor kKnobLight1(155, 157, 158);
const QColor kKnobLight2(143, 145, 149);
const QColor kOrange1(206, 154, 56);
const QColor kOrange2(195, 147, 57);
const QColor kYellow(255, 255, 0);
const QColor kBoxShadow(115, 115, 115);
const QColor kBoxLight(222, 222, 220);

struct SliderSetup
{
    bool tall = false;
    int maxValue = 10;
    int value = 5;
};

void configure(C_ScrollBar &slider, const SliderSetup &setup)
{
    slider.resize(70, 100);
    slider.setShowSize(setup.tall);
    slider.setMaxValue(setup.maxValue);
    slider.setValue(setup.value);
}

// Puts the pointer on the knob, as the first movement over it does.
void hoverKnob(C_ScrollBar &slider)
{
    sendMouse(&slider, QEvent::MouseMove, QPointF(50, slider.knobY()));
}

void key(C_ScrollBar &slider, Qt::Key k, bool *accepted = nullptr)
{
    QKeyEvent event(QEvent::KeyPress, k, Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &event);
    if (accepted)
        *accepted = event.isAccepted();
}

} // namespace

Q_DECLARE_METATYPE(SliderSetup)

class TestScrollBar : public QObject
{
    Q_OBJECT
  private slots:
    void drawingPixels_data();
    void drawingPixels();
    void knobFollowsValue_data();
    void knobFollowsValue();
    void knobLightsWhilePointerOnIt();
    void pointerThroughTheWindow();
    void titleCentredAndHideable_data();
    void titleCentredAndHideable();
    void textsInTheirPlaces_data();
    void textsInTheirPlaces();
    void drawingIgnoresHostWidth_data();
    void drawingIgnoresHostWidth();
    void layoutHeightIsFixed_data();
    void layoutHeightIsFixed();
    void valueLimitedToRange_data();
    void valueLimitedToRange();
    void maxValueRecentres_data();
    void maxValueRecentres();
    void maxValuePreviewKeepsOrLowers_data();
    void maxValuePreviewKeepsOrLowers();
    void readoutFollowsValue_data();
    void readoutFollowsValue();
    void settingsShowCentreText_data();
    void settingsShowCentreText();
    void programNeverRaisesScroll();
    void dragSetsValueFromPointer_data();
    void dragSetsValueFromPointer();
    void dragRaisesScrollOnlyOnChange();
    void dragEndsOutsideBandAndOnRelease();
    void pressOffKnobNeverJumps();
    void arrowKeys_data();
    void arrowKeys();
    void arrowKeyKeepsPointerOnKnob();
    void upKeysUnderAStillPointer_data();
    void upKeysUnderAStillPointer();
    void focusedKeysWithoutPointer_data();
    void focusedKeysWithoutPointer();
    void disabledIgnoresInputAndLooksTheSame();
    void focusLossEndsDragAndIn();
    void disablingKeepsFocusForNextStep();
    void focusIsShown();
    void dragThroughWindowWhileHostDisables();
    void releaseWhileHostDisablesEndsTheDrag();
    void differenceMarkPixels_data();
    void differenceMarkPixels();
    void differenceMarkGoesWithAChange_data();
    void differenceMarkGoesWithAChange();
};

void TestScrollBar::drawingPixels_data()
{
    QTest::addColumn<SliderSetup>("setup");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("color");
    // Knob at row 65 (rows 60 to 69) keeps these points clear of it.
    const SliderSetup mid{false, 10, 5};
    QTest::newRow("long tick 94") << mid << QPoint(40, 94) << kTick;
    QTest::newRow("long tick width 3, upper row") << mid << QPoint(40, 93) << kTick;
    QTest::newRow("long tick width 3, lower row") << mid << QPoint(40, 95) << kTick;
    QTest::newRow("above the long tick") << mid << QPoint(40, 92) << kBackground;
    QTest::newRow("long tick starts at 35") << mid << QPoint(35, 94) << kTick;
    QTest::newRow("left of the long tick") << mid << QPoint(34, 94) << kBackground;
    QTest::newRow("long tick end point 68 unpainted") << mid << QPoint(68, 94) << kBackground;
    QTest::newRow("long tick last pixel 67") << mid << QPoint(67, 94) << kTick;
    QTest::newRow("middle long tick 64") << SliderSetup{false, 10, 0} << QPoint(40, 64) << kTick;
    QTest::newRow("short tick 88") << mid << QPoint(40, 88) << kTick;
    QTest::newRow("short tick is one row") << mid << QPoint(40, 87) << kBackground;
    QTest::newRow("short tick starts at 36") << mid << QPoint(36, 88) << kTick;
    QTest::newRow("left of the short tick") << mid << QPoint(35, 88) << kBackground;
    QTest::newRow("short tick last pixel 66") << mid << QPoint(66, 88) << kTick;
    QTest::newRow("short tick end point 67 unpainted") << mid << QPoint(67, 88) << kBackground;
    QTest::newRow("groove left column") << mid << QPoint(51, 50) << kTick;
    QTest::newRow("groove right column") << mid << QPoint(53, 50) << kTick;
    QTest::newRow("left of the groove") << mid << QPoint(50, 50) << kBackground;
    QTest::newRow("right of the groove") << mid << QPoint(54, 50) << kBackground;
    QTest::newRow("groove top") << mid << QPoint(52, 33) << kTick;
    QTest::newRow("above the groove") << mid << QPoint(52, 32) << kBackground;
    QTest::newRow("groove last row 95") << mid << QPoint(52, 95) << kTick;
    QTest::newRow("groove end point 96 unpainted") << mid << QPoint(52, 96) << kBackground;
    const SliderSetup tall{true, 20, 20};
    QTest::newRow("tall bottom tick 105") << tall << QPoint(40, 105) << kTick;
    QTest::newRow("tall short tick 98") << tall << QPoint(40, 98) << kTick;
    QTest::newRow("tall between ticks") << tall << QPoint(40, 101) << kBackground;
    QTest::newRow("tall groove last row 106") << tall << QPoint(52, 106) << kTick;
    QTest::newRow("tall groove end point 107 unpainted") << tall << QPoint(52, 107) << kBackground;
    QTest::newRow("knob stripe 0") << mid << QPoint(40, 60) << kKnobDark;
    QTest::newRow("knob stripe 1") << mid << QPoint(40, 61) << kKnobLight1;
    QTest::newRow("knob stripe 2") << mid << QPoint(40, 62) << kKnobLight2;
    QTest::newRow("knob stripe 3") << mid << QPoint(40, 63) << kKnobDark;
    QTest::newRow("knob stripe 4") << mid << QPoint(40, 64) << kOrange1;
    QTest::newRow("knob stripe 5") << mid << QPoint(40, 65) << kOrange2;
    QTest::newRow("knob stripe 6") << mid << QPoint(40, 66) << kKnobDark;
    QTest::newRow("knob stripe 7") << mid << QPoint(40, 67) << kKnobLight1;
    QTest::newRow("knob stripe 8") << mid << QPoint(40, 68) << kKnobLight2;
    QTest::newRow("knob stripe 9") << mid << QPoint(40, 69) << kKnobDark;
    QTest::newRow("knob stripe covers the groove") << mid << QPoint(52, 64) << kOrange1;
    QTest::newRow("knob stripe starts at 35") << mid << QPoint(35, 64) << kOrange1;
    QTest::newRow("knob stripe last pixel 67") << mid << QPoint(67, 65) << kOrange2;
    QTest::newRow("knob left side") << mid << QPoint(34, 64) << kKnobDark;
    QTest::newRow("knob right side") << mid << QPoint(68, 65) << kKnobDark;
    QTest::newRow("knob side end point unpainted") << mid << QPoint(34, 70) << kBackground;
    QTest::newRow("nothing left of the knob") << mid << QPoint(33, 64) << kBackground;
    QTest::newRow("box left side outer") << mid << QPoint(34, 20) << kBoxShadow;
    QTest::newRow("box left side inner") << mid << QPoint(35, 20) << kBoxShadow;
    QTest::newRow("box top side upper") << mid << QPoint(50, 13) << kBoxShadow;
    QTest::newRow("box top side lower") << mid << QPoint(50, 14) << kBoxShadow;
    QTest::newRow("box right side inner") << mid << QPoint(67, 20) << kBoxLight;
    QTest::newRow("box right side outer") << mid << QPoint(68, 20) << kBoxLight;
    QTest::newRow("box bottom side upper") << mid << QPoint(50, 26) << kBoxLight;
    QTest::newRow("box bottom side lower") << mid << QPoint(50, 27) << kBoxLight;
    QTest::newRow("box bottom-left corner is light") << mid << QPoint(34, 27) << kBoxLight;
    QTest::newRow("inside the box before the text") << mid << QPoint(36, 20) << kBackground;
    QTest::newRow("right of the box") << mid << QPoint(69, 20) << kBackground;
}

void TestScrollBar::drawingPixels()
{
    QFETCH(SliderSetup, setup);
    QFETCH(QPoint, at);
    QFETCH(QColor, color);
    C_ScrollBar slider;
    configure(slider, setup);
    const QImage image = renderWidget(slider);
    QCOMPARE(pixel(image, at.x(), at.y()), color);
}

void TestScrollBar::knobFollowsValue_data()
{
    QTest::addColumn<SliderSetup>("setup");
    QTest::addColumn<int>("knobY");
    QTest::newRow("tall max 20 value 10") << SliderSetup{true, 20, 10} << 71;
    QTest::newRow("tall max 60 value 30") << SliderSetup{true, 60, 30} << 70;
    QTest::newRow("normal max 20 value 10") << SliderSetup{false, 20, 10} << 65;
    QTest::newRow("normal value 0") << SliderSetup{false, 20, 0} << 94;
    QTest::newRow("tall value 0") << SliderSetup{true, 20, 0} << 105;
    QTest::newRow("normal top") << SliderSetup{false, 20, 20} << 36;
}

void TestScrollBar::knobFollowsValue()
{
    QFETCH(SliderSetup, setup);
    QFETCH(int, knobY);
    C_ScrollBar slider;
    configure(slider, setup);
    QCOMPARE(slider.knobY(), knobY);
    const QImage image = renderWidget(slider);
    QCOMPARE(pixel(image, 40, knobY - 5), kKnobDark);
    QCOMPARE(pixel(image, 40, knobY - 1), kOrange1);
    QCOMPARE(pixel(image, 40, knobY), kOrange2);
    QCOMPARE(pixel(image, 40, knobY + 4), kKnobDark);
    QVERIFY(pixel(image, 40, knobY + 5) != kKnobDark);
}

void TestScrollBar::knobLightsWhilePointerOnIt()
{
    C_ScrollBar slider;
    configure(slider, {false, 10, 5});
    QSignalSpy mouseIn(&slider, &C_ScrollBar::MouseIn);
    hoverKnob(slider);
    QVERIFY(slider.isIn());
    QCOMPARE(mouseIn.count(), 1);
    QCOMPARE(slider.cursor().shape(), Qt::PointingHandCursor);
    QImage image = renderWidget(slider);
    QCOMPARE(pixel(image, 40, 64), kYellow);
    QCOMPARE(pixel(image, 40, 65), kYellow);
    QCOMPARE(pixel(image, 40, 61), kKnobLight1);

    // Moving within the band does not raise MouseIn again; leaving the band unlights.
    sendMouse(&slider, QEvent::MouseMove, QPointF(60, 70));
    QCOMPARE(mouseIn.count(), 1);
    sendMouse(&slider, QEvent::MouseMove, QPointF(60, 72));
    QVERIFY(!slider.isIn());
    QCOMPARE(slider.cursor().shape(), Qt::ArrowCursor);
    image = renderWidget(slider);
    QCOMPARE(pixel(image, 40, 64), kOrange1);
}

void TestScrollBar::pointerThroughTheWindow()
{
    QWidget window;
    window.setGeometry(100, 100, 300, 200);
    C_ScrollBar slider(&window);
    slider.move(20, 20);
    configure(slider, {false, 10, 5});
    window.show();
    QCoreApplication::processEvents();
    QSignalSpy mouseIn(&slider, &C_ScrollBar::MouseIn);
    QTest::mouseMove(&window, QPoint(5, 5));
    QTest::mouseMove(&window, QPoint(20 + 50, 20 + 80));
    QVERIFY(!slider.isIn());
    QTest::mouseMove(&window, QPoint(20 + 50, 20 + slider.knobY()));
    QVERIFY(slider.isIn());
    QCOMPARE(mouseIn.count(), 1);
    // Straight off the control: the leave ends In even without a move inside it.
    QTest::mouseMove(&window, QPoint(250, 150));
    QVERIFY(!slider.isIn());
    QCOMPARE(mouseIn.count(), 1);
}

void TestScrollBar::titleCentredAndHideable_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("visible");
    QTest::newRow("short title") << "EQ" << true;
    QTest::newRow("long title") << "MUSIC 63Hz" << true;
    QTest::newRow("hidden title") << "MUSIC 63Hz" << false;
}

void TestScrollBar::titleCentredAndHideable()
{
    QFETCH(QString, title);
    QFETCH(bool, visible);
    C_ScrollBar slider;
    slider.resize(120, 100);
    slider.setTitle(title);
    slider.setTitleVisible(visible);
    const QImage image = renderWidget(slider);
    const QRect ink = inkBox(image, QRect(0, 0, 120, 12), kBackground);
    if (!visible) {
        QVERIFY(ink.isNull());
        return;
    }
    QVERIFY(!ink.isNull());
    QVERIFY2(ink.top() >= 1, "the title starts at top 1");
    QVERIFY2(qAbs(ink.center().x() - 51) <= 2, qPrintable(QString::number(ink.center().x())));
    // Without a name from its host, a tool meets the slider by its title.
    QCOMPARE(QAccessible::queryAccessibleInterface(&slider)->text(QAccessible::Name), title);
}

void TestScrollBar::textsInTheirPlaces_data()
{
    QTest::addColumn<bool>("tall");
    QTest::addColumn<int>("middleTop");
    QTest::addColumn<int>("bottomTop");
    QTest::newRow("normal layout") << false << 58 << 87;
    QTest::newRow("tall layout") << true << 63 << 97;
}

void TestScrollBar::textsInTheirPlaces()
{
    QFETCH(bool, tall);
    QFETCH(int, middleTop);
    QFETCH(int, bottomTop);
    C_ScrollBar slider;
    slider.setShowSize(tall);
    slider.setText1(QStringLiteral("+10"));
    slider.setText2(QStringLiteral("0"));
    slider.setText3(QStringLiteral("-10"));
    slider.setValueTipType(6);
    slider.setValue(10);
    const QImage image = renderWidget(slider);
    const int tops[3] = {28, middleTop, bottomTop};
    for (int top : tops) {
        const QRect ink = inkBox(image, QRect(0, top, 34, 12), kBackground);
        QVERIFY2(!ink.isNull(), qPrintable(QString("label at %1").arg(top)));
        QVERIFY2(ink.right() <= 31, "scale labels end at x 31");
        QVERIFY2(ink.right() >= 28, "scale labels are right-aligned");
    }
    // Nothing of the scale labels between them.
    QVERIFY(inkBox(image, QRect(0, 41, 34, middleTop - 42), kBackground).isNull());
    // The read-out starts at x 38 inside the value box.
    const QRect readout = inkBox(image, QRect(36, 15, 31, 11), kBackground);
    QVERIFY(!readout.isNull());
    QVERIFY(readout.left() >= 38);
    QCOMPARE(slider.valueTip(), QStringLiteral("0dB"));
}

void TestScrollBar::drawingIgnoresHostWidth_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("wider host") << 120;
    QTest::newRow("narrower host") << 50;
}

void TestScrollBar::drawingIgnoresHostWidth()
{
    QFETCH(int, width);
    C_ScrollBar reference;
    configure(reference, {false, 20, 7});
    C_ScrollBar slider;
    configure(slider, {false, 20, 7});
    slider.resize(width, 100);
    const int common = std::min(width, 70);
    QCOMPARE(renderWidget(slider).copy(0, 0, common, 100),
             renderWidget(reference).copy(0, 0, common, 100));
}

void TestScrollBar::layoutHeightIsFixed_data()
{
    QTest::addColumn<bool>("tall");
    QTest::addColumn<int>("height");
    QTest::newRow("normal 1500 twips") << false << 100;
    QTest::newRow("tall 1660 twips") << true << 111;
}

void TestScrollBar::layoutHeightIsFixed()
{
    QFETCH(bool, tall);
    QFETCH(int, height);
    C_ScrollBar slider;
    slider.setShowSize(tall);
    slider.setGeometry(0, 0, 80, 300);
    QCOMPARE(slider.height(), height);
    QCOMPARE(slider.width(), 80);
    slider.setShowSize(!tall);
    slider.setShowSize(tall);
    QCOMPARE(slider.height(), height);
}

void TestScrollBar::valueLimitedToRange_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("stored");
    QTest::newRow("-5 gives 0") << -5 << 0;
    QTest::newRow("above the range gives MaxValue") << 25 << 20;
    QTest::newRow("in range kept") << 7 << 7;
    QTest::newRow("huge gives MaxValue") << 1000000 << 20;
}

void TestScrollBar::valueLimitedToRange()
{
    QFETCH(int, written);
    QFETCH(int, stored);
    C_ScrollBar slider;
    slider.setMaxValue(20);
    slider.setValue(written);
    QCOMPARE(slider.value(), stored);
    QCOMPARE(slider.valueTip(), QString::number(stored));
}

void TestScrollBar::maxValueRecentres_data()
{
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("value");
    QTest::newRow("15 gives 8") << 15 << 8;
    QTest::newRow("21 gives 10") << 21 << 10;
    QTest::newRow("13 gives 6") << 13 << 6;
    QTest::newRow("127 gives 64") << 127 << 64;
    QTest::newRow("3 gives 2") << 3 << 2;
    QTest::newRow("0 is taken as 1") << 0 << 0;
}

void TestScrollBar::maxValueRecentres()
{
    QFETCH(int, maxValue);
    QFETCH(int, value);
    C_ScrollBar slider;
    slider.setMaxValue(200);
    slider.setValue(199);
    slider.setMaxValue(maxValue);
    QCOMPARE(slider.value(), value);
    QVERIFY(slider.maxValue() >= 1);
    QCOMPARE(slider.valueTip(), QString::number(value));
}

void TestScrollBar::maxValuePreviewKeepsOrLowers_data()
{
    QTest::addColumn<int>("preview");
    QTest::addColumn<int>("value");
    QTest::newRow("below the value lowers it") << 10 << 10;
    QTest::newRow("above the value keeps it") << 30 << 15;
    QTest::newRow("equal keeps it") << 15 << 15;
}

void TestScrollBar::maxValuePreviewKeepsOrLowers()
{
    QFETCH(int, preview);
    QFETCH(int, value);
    C_ScrollBar slider;
    slider.setMaxValue(20);
    slider.setValue(15);
    slider.setMaxValuePreview(preview);
    QCOMPARE(slider.maxValue(), preview);
    QCOMPARE(slider.value(), value);
}

void TestScrollBar::readoutFollowsValue_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain number replaces the host text") << 0 << "13";
    QTest::newRow("gain replaces the host text") << 6 << "+3dB";
    QTest::newRow("type 7 keeps the host text") << 7 << "host";
    QTest::newRow("type 12 keeps the host text") << 12 << "host";
}

void TestScrollBar::readoutFollowsValue()
{
    QFETCH(int, type);
    QFETCH(QString, expected);
    C_ScrollBar slider;
    slider.setMaxValue(20);
    slider.setValueTipType(type);
    slider.setValueTip(QStringLiteral("host"));
    QCOMPARE(slider.valueTip(), QStringLiteral("host"));
    slider.setValue(13);
    QCOMPARE(slider.valueTip(), expected);
}

void TestScrollBar::settingsShowCentreText_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<QString>("text");
    QTest::newRow("echo repeat") << 0 << 15 << "8";
    QTest::newRow("echo A delay") << 1 << 15 << "110ms";
    QTest::newRow("reverb time") << 2 << 60 << "3.0s";
    QTest::newRow("echo B delay") << 4 << 127 << "192ms";
    QTest::newRow("high curve") << 5 << 3 << "2dB";
    QTest::newRow("equaliser band") << 6 << 20 << "0dB";
    QTest::newRow("subwoofer frequency") << 8 << 21 << "120Hz";
    QTest::newRow("low cut") << 8 << 13 << "80Hz";
    QTest::newRow("output limit") << 9 << 6 << "1.2V";
    QTest::newRow("no rule shows the stored text") << 7 << 20 << "stored";
    QTest::newRow("newly placed slider") << 0 << 10 << "5";
}

void TestScrollBar::settingsShowCentreText()
{
    QFETCH(int, type);
    QFETCH(int, maxValue);
    QFETCH(QString, text);
    C_ScrollBar slider;
    C_ScrollBar::Settings settings;
    settings.maxValue = maxValue;
    settings.valueTip = QStringLiteral("stored");
    settings.valueTipType = type;
    slider.loadSettings(settings);
    QCOMPARE(slider.valueTip(), text);
}

void TestScrollBar::programNeverRaisesScroll()
{
    C_ScrollBar slider;
    QSignalSpy scroll(&slider, &C_ScrollBar::Scroll);
    QSignalSpy mouseIn(&slider, &C_ScrollBar::MouseIn);
    const std::function<void()> writes[] = {
        [&] { slider.setMaxValue(20); },
        [&] { slider.setValue(3); },
        [&] { slider.setValue(-5); },
        [&] { slider.setValue(99); },
        [&] { slider.setMaxValuePreview(8); },
        [&] { slider.setValueTipType(6); },
        [&] { slider.setValueTip(QStringLiteral("x")); },
        [&] { slider.setShowSize(true); },
        [&] { slider.setEnabled(false); },
        [&] { slider.setEnabled(true); },
        [&] { slider.loadSettings(C_ScrollBar::Settings{}); },
    };
    for (const auto &write : writes)
        write();
    QCOMPARE(scroll.count(), 0);
    QCOMPARE(mouseIn.count(), 0);
}

void TestScrollBar::dragSetsValueFromPointer_data()
{
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("scrolls");
    QTest::newRow("y 36 gives 20") << 36.0 << 20 << 1;
    QTest::newRow("y 40 gives 19") << 40.0 << 19 << 1;
    QTest::newRow("y 71 stays 10, no event") << 71.0 << 10 << 0;
    QTest::newRow("y 103 gives 1") << 103.0 << 1 << 1;
    QTest::newRow("y 104 gives 0") << 104.0 << 0 << 1;
    QTest::newRow("y 111 at the bottom edge gives 0") << 111.0 << 0 << 1;
    QTest::newRow("y 30 is limited to 20") << 30.0 << 20 << 1;
    QTest::newRow("y 0 is limited to 20") << 0.0 << 20 << 1;
}

void TestScrollBar::dragSetsValueFromPointer()
{
    QFETCH(double, y);
    QFETCH(int, value);
    QFETCH(int, scrolls);
    C_ScrollBar slider;
    configure(slider, {true, 20, 10});
    QSignalSpy scroll(&slider, &C_ScrollBar::Scroll);
    hoverKnob(slider);
    sendMouse(&slider, QEvent::MouseButtonPress, QPointF(50, 71), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(slider.isDragActive());
    sendMouse(&slider, QEvent::MouseMove, QPointF(50, y), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(slider.value(), value);
    QCOMPARE(scroll.count(), scrolls);
    QCOMPARE(slider.valueTip(), QString::number(value));
    sendMouse(&slider, QEvent::MouseButtonRelease, QPointF(50, y), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!slider.isDragActive());
    QCOMPARE(scroll.count(), scrolls); // nothing on release
}

void TestScrollBar::dragRaisesScrollOnlyOnChange()
{
    C_ScrollBar slider;
    configure(slider, {true, 20, 10});
    QList<int> reported;
    connect(&slider, &C_ScrollBar::Scroll, &slider, [&] { reported.append(slider.value()); });
    hoverKnob(slider);
    sendMouse(&slider, QEvent::MouseButtonPress, QPointF(50, 71), Qt::RightButton, Qt::RightButton);
    for (double y : {40.0, 41.0, 40.0, 45.0, 40.0, 40.0})
        sendMouse(&slider, QEvent::MouseMove, QPointF(50, y), Qt::NoButton, Qt::RightButton);
    QCOMPARE(reported, (QList<int>{19, 17, 19}));
}

void TestScrollBar::dragEndsOutsideBandAndOnRelease()
{
    C_ScrollBar slider;
    configure(slider, {false, 20, 10});
    QSignalSpy scroll(&slider, &C_ScrollBar::Scroll);
    hoverKnob(slider);
    sendMouse(&slider, QEvent::MouseButtonPress, QPointF(50, 65), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&slider, QEvent::MouseMove, QPointF(75, 50), Qt::NoButton, Qt::LeftButton);
    QVERIFY(!slider.isDragActive());
    QVERIFY(!slider.isIn());
    sendMouse(&slider, QEvent::MouseMove, QPointF(50, 40), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(slider.value(), 10);
    QCOMPARE(scroll.count(), 0);
}

void TestScrollBar::pressOffKnobNeverJumps()
{
    C_ScrollBar slider;
    configure(slider, {false, 20, 10});
    QSignalSpy scroll(&slider, &C_ScrollBar::Scroll);
    sendMouse(&slider, QEvent::MouseMove, QPointF(50, 90));
    sendMouse(&slider, QEvent::MouseButtonPress, QPointF(50, 90), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!slider.isDragActive());
    sendMouse(&slider, QEvent::MouseMove, QPointF(50, 40), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(slider.value(), 10);
    QCOMPARE(scroll.count(), 0);
}

void TestScrollBar::arrowKeys_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("onKnob");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("scrolls");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("up steps one") << 7 << true << int(Qt::Key_Up) << 8 << 1 << true;
    QTest::newRow("down steps one") << 7 << true << int(Qt::Key_Down) << 6 << 1 << true;
    QTest::newRow("up at MaxValue does nothing")
        << 15 << true << int(Qt::Key_Up) << 15 << 0 << true;
    QTest::newRow("down at 0 does nothing") << 0 << true << int(Qt::Key_Down) << 0 << 0 << true;
    QTest::newRow("other keys pass on") << 7 << true << int(Qt::Key_W) << 7 << 0 << false;
    QTest::newRow("off the knob keys are swallowed")
        << 7 << false << int(Qt::Key_Up) << 7 << 0 << true;
    QTest::newRow("off the knob other keys are swallowed")
        << 7 << false << int(Qt::Key_W) << 7 << 0 << true;
}

void TestScrollBar::arrowKeys()
{
    QFETCH(int, start);
    QFETCH(bool, onKnob);
    QFETCH(int, key);
    QFETCH(int, value);
    QFETCH(int, scrolls);
    QFETCH(bool, accepted);
    C_ScrollBar slider;
    configure(slider, {false, 15, start});
    QSignalSpy scroll(&slider, &C_ScrollBar::Scroll);
    if (onKnob)
        hoverKnob(slider);
    QString tipDuringScroll;
    connect(&slider, &C_ScrollBar::Scroll, &slider, [&] { tipDuringScroll = slider.valueTip(); });
    bool wasAccepted = false;
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &event);
    wasAccepted = event.isAccepted();
    QCOMPARE(slider.value(), value);
    QCOMPARE(scroll.count(), scrolls);
    QCOMPARE(wasAccepted, accepted);
    if (scrolls > 0)
        QCOMPARE(tipDuringScroll, QString::number(value)); // read-out refreshed first
}

void TestScrollBar::arrowKeyKeepsPointerOnKnob()
{
    QWidget window;
    window.resize(300, 200);
    C_ScrollBar slider(&window);
    slider.move(40, 30);
    configure(slider, {false, 15, 7});
    VirtualWindowServices services;
    services.cursor = QPoint(123, 456);
    slider.setWindowServices(&services);
    hoverKnob(slider);
    key(slider, Qt::Key_Up);
    QCOMPARE(slider.value(), 8);
    QCOMPARE(services.cursor, QPoint(123, slider.mapToGlobal(QPoint(0, 0)).y() + slider.knobY()));
    QVERIFY(slider.isIn());
}

void TestScrollBar::upKeysUnderAStillPointer_data()
{
    QTest::addColumn<bool>("movable");
    QTest::addColumn<bool>("follows");
    QTest::newRow("the pointer follows the knob (X11)") << true << true;
    QTest::newRow("the window system says it cannot move the pointer (Wayland)") << false << true;
    QTest::newRow("the pointer move is ignored without a word (XWayland)") << true << false;
}

// Two Up keys with the pointer resting on the knob step the slider twice, also where the
// pointer stays put while the knob moves away from it. A step of this range (14.5 px) takes
// the knob out of the band around a pointer that stays where it was.
void TestScrollBar::upKeysUnderAStillPointer()
{
    QFETCH(bool, movable);
    QFETCH(bool, follows);
    QWidget window;
    window.resize(300, 200);
    C_ScrollBar slider(&window);
    slider.move(40, 30);
    configure(slider, {false, 4, 0});
    VirtualWindowServices services;
    services.pointerMovable = movable;
    services.pointerFollows = follows;
    slider.setWindowServices(&services);
    const int restY = slider.knobY();
    services.cursor = slider.mapToGlobal(QPoint(50, restY));
    QSignalSpy scroll(&slider, &C_ScrollBar::Scroll);
    // The window system reports the pointer where it is, as it does for the slightest
    // movement of a hand on the mouse.
    const auto pointerReports = [&] {
        sendMouse(&slider, QEvent::MouseMove, slider.mapFromGlobal(services.cursor));
    };

    pointerReports();
    QVERIFY(slider.isIn());
    key(slider, Qt::Key_Up);
    const bool pointerMoved = movable && follows;
    // Before the pointer reports again: a pointer the knob left is no longer on it, so a
    // press there would start no drag.
    QCOMPARE(slider.isIn(), pointerMoved);
    pointerReports();
    key(slider, Qt::Key_Up);
    pointerReports();
    QCOMPARE(slider.value(), 2);
    QCOMPARE(scroll.count(), 2);
    QVERIFY(slider.takesKnobKeys());
    QCOMPARE(services.cursor.y() - slider.mapToGlobal(QPoint(0, 0)).y(),
             pointerMoved ? slider.knobY() : restY);
    QCOMPARE(slider.isIn(), pointerMoved);
    // The knob stays lit while the keys act on it.
    QCOMPARE(pixel(renderWidget(slider), 40, slider.knobY()), kYellow);

    if (!pointerMoved) {
        // A press where the pointer rests is not on the knob: no drag, no jump.
        sendMouse(&slider, QEvent::MouseButtonPress, QPointF(50, restY), Qt::LeftButton,
                  Qt::LeftButton);
        QVERIFY(!slider.isDragActive());
        sendMouse(&slider, QEvent::MouseButtonRelease, QPointF(50, restY), Qt::LeftButton,
                  Qt::NoButton);
        // Moving within the band it rests in keeps the keys on the knob.
        sendMouse(&slider, QEvent::MouseMove, QPointF(60, restY + 5));
        key(slider, Qt::Key_Up);
        QCOMPARE(slider.value(), 3);
    }
    // Once the pointer really leaves the band, the keys no longer reach the knob (the slider
    // has no keyboard focus here) and the knob goes dark.
    sendMouse(&slider, QEvent::MouseMove, QPointF(50, restY + 8));
    QVERIFY(!slider.takesKnobKeys());
    const int before = slider.value();
    key(slider, Qt::Key_Down);
    QCOMPARE(slider.value(), before);
    QCOMPARE(pixel(renderWidget(slider), 40, slider.knobY()), kOrange2);
}

void TestScrollBar::focusedKeysWithoutPointer_data()
{
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("up steps one") << 20 << 10 << int(Qt::Key_Up) << 11 << true;
    QTest::newRow("down steps one") << 20 << 10 << int(Qt::Key_Down) << 9 << true;
    QTest::newRow("page up: a tenth of 20") << 20 << 10 << int(Qt::Key_PageUp) << 12 << true;
    QTest::newRow("page down: a tenth of 127, 12.7 rounds to 13")
        << 127 << 64 << int(Qt::Key_PageDown) << 51 << true;
    QTest::newRow("page step of a small range is one")
        << 3 << 1 << int(Qt::Key_PageUp) << 2 << true;
    QTest::newRow("page up stops at MaxValue") << 15 << 14 << int(Qt::Key_PageUp) << 15 << true;
    QTest::newRow("home goes to 0") << 80 << 40 << int(Qt::Key_Home) << 0 << true;
    QTest::newRow("end goes to MaxValue") << 80 << 40 << int(Qt::Key_End) << 80 << true;
    QTest::newRow("down at 0 does nothing") << 20 << 0 << int(Qt::Key_Down) << 0 << true;
    QTest::newRow("other keys are swallowed") << 20 << 10 << int(Qt::Key_W) << 10 << true;
    QTest::newRow("disabled swallows all") << 20 << 10 << int(Qt::Key_Up) << 10 << false;
}

void TestScrollBar::focusedKeysWithoutPointer()
{
    QFETCH(int, maxValue);
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, value);
    QFETCH(bool, enabled);
    QWidget window;
    window.resize(200, 150);
    C_ScrollBar slider(&window);
    configure(slider, {false, maxValue, start});
    VirtualWindowServices services;
    services.cursor = QPoint(5, 400);
    slider.setWindowServices(&services);
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    slider.setFocus(Qt::TabFocusReason);
    QVERIFY(slider.hasFocus());
    slider.setEnabled(enabled);
    QSignalSpy scroll(&slider, &C_ScrollBar::Scroll);
    bool accepted = false;
    ::key(slider, Qt::Key(key), &accepted);
    if (enabled)
        QVERIFY(accepted); // nothing passes on without the pointer on the knob
    QCOMPARE(slider.value(), value);
    QCOMPARE(scroll.count(), value == start ? 0 : 1);
    QCOMPARE(slider.valueTip(), QString::number(value));
    QCOMPARE(services.cursor, QPoint(5, 400)); // the pointer stays where it is
    QVERIFY(!slider.isIn());
}

void TestScrollBar::disabledIgnoresInputAndLooksTheSame()
{
    C_ScrollBar slider;
    configure(slider, {false, 10, 5});
    const QImage enabledLook = renderWidget(slider);
    slider.setEnabled(false);
    QCOMPARE(renderWidget(slider), enabledLook);

    QSignalSpy scroll(&slider, &C_ScrollBar::Scroll);
    QSignalSpy mouseIn(&slider, &C_ScrollBar::MouseIn);
    hoverKnob(slider);
    sendMouse(&slider, QEvent::MouseButtonPress, QPointF(50, 65), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&slider, QEvent::MouseMove, QPointF(50, 40), Qt::NoButton, Qt::LeftButton);
    key(slider, Qt::Key_Up);
    QVERIFY(!slider.isIn());
    QVERIFY(!slider.isDragActive());
    QCOMPARE(slider.value(), 5);
    QCOMPARE(scroll.count(), 0);
    QCOMPARE(mouseIn.count(), 0);
    QCOMPARE(renderWidget(slider), enabledLook);
}

void TestScrollBar::focusLossEndsDragAndIn()
{
    C_ScrollBar slider;
    configure(slider, {false, 10, 5});
    hoverKnob(slider);
    sendMouse(&slider, QEvent::MouseButtonPress, QPointF(50, 65), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(slider.isDragActive());
    QFocusEvent focusOut(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(&slider, &focusOut);
    QVERIFY(!slider.isDragActive());
    QVERIFY(!slider.isIn());
    QCOMPARE(renderWidget(slider).pixel(40, 64), kOrange1.rgb());
}

void TestScrollBar::disablingKeepsFocusForNextStep()
{
    // The host disables the slider while it sends the value; a held arrow key must go on
    // stepping the same slider afterwards.
    QWidget window;
    window.resize(300, 200);
    C_ScrollBar first(&window);
    C_ScrollBar second(&window);
    second.move(100, 0);
    configure(first, {false, 15, 7});
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    QVERIFY(window.isActiveWindow());
    first.setFocus();
    QCoreApplication::processEvents();
    QVERIFY(first.hasFocus());
    connect(&first, &C_ScrollBar::Scroll, &first, [&] {
        first.setEnabled(false);
        first.setEnabled(true);
    });
    hoverKnob(first);
    // Each key goes to whichever widget holds the focus at that moment.
    for (int i = 0; i < 2; ++i) {
        QVERIFY(QApplication::focusWidget() != nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    }
    QCOMPARE(first.value(), 9);
    QVERIFY(first.hasFocus());
    QVERIFY(first.isIn());
}

void TestScrollBar::focusIsShown()
{
    QWidget window;
    window.resize(200, 150);
    C_ScrollBar other(&window);
    C_ScrollBar slider(&window);
    slider.move(80, 0);
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    other.setFocus();
    QVERIFY(!slider.hasFocus());
    const QImage unfocused = renderWidget(slider);
    slider.setFocus();
    QVERIFY(slider.hasFocus());
    const QImage focused = renderWidget(slider);
    // The mark lies between the value box and the scale, where no other rule draws.
    QCOMPARE(pixel(unfocused, 50, 29), kBackground);
    QVERIFY(pixel(focused, 50, 29) != kBackground);
    QCOMPARE(focused.copy(0, 30, 70, 70), unfocused.copy(0, 30, 70, 70));
    QCOMPARE(focused.copy(0, 0, 70, 29), unfocused.copy(0, 0, 70, 29));
}

void TestScrollBar::dragThroughWindowWhileHostDisables()
{
    // The main window disables the slider while it sends each new value. A drag routed by
    // the window system (implicit grab, focus moves) must go on after every send.
    QWidget window;
    window.setGeometry(100, 100, 300, 200);
    C_ScrollBar slider(&window);
    C_ScrollBar neighbour(&window);
    slider.move(20, 20);
    neighbour.move(120, 20);
    configure(slider, {true, 20, 10});
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    QList<int> reported;
    connect(&slider, &C_ScrollBar::Scroll, &slider, [&] {
        slider.setEnabled(false);
        reported.append(slider.value());
        QCoreApplication::processEvents();
        slider.setEnabled(true);
    });
    QWindow *handle = window.windowHandle();
    const QPoint origin(20, 20);
    QTest::mouseMove(handle, origin + QPoint(50, slider.knobY()));
    QVERIFY(slider.isIn());
    QTest::mousePress(handle, Qt::LeftButton, {}, origin + QPoint(50, slider.knobY()));
    QVERIFY(slider.hasFocus());
    QVERIFY(slider.isDragActive());
    for (int y : {60, 50, 40, 36})
        QTest::mouseMove(handle, origin + QPoint(50, y));
    QCOMPARE(reported, (QList<int>{13, 16, 19, 20}));
    QVERIFY(slider.hasFocus());
    QTest::mouseRelease(handle, Qt::LeftButton, {}, origin + QPoint(50, 36));
    QVERIFY(!slider.isDragActive());
    QCOMPARE(slider.value(), 20);
}

void TestScrollBar::releaseWhileHostDisablesEndsTheDrag()
{
    // The button comes up while the slider is disabled for its send: the drag is over, and the
    // pointer hovering on with no button held moves nothing.
    QWidget window;
    window.setGeometry(100, 100, 300, 200);
    C_ScrollBar slider(&window);
    slider.move(20, 20);
    configure(slider, {true, 20, 10});
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    QWindow *handle = window.windowHandle();
    const QPoint origin(20, 20);
    QList<int> reported;
    bool releaseDuringSend = true;
    connect(&slider, &C_ScrollBar::Scroll, &slider, [&] {
        reported.append(slider.value());
        slider.setEnabled(false);
        if (releaseDuringSend) {
            releaseDuringSend = false;
            QTest::mouseRelease(handle, Qt::LeftButton, {}, origin + QPoint(50, 60));
        }
        slider.setEnabled(true);
    });
    QTest::mouseMove(handle, origin + QPoint(50, slider.knobY()));
    QTest::mousePress(handle, Qt::LeftButton, {}, origin + QPoint(50, slider.knobY()));
    QTest::mouseMove(handle, origin + QPoint(50, 60));
    QCOMPARE(reported, QList<int>{13});
    QVERIFY(!slider.isDragActive());
    for (int y : {55, 50, 40})
        QTest::mouseMove(handle, origin + QPoint(50, y));
    QCOMPARE(reported, QList<int>{13});
    QCOMPARE(slider.value(), 13);
}

// The pixels that differ between two renders of the same size.
QList<QPoint> changedPixels(const QImage &a, const QImage &b)
{
    QList<QPoint> changed;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                changed.append(QPoint(x, y));
    return changed;
}

void TestScrollBar::differenceMarkPixels_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<SliderSetup>("setup");
    QTest::addColumn<bool>("titleVisible");
    // The narrowest and a wide slider of the main window; the knob at the top of its travel,
    // as near the mark as it gets; a title shown, as no slider of the main window has.
    QTest::newRow("73 px, tall, knob at the top") << 73 << SliderSetup{true, 20, 20} << false;
    QTest::newRow("97 px, tall, knob in the middle") << 97 << SliderSetup{true, 127, 64} << false;
    QTest::newRow("81 px, normal, knob at the bottom, title")
        << 81 << SliderSetup{false, 6, 0} << true;
}

void TestScrollBar::differenceMarkPixels()
{
    QFETCH(int, width);
    QFETCH(SliderSetup, setup);
    QFETCH(bool, titleVisible);
    C_ScrollBar slider;
    configure(slider, setup);
    slider.setTitle(QStringLiteral("SUB MicOn Vol"));
    slider.setTitleVisible(titleVisible);
    slider.setText1(QStringLiteral("+10"));
    slider.resize(width, slider.height());
    const QImage plain = renderWidget(slider);
    slider.setMarked(true);
    QVERIFY(slider.isMarked());
    const QImage marked = renderWidget(slider);

    // Exactly a red right-angled triangle of 7 px legs whose corner meets the read-out box's
    // top left corner (34, 14): row r covers x 25 + r to 31. Nothing of the title rows, box,
    // scale, groove, knob or read-out.
    QList<QPoint> triangle;
    for (int y = 14; y < 21; ++y)
        for (int x = 25 + (y - 14); x <= 31; ++x)
            triangle.append(QPoint(x, y));
    QCOMPARE(changedPixels(plain, marked), triangle);
    for (const QPoint &p : triangle)
        QCOMPARE(pixel(marked, p.x(), p.y()), QColor(232, 32, 32));

    slider.setMarked(false);
    QCOMPARE(renderWidget(slider), plain);
}

void TestScrollBar::differenceMarkGoesWithAChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("staysMarked");
    QTest::newRow("the program sets another value") << "setValue 3" << false;
    QTest::newRow("the program sets the same value") << "setValue 10" << true;
    QTest::newRow("the program sets a value the range limits to the same") << "setValue 99" << true;
    QTest::newRow("a drag moves the knob") << "drag" << false;
    QTest::newRow("an arrow key steps") << "key" << false;
    QTest::newRow("an arrow key at the end of the range") << "key at top" << true;
    QTest::newRow("a preview range below the value") << "preview 4" << false;
    QTest::newRow("a preview range above the value") << "preview 30" << true;
}

void TestScrollBar::differenceMarkGoesWithAChange()
{
    QFETCH(QString, change);
    QFETCH(bool, staysMarked);
    C_ScrollBar slider;
    configure(slider, {true, 20, 10});
    if (change == QLatin1String("setValue 99") || change == QLatin1String("key at top"))
        slider.setValue(20);
    slider.setMarked(true);

    if (change.startsWith(QLatin1String("setValue"))) {
        slider.setValue(change.section(QLatin1Char(' '), 1).toInt());
    } else if (change.startsWith(QLatin1String("preview"))) {
        slider.setMaxValuePreview(change.section(QLatin1Char(' '), 1).toInt());
    } else if (change == QLatin1String("drag")) {
        hoverKnob(slider);
        sendMouse(&slider, QEvent::MouseButtonPress, QPointF(50, slider.knobY()), Qt::LeftButton,
                  Qt::LeftButton);
        sendMouse(&slider, QEvent::MouseMove, QPointF(50, 40), Qt::NoButton, Qt::LeftButton);
    } else {
        hoverKnob(slider);
        key(slider, Qt::Key_Up);
    }
    QCOMPARE(slider.isMarked(), staysMarked);
    const QImage image = renderWidget(slider);
    QCOMPARE(pixel(image, 31, 14) == QColor(232, 32, 32), staysMarked);
}

QTEST_MAIN(TestScrollBar)
#include "tst_scrollbar.moc"
