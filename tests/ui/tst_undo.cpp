// Undo and redo through the setting editor, with the real window controls, the real link on an
// in-memory line and the simulated target, on virtual time: every kind of step, connected and
// not; what goes on the line; what the store and every control hold afterwards.
#include "FactoryValues.h"
#include "ParameterStore.h"
#include "SettingRef.h"

#include "C_Button.h"
#include "C_ComboBox.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ScrollBar.h"
#include "LinkedPages.h"
#include "MainPages.h"
#include "SettingEditor.h"
#include "TargetLink.h"
#include "VirtualWindowServices.h"
#include "VolSetPanel.h"
#include "WindowMenu.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <map>

using namespace tonvara;

namespace {

enum class Act
{
    Slider,
    Toggle,
    Mute,
    StartLevel,
    MaxCommit,
    SpinBar,
    ModeChoice,
    Import,
};

struct Rig : LinkedPages
{
    QTemporaryDir dir;
    SettingEditor &editor = pages.editor();

    explicit Rig(bool connect) : LinkedPages(connect)
    {
        pages.setCommandAction(2, [this] { pages.importProfile(); });
    }

    // A control that disagrees with the store, or an empty text.
    QString mismatch() const
    {
        QStringList wrong;
        for (TableId table : kAllTables) {
            const int row = store.currentRow(table);
            for (int slot = 0; row >= 0 && slot < shapeOf(table).slotCount; ++slot) {
                const int value = store.cellAt(table, row, slot).value;
                const int shown = pages.tableSlider(table, slot)
                                      ? pages.tableSlider(table, slot)->value()
                                      : (pages.flagBar(slot == 16 ? 2 : 3)->value() ? 1 : 0);
                if (shown != value)
                    wrong << QStringLiteral("table %1 slot %2: %3 shown, %4 stored")
                                 .arg(int(table))
                                 .arg(slot)
                                 .arg(shown)
                                 .arg(value);
            }
        }
        const int modes[3] = {store.musicMode, store.micMode, store.effMode};
        for (int list = 0; list < 3; ++list)
            if (pages.modeList(list + 1)->topIndex() != listItemOfMode(list, modes[list]))
                wrong << QStringLiteral("mode list %1").arg(list + 1);
        if (pages.effSlider(0)->isVisible() != (store.effMode >= 20))
            wrong << QStringLiteral("EFF view");
        if (pages.exciterOn() != store.exciter || pages.muteOn() != store.mute ||
            pages.lockOn() != store.lock || pages.selectedInput() != store.inputSelect)
            wrong << QStringLiteral("switches");
        for (int k = 0; k < kVolSetCount; ++k) {
            const VolSet &v = store.volSet[std::size_t(k)];
            if (pages.volSet().spinValue(3 * k) != v.minLevel ||
                pages.volSet().spinValue(3 * k + 1) != v.maxLevel ||
                pages.volSet().spinValue(3 * k + 2) != v.startMode ||
                pages.volSet().startLevel(k) != v.startLevel ||
                pages.volSet().entry(3 * k + 1)->text() != QString::number(v.maxLevel))
                wrong << QStringLiteral("VOL(SET) group %1").arg(k);
        }
        return wrong.join(QStringLiteral("; "));
    }

    std::vector<Bytes> rowFrames(TableId table, int row) const
    {
        std::vector<Bytes> frames;
        const int mode = ParameterStore::modeNumberOfRow(table, row);
        for (int slot = 0; slot < shapeOf(table).slotCount; ++slot) {
            const ParamCell &cell = store.cellAt(table, row, slot);
            frames.push_back(frame(0x02, shapeOf(table).group, mode, cell.address, cell.value));
        }
        return frames;
    }

