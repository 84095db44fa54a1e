// The keyboard way through the controls that a click operates (toggle, option, key, button):
// reached by Tab but never focused by a click, a focus mark only while focused, Space or Enter
// clicking once, and the focus back after the host disabled the control for its send.
#include "C_Button.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "RenderHelpers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <functional>

using namespace tonvara;
using namespace tonvara::test;

namespace {

enum class Kind
{
    Toggle,
    Option,
    Key,
    Button
};

// A window with a neighbour that holds the focus first, and the control under test.
struct Host
{
    explicit Host(Kind kind)
    {
        window.resize(300, 100);
        neighbour.setParent(&window);
        neighbour.setFocusPolicy(Qt::StrongFocus);
        neighbour.setGeometry(200, 0, 50, 50);
        switch (kind) {
        case Kind::Toggle: {
            auto *toggle = new C_FlagBar(&window);
            QObject::connect(toggle, &C_FlagBar::Click, [this] { onClick(); });
            control = toggle;
            break;
        }
        case Kind::Option: {
            auto *option = new C_Option(&window);
            option->setCaption(QStringLiteral("Aid"));
            QObject::connect(option, &C_Option::Click, [this] { onClick(); });
            control = option;
            break;
        }
        case Kind::Key: {
            auto *key = new C_OptionEx(&window);
            key->setButtonIndex(14);
            QObject::connect(key, &C_OptionEx::Click, [this] { onClick(); });
            control = key;
            break;
        }
        case Kind::Button: {
            auto *button = new C_Button(&window);
            button->setCaption(QStringLiteral("Read"));
            QObject::connect(button, &C_Button::Click, [this] { onClick(); });
            control = button;
            break;
        }
        }
        control->move(10, 10);
        window.show();
        window.activateWindow();
        QCoreApplication::processEvents();
        neighbour.setFocus(Qt::OtherFocusReason);
    }
    // The host's handler disables the control, or the whole window, while it sends.
    void onClick()
    {
        ++clicks;
        QWidget *disabled = disableWindow ? &window : control;
        disabled->setEnabled(false);
        disabled->setEnabled(true);
    }
    void press(int key, bool autoRepeat = false)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    }

    QWidget window;
    QWidget neighbour;
    QWidget *control = nullptr;
    int clicks = 0;
    bool disableWindow = false;
};

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestKeyboard : public QObject
{
    Q_OBJECT
  private slots:
    void clickTakesNoFocus_data();
    void clickTakesNoFocus();
    void focusMarkOnlyWhileFocused_data() { kinds(); }
    void focusMarkOnlyWhileFocused();
    void spaceOrEnterClicksOnce_data();
    void spaceOrEnterClicksOnce();
    void focusComesBackAfterTheSend_data();
    void focusComesBackAfterTheSend();

  private:
    static void kinds()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("toggle") << Kind::Toggle;
        QTest::newRow("option") << Kind::Option;
        QTest::newRow("key") << Kind::Key;
        QTest::newRow("button") << Kind::Button;
    }
};

void TestKeyboard::clickTakesNoFocus_data()
{
    kinds();
}

void TestKeyboard::clickTakesNoFocus()
{
    QFETCH(Kind, kind);
    Host host(kind);
    QTest::mouseClick(host.control, Qt::LeftButton, {}, QPoint(30, 5));
    QCOMPARE(host.clicks, 1);
    QVERIFY(host.neighbour.hasFocus());
    // Tab does reach it.
    host.control->setFocus(Qt::TabFocusReason);
    QVERIFY(host.control->hasFocus());
    QCOMPARE(host.control->focusPolicy(), Qt::TabFocus);
}

void TestKeyboard::focusMarkOnlyWhileFocused()
{
    QFETCH(Kind, kind);
    Host host(kind);
    const QImage unfocused = renderWidget(*host.control);
    host.control->setFocus(Qt::TabFocusReason);
    const QImage focused = renderWidget(*host.control);
    // The mark runs along the edge (dotted); the inside of the face is untouched.
    const auto amberOnTopEdge = [](const QImage &image) {
        int count = 0;
        for (int x = 0; x < image.width(); ++x)
            count += pixel(image, x, 0) == QColor(255, 176, 0) ? 1 : 0;
        return count;
    };
    QCOMPARE(amberOnTopEdge(unfocused), 0);
    QVERIFY(amberOnTopEdge(focused) >= host.control->width() / 3);
    const QRect inside = host.control->rect().adjusted(1, 1, -1, -1);
    QCOMPARE(focused.copy(inside), unfocused.copy(inside));
}

void TestKeyboard::spaceOrEnterClicksOnce_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("autoRepeat");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("clicks");
    QTest::newRow("toggle, Space") << Kind::Toggle << int(Qt::Key_Space) << false << true << 1;
    QTest::newRow("option, Return") << Kind::Option << int(Qt::Key_Return) << false << true << 1;
    QTest::newRow("key, keypad Enter") << Kind::Key << int(Qt::Key_Enter) << false << true << 1;
    QTest::newRow("button, Space") << Kind::Button << int(Qt::Key_Space) << false << true << 1;
    QTest::newRow("a held Space repeats nothing")
        << Kind::Button << int(Qt::Key_Space) << true << true << 0;
    QTest::newRow("another key is no click") << Kind::Key << int(Qt::Key_M) << false << true << 0;
    QTest::newRow("disabled: no click")
        << Kind::Toggle << int(Qt::Key_Space) << false << false << 0;
}

void TestKeyboard::spaceOrEnterClicksOnce()
{
    QFETCH(Kind, kind);
    QFETCH(int, key);
    QFETCH(bool, autoRepeat);
    QFETCH(bool, enabled);
    QFETCH(int, clicks);
    Host host(kind);
    auto *toggle = qobject_cast<C_FlagBar *>(host.control);
    host.control->setFocus(Qt::TabFocusReason);
    host.control->setEnabled(enabled);
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(host.control, &event);
    QCOMPARE(host.clicks, clicks);
    if (toggle) // the toggle flips its face before it reports, as a press on the other half
        QCOMPARE(toggle->isOn(), clicks == 1);
}

void TestKeyboard::focusComesBackAfterTheSend_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("wholeWindow");
    QTest::newRow("toggle, the control disabled") << Kind::Toggle << false;
    QTest::newRow("key, the whole window disabled") << Kind::Key << true;
    QTest::newRow("button, the whole window disabled") << Kind::Button << true;
}

void TestKeyboard::focusComesBackAfterTheSend()
{
    QFETCH(Kind, kind);
    QFETCH(bool, wholeWindow);
    Host host(kind);
    host.disableWindow = wholeWindow;
    host.control->setFocus(Qt::TabFocusReason);
    host.press(Qt::Key_Space);
    host.press(Qt::Key_Space); // the second press reaches the same control
    QCOMPARE(host.clicks, 2);
    QVERIFY(host.control->hasFocus());
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
