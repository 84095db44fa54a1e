// The main window as assistive tools and keyboard users meet it: the accessible tree of its
// controls (roles, names, values, states), values and actions taken through the accessible
// interfaces acting as a user's change does (frames on the line), the Tab order, and the
// keyboard alone operating a slider, a list and the keys and toggles, all on virtual time.
#include "C_ComboBox.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ScrollBar.h"
#include "LinkedPages.h"
#include "SettingsCatalog.h"
#include "VolSetPanel.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

using namespace tonvara;

namespace {

using Frames = std::vector<Bytes>;

QAccessibleInterface *accessibleOf(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

// Pages connected to the simulated target in an active window, so that keys reach the focus.
struct KeyboardRig : LinkedPages
{
    KeyboardRig()
    {
        host.activateWindow();
        QApplication::processEvents();
    }
    QWidget *named(const QString &objectName) const
    {
        return host.findChild<QWidget *>(objectName);
    }
    // A key as the user types it, to an open pop-up or else to whatever holds the focus, as
    // the window system routes it; then the target's answer.
    void type(int key)
    {
        QWidget *to = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                        : QApplication::focusWidget();
        QVERIFY(to != nullptr);
        QTest::keyClick(to, Qt::Key(key));
        services.advance(Millis(100));
    }
    QString focusName() const
    {
        QWidget *focus = QApplication::focusWidget();
        return focus ? accessibleOf(focus)->text(QAccessible::Name) : QStringLiteral("(none)");
    }
};

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
  private slots:
    void controlsInTheTree_data();
    void controlsInTheTree();
    void noControlIsAnAnonymousFiller();
    void listItemsAndPickByAction();
    void valueSetThroughTheInterfaceIsAUserChange_data();
    void valueSetThroughTheInterfaceIsAUserChange();
    void valueInterfaceWhileDisabledSendsNothing();
    void actionsDoWhatAClickDoes_data();
    void actionsDoWhatAClickDoes();
    void tabWalksTheWindowInReadingOrder();
    void keyboardOnlySlider();
    void keyboardOnlyList();
    void keysPressFocusedControls_data();
    void keysPressFocusedControls();
    void clicksLeaveTheFocusWhereItWas();
};

void TestAccessibility::controlsInTheTree_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("invisible");
    const int slider = QAccessible::Slider;
    const int push = QAccessible::PushButton;
    const int radio = QAccessible::RadioButton;
    QTest::newRow("MUSIC MODE list") << "C_ComboBox1" << int(QAccessible::ComboBox) << "MUSIC MODE"
                                     << "MUSIC1" << false << false << false;
    QTest::newRow("EFF MODE list") << "C_ComboBox3" << int(QAccessible::ComboBox) << "EFF MODE"
                                   << "KTV1" << false << false << false;
    QTest::newRow("MUSIC 57Hz in dB") << "C_ScrollBar7_0" << slider << "57Hz"
                                      << "0dB" << false << false << false;
    QTest::newRow("MIC 57Hz in dB") << "C_ScrollBar1_0" << slider << "57Hz"
                                    << "-3dB" << false << false << false;
    QTest::newRow("Out Limit in volts") << "C_ScrollBar7_7" << slider << "Out Limit"
                                        << "0.775V" << false << false << false;
    QTest::newRow("KTV Echo-A Dly in ms") << "C_ScrollBar3_1" << slider << "Echo-A Dly"
                                          << "184ms" << false << false << false;
    QTest::newRow("output view slider hidden, named as its strip shows")
        << "C_ScrollBar7_8" << slider << "C Music Vol"
        << "80" << false << false << true;
    QTest::newRow("EFF REV 2 Time named as shown, not by its stored title")
        << "C_ScrollBar2_5" << slider << "REV 2 Time"
        << "3.0s" << false << false << true;
    QTest::newRow("MUSIC VOL(SET) start level")
        << "C_ScrollBar4_0" << slider << "MUSIC VOL(SET) Start"
        << "20" << false << false << false;
    QTest::newRow("MIC VOL(SET) Max entry")
        << "Text1_4" << int(QAccessible::EditableText) << "MIC VOL(SET) Max"
        << "80" << false << false << false;
    QTest::newRow("EFF VOL(SET) Mode spin bar")
        << "VScroll1_8" << int(QAccessible::ScrollBar) << "EFF VOL(SET) Mode"
        << "0" << false << false << false;
    QTest::newRow("Balanced selected") << "C_Option1_0" << radio << "Balanced"
                                       << "" << true << true << false;
    QTest::newRow("Aid not selected") << "C_Option1_1" << radio << "Aid"
                                      << "" << true << false << false;
    QTest::newRow("KEY natural lit") << "C_OptionEx1_5" << push << QString::fromUtf8("KEY \u266e")
                                     << "" << false << true << false;
    QTest::newRow("KEY #1 dark") << "C_OptionEx1_6" << push << "KEY #1"
                                 << "" << false << false << false;
    QTest::newRow("INPUT BGM selected") << "C_OptionEx2_1" << radio << "INPUT BGM"
                                        << "" << true << true << false;
    QTest::newRow("INPUT AUX not selected") << "C_OptionEx2_2" << radio << "INPUT AUX"
                                            << "" << true << false << false;
    QTest::newRow("EXCITER off") << "C_FlagBar1" << int(QAccessible::CheckBox) << "EXCITER"
                                 << "" << true << false << false;
    QTest::newRow("SUB Invert hidden in the EQ view")
        << "C_FlagBar3" << int(QAccessible::CheckBox) << "SUB Invert"
        << "" << true << false << true;
    // EFF In C shows its on face at its factory value 0, and is checked as the face shows.
    QTest::newRow("EFF In C at 0: on face, checked, hidden in the EQ view")
        << "C_FlagBar2" << int(QAccessible::CheckBox) << "EFF In C"
        << "" << true << true << true;
    // Switches, not push buttons: the AT-SPI bridge of Qt 6.4 has no toggle-button role.
    QTest::newRow("Mute a check box, off")
        << "C_OptionEx3_0" << int(QAccessible::CheckBox) << "Mute"
        << "" << true << false << false;
    QTest::newRow("Lock a check box, off")
        << "C_OptionEx3_1" << int(QAccessible::CheckBox) << "Lock"
        << "" << true << false << false;
    QTest::newRow("Reset a push button") << "C_OptionEx3_2" << push << "Reset"
                                         << "" << false << false << false;
    QTest::newRow("Read") << "C_Button1_0" << push << "Read"
                          << "" << false << false << false;
    QTest::newRow("Save") << "C_Button1_3" << push << "Save"
                          << "" << false << false << false;
    QTest::newRow("progress bar") << "C_ProgressBar1" << int(QAccessible::ProgressBar) << "Progress"
                                  << "0%" << false << false << false;
}