    void import(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("p.Lumaroch"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        services.openDialogAnswers.push_back(path);
        click(pages.commandButton(2), QPoint(10, 10));
    }

    // A press on the knob, moves to each value, the release: one gesture.
    void drag(C_ScrollBar *slider, std::initializer_list<int> values)
    {
        QWindow *handle = host.windowHandle();
        const auto at = [&](int y) { return slider->mapTo(&host, QPoint(50, y)); };
        QTest::mouseMove(handle, at(slider->knobY()));
        QTest::mousePress(handle, Qt::LeftButton, {}, at(slider->knobY()));
        for (int value : values) {
            QTest::mouseMove(handle, at(slider->geometry().knobY(value)));
            services.advance(Millis(50));
        }
        QTest::mouseRelease(handle, Qt::LeftButton, {}, at(slider->knobY()));
        QTest::mouseMove(handle, QPoint(1, 1)); // off the slider
    }
};

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT
  private slots:
    void undoAndRedoEachKindOfStep_data();
    void undoAndRedoEachKindOfStep();
    void aDragIsOneStepAndEachArrowKeyOne();
    void aNewChangeClearsTheRedoSteps();
    void aDragBackWhereItBeganLeavesNoStep();
    void aReleaseDuringTheSendEndsTheDrag();
    void aProbeWaitingForIdentifyBlocksNothing();
    void muteAndLockStepsWaitForAConnection_data();
    void muteAndLockStepsWaitForAConnection();
    void aFailedSendDuringUndoKeepsTheHistoryConsistent();
    void undoingAStepOfAnotherModeChoosesThatModeFirst();
    void nothingHappensWhileTheWindowIsBusy();
    void aThousandStepsComeBackOnTheTarget();
    void takingOtherValuesIsOneStepThatSendsNothing();
    void theContextMenuNamesTheSteps();
    void theRightButtonIsLeftToControlsThatUseIt_data();
    void theRightButtonIsLeftToControlsThatUseIt();
};

void TestUndo::undoAndRedoEachKindOfStep_data()
{
    QTest::addColumn<int>("act");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("undoText");
    const struct
    {
        const char *name;
        Act act;
        const char *undoText;
    } cases[] = {
        {"slider MUSIC1 1KHz", Act::Slider, "Undo MUSIC1 1KHz"},
        {"toggle EFF In C", Act::Toggle, "Undo MUSIC1 EFF In C"},
        {"start level", Act::StartLevel, "Undo MIC VOL(SET) Start"},
        {"VOL(SET) max committed below the start level", Act::MaxCommit, "Undo EFF VOL(SET) Max"},
        {"VOL(SET) start mode spin bar", Act::SpinBar, "Undo EFF VOL(SET) Mode"},
        {"mode choice MIC3", Act::ModeChoice, "Undo MIC MODE"},
        {"Import", Act::Import, "Undo Import"},
    };
    for (bool connected : {true, false})
        for (const auto &c : cases)
            QTest::addRow("%s, %s", c.name, connected ? "connected" : "not connected")
                << int(c.act) << connected << QString::fromLatin1(c.undoText);
    // Mute is refused while not connected; its offline undo is in the failed-send test.
    QTest::addRow("Mute, connected") << int(Act::Mute) << true << QStringLiteral("Undo Mute");
}

void TestUndo::undoAndRedoEachKindOfStep()
{
    QFETCH(int, act);
    QFETCH(bool, connected);
    QFETCH(QString, undoText);
    Rig rig(connected);
    if (Act(act) == Act::MaxCommit)
        rig.pages.setStartLevel(2, 50); // above the maximum about to be committed
    const ParameterStore before = rig.store;

    switch (Act(act)) {
    case Act::Slider:
        rig.step(rig.pages.musicSlider(3), 1);
        break;
    case Act::Toggle:
        rig.click(rig.pages.viewOption(1)); // "Aid": the view is no step
        rig.click(rig.pages.flagBar(2), QPoint(5, 10));
        break;
    case Act::Mute:
        rig.click(rig.pages.switchButton(0));
        break;
    case Act::StartLevel:
        rig.step(rig.pages.volSet().startSlider(1), 1);
        break;
    case Act::MaxCommit: // the maximum 40 takes the start level 50 down with it
        rig.pages.volSet().entry(7)->setText(QStringLiteral("40"));
        QTest::keyClick(rig.pages.volSet().entry(7), Qt::Key_Return);
        QCOMPARE(rig.pages.volSet().startLevel(2), 40);
        break;
    case Act::SpinBar:
        rig.pages.volSet().spin(8)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Act::ModeChoice:
        rig.pick(rig.pages.modeList(2), 2);
        break;
    case Act::Import:
        rig.import("[Main]\r\nType=ORB-350TZ\r\nMusic0.3=17\r\nINPUTSELECT=2\r\nVOL1.1=40\r\n");
        break;
    }
    const ParameterStore after = rig.store;
    QVERIFY(!sameSettings(before, after));
    QCOMPARE(rig.editor.history().undoCount(), std::size_t(1));
    QCOMPARE(rig.editor.undoText(), undoText);
    QCOMPARE(rig.editor.redoText(), QStringLiteral("Redo"));

    // Live settings send what a user change of their control sends; the rest nothing.
    std::vector<Bytes> undoFrames, redoFrames;
    if (connected) {
        switch (Act(act)) {
        case Act::Slider:
            undoFrames = {frame(0x02, 0, 0, 3, 10)};
            redoFrames = {frame(0x02, 0, 0, 3, 11)};
            break;
        case Act::Toggle:
            undoFrames = {frame(0x02, 0, 0, 0x15, 0)};
            redoFrames = {frame(0x02, 0, 0, 0x15, 1)};
            break;
        case Act::Mute:
            undoFrames = {frame(0x02, 7, 0, 0, 0)};
            redoFrames = {frame(0x02, 7, 0, 0, 1)};
            break;
        case Act::StartLevel:
            undoFrames = {frame(0x02, 6, 0, 1, 30)};
            redoFrames = {frame(0x02, 6, 0, 1, 31)};
            break;
        case Act::ModeChoice:
            undoFrames = rig.rowFrames(TableId::Mic, 0);
            redoFrames = rig.rowFrames(TableId::Mic, 2);
            break;
        default:
            break;
        }
    }

    rig.services.pauses.clear();
    auto from = rig.mark();
    QVERIFY(rig.editor.undo());
    rig.services.advance(Millis(100));
    QVERIFY(sameSettings(rig.store, before));
    QCOMPARE(rig.mismatch(), QString());
    QCOMPARE(rig.framesSince(from), undoFrames);
    QVERIFY(rig.host.isEnabled());
    QCOMPARE(rig.editor.undoText(), QStringLiteral("Undo"));
    QCOMPARE(rig.editor.redoText(), QString(undoText).replace(0, 4, QStringLiteral("Redo")));
    // Switching mute off waits 1.5 s before the answer, as the button does.
    QCOMPARE(rig.services.pauses,
             Act(act) == Act::Mute ? QList<Millis>{Millis(1500)} : QList<Millis>{});

    from = rig.mark();
    QVERIFY(rig.editor.redo());
    rig.services.advance(Millis(100));
    QVERIFY(sameSettings(rig.store, after));
    QCOMPARE(rig.mismatch(), QString());
    QCOMPARE(rig.framesSince(from), redoFrames);
    QCOMPARE(rig.editor.undoText(), undoText);
    QVERIFY(!rig.editor.history().canRedo());
    QVERIFY(rig.services.messages.isEmpty());
}

void TestUndo::aDragIsOneStepAndEachArrowKeyOne()
{
    Rig rig(true);
    C_ScrollBar *slider = rig.pages.micSlider(0); // MIC1 57Hz
    const int start = slider->value();
    QVERIFY(start < 12);
    auto from = rig.mark();
    rig.drag(slider, {12, 14, 15});
    QCOMPARE(slider->value(), 15);
    QCOMPARE(rig.framesSince(from).size(), std::size_t(3));
    QCOMPARE(rig.editor.history().undoCount(), std::size_t(1));
    rig.drag(slider, {13}); // a second drag of the same slider is a step of its own
    rig.step(slider, 2);    // two arrow keys, two steps
    QCOMPARE(rig.editor.history().undoCount(), std::size_t(4));
    QCOMPARE(int(rig.target.setting(1, 0, 0)), 15);

    for (int expected : {14, 13, 15, start}) {
        from = rig.mark();
        QVERIFY(rig.editor.undo());
        QCOMPARE(slider->value(), expected);
        QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 1, 0, 0, expected)});
        QCOMPARE(int(rig.target.setting(1, 0, 0)), expected);
        QVERIFY(slider->isEnabled());
    }
    QVERIFY(!rig.editor.undo());
}

