// The drop-down list: items and TopIndex, where the list opens, hover, pick, and the ways it
// closes without a pick.
#include "C_ComboBox.h"
#include "RenderHelpers.h"

#include <QApplication>
#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <memory>

using namespace tonvara;
using namespace tonvara::test;

namespace {

// A host window at a given screen row with one drop-down list in its top-left corner.
struct Host
{
    explicit Host(int screenY = 100, int items = 6)
    {
        window.setGeometry(40, screenY, 200, 60);
        combo = new C_ComboBox(&window);
        for (int i = 0; i < items; ++i)
            combo->addItem(QStringLiteral("MUSIC%1").arg(i + 1));
        window.show();
        QCoreApplication::processEvents();
    }

    void pressFace()
    {
        sendMouse(combo, QEvent::MouseButtonPress, QPointF(20, 8), Qt::LeftButton, Qt::LeftButton);
        sendMouse(combo, QEvent::MouseButtonRelease, QPointF(20, 8), Qt::LeftButton, Qt::NoButton);
    }

    QWidget *list() const { return combo->listWindow(); }

    QWidget window;
    C_ComboBox *combo = nullptr;
};

} // namespace

class TestComboBox : public QObject
{
    Q_OBJECT
  private slots:
    void addItemSelectsFirstButKeepsCaption();
    void topIndexIsClamped_data();
    void topIndexIsClamped();
    void opensBelowOrAbove_data();
    void opensBelowOrAbove();
    void hoverHighlightsAndPressPicks_data();
    void hoverHighlightsAndPressPicks();
    void pickingTheSelectedRowReportsAgain();
    void pressOnFaceTogglesWithoutClick();
    void pressElsewhereClosesWithoutClick();
    void focusLossClosesWithoutClick_data();
    void focusLossClosesWithoutClick();
    void emptyListPicksNothing();
    void faceSizeIsFixed_data();
    void faceSizeIsFixed();
    void hidingTheControlClosesTheList();
    void throughTheWindowSystem();
    void keyboardOperation_data();
    void keyboardOperation();
};

void TestComboBox::addItemSelectsFirstButKeepsCaption()
{
    C_ComboBox combo;
    QCOMPARE(combo.topIndex(), -1);
    QCOMPARE(combo.caption(), QStringLiteral("0"));
    combo.addItem(QStringLiteral("MIC1"));
    combo.addItem(QStringLiteral("MIC2"));
    QCOMPARE(combo.topIndex(), 0);
    QCOMPARE(combo.caption(), QStringLiteral("0"));
    QCOMPARE(combo.listHeight(), 25); // 12.5 px per item
    combo.setTopIndex(0);
    QCOMPARE(combo.caption(), QStringLiteral("MIC1"));
}

void TestComboBox::topIndexIsClamped_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("caption");
    QTest::newRow("9 of 6 selects the last") << 6 << 9 << 5 << "MUSIC6";
    QTest::newRow("6 of 6 selects the last") << 6 << 6 << 5 << "MUSIC6";
    QTest::newRow("2 of 6") << 6 << 2 << 2 << "MUSIC3";
    QTest::newRow("empty list selects nothing") << 0 << 0 << -1 << "";
    QTest::newRow("-1 selects nothing") << 6 << -1 << -1 << "";
    QTest::newRow("-7 selects nothing") << 6 << -7 << -1 << "";
}

void TestComboBox::topIndexIsClamped()
{
    QFETCH(int, items);
    QFETCH(int, written);
    QFETCH(int, selected);
    QFETCH(QString, caption);
    C_ComboBox combo;
    for (int i = 0; i < items; ++i)
        combo.addItem(QStringLiteral("MUSIC%1").arg(i + 1));
    QSignalSpy click(&combo, &C_ComboBox::Click);
    combo.setTopIndex(written);
    QCOMPARE(combo.topIndex(), selected);
    QCOMPARE(combo.caption(), caption);
    QCOMPARE(click.count(), 0);
}

void TestComboBox::opensBelowOrAbove_data()
{
    QTest::addColumn<int>("screenY");
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("listTop");
    QTest::newRow("room below") << 100 << 6 << 119;
    // 705 + 19 + 75 = 799: fits with a twip to spare.
    QTest::newRow("last row that fits below") << 705 << 6 << 724;
    // 706 + 19 + 75 = 800: no room, opens above.
    QTest::newRow("first row that opens above") << 706 << 6 << 631;
    QTest::newRow("near the bottom") << 760 << 6 << 685;
    QTest::newRow("empty list, 86 px high") << 700 << 0 << 614;
}