void TestAccessibility::controlsInTheTree()
{
    QFETCH(QString, object);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, checkable);
    QFETCH(bool, checked);
    QFETCH(bool, invisible);
    PagesWindow window;
    window.load();
    window.host.show();
    auto *widget = window.host.findChild<QWidget *>(object);
    QVERIFY(widget != nullptr);
    QAccessibleInterface *iface = accessibleOf(widget);
    QVERIFY(iface && iface->isValid());
    QCOMPARE(int(iface->role()), role);
    QCOMPARE(iface->text(QAccessible::Name), name);
    if (!value.isEmpty() || role == int(QAccessible::PushButton))
        QCOMPARE(iface->text(QAccessible::Value), value);
    const QAccessible::State state = iface->state();
    QCOMPARE(bool(state.checkable), checkable);
    QCOMPARE(bool(state.checked), checked);
    QCOMPARE(bool(state.invisible), invisible);
    QCOMPARE(bool(state.disabled), false);
    if (role == int(QAccessible::Slider)) {
        auto *slider = static_cast<C_ScrollBar *>(widget);
        QAccessibleValueInterface *v = iface->valueInterface();
        QVERIFY(v != nullptr);
        QCOMPARE(v->currentValue().toInt(), slider->value());
        QCOMPARE(v->minimumValue().toInt(), 0);
        QCOMPARE(v->maximumValue().toInt(), slider->maxValue());
        QCOMPARE(v->minimumStepSize().toInt(), 1);
        QVERIFY(bool(state.focusable));
        // The bridge passes values on as numbers: the read-out reaches a reader as description.
        QCOMPARE(iface->text(QAccessible::Description), value);
    }
    // The interface reaches the control from the window down, as a tool walks the tree.
    QAccessibleInterface *up = iface;
    while (up && up->object() != &window.host)
        up = up->parent();
    QVERIFY(up != nullptr);
}

