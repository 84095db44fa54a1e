// The VOL(SET) column through its real entries and spin bars: the commit rules, the keys the
// entries take, the start-mode texts, and what Reset leaves in every group.
#include "C_ScrollBar.h"
#include "C_Option.h"
#include "MainPages.h"
#include "PagesWindow.h"
#include "VirtualWindowServices.h"
#include "VolSetPanel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

using namespace tonvara;

namespace {

struct Window : PagesWindow
{
    Window()
    {
        load();
        host.show();
    }
    VolSetPanel &vol() { return pages.volSet(); }
    void type(int index, const QString &text)
    {
        VolEntry *entry = vol().entry(index);
        entry->setFocus();
        entry->selectAll();
        QTest::keyClicks(entry, text);
    }
    void enter(int index) { QTest::keyClick(vol().entry(index), Qt::Key_Return); }
};

} // namespace

class TestVolSet : public QObject
{
    Q_OBJECT
private slots:
    void factoryValuesAfterLoad();
    void commitRules_data();
    void commitRules();
    void spinLoweringTheMaximumLeavesTheStartLevel();
    void entriesTakeDigitsOnly();
    void entriesTakeDigitsOnlyByAnyRoute_data();
    void entriesTakeDigitsOnlyByAnyRoute();
    void uncommittedEditIsRedAndChangesNothing();
    void startModeTexts_data();
    void startModeTexts();
    void resetRestoresEveryGroupWhateverItsMaximum();
};

void TestVolSet::factoryValuesAfterLoad()
{
    Window w;
    const int mins[3] = {20, 30, 36};
    const char *modes[3] = {"MUS1", "MIC1", "KTV1"};
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(w.vol().entry(3 * k)->text(), QString::number(mins[k]));
        QCOMPARE(w.vol().entry(3 * k + 1)->text(), QStringLiteral("80"));
        QCOMPARE(w.vol().entry(3 * k + 2)->text(), QString::fromLatin1(modes[k]));
        QCOMPARE(w.vol().startLevel(k), mins[k]);
        const VolSet &v = w.store.volSet[static_cast<std::size_t>(k)];
        QCOMPARE(int(v.minLevel), mins[k]);
        QCOMPARE(int(v.maxLevel), 80);
        QCOMPARE(int(v.startMode), 0);
        QCOMPARE(int(v.startLevel), mins[k]);
    }
}

void TestVolSet::commitRules_data()
{
    QTest::addColumn<int>("minBefore");
    QTest::addColumn<int>("maxBefore");
    QTest::addColumn<int>("startBefore");
    QTest::addColumn<int>("index"); // 0 minimum entry, 1 maximum entry (group 0)
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("minAfter");
    QTest::addColumn<int>("maxAfter");
    QTest::addColumn<int>("startAfter");
    QTest::newRow("minimum 9 under maximum 10 stays") << 0 << 10 << 5 << 0 << "9" << 9 << 10 << 5;
    QTest::newRow("minimum above maximum becomes the maximum")
        << 0 << 40 << 5 << 0 << "55" << 40 << 40 << 5;
    QTest::newRow("maximum below minimum becomes the minimum")
        << 60 << 80 << 70 << 1 << "50" << 60 << 60 << 60;
    QTest::newRow("maximum below the start level takes it down")
        << 20 << 80 << 40 << 1 << "30" << 20 << 30 << 30;
    QTest::newRow("maximum 99 is limited to 80") << 20 << 50 << 40 << 1 << "99" << 20 << 80 << 40;
}

void TestVolSet::commitRules()
{
    QFETCH(int, minBefore);
    QFETCH(int, maxBefore);
    QFETCH(int, startBefore);
    QFETCH(int, index);
    QFETCH(QString, typed);
    QFETCH(int, minAfter);
    QFETCH(int, maxAfter);
    QFETCH(int, startAfter);

    Window w;
    w.vol().applyGroup(0, minBefore, maxBefore, 0);
    w.vol().setStartLevel(0, startBefore);
    w.type(index, typed);
    w.enter(index);
    QCOMPARE(w.vol().spin(0)->value(), minAfter);
    QCOMPARE(w.vol().spin(1)->value(), maxAfter);
    QCOMPARE(w.vol().entry(0)->text(), QString::number(minAfter));
    QCOMPARE(w.vol().entry(1)->text(), QString::number(maxAfter));
    QCOMPARE(w.vol().startLevel(0), startAfter);
    QCOMPARE(int(w.store.volSet[0].minLevel), minAfter);
    QCOMPARE(int(w.store.volSet[0].maxLevel), maxAfter);
    QCOMPARE(int(w.store.volSet[0].startLevel), startAfter);
}

void TestVolSet::spinLoweringTheMaximumLeavesTheStartLevel()
{
    Window w;
    w.vol().applyGroup(0, 20, 80, 0);
    w.vol().setStartLevel(0, 40);
    w.vol().spin(1)->setValue(30); // as the spin bar's arrows do
    QCOMPARE(w.vol().entry(1)->text(), QStringLiteral("30"));
    QCOMPARE(w.vol().startLevel(0), 40);
    QCOMPARE(int(w.store.volSet[0].maxLevel), 30);
}