void TestComboBox::opensBelowOrAbove()
{
    QFETCH(int, screenY);
    QFETCH(int, items);
    QFETCH(int, listTop);
    Host host(screenY, items);
    QCOMPARE(host.combo->mapToGlobal(QPoint(0, 0)).y(), screenY);
    host.pressFace();
    QVERIFY(host.combo->isOpen());
    QVERIFY(host.list()->isVisible());
    const QRect list = host.list()->geometry();
    QCOMPARE(list.top(), listTop);
    QCOMPARE(list.left(), host.combo->mapToGlobal(QPoint(0, 0)).x());
    QCOMPARE(list.width(), 70);
    QCOMPARE(list.height(), host.combo->listHeight());
}

void TestComboBox::hoverHighlightsAndPressPicks_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("picked");
    QTest::newRow("first row") << 2 << 0;
    QTest::newRow("row 3") << 3 * 11 + 4 << 3;
    QTest::newRow("last row") << 5 * 11 + 1 << 5;
    // Below the last row the highlight stays where it was.
    QTest::newRow("below the rows keeps the selection") << 70 << 2;
}

void TestComboBox::hoverHighlightsAndPressPicks()
{
    QFETCH(int, y);
    QFETCH(int, picked);
    Host host;
    host.combo->setTopIndex(2);
    QSignalSpy click(host.combo, &C_ComboBox::Click);
    host.pressFace();
    sendMouse(host.list(), QEvent::MouseMove, QPointF(20, y));
    QCOMPARE(host.combo->topIndex(), picked);
    QCOMPARE(click.count(), 0);
    sendMouse(host.list(), QEvent::MouseButtonPress, QPointF(20, y), Qt::RightButton,
              Qt::RightButton);
    QCOMPARE(click.count(), 1);
    QCOMPARE(click.at(0).at(0).toInt(), picked);
    QVERIFY(!host.combo->isOpen());
    QVERIFY(!host.list()->isVisible());
    QCOMPARE(host.combo->caption(), host.combo->itemText(picked));
}

void TestComboBox::pickingTheSelectedRowReportsAgain()
{
    Host host;
    host.combo->setTopIndex(1);
    QSignalSpy click(host.combo, &C_ComboBox::Click);
    for (int round = 0; round < 2; ++round) {
        host.pressFace();
        sendMouse(host.list(), QEvent::MouseMove, QPointF(20, 15));
        sendMouse(host.list(), QEvent::MouseButtonPress, QPointF(20, 15), Qt::LeftButton,
                  Qt::LeftButton);
    }
    QCOMPARE(click.count(), 2);
    QCOMPARE(click.at(0).at(0).toInt(), 1);
    QCOMPARE(click.at(1).at(0).toInt(), 1);
}

void TestComboBox::pressOnFaceTogglesWithoutClick()
{
    Host host;
    QSignalSpy click(host.combo, &C_ComboBox::Click);
    host.pressFace();
    QVERIFY(host.combo->isOpen());
    // While the list is open the pop-up sees every press; this one lands on the face.
    const QPoint onFace = host.list()->mapFromGlobal(host.combo->mapToGlobal(QPoint(20, 8)));
    sendMouse(host.list(), QEvent::MouseButtonPress, onFace, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!host.combo->isOpen());
    QVERIFY(!host.list()->isVisible());
    QCOMPARE(click.count(), 0);
    QCOMPARE(host.combo->caption(), QStringLiteral("0"));
    host.pressFace();
    QVERIFY(host.combo->isOpen());
}

void TestComboBox::pressElsewhereClosesWithoutClick()
{
    Host host;
    host.combo->setTopIndex(4);
    QSignalSpy click(host.combo, &C_ComboBox::Click);
    host.pressFace();
    const QPoint elsewhere = host.list()->mapFromGlobal(QPoint(600, 300));
    sendMouse(host.list(), QEvent::MouseButtonPress, elsewhere, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!host.combo->isOpen());
    QCOMPARE(click.count(), 0);
    QCOMPARE(host.combo->caption(), QStringLiteral("MUSIC5"));
}

void TestComboBox::focusLossClosesWithoutClick_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("staysOpen");
    QTest::newRow("focus moved by Tab") << int(Qt::TabFocusReason) << false;
    QTest::newRow("another control clicked") << int(Qt::MouseFocusReason) << false;
    QTest::newRow("window deactivated") << int(Qt::ActiveWindowFocusReason) << false;
    QTest::newRow("own pop-up took the focus") << int(Qt::PopupFocusReason) << true;
}

void TestComboBox::focusLossClosesWithoutClick()
{
    QFETCH(int, reason);
    QFETCH(bool, staysOpen);
    Host host;
    QSignalSpy click(host.combo, &C_ComboBox::Click);
    host.pressFace();
    QFocusEvent focusOut(QEvent::FocusOut, Qt::FocusReason(reason));
    QCoreApplication::sendEvent(host.combo, &focusOut);
    QCOMPARE(host.combo->isOpen(), staysOpen);
    QCOMPARE(host.list()->isVisible(), staysOpen);
    QCOMPARE(click.count(), 0);
}

