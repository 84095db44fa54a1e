#include "MainFrm_Big.h"
#include "VirtualWindowServices.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace tonvara;

namespace {
const QString kExitQuestion = QStringLiteral("You sure you want to exit the application ?");
}

class TestMainFrm : public QObject
{
    Q_OBJECT
private slots:
    void loadRunsTheStepsInOrder();
    void exitQuestion_data();
    void exitQuestion();
    void closeDuringAWaitEndsTheWaitFirst();
    void dragMovesTheWindowByTheCursorDelta();
    void dragDoesNothingWhileMaximised();
    void backgroundDragAsksForASystemMove_data();
    void backgroundDragAsksForASystemMove();
    void onlyLowerCaseWOpensTheTrafficLog();
    void timer1ReturnsTheKeyRowAfter300ms();
    void windowKeysWherever_data();
    void windowKeysWherever();
    void contextMenuFromControlsWithoutOneAndTheBackground();
};

void TestMainFrm::loadRunsTheStepsInOrder()
{
    VirtualWindowServices services;
    MainFrm_Big window(services);
    QStringList order;
    MainWindowParts parts;
    const auto step = [&order](const char *name) { return [&order, name] { order << name; }; };
    parts.placeTitleStrips = step("strips");
    parts.loadAddresses = step("addresses");
    parts.placeMicRow = step("micRow");
    parts.styleContainers = step("containers");
    parts.fillModeLists = step("modeLists");
    parts.loadDefaults = step("defaults");
    parts.initTrafficLog = step("log");
    parts.enableConnectionTimer = step("connect");
    window.setParts(parts);
    window.load();
    QCOMPARE(order, QStringList({"strips", "addresses", "micRow", "containers", "modeLists",
                                 "defaults", "log", "connect"}));
    QCOMPARE(window.size(), QSize(932, 674));
    QCOMPARE(window.windowTitle(), QStringLiteral("Tonvara"));
}

void TestMainFrm::exitQuestion_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes unloads and closes the port") << true;
    QTest::newRow("No keeps everything") << false;
}

void TestMainFrm::exitQuestion()
{
    QFETCH(bool, yes);
    VirtualWindowServices services;
    MainFrm_Big window(services);
    int unloads = 0;
    MainWindowParts parts;
    parts.unload = [&unloads] { ++unloads; };
    window.setParts(parts);
    window.show();
    QSignalSpy unloaded(&window, &MainFrm_Big::unloaded);

    services.messageAnswers.push_back(yes ? MessageAnswer::Yes : MessageAnswer::No);
    window.close();

    QCOMPARE(services.messageTexts(), QStringList{kExitQuestion});
    QCOMPARE(services.messages[0].icon, MessageIcon::None);
    QCOMPARE(services.messages[0].buttons, MessageButtons::YesNo);
    QCOMPARE(unloads, yes ? 1 : 0);
    QCOMPARE(unloaded.count(), yes ? 1 : 0);
    QCOMPARE(window.isVisible(), !yes);
}

void TestMainFrm::closeDuringAWaitEndsTheWaitFirst()
{
    VirtualWindowServices services;
    MainFrm_Big window(services);
    bool waiting = true;
    QStringList order;
    MainWindowParts parts;
    parts.isWaitingForTarget = [&waiting] { return waiting; };
    parts.abandonWait = [&] {
        order << "abandon";
        waiting = false; // the wait unwinds before the queued close arrives
    };
    parts.unload = [&order] { order << "unload"; };
    window.setParts(parts);
    window.show();

    services.messageAnswers.push_back(MessageAnswer::Yes);
    window.close();
    QCOMPARE(order, QStringList{"abandon"});
    QVERIFY(window.isVisible());
    QCoreApplication::processEvents();
    QCOMPARE(order, QStringList({"abandon", "unload"}));
    QVERIFY(!window.isVisible());
    QCOMPARE(services.messages.size(), 1); // asked once, not again for the deferred close
}

void TestMainFrm::dragMovesTheWindowByTheCursorDelta()
{
    VirtualWindowServices services;
    MainFrm_Big window(services);
    int resets = 0;
    MainWindowParts parts;
    parts.resetCommandButtons = [&resets] { ++resets; };
    window.setParts(parts);
    window.move(100, 100);
    window.show();
    const QPoint start = window.pos();

    services.cursor = QPoint(300, 300);
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(window.isDragging());
    services.cursor = QPoint(340, 290);
    QTest::mouseMove(&window, QPoint(45, 5));
    QCOMPARE(window.pos(), start + QPoint(40, -10));
    services.cursor = QPoint(350, 300);
    QTest::mouseMove(&window, QPoint(55, 15));
    QCOMPARE(window.pos(), start + QPoint(50, 0));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(55, 15));
    QVERIFY(!window.isDragging());
    services.cursor = QPoint(400, 400);
    QTest::mouseMove(&window, QPoint(60, 20));
    QCOMPARE(window.pos(), start + QPoint(50, 0));
    QVERIFY(resets >= 3); // every background movement resets the command buttons
}