void TestVolSet::entriesTakeDigitsOnly()
{
    Window w;
    VolEntry *entry = w.vol().entry(4); // MIC maximum, "80"
    entry->setFocus();
    entry->end(false);
    QTest::keyClick(entry, Qt::Key_Backspace);
    QTest::keyClicks(entry, "a-.");
    QCOMPARE(entry->text(), QStringLiteral("80"));
    entry->selectAll();
    QTest::keyClicks(entry, "7x5y1");
    QCOMPARE(entry->text(), QStringLiteral("75")); // at most two characters
    VolEntry *mode = w.vol().entry(5);
    mode->setFocus();
    QTest::keyClicks(mode, "3");
    QCOMPARE(mode->text(), QStringLiteral("MIC1"));
}

void TestVolSet::entriesTakeDigitsOnlyByAnyRoute_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("offered"); // the clipboard's or the dragged text
    QTest::newRow("Ctrl+V of 5a") << "paste" << "5a";
    QTest::newRow("Ctrl+V of -3") << "paste" << "-3";
    QTest::newRow("drop of a") << "drop" << "a";
    QTest::newRow("Ctrl+V of 5a, Ctrl+X, Ctrl+Z") << "cut and undo" << "5a";
}

void TestVolSet::entriesTakeDigitsOnlyByAnyRoute()
{
    QFETCH(QString, route);
    QFETCH(QString, offered);
    Window w;
    w.vol().applyGroup(0, 5, 80, 0);
    VolEntry *entry = w.vol().entry(0); // MUSIC minimum, "5": room for one more character
    entry->setFocus();
    entry->selectAll();
    // Control keys as the window system delivers them: the letter's control character.
    const auto control = [entry](Qt::Key key, char letter) {
        const QString text(QChar(letter - 'A' + 1));
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier, text);
        QCoreApplication::sendEvent(entry, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier, text);
        QCoreApplication::sendEvent(entry, &release);
    };
    if (route == QLatin1String("drop")) {
        entry->deselect();
        QMimeData data;
        data.setText(offered);
        const QPoint at(entry->width() - 2, entry->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(entry, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(entry, &move);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(entry, &drop);
    } else {
        QGuiApplication::clipboard()->setText(offered);
        control(Qt::Key_V, 'V');
        if (route == QLatin1String("cut and undo")) {
            entry->selectAll();
            control(Qt::Key_X, 'X');
            control(Qt::Key_Z, 'Z');
        }
    }
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]{0,2}$")).match(entry->text()).hasMatch(),
             qPrintable(entry->text()));
    // What was refused leaves the entry as it was: the minimum commits as 5.
    w.enter(0);
    QCOMPARE(entry->text(), QStringLiteral("5"));
    QCOMPARE(int(w.store.volSet[0].minLevel), 5);
}

void TestVolSet::uncommittedEditIsRedAndChangesNothing()
{
    Window w;
    w.type(0, "5");
    QVERIFY(w.vol().entry(0)->styleSheet().contains(QStringLiteral("#ff0000")));
    QCOMPARE(int(w.store.volSet[0].minLevel), 20);
    QCOMPARE(w.vol().spin(0)->value(), 20);
    w.enter(0);
    QVERIFY(w.vol().entry(0)->styleSheet().contains(QStringLiteral("#000000")));
    QCOMPARE(int(w.store.volSet[0].minLevel), 5);
}

void TestVolSet::startModeTexts_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::newRow("MUS6") << 0 << 5 << "MUS6";
    QTest::newRow("MIC2") << 1 << 1 << "MIC2";
    QTest::newRow("KTV4") << 2 << 3 << "KTV4";
    QTest::newRow("EFF1 after KTV4") << 2 << 4 << "EFF1";
    QTest::newRow("EFF4") << 2 << 7 << "EFF4";
}

void TestVolSet::startModeTexts()
{
    QFETCH(int, group);
    QFETCH(int, mode);
    QFETCH(QString, text);
    Window w;
    QScrollBar *spin = w.vol().spin(3 * group + 2);
    // Down-arrow steps as the user clicks them.
    for (int i = 0; i < mode; ++i)
        spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(w.vol().entry(3 * group + 2)->text(), text);
    QCOMPARE(int(w.store.volSet[static_cast<std::size_t>(group)].startMode), mode);
}

void TestVolSet::resetRestoresEveryGroupWhateverItsMaximum()
{
    Window w;
    for (int k = 0; k < 3; ++k) {
        w.vol().applyGroup(k, 5, 10, 3);
        w.vol().setStartLevel(k, 7);
    }
    w.pages.switchButton(2)->setFocus();
    QTest::mouseClick(w.pages.switchButton(2), Qt::LeftButton);
    QCOMPARE(w.services.messageTexts(), QStringList{"All settings have been reset. "});
    const int mins[3] = {20, 30, 36};
    for (int k = 0; k < 3; ++k) {
        const VolSet &v = w.store.volSet[static_cast<std::size_t>(k)];
        QCOMPARE(int(v.minLevel), mins[k]);
        QCOMPARE(int(v.maxLevel), 80);
        QCOMPARE(int(v.startMode), 0);
        QCOMPARE(int(v.startLevel), mins[k]);
        QCOMPARE(w.vol().startLevel(k), mins[k]);
    }
}

QTEST_MAIN(TestVolSet)
#include "tst_volset.moc"