void TestUndo::aNewChangeClearsTheRedoSteps()
{
    Rig rig(false);
    rig.step(rig.pages.musicSlider(0), 1);
    rig.step(rig.pages.musicSlider(1), 1);
    QVERIFY(rig.editor.undo());
    QVERIFY(rig.editor.undo());
    QCOMPARE(rig.editor.redoText(), QStringLiteral("Redo MUSIC1 57Hz"));
    rig.click(rig.pages.inputButton(0)); // AUTO
    QVERIFY(!rig.editor.history().canRedo());
    QVERIFY(!rig.editor.redo());
    QCOMPARE(rig.editor.undoText(), QStringLiteral("Undo INPUT"));
    QCOMPARE(rig.pages.musicSlider(0)->value(), 10);
    QVERIFY(rig.editor.undo());
    QCOMPARE(rig.pages.selectedInput(), int(kFactoryInputSelect));
    QVERIFY(!rig.editor.history().canUndo());
}

void TestUndo::aDragBackWhereItBeganLeavesNoStep()
{
    Rig rig(true);
    rig.step(rig.pages.musicSlider(0), 1);
    QVERIFY(rig.editor.undo());                     // MUSIC1 57Hz waits on the redo side
    C_ScrollBar *slider = rig.pages.musicSlider(1); // MUSIC1 134Hz
    const int start = slider->value();
    const auto from = rig.mark();
    rig.drag(slider, {start + 1, start + 2, start});
    QCOMPARE(slider->value(), start);
    QCOMPARE(rig.framesSince(from).size(), std::size_t(3)); // each value went out
    // The gesture changed nothing: no step to undo, and the redo step is still there.
    QVERIFY(!rig.editor.history().canUndo());
    QCOMPARE(rig.editor.undoText(), QStringLiteral("Undo"));
    QCOMPARE(rig.editor.redoText(), QStringLiteral("Redo MUSIC1 57Hz"));
    QVERIFY(rig.editor.redo());
    QCOMPARE(rig.pages.musicSlider(0)->value(), 11);
    QCOMPARE(int(rig.target.setting(0, 0, 0)), 11);
    // A drag that ends elsewhere is a step, and clears the redo side as any change does.
    QVERIFY(rig.editor.undo());
    rig.drag(slider, {start + 1, start + 2});
    QCOMPARE(rig.editor.undoText(), QStringLiteral("Undo MUSIC1 134Hz"));
    QVERIFY(!rig.editor.history().canRedo());
}

