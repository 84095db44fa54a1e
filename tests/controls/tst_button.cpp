// The image button: sizes, the press/move/release looks, Click on release, enter and leave.
#include "C_Button.h"
#include "RenderHelpers.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

using namespace tonvara;
using namespace tonvara::test;

namespace {
const QColor kBackground(63, 63, 61);
}

class TestButton : public QObject
{
    Q_OBJECT
  private slots:
    void sizeFollowsButtonIndex_data();
    void sizeFollowsButtonIndex();
    void defaultCaption();
    void clickOnRelease_data();
    void clickOnRelease();
    void pressedLookStaysWhileHostHandlesClick();
    void moveShowsHoverOrPressed_data();
    void moveShowsHoverOrPressed();
    void mouseEnterOnceLeaveResets();
    void pointerThroughTheWindow();
    void stateWrites_data();
    void stateWrites();
    void looksDiffer();
};

void TestButton::sizeFollowsButtonIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QSize>("size");
    QTest::newRow("large face") << 0 << QSize(63, 26);
    QTest::newRow("small face") << 1 << QSize(43, 23);
    QTest::newRow("index 2 has no faces: ignored") << 2 << QSize(43, 23);
    QTest::newRow("index 255 ignored") << 255 << QSize(43, 23);
    QTest::newRow("negative ignored") << -1 << QSize(43, 23);
}

void TestButton::sizeFollowsButtonIndex()
{
    QFETCH(int, index);
    QFETCH(QSize, size);
    C_Button button;
    button.setButtonIndex(1);
    button.setButtonIndex(index);
    QCOMPARE(button.size(), size);
    button.resize(200, 100); // the host cannot stretch it
    QCOMPARE(button.size(), size);
    QVERIFY(button.buttonIndex() == 0 || button.buttonIndex() == 1);
}

void TestButton::defaultCaption()
{
    C_Button button;
    QCOMPARE(button.caption(), QStringLiteral("按钮"));
    button.setCaption(QStringLiteral("Read"));
    QCOMPARE(button.caption(), QStringLiteral("Read"));
    // Without a name from its host, a tool meets the button by its caption.
    QCOMPARE(QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Name),
             QStringLiteral("Read"));
}

void TestButton::clickOnRelease_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::newRow("left, released on the face") << int(Qt::LeftButton) << QPoint(30, 12);
    QTest::newRow("left, released outside") << int(Qt::LeftButton) << QPoint(200, 90);
    QTest::newRow("right button clicks too") << int(Qt::RightButton) << QPoint(30, 12);
    QTest::newRow("middle button clicks too") << int(Qt::MiddleButton) << QPoint(-20, -5);
}

void TestButton::clickOnRelease()
{
    QFETCH(int, button);
    QFETCH(QPoint, releaseAt);
    C_Button b;
    QSignalSpy click(&b, &C_Button::Click);
    const auto mb = Qt::MouseButton(button);
    sendMouse(&b, QEvent::MouseButtonPress, QPointF(30, 12), mb, mb);
    QCOMPARE(click.count(), 0);
    QCOMPARE(b.state(), int(C_Button::Pressed));
    QVERIFY(b.isPressedFlag());
    sendMouse(&b, QEvent::MouseMove, releaseAt, Qt::NoButton, mb);
    QCOMPARE(b.state(), int(C_Button::Pressed));
    sendMouse(&b, QEvent::MouseButtonRelease, releaseAt, mb, Qt::NoButton);
    QCOMPARE(click.count(), 1);
    QVERIFY(!b.isPressedFlag());
    QCOMPARE(b.state(), int(C_Button::Hover));
}