void TestAccessibility::noControlIsAnAnonymousFiller()
{
    PagesWindow window;
    window.load();
    window.host.show();
    // Walk the tree from the window; every self-drawn control must be met with a role of its
    // own and a name.
    QSet<QObject *> met;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *iface) {
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface *child = iface->child(i);
            QVERIFY(child != nullptr);
            if (QObject *object = child->object()) {
                met.insert(object);
                if (QByteArray(object->metaObject()->className()).startsWith("tonvara::C_")) {
                    QVERIFY2(child->role() != QAccessible::Client,
                             qPrintable(object->objectName()));
                    QVERIFY2(!child->text(QAccessible::Name).isEmpty(),
                             qPrintable(object->objectName()));
                }
            }
            walk(child);
        }
    };
    walk(accessibleOf(&window.host));
    int controls = 0;
    for (QWidget *w : window.host.findChildren<QWidget *>()) {
        if (QByteArray(w->metaObject()->className()).startsWith("tonvara::C_")) {
            ++controls;
            QVERIFY2(met.contains(w), qPrintable(w->objectName()));
        }
    }
    // 46 sliders, 3 lists, 2 options, 17 keys, 3 toggles, 4 buttons, the progress bar.
    QCOMPARE(controls, 76);
}

void TestAccessibility::listItemsAndPickByAction()
{
    LinkedPages rig;
    C_ComboBox *combo = rig.pages.modeList(3);
    QAccessibleInterface *iface = accessibleOf(combo);
    QCOMPARE(iface->childCount(), 1);
    QAccessibleInterface *list = iface->child(0);
    QVERIFY(list != nullptr);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->parent(), iface);
    QStringList items;
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface *item = list->child(i);
        QCOMPARE(item->role(), QAccessible::ListItem);
        QCOMPARE(list->indexOfChild(item), i);
        QCOMPARE(item->parent(), list);
        QCOMPARE(bool(item->state().selected), i == 0);
        items << item->text(QAccessible::Name);
    }
    QCOMPARE(items, QStringList({"KTV1", "KTV2", "EFF1", "EFF2"}));
    QVERIFY(iface->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::showMenuAction()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    QVERIFY(combo->isOpen());
    QVERIFY(bool(iface->state().expanded));
    QVERIFY(bool(list->child(0)->state().focused));

    // Picking EFF2 by its action is a pick: the mode, the view and its ten frames.
    const auto from = rig.mark();
    list->child(3)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    rig.services.advance(Millis(500));
    QVERIFY(!combo->isOpen());
    QCOMPARE(int(rig.store.effMode), 21);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("EFF2"));
    QVERIFY(bool(list->child(3)->state().selected));
    QVERIFY(rig.pages.effSlider(0)->isVisible());
    const auto frames = rig.framesSince(from);
    QCOMPARE(frames.size(), std::size_t(10));
    for (const Bytes &f : frames)
        QCOMPARE(f[3], std::uint8_t(21));
}

void TestAccessibility::valueSetThroughTheInterfaceIsAUserChange_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<double>("set");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("readout");
    QTest::addColumn<Bytes>("frame");
    QTest::newRow("MUSIC1 57Hz to +3dB")
        << "C_ScrollBar7_0" << 13.0 << 13 << "+3dB" << frame(0x02, 0, 0, 0, 13);
    QTest::newRow("KTV1 Echo-B Dly to 381ms")
        << "C_ScrollBar3_7" << 127.0 << 127 << "381ms" << frame(0x02, 2, 0, 81, 127);
    QTest::newRow("MIC H_Curve above its range is limited")
        << "C_ScrollBar1_7" << 9.0 << 3 << "3dB" << frame(0x02, 1, 0, 8, 3);
    QTest::newRow("a fraction is rounded, halves to even")
        << "C_ScrollBar7_1" << 12.5 << 12 << "+2dB" << frame(0x02, 0, 0, 1, 12);
    QTest::newRow("EFF VOL(SET) start level is sent live")
        << "C_ScrollBar4_2" << 50.0 << 50 << "50" << frame(0x02, 6, 0, 2, 50);
}