void TestUndo::aReleaseDuringTheSendEndsTheDrag()
{
    // The button comes up while the slider is disabled for its value's frame: the drag and
    // its step end there, and the pointer hovering on afterwards moves and sends nothing.
    Rig rig(true);
    C_ScrollBar *slider = rig.pages.musicSlider(2); // MUSIC1 400Hz
    QWindow *handle = rig.host.windowHandle();
    const auto at = [&](int value) {
        return slider->mapTo(&rig.host, QPoint(50, slider->geometry().knobY(value)));
    };
    const int start = slider->value();
    QTest::mouseMove(handle, at(start));
    QTest::mousePress(handle, Qt::LeftButton, {}, at(start));
    bool releasedWhileDisabled = false;
    rig.services.scheduleAt(rig.services.now() + Millis(2), [&] {
        releasedWhileDisabled = !slider->isEnabled() && rig.link->isWaitingForReply();
        QTest::mouseRelease(handle, Qt::LeftButton, {}, at(start + 1));
    });
    const auto from = rig.mark();
    QTest::mouseMove(handle, at(start + 1));
    rig.services.advance(Millis(50));
    QVERIFY(releasedWhileDisabled);
    QVERIFY(!slider->isDragActive());
    for (int value : {start + 3, start + 5, start + 8}) {
        QTest::mouseMove(handle, at(value));
        rig.services.advance(Millis(50));
    }
    QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 0, 0, 2, start + 1)});
    QCOMPARE(slider->value(), start + 1);
    QCOMPARE(rig.editor.history().undoCount(), std::size_t(1));
    QVERIFY(!rig.editor.history().isOpen());
    QVERIFY(rig.editor.undo());
    QCOMPARE(slider->value(), start);
}