void TestButton::pressedLookStaysWhileHostHandlesClick()
{
    C_Button b;
    int shownDuringClick = -1;
    QImage imageDuringClick;
    connect(&b, &C_Button::Click, &b, [&] {
        shownDuringClick = b.shownState();
        imageDuringClick = renderWidget(b);
    });
    sendMouse(&b, QEvent::MouseButtonPress, QPointF(30, 12), Qt::LeftButton, Qt::LeftButton);
    const QImage pressedLook = renderWidget(b);
    sendMouse(&b, QEvent::MouseButtonRelease, QPointF(30, 12), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(shownDuringClick, int(C_Button::Pressed));
    QCOMPARE(imageDuringClick, pressedLook);
    QCOMPARE(b.shownState(), int(C_Button::Hover));
    QVERIFY(renderWidget(b) != pressedLook);
}

void TestButton::moveShowsHoverOrPressed_data()
{
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<int>("state");
    QTest::newRow("move without press shows hover") << false << int(C_Button::Hover);
    QTest::newRow("move while pressed stays pressed") << true << int(C_Button::Pressed);
}

void TestButton::moveShowsHoverOrPressed()
{
    QFETCH(bool, pressed);
    QFETCH(int, state);
    C_Button b;
    if (pressed)
        sendMouse(&b, QEvent::MouseButtonPress, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&b, QEvent::MouseMove, QPointF(10, 10), Qt::NoButton,
              pressed ? Qt::LeftButton : Qt::NoButton);
    QCOMPARE(b.state(), state);
    QCOMPARE(b.shownState(), state);
}

void TestButton::mouseEnterOnceLeaveResets()
{
    C_Button b;
    QSignalSpy enter(&b, &C_Button::MouseEnter);
    QSignalSpy leave(&b, &C_Button::MouseLeave);
    QSignalSpy click(&b, &C_Button::Click);
    sendEnter(&b, QPointF(2, 2));
    for (int x = 2; x < 60; x += 7)
        sendMouse(&b, QEvent::MouseMove, QPointF(x, 10));
    QCOMPARE(enter.count(), 1);
    QCOMPARE(b.state(), int(C_Button::Hover));
    QVERIFY(b.isInside());
    sendLeave(&b);
    QCOMPARE(leave.count(), 1);
    QCOMPARE(b.state(), int(C_Button::Normal));
    QVERIFY(!b.isInside());
    sendEnter(&b, QPointF(2, 2));
    QCOMPARE(enter.count(), 2);
    QCOMPARE(click.count(), 0);
}

void TestButton::pointerThroughTheWindow()
{
    // The same sequence as the window system delivers it, enter and leave included.
    QWidget window;
    window.setGeometry(100, 100, 200, 100);
    C_Button b(&window);
    b.move(50, 30);
    window.show();
    QCoreApplication::processEvents();
    QSignalSpy enter(&b, &C_Button::MouseEnter);
    QSignalSpy leave(&b, &C_Button::MouseLeave);
    QSignalSpy click(&b, &C_Button::Click);
    QTest::mouseMove(&window, QPoint(10, 10));
    for (int x = 55; x < 110; x += 6)
        QTest::mouseMove(&window, QPoint(x, 40));
    QCOMPARE(enter.count(), 1);
    QCOMPARE(b.state(), int(C_Button::Hover));
    // Presses and releases go to the widget under the press, as Qt's implicit grab does.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(30, 10));
    QCOMPARE(b.state(), int(C_Button::Pressed));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(140, 60));
    QCOMPARE(click.count(), 1);
    QTest::mouseMove(&window, QPoint(5, 5));
    QCOMPARE(leave.count(), 1);
    QCOMPARE(b.state(), int(C_Button::Normal));
    QCOMPARE(enter.count(), 1);
}

void TestButton::stateWrites_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("written");
    QTest::addColumn<bool>("faceShown");
    QTest::addColumn<QColor>("captionColor");
    QTest::addColumn<int>("captionTop");
    QTest::newRow("normal") << 1 << 0 << true << QColor(223, 225, 227) << 5;
    QTest::newRow("hover") << 0 << 1 << true << QColor(223, 225, 227) << 5;
    QTest::newRow("pressed") << 0 << 2 << true << QColor(192, 192, 255) << 6;
    QTest::newRow("3 after pressed hides the face, caption stays")
        << 2 << 3 << false << QColor(192, 192, 255) << 6;
    QTest::newRow("200 after normal hides the face, caption stays")
        << 0 << 200 << false << QColor(223, 225, 227) << 5;
}

void TestButton::stateWrites()
{
    QFETCH(int, before);
    QFETCH(int, written);
    QFETCH(bool, faceShown);
    QFETCH(QColor, captionColor);
    QFETCH(int, captionTop);
    C_Button b;
    b.setCaption(QString()); // keep the face centre free of text
    b.setState(before);
    b.setState(written);
    QCOMPARE(b.state(), written);
    QCOMPARE(b.captionColor(), captionColor);
    QCOMPARE(b.captionTop(), captionTop);
    const QImage image = renderWidget(b);
    QCOMPARE(pixel(image, 31, 13) != kBackground, faceShown);
}

void TestButton::looksDiffer()
{
    C_Button b;
    QImage looks[3];
    for (int s = 0; s < 3; ++s) {
        b.setState(s);
        looks[s] = renderWidget(b);
    }
    QVERIFY(looks[0] != looks[1]);
    QVERIFY(looks[1] != looks[2]);
    QVERIFY(looks[0] != looks[2]);
}

QTEST_MAIN(TestButton)
#include "tst_button.moc"