void TestAccessibility::valueSetThroughTheInterfaceIsAUserChange()
{
    QFETCH(QString, object);
    QFETCH(double, set);
    QFETCH(int, value);
    QFETCH(QString, readout);
    QFETCH(Bytes, frame);
    LinkedPages rig;
    auto *slider = rig.host.findChild<C_ScrollBar *>(object);
    QVERIFY(slider != nullptr);
    // The target sees the frame while the slider is disabled, as after a drag step.
    bool disabledWhileSending = false;
    InMemoryLine::Device &target = rig.line->devices[kDevice];
    target.peer = [&, answer = target.peer](const std::uint8_t *data, std::size_t size) {
        disabledWhileSending = !slider->isEnabled();
        return answer(data, size);
    };
    const auto from = rig.mark();
    accessibleOf(slider)->valueInterface()->setCurrentValue(set);
    rig.services.advance(Millis(100));
    QCOMPARE(rig.framesSince(from), Frames{frame});
    QCOMPARE(slider->value(), value);
    QCOMPARE(accessibleOf(slider)->text(QAccessible::Value), readout);
    QVERIFY(disabledWhileSending);
    QVERIFY(slider->isEnabled());
    // The target acknowledged it and holds it.
    QCOMPARE(int(rig.target.setting(frame[2], frame[3], frame[4])), value);
}

void TestAccessibility::valueInterfaceWhileDisabledSendsNothing()
{
    LinkedPages rig;
    C_ScrollBar *slider = rig.pages.musicSlider(0);
    const auto from = rig.mark();
    rig.host.setEnabled(false); // as during a mode send or a bulk transfer
    accessibleOf(slider)->valueInterface()->setCurrentValue(15);
    rig.host.setEnabled(true);
    // The same value again changes nothing either.
    accessibleOf(slider)->valueInterface()->setCurrentValue(slider->value());
    rig.services.advance(Millis(100));
    QVERIFY(rig.framesSince(from).empty());
    QCOMPARE(slider->value(), 10);
}

void TestAccessibility::actionsDoWhatAClickDoes_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("action");
    QTest::addColumn<Frames>("frames");
    QTest::newRow("EXCITER toggled on")
        << "C_FlagBar1" << QAccessibleActionInterface::toggleAction()
        << Frames{frame(0x02, 10, 0, 0, 1)};
    QTest::newRow("Mute pressed on") << "C_OptionEx3_0" << QAccessibleActionInterface::pressAction()
                                     << Frames{frame(0x02, 7, 0, 0, 1)};
    QTest::newRow("Mute toggled on")
        << "C_OptionEx3_0" << QAccessibleActionInterface::toggleAction()
        << Frames{frame(0x02, 7, 0, 0, 1)};
    QTest::newRow("INPUT AUTO pressed")
        << "C_OptionEx2_0" << QAccessibleActionInterface::pressAction()
        << Frames{frame(0x02, 12, 0, 0, 0)};
    QTest::newRow("KEY #3 pressed") << "C_OptionEx1_8" << QAccessibleActionInterface::pressAction()
                                    << Frames{frame(0x02, 11, 0, 0, 8)};
    QTest::newRow("slider increased")
        << "C_ScrollBar7_3" << QAccessibleActionInterface::increaseAction()
        << Frames{frame(0x02, 0, 0, 3, 11)};
    QTest::newRow("Lock pressed: stored, nothing sent")
        << "C_OptionEx3_1" << QAccessibleActionInterface::pressAction() << Frames{};
    QTest::newRow("Aid pressed: the output view, nothing sent")
        << "C_Option1_1" << QAccessibleActionInterface::pressAction() << Frames{};
}

void TestAccessibility::actionsDoWhatAClickDoes()
{
    QFETCH(QString, object);
    QFETCH(QString, action);
    QFETCH(Frames, frames);
    LinkedPages rig;
    auto *widget = rig.host.findChild<QWidget *>(object);
    QVERIFY(widget != nullptr);
    QAccessibleInterface *iface = accessibleOf(widget);
    QVERIFY(iface->actionInterface()->actionNames().contains(action));
    const bool wasChecked = iface->state().checked;
    const auto from = rig.mark();
    iface->actionInterface()->doAction(action);
    rig.services.advance(Millis(100));
    QCOMPARE(rig.framesSince(from), frames);
    if (iface->state().checkable && object != QLatin1String("C_Option1_1"))
        QVERIFY(bool(iface->state().checked) != wasChecked);
    if (object == QLatin1String("C_Option1_1"))
        QVERIFY(rig.pages.musicSlider(8)->isVisible());
    QVERIFY(rig.host.isEnabled());
}