void TestUndo::aProbeWaitingForIdentifyBlocksNothing()
{
    // A port that opens and never answers: every scan waits 700 ms for Identify. Eight Down
    // keys and then eight undos 0.4 s apart, some of them during those waits.
    Rig rig(false);
    rig.target.options().silentAfter = 0;
    C_ScrollBar *slider = rig.pages.musicSlider(3); // MUSIC1 1KHz
    const int start = slider->value();
    QTest::mouseMove(slider, QPoint(50, slider->knobY()));
    const auto from = rig.mark();
    rig.link->start();
    const Millis t0 = rig.services.now();
    int actsWhileProbing = 0;
    int undone = 0;
    const auto probingNow = [&] { return rig.link->probing() && rig.link->isWaitingForReply(); };
    for (int i = 0; i < 8; ++i)
        rig.services.scheduleAt(t0 + Millis(400 * (i + 1)), [&] {
            actsWhileProbing += probingNow();
            QTest::keyClick(slider, Qt::Key_Down);
        });
    for (int i = 0; i < 8; ++i)
        rig.services.scheduleAt(t0 + Millis(3600 + 400 * i), [&] {
            actsWhileProbing += probingNow();
            undone += rig.editor.undo();
        });
    rig.services.advance(Millis(7000));
    QVERIFY(actsWhileProbing >= 2);
    QVERIFY(!rig.link->connected());
    QCOMPARE(undone, 8);
    QCOMPARE(slider->value(), start);
    QCOMPARE(int(rig.store.cellAt(TableId::Music, 0, 3).value), start);
    QVERIFY(!rig.editor.history().canUndo());
    QCOMPARE(rig.editor.history().redoCount(), std::size_t(8));
    // Only the probes went out.
    for (const Bytes &sent : rig.framesSince(from))
        QCOMPARE(int(sent[1]), 0xE2);
    QVERIFY(rig.services.messages.isEmpty());
}

void TestUndo::muteAndLockStepsWaitForAConnection_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("redo");
    QTest::newRow("undo of Mute") << 0 << false;
    QTest::newRow("redo of Mute") << 0 << true;
    QTest::newRow("undo of Lock") << 1 << false;
    QTest::newRow("redo of Lock") << 1 << true;
}

void TestUndo::muteAndLockStepsWaitForAConnection()
{
    QFETCH(int, button);
    QFETCH(bool, redo);
    Rig rig(true);
    rig.click(rig.pages.switchButton(button)); // on, while connected
    if (redo)
        QVERIFY(rig.editor.undo()); // off again; the step waits on the redo side
    // The target falls silent; the keep-alive finds the link gone, and no scan finds it again.
    rig.target.options().silentAfter = rig.target.framesReceivedCount();
    rig.target.options().syncEcho = false;
    QVERIFY(rig.services.runUntil([&] { return !rig.link->connected(); }, Millis(10000)));
    rig.services.advance(Millis(100));
    rig.services.messages.clear();

    const ParameterStore held = rig.store;
    const bool shown = rig.pages.switchButton(button)->value();
    const QString undoText = rig.editor.undoText();
    const QString redoText = rig.editor.redoText();
    const auto from = rig.mark();
    QVERIFY(!(redo ? rig.editor.redo() : rig.editor.undo()));
    QCOMPARE(rig.services.messageTexts(), QStringList{"This item is not available. "});
    QVERIFY(sameSettings(rig.store, held));
    QCOMPARE(rig.pages.switchButton(button)->value(), shown);
    QCOMPARE(rig.editor.undoText(), undoText);
    QCOMPARE(rig.editor.redoText(), redoText);
    QVERIFY(rig.framesSince(from).empty());
    QCOMPARE(rig.mismatch(), QString());
}