void TestMainFrm::dragDoesNothingWhileMaximised()
{
    VirtualWindowServices services;
    MainFrm_Big window(services);
    window.showMaximized();
    QVERIFY(window.isMaximized());
    const QPoint start = window.pos();
    services.cursor = QPoint(10, 10);
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(5, 5));
    services.cursor = QPoint(60, 60);
    QTest::mouseMove(&window, QPoint(55, 55));
    QCOMPARE(window.pos(), start);
}

void TestMainFrm::backgroundDragAsksForASystemMove_data()
{
    QTest::addColumn<bool>("systemMove");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QPoint>("moved");
    QTest::newRow("the window system moves it (Wayland, a window manager)")
        << true << int(Qt::LeftButton) << false << true << QPoint(0, 0);
    QTest::newRow("no system move: the window follows the pointer itself")
        << false << int(Qt::LeftButton) << false << true << QPoint(40, -10);
    QTest::newRow("the middle button drags as the left does")
        << true << int(Qt::MiddleButton) << false << true << QPoint(0, 0);
    QTest::newRow("the right button opens the menu, it asks for no move")
        << true << int(Qt::RightButton) << false << false << QPoint(40, -10);
    QTest::newRow("a maximised window is not moved")
        << true << int(Qt::LeftButton) << true << false << QPoint(0, 0);
}

void TestMainFrm::backgroundDragAsksForASystemMove()
{
    QFETCH(bool, systemMove);
    QFETCH(int, button);
    QFETCH(bool, maximised);
    QFETCH(bool, asked);
    QFETCH(QPoint, moved);
    VirtualWindowServices services;
    services.systemMoveAvailable = systemMove;
    MainFrm_Big window(services);
    window.move(100, 100);
    if (maximised)
        window.showMaximized();
    else
        window.show();
    const QPoint start = window.pos();

    services.cursor = QPoint(300, 300);
    const auto pressed = Qt::MouseButton(button);
    QTest::mousePress(&window, pressed, {}, QPoint(5, 5));
    QCOMPARE(services.systemMoves, asked ? QList<QWidget *>{&window} : QList<QWidget *>{});
    // A move the window system took is its own to the end: no move of ours follows.
    QCOMPARE(window.isDragging(), !(asked && systemMove));
    services.cursor = QPoint(340, 290);
    QTest::mouseMove(&window, QPoint(45, 5));
    QCOMPARE(window.pos(), start + moved);
    QTest::mouseRelease(&window, pressed, {}, QPoint(45, 5));
    QVERIFY(!window.isDragging());
}

void TestMainFrm::onlyLowerCaseWOpensTheTrafficLog()
{
    VirtualWindowServices services;
    MainFrm_Big window(services);
    int opened = 0;
    MainWindowParts parts;
    parts.openTrafficLog = [&opened] { ++opened; };
    window.setParts(parts);
    window.show();
    QTest::keyClick(&window, 'W', Qt::ShiftModifier);
    QCOMPARE(opened, 0);
    QTest::keyClick(&window, 'w');
    QCOMPARE(opened, 1);
    QTest::keyClick(&window, Qt::Key_Q);
    QCOMPARE(opened, 1);
    // A control with the focus that swallows keys does not hide the w from the window.
    struct Swallower : QWidget
    {
        using QWidget::QWidget;
        void keyPressEvent(QKeyEvent *) override {}
    };
    auto *control = new Swallower(&window);
    control->setFocusPolicy(Qt::StrongFocus);
    control->show();
    QApplication::setActiveWindow(&window);
    control->setFocus();
    QCOMPARE(QApplication::focusWidget(), control);
    QTest::keyClick(control, 'w');
    QCOMPARE(opened, 2);
}

void TestMainFrm::timer1ReturnsTheKeyRowAfter300ms()
{
    VirtualWindowServices services;
    MainFrm_Big window(services);
    int naturals = 0;
    MainWindowParts parts;
    parts.showNaturalKey = [&naturals] { ++naturals; };
    window.setParts(parts);
    window.timer1().setEnabled(true);
    services.advance(Millis(299));
    QCOMPARE(naturals, 0);
    services.advance(Millis(1));
    QCOMPARE(naturals, 1);
    QVERIFY(!window.timer1().isEnabled());
    services.advance(Millis(1000));
    QCOMPARE(naturals, 1);
}