void TestAccessibility::tabWalksTheWindowInReadingOrder()
{
    KeyboardRig rig;
    QStringList expected;
    const auto volSet = [&](const QString &group) {
        expected << group + " VOL(SET) Start";
        for (const char *row : {"Min", "Max", "Mode"})
            expected << group + " VOL(SET) " + row << group + " VOL(SET) " + row;
    };
    // Sliders by the titles their strips show: the EQ view of MUSIC, all of MIC, the KTV view.
    const auto sliders = [&](TableId table, int count) {
        for (int slot = 0; slot < count; ++slot)
            expected << QString::fromUtf8(slotSpec(table, slot).title);
    };
    expected << "MUSIC MODE"
             << "Balanced"
             << "Aid";
    sliders(TableId::Music, 8);
    volSet("MUSIC");
    expected << "MIC MODE";
    sliders(TableId::Mic, 9);
    volSet("MIC");
    expected << "EFF MODE";
    sliders(TableId::Ktv, 8);
    volSet("EFF");
    for (int k = 0; k < 11; ++k)
        expected << QStringLiteral("KEY ") + C_OptionEx::legend(k);
    expected << "INPUT AUTO"
             << "INPUT BGM"
             << "INPUT AUX"
             << "EXCITER"
             << "Mute"
             << "Lock"
             << "Reset"
             << "Read"
             << "Import"
             << "Upload"
             << "Save"
             << "MUSIC MODE";

    // The window opens with the focus on the first MUSIC MODE slider, as it always did.
    QCOMPARE(QApplication::focusWidget(), rig.pages.musicSlider(0));
    rig.pages.modeList(1)->setFocus(Qt::TabFocusReason);
    QStringList visited{rig.focusName()};
    for (int i = 1; i < expected.size(); ++i) {
        rig.type(Qt::Key_Tab);
        visited << rig.focusName();
    }
    QCOMPARE(visited, expected);
    rig.type(Qt::Key_Backtab);
    QCOMPARE(rig.focusName(), QStringLiteral("Save"));

    // The output view: the two toggles come before its sliders.
    rig.pages.viewOption(1)->click();
    rig.pages.viewOption(1)->setFocus(Qt::TabFocusReason);
    QStringList outputView;
    for (int i = 0; i < 4; ++i) {
        rig.type(Qt::Key_Tab);
        outputView << rig.focusName();
    }
    QCOMPARE(outputView, QStringList({"EFF In C", "SUB Invert", "C Music Vol", "C Mic Vol"}));
}

void TestAccessibility::keyboardOnlySlider()
{
    KeyboardRig rig;
    const QPoint pointer(700, 20);
    rig.services.cursor = pointer;
    // From the MUSIC MODE list: Balanced, Aid, then the 57Hz slider (factory 0dB, 10).
    rig.pages.modeList(1)->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 3; ++i)
        rig.type(Qt::Key_Tab);
    C_ScrollBar *slider = rig.pages.musicSlider(0);
    QVERIFY(slider->hasFocus());
    QVERIFY(!slider->isIn());
    struct Step
    {
        Qt::Key key;
        int value;
    };
    const Step steps[] = {{Qt::Key_Up, 11},      {Qt::Key_PageUp, 13}, {Qt::Key_End, 20},
                          {Qt::Key_Up, 20},      {Qt::Key_Home, 0},    {Qt::Key_Down, 0},
                          {Qt::Key_PageDown, 0}, {Qt::Key_PageUp, 2}};
    Frames expected;
    const auto from = rig.mark();
    for (const Step &step : steps) {
        const int before = slider->value();
        rig.type(step.key);
        QCOMPARE(slider->value(), step.value);
        if (step.value != before)
            expected.push_back(frame(0x02, 0, 0, 0, step.value));
        QVERIFY(slider->hasFocus()); // back after the send that disabled it
    }
    QCOMPARE(rig.framesSince(from), expected);
    QCOMPARE(int(rig.store.cellAt(TableId::Music, 0, 0).value), 2);
    QCOMPARE(slider->valueTip(), QStringLiteral("-8dB"));
    QCOMPARE(rig.services.cursor, pointer); // the pointer was not moved onto the knob
}