void TestUndo::aFailedSendDuringUndoKeepsTheHistoryConsistent()
{
    Rig rig(true);
    rig.click(rig.pages.switchButton(0)); // Mute on, acknowledged
    rig.target.options().silentAfter = rig.target.framesReceivedCount();
    auto from = rig.mark();
    QVERIFY(rig.editor.undo()); // Mute off: no answer comes
    QVERIFY(rig.services.runUntil([&] { return !rig.link->connected(); }, Millis(10000)));
    rig.services.advance(Millis(100));
    QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 7, 0, 0, 0)});
    QCOMPARE(rig.services.messageTexts(),
             QStringList{"Target communication and connection timeout, disconnected."});
    // The editor holds the value before the step, as after any unanswered change.
    QVERIFY(!rig.store.mute);
    QVERIFY(!rig.pages.muteOn());
    QVERIFY(rig.host.isEnabled());
    QVERIFY(!rig.editor.history().canUndo());
    QCOMPARE(rig.editor.redoText(), QStringLiteral("Redo Mute"));

    // Not connected now: the redo is refused as the Mute button refuses (see below).
    from = rig.mark();
    QVERIFY(!rig.editor.redo());
    QVERIFY(!rig.store.mute);
    QVERIFY(!rig.pages.muteOn());
    QVERIFY(rig.framesSince(from).empty());
    QCOMPARE(rig.services.messages.size(), 2);
    QCOMPARE(rig.editor.redoText(), QStringLiteral("Redo Mute"));
    QCOMPARE(rig.mismatch(), QString());
}

void TestUndo::undoingAStepOfAnotherModeChoosesThatModeFirst()
{
    // A step recorded for MUSIC2 while the panel now shows MUSIC5 (the mode list was changed
    // outside the history, as another window's take may do).
    Rig rig(true);
    rig.pick(rig.pages.modeList(1), 1); // MUSIC2
    rig.step(rig.pages.musicSlider(3), -2);
    rig.editor.history().clear();
    rig.step(rig.pages.musicSlider(3), 1); // MUSIC2 1KHz 8 -> 9
    rig.store.musicMode = 4;
    rig.pages.modeList(1)->setTopIndex(4);
    rig.pages.showCurrentModes();
    const auto from = rig.mark();
    QVERIFY(rig.editor.undo());
    QCOMPARE(int(rig.store.musicMode), 1);
    QCOMPARE(rig.pages.modeList(1)->caption(), QStringLiteral("MUSIC2"));
    QCOMPARE(rig.pages.musicSlider(3)->value(), 8);
    // MUSIC2 as a user choice sends it (with 9 still stored), then the undone value.
    std::vector<Bytes> expected = rig.rowFrames(TableId::Music, 1);
    expected[3] = frame(0x02, 0, 1, 3, 9);
    expected.push_back(frame(0x02, 0, 1, 3, 8));
    QCOMPARE(rig.framesSince(from), expected);
    QCOMPARE(rig.mismatch(), QString());
}