void TestComboBox::emptyListPicksNothing()
{
    Host host(100, 0);
    QSignalSpy click(host.combo, &C_ComboBox::Click);
    host.pressFace();
    QCOMPARE(host.list()->height(), 86); // 1290 twips
    sendMouse(host.list(), QEvent::MouseMove, QPointF(20, 5));
    sendMouse(host.list(), QEvent::MouseButtonPress, QPointF(20, 5), Qt::LeftButton,
              Qt::LeftButton);
    QCOMPARE(click.count(), 1);
    QCOMPARE(click.at(0).at(0).toInt(), -1);
    QCOMPARE(host.combo->caption(), QString());
    QVERIFY(!host.combo->isOpen());
}

void TestComboBox::faceSizeIsFixed_data()
{
    QTest::addColumn<bool>("compact");
    QTest::addColumn<QSize>("size");
    QTest::newRow("normal face") << false << QSize(70, 19);
    QTest::newRow("compact face") << true << QSize(70, 16);
}

void TestComboBox::faceSizeIsFixed()
{
    QFETCH(bool, compact);
    QFETCH(QSize, size);
    C_ComboBox combo;
    combo.setShowSize(compact);
    combo.resize(300, 300);
    QCOMPARE(combo.size(), size);
    const QImage image = renderWidget(combo);
    QCOMPARE(image.size(), size);
}

void TestComboBox::hidingTheControlClosesTheList()
{
    Host host;
    QSignalSpy click(host.combo, &C_ComboBox::Click);
    host.pressFace();
    host.window.hide();
    QVERIFY(!host.combo->isOpen());
    QVERIFY(!host.list()->isVisible());
    QCOMPARE(click.count(), 0);
}

void TestComboBox::throughTheWindowSystem()
{
    // Presses routed by Qt: while the list is open it receives every press, also those on
    // the face and those elsewhere in the window.
    Host host;
    host.combo->move(10, 10);
    QSignalSpy click(host.combo, &C_ComboBox::Click);
    QWindow *handle = host.window.windowHandle();
    const QPoint face(30, 18);
    QTest::mouseClick(handle, Qt::LeftButton, {}, face);
    QVERIFY(host.combo->isOpen());
    QTest::mouseClick(handle, Qt::LeftButton, {}, face);
    QVERIFY(!host.combo->isOpen());
    QTest::mouseClick(handle, Qt::LeftButton, {}, face);
    QVERIFY(host.combo->isOpen());
    QTest::mouseClick(handle, Qt::LeftButton, {}, QPoint(180, 50));
    QVERIFY(!host.combo->isOpen());
    QVERIFY(!host.list()->isVisible());
    QCOMPARE(click.count(), 0);
    QVERIFY(!host.combo->isPressedFlag());
}

void TestComboBox::keyboardOperation_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Space opens") << QList<int>{Qt::Key_Space} << true << QList<int>{} << "MUSIC1";
    QTest::newRow("Down opens on the shown item, Down moves, Enter picks")
        << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return} << false << QList<int>{1}
        << "MUSIC2";
    QTest::newRow("End then Space picks the last")
        << QList<int>{Qt::Key_Return, Qt::Key_End, Qt::Key_Space} << false << QList<int>{5}
        << "MUSIC6";
    QTest::newRow("Up stops at the first, Home too")
        << QList<int>{Qt::Key_Space, Qt::Key_Up, Qt::Key_Home, Qt::Key_Enter} << false
        << QList<int>{0} << "MUSIC1";
    QTest::newRow("Escape closes without a pick")
        << QList<int>{Qt::Key_Space, Qt::Key_Down, Qt::Key_Escape} << false << QList<int>{}
        << "MUSIC1";
    QTest::newRow("other keys leave it closed")
        << QList<int>{Qt::Key_A} << false << QList<int>{} << "MUSIC1";
}

void TestComboBox::keyboardOperation()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, open);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, caption);
    Host host;
    host.combo->setTopIndex(0);
    host.window.activateWindow();
    host.combo->setFocus(Qt::TabFocusReason);
    QList<int> reported;
    connect(host.combo, &C_ComboBox::Click, host.combo, [&](int index) { reported << index; });
    for (int key : keys) {
        // As the window system routes keys: to the open pop-up, else to the focus.
        QWidget *to = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                        : QApplication::focusWidget();
        QVERIFY(to != nullptr);
        QTest::keyClick(to, Qt::Key(key));
    }
    QCOMPARE(host.combo->isOpen(), open);
    QCOMPARE(host.list()->isVisible(), open);
    QCOMPARE(reported, clicks);
    QCOMPARE(host.combo->caption(), caption);
}

QTEST_MAIN(TestComboBox)
#include "tst_combobox.moc"