void TestMainFrm::windowKeysWherever_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("done");
    const struct
    {
        const char *name;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char *done;
    } keys[] = {
        {"Ctrl+Z", Qt::Key_Z, Qt::ControlModifier, "undo"},
        {"Ctrl+Y", Qt::Key_Y, Qt::ControlModifier, "redo"},
        {"Ctrl+Shift+Z", Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "redo"},
        {"Menu", Qt::Key_Menu, Qt::NoModifier, "menu"},
        {"Shift+F10", Qt::Key_F10, Qt::ShiftModifier, "menu"},
        {"z alone", Qt::Key_Z, Qt::NoModifier, ""},
        {"F10 alone", Qt::Key_F10, Qt::NoModifier, ""},
        {"Ctrl+Alt+Z", Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier, ""},
        {"Ctrl+D", Qt::Key_D, Qt::ControlModifier, "compare with target"},
        {"Ctrl+Shift+D", Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier,
         "compare with profile"},
        {"Ctrl+Alt+D", Qt::Key_D, Qt::ControlModifier | Qt::AltModifier, ""},
    };
    for (const char *focus : {"window", "swallowing control", "entry box"})
        for (const auto &k : keys)
            QTest::addRow("%s in the %s", k.name, focus)
                << QString::fromLatin1(focus) << k.key << int(k.modifiers)
                << QString::fromLatin1(k.done);
}

void TestMainFrm::windowKeysWherever()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, done);
    VirtualWindowServices services;
    MainFrm_Big window(services);
    QStringList calls;
    QPoint menuAt;
    MainWindowParts parts;
    parts.undo = [&calls] { calls << "undo"; };
    parts.redo = [&calls] { calls << "redo"; };
    parts.compareWithTarget = [&calls] { calls << "compare with target"; };
    parts.compareWithProfile = [&calls] { calls << "compare with profile"; };
    parts.contextMenu = [&](QPoint at) {
        calls << "menu";
        menuAt = at;
    };
    window.setParts(parts);
    // A control that takes every key (a slider), and an entry box with its own undo.
    struct Swallower : QWidget
    {
        using QWidget::QWidget;
        void keyPressEvent(QKeyEvent *) override {}
    };
    auto *control = new Swallower(&window);
    control->setGeometry(100, 100, 40, 80);
    control->setFocusPolicy(Qt::StrongFocus);
    auto *entry = new QLineEdit(&window);
    entry->setGeometry(300, 100, 40, 20);
    window.show();
    QApplication::setActiveWindow(&window);
    QWidget *target = &window;
    if (focus == QLatin1String("swallowing control"))
        target = control;
    else if (focus == QLatin1String("entry box"))
        target = entry;
    target->setFocus();
    entry->setText(QStringLiteral("12"));
    entry->insert(QStringLiteral("3"));

    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(calls, done.isEmpty() ? QStringList{} : QStringList{done});
    if (done == QLatin1String("menu")) // at the focused control
        QVERIFY(target->rect().contains(target->mapFromGlobal(menuAt)));
    // The window's keys never reach the entry box: its own typing is not undone.
    if (!done.isEmpty())
        QCOMPARE(entry->text(), QStringLiteral("123"));
}

void TestMainFrm::contextMenuFromControlsWithoutOneAndTheBackground()
{
    VirtualWindowServices services;
    MainFrm_Big window(services);
    QList<QPoint> menus;
    MainWindowParts parts;
    parts.contextMenu = [&menus](QPoint at) { menus << at; };
    window.setParts(parts);
    auto *control = new QWidget(&window); // a control with no menu of its own
    control->setGeometry(100, 100, 40, 80);
    window.show();

    QContextMenuEvent onControl(QContextMenuEvent::Mouse, QPoint(5, 6), QPoint(405, 506));
    QApplication::sendEvent(control, &onControl);
    QCOMPARE(menus, QList<QPoint>{QPoint(405, 506)});

    // The right button's press on the background starts a drag; the menu ends it, or the
    // window would follow the pointer once the menu closes.
    QTest::mousePress(&window, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(window.isDragging());
    QContextMenuEvent onBackground(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(305, 305));
    QApplication::sendEvent(&window, &onBackground);
    QCOMPARE(menus.size(), 2);
    QVERIFY(!window.isDragging());

    // While a transfer holds the window disabled, the keys open no menu.
    window.setEnabled(false);
    QTest::keyClick(&window, Qt::Key_Menu);
    QTest::keyClick(&window, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(menus.size(), 2);
    window.setEnabled(true);
    QTest::keyClick(&window, Qt::Key_Menu);
    QCOMPARE(menus.size(), 3);
}

QTEST_MAIN(TestMainFrm)
#include "tst_mainfrm.moc"