void TestUndo::nothingHappensWhileTheWindowIsBusy()
{
    Rig rig(true);
    rig.step(rig.pages.musicSlider(0), 1);
    rig.step(rig.pages.musicSlider(1), 1);
    QVERIFY(rig.editor.undo()); // one on the redo side, one to undo
    const ParameterStore held = rig.store;

    rig.host.setEnabled(false); // as during a Read, an Upload or a mode send
    QVERIFY(!rig.editor.canActNow());
    QVERIFY(!rig.editor.undo());
    QVERIFY(!rig.editor.redo());
    rig.pages.windowMenu().refresh();
    QVERIFY(!rig.pages.windowMenu().undoAction()->isEnabled());
    rig.host.setEnabled(true);

    // While a frame waits for its answer (the slider's own send here, answered after 7 ms).
    bool tried = false, undone = true;
    rig.services.scheduleAt(rig.services.now() + Millis(2), [&] {
        tried = rig.link->isWaitingForReply();
        undone = rig.editor.undo() || rig.editor.redo();
    });
    rig.step(rig.pages.musicSlider(5), 1);
    QVERIFY(tried);
    QVERIFY(!undone);
    // The slider's own change was recorded and cleared the redo side; nothing else moved.
    QCOMPARE(rig.editor.history().undoCount(), std::size_t(2));
    QVERIFY(!rig.editor.history().canRedo());
    QCOMPARE(rig.store.cellAt(TableId::Music, 0, 0).value, held.cellAt(TableId::Music, 0, 0).value);
}

void TestUndo::aThousandStepsComeBackOnTheTarget()
{
    Rig rig(true);
    C_ScrollBar *slider = rig.pages.ktvSlider(2); // KTV1 Echo-A Vol, factory 40
    QCOMPARE(slider->value(), 40);
    QTest::mouseMove(slider, QPoint(50, slider->knobY()));
    const int steps = 1000;
    for (int i = 0; i < steps; ++i) {
        // Up and down through 40..49, one key (one step) at a time.
        QTest::keyClick(slider, (i / 10) % 2 == 0 ? Qt::Key_Up : Qt::Key_Down);
        rig.services.advance(Millis(20));
    }
    QCOMPARE(rig.editor.history().undoCount(), std::size_t(steps));
    const auto from = rig.mark();
    int undone = 0;
    while (rig.editor.undo()) {
        rig.services.advance(Millis(20));
        ++undone;
    }
    QCOMPARE(undone, steps);
    QCOMPARE(rig.framesSince(from).size(), std::size_t(steps));
    QCOMPARE(slider->value(), 40);
    QCOMPARE(int(rig.target.setting(2, 0, 98)), 40);
    QCOMPARE(int(rig.store.cellAt(TableId::Ktv, 0, 2).value), 40);
}

void TestUndo::takingOtherValuesIsOneStepThatSendsNothing()
{
    Rig rig(true);
    const ParameterStore before = rig.store;
    ParameterStore other = before;
    other.cellAt(TableId::Music, 0, 3).value = 4;
    other.cellAt(TableId::Eff, 1, 7).value = 33;
    other.effMode = 21;
    other.volSet[0] = VolSet{25, 10, 60, 3};
    other.exciter = true;
    other.keyIndex = 9; // no setting: stays as it is
    const auto from = rig.mark();
    rig.editor.replaceEditor("Take target values", other);
    QVERIFY(sameSettings(rig.store, other));
    QCOMPARE(int(rig.store.keyIndex), int(kNaturalKey));
    QCOMPARE(rig.mismatch(), QString());
    QCOMPARE(rig.pages.effSlider(7)->value(), 33);
    QCOMPARE(rig.editor.undoText(), QStringLiteral("Undo Take target values"));
    QVERIFY(rig.editor.undo());
    QVERIFY(sameSettings(rig.store, before));
    QCOMPARE(rig.mismatch(), QString());
    QVERIFY(rig.framesSince(from).empty());
}