void TestAccessibility::keyboardOnlyList()
{
    KeyboardRig rig;
    C_ComboBox *combo = rig.pages.modeList(3);
    combo->setFocus(Qt::TabFocusReason);
    auto from = rig.mark();
    // Opened and closed again with Escape: nothing picked, nothing sent.
    rig.type(Qt::Key_Space);
    QVERIFY(combo->isOpen());
    rig.type(Qt::Key_Down);
    rig.type(Qt::Key_Escape);
    QVERIFY(!combo->isOpen());
    QCOMPARE(combo->caption(), QStringLiteral("KTV1"));
    QVERIFY(rig.framesSince(from).empty());

    combo->setTopIndex(0);
    combo->setFocus(Qt::TabFocusReason);
    from = rig.mark();
    rig.type(Qt::Key_Return);
    QVERIFY(combo->isOpen());
    for (int i = 0; i < 4; ++i) // the last press stays on the last item
        rig.type(Qt::Key_Down);
    rig.type(Qt::Key_Up);
    rig.type(Qt::Key_Return); // EFF1
    rig.services.advance(Millis(500));
    QVERIFY(!combo->isOpen());
    QCOMPARE(combo->caption(), QStringLiteral("EFF1"));
    QCOMPARE(int(rig.store.effMode), 20);
    const auto frames = rig.framesSince(from);
    QCOMPARE(frames.size(), std::size_t(10));
    QCOMPARE(frames.front(), frame(0x02, 2, 20, 82, rig.store.cellAt(TableId::Eff, 0, 0).value));
    QVERIFY(combo->hasFocus()); // the window was disabled for the send; the focus came back
    QVERIFY(rig.host.isEnabled());
}

void TestAccessibility::keysPressFocusedControls_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("key");
    QTest::addColumn<Frames>("frames");
    QTest::newRow("EXCITER on with Space")
        << "C_FlagBar1" << int(Qt::Key_Space) << Frames{frame(0x02, 10, 0, 0, 1)};
    QTest::newRow("Mute on with Enter")
        << "C_OptionEx3_0" << int(Qt::Key_Return) << Frames{frame(0x02, 7, 0, 0, 1)};
    QTest::newRow("INPUT AUX with Space")
        << "C_OptionEx2_2" << int(Qt::Key_Space) << Frames{frame(0x02, 12, 0, 0, 2)};
    QTest::newRow("KEY #2 with Space")
        << "C_OptionEx1_7" << int(Qt::Key_Space) << Frames{frame(0x02, 11, 0, 0, 7)};
    QTest::newRow("another key is no press") << "C_FlagBar1" << int(Qt::Key_A) << Frames{};
}

void TestAccessibility::keysPressFocusedControls()
{
    QFETCH(QString, object);
    QFETCH(int, key);
    QFETCH(Frames, frames);
    KeyboardRig rig;
    QWidget *widget = rig.named(object);
    QVERIFY(widget != nullptr);
    widget->setFocus(Qt::TabFocusReason);
    QVERIFY(widget->hasFocus());
    const auto from = rig.mark();
    rig.type(key);
    QCOMPARE(rig.framesSince(from), frames);
    QVERIFY(widget->hasFocus());
}

void TestAccessibility::clicksLeaveTheFocusWhereItWas()
{
    // Mouse use looks as before: a click on a key, option, toggle or button takes no focus.
    KeyboardRig rig;
    C_ScrollBar *slider = rig.pages.micSlider(0);
    slider->setFocus(Qt::MouseFocusReason);
    for (QWidget *w : std::initializer_list<QWidget *>{
             rig.pages.flagBar(1), rig.pages.inputButton(0), rig.pages.keyButton(3),
             rig.pages.viewOption(0), rig.pages.switchButton(1)}) {
        rig.click(w);
        QCOMPARE(QApplication::focusWidget(), slider);
    }
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