void TestUndo::theContextMenuNamesTheSteps()
{
    Rig rig(false);
    WindowMenu &menu = rig.pages.windowMenu();
    menu.refresh();
    QCOMPARE(menu.undoAction()->text(), QStringLiteral("Undo"));
    QVERIFY(!menu.undoAction()->isEnabled());
    QVERIFY(!menu.redoAction()->isEnabled());
    QCOMPARE(menu.compareTargetAction()->text(), QStringLiteral("Compare with target\u2026"));
    QCOMPARE(menu.compareProfileAction()->text(), QStringLiteral("Compare with profile\u2026"));
    QVERIFY(!menu.compareTargetAction()->isEnabled());
    QVERIFY(!menu.compareProfileAction()->isEnabled());

    rig.step(rig.pages.ktvSlider(5), 1); // KTV1 Echo-B L&R: the "&" is no mnemonic
    menu.popup(QPoint(100, 100));
    QVERIFY(menu.menu()->isVisible());
    QCOMPARE(menu.undoAction()->text(), QStringLiteral("Undo KTV1 Echo-B L&&R"));
    QVERIFY(menu.undoAction()->isEnabled());
    menu.undoAction()->trigger();
    QCOMPARE(rig.pages.ktvSlider(5)->value(), 63);
    menu.refresh();
    QCOMPARE(menu.redoAction()->text(), QStringLiteral("Redo KTV1 Echo-B L&&R"));
    QVERIFY(menu.redoAction()->isEnabled());
    QVERIFY(!menu.undoAction()->isEnabled());
    menu.menu()->hide();

    int compares = 0, logs = 0;
    menu.setCompareActions([&] { ++compares; }, {});
    menu.setTrafficLogAction([&] { ++logs; });
    menu.refresh();
    QVERIFY(menu.compareTargetAction()->isEnabled());
    QVERIFY(!menu.compareProfileAction()->isEnabled());
    menu.compareTargetAction()->trigger();
    menu.trafficLogAction()->trigger();
    QCOMPARE(compares, 1);
    QCOMPARE(logs, 1);
    QCOMPARE(menu.compareTargetAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    QCOMPARE(menu.compareProfileAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+D")));
    // A comparison waits while the window is held by a transfer.
    rig.pages.setMainWindowEnabled(false);
    menu.refresh();
    QVERIFY(!menu.compareTargetAction()->isEnabled());
    rig.pages.setMainWindowEnabled(true);
    menu.refresh();
    QVERIFY(menu.compareTargetAction()->isEnabled());
}

void TestUndo::theRightButtonIsLeftToControlsThatUseIt_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("windowMenu");
    QTest::newRow("KEY b1: left button only") << "key" << true;
    QTest::newRow("Mute: left button only") << "mute" << true;
    QTest::newRow("slider, off its knob") << "slider" << true;
    QTest::newRow("slider whose knob the press took") << "knob" << false;
    QTest::newRow("EXCITER toggle") << "toggle" << false;
    QTest::newRow("MUSIC MODE list") << "list" << false;
    QTest::newRow("Read button") << "button" << false;
}

void TestUndo::theRightButtonIsLeftToControlsThatUseIt()
{
    QFETCH(QString, control);
    QFETCH(bool, windowMenu);
    Rig rig(false);
    // The window's menu opens where the event reaches the window.
    struct Counter : QObject
    {
        int menus = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            menus += event->type() == QEvent::ContextMenu;
            return false;
        }
    } counter;
    rig.host.installEventFilter(&counter);
    C_ScrollBar *slider = rig.pages.micSlider(3);
    const std::map<QString, QWidget *> controls = {{"key", rig.pages.keyButton(0)},
                                                   {"mute", rig.pages.switchButton(0)},
                                                   {"toggle", rig.pages.flagBar(1)},
                                                   {"list", rig.pages.modeList(1)},
                                                   {"button", rig.pages.commandButton(0)},
                                                   {"slider", slider},
                                                   {"knob", slider}};
    QWidget *target = controls.at(control);
    if (control == QLatin1String("knob")) {
        QTest::mouseMove(slider, QPoint(50, slider->knobY()));
        QTest::mousePress(slider, Qt::RightButton, {}, QPoint(50, slider->knobY()));
        QVERIFY(slider->isDragActive());
    }
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3),
                            target->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(target, &event);
    QCOMPARE(counter.menus, windowMenu ? 1 : 0);
}

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
