// The undo history as plain data: the cursor, the redo side a new step clears, a drag's values
// joining one step, the capacity, and the titles steps are named by.
#include "EditHistory.h"
#include "FactoryValues.h"
#include "SettingRef.h"

#include <QTest>

using namespace tonvara;

Q_DECLARE_METATYPE(tonvara::SettingRef)

namespace {

const SettingRef kMusic2At1k = SettingRef::cell(TableId::Music, 1, 3);
const SettingRef kMic1At57 = SettingRef::cell(TableId::Mic, 0, 0);

EditStep change(const SettingRef &setting, int before, int after)
{
    return EditStep::change(setting, before, after);
}

} // namespace

class TestEditHistory : public QObject
{
    Q_OBJECT
  private slots:
    void undoAndRedoWalkTheLine();
    void aNewStepClearsTheRedoSide();
    void anOpenStepTakesLaterValuesOfItsSettingOnly();
    void anOpenStepBackAtItsStartLeavesNoStep_data();
    void anOpenStepBackAtItsStartLeavesNoStep();
    void theOldestStepsGoBeyondTheCapacity();
    void wholeEditorStepsKeepBothStates();
    void titles_data();
    void titles();
    void modeListItems_data();
    void modeListItems();
    void sameSettingsIgnoresTheKeyRow();
};

void TestEditHistory::undoAndRedoWalkTheLine()
{
    EditHistory history;
    QVERIFY(!history.canUndo() && !history.canRedo());
    QVERIFY(!history.nextUndo());
    history.record(change(kMusic2At1k, 10, 14));
    history.record(change(kMic1At57, 10, 9));
    QCOMPARE(history.nextUndo()->setting, kMic1At57);
    history.stepBack();
    QCOMPARE(history.nextUndo()->setting, kMusic2At1k);
    QCOMPARE(history.nextRedo()->setting, kMic1At57);
    QCOMPARE(history.nextRedo()->after, 9);
    history.stepBack();
    QVERIFY(!history.canUndo());
    history.stepBack(); // nothing left: stays at the start
    QCOMPARE(history.redoCount(), std::size_t(2));
    history.stepForward();
    QCOMPARE(history.nextUndo()->before, 10);
    QCOMPARE(history.nextUndo()->after, 14);
    QCOMPARE(history.nextRedo()->setting, kMic1At57);
}

void TestEditHistory::aNewStepClearsTheRedoSide()
{
    EditHistory history;
    history.record(change(kMusic2At1k, 10, 11));
    history.record(change(kMusic2At1k, 11, 12));
    history.record(change(kMusic2At1k, 12, 13));
    history.stepBack();
    history.stepBack();
    history.record(change(kMic1At57, 10, 5));
    QVERIFY(!history.canRedo());
    QCOMPARE(history.undoCount(), std::size_t(2));
    QCOMPARE(history.nextUndo()->setting, kMic1At57);
    history.stepBack();
    QCOMPARE(history.nextUndo()->after, 11);
}

void TestEditHistory::anOpenStepTakesLaterValuesOfItsSettingOnly()
{
    EditHistory history;
    history.record(change(kMusic2At1k, 10, 11), /*open=*/true);
    QVERIFY(history.extendOpen(kMusic2At1k, 12));
    QVERIFY(history.extendOpen(kMusic2At1k, 15));
    QVERIFY(!history.extendOpen(kMic1At57, 3)); // another setting is a new step
    QCOMPARE(history.undoCount(), std::size_t(1));
    QCOMPARE(history.nextUndo()->before, 10);
    QCOMPARE(history.nextUndo()->after, 15);

    history.closeOpen(); // the drag ended
    QVERIFY(!history.extendOpen(kMusic2At1k, 16));

    // Undoing closes it too: a value after the undo never joins the undone step.
    history.record(change(kMusic2At1k, 15, 16), /*open=*/true);
    history.stepBack();
    QVERIFY(!history.extendOpen(kMusic2At1k, 17));
    QCOMPARE(history.nextRedo()->after, 16);
}

void TestEditHistory::anOpenStepBackAtItsStartLeavesNoStep_data()
{
    QTest::addColumn<int>("end");
    QTest::addColumn<bool>("kept");
    QTest::newRow("a drag back where it began: no step, the redo side back") << 10 << false;
    QTest::newRow("a drag that moved: its step, the redo side gone") << 12 << true;
}

void TestEditHistory::anOpenStepBackAtItsStartLeavesNoStep()
{
    QFETCH(int, end);
    QFETCH(bool, kept);
    EditHistory history;
    history.record(change(kMic1At57, 10, 11));
    history.record(change(kMic1At57, 11, 12));
    history.stepBack(); // one step to redo
    history.record(change(kMusic2At1k, 10, 11), /*open=*/true);
    QVERIFY(history.extendOpen(kMusic2At1k, 12));
    QVERIFY(history.extendOpen(kMusic2At1k, end));
    history.closeOpen();
    QCOMPARE(history.undoCount(), std::size_t(kept ? 2 : 1));
    QCOMPARE(history.nextUndo()->setting, kept ? kMusic2At1k : kMic1At57);
    QCOMPARE(history.redoCount(), std::size_t(kept ? 0 : 1));
    if (!kept) {
        QCOMPARE(history.nextRedo()->after, 12);
        history.stepForward();
        QCOMPARE(history.nextUndo()->after, 12);
    }
}

void TestEditHistory::theOldestStepsGoBeyondTheCapacity()
{
    EditHistory history;
    QVERIFY(history.capacity() >= 1000);
    const int total = int(history.capacity()) + 5;
    for (int i = 0; i < total; ++i)
        history.record(change(kMusic2At1k, i, i + 1));
    QCOMPARE(history.undoCount(), history.capacity());
    int undone = 0;
    while (history.canUndo()) {
        history.stepBack();
        ++undone;
    }
    QCOMPARE(undone, int(history.capacity()));
    // The first steps went; the oldest kept is the sixth.
    QCOMPARE(history.nextRedo()->before, 5);
}

void TestEditHistory::wholeEditorStepsKeepBothStates()
{
    ParameterStore before = factoryStore();
    ParameterStore after = before;
    after.cellAt(TableId::Eff, 1, 7).value = 33;
    after.volSet[2].maxLevel = 50;
    EditHistory history;
    history.record(EditStep::whole("Import", before, after));
    const EditStep step = *history.nextUndo();
    QVERIFY(step.wholeEditor());
    QCOMPARE(step.label, std::string("Import"));
    QVERIFY(*step.storeBefore == before);
    QVERIFY(*step.storeAfter == after);
    // A whole-editor step is never extended by a setting's values.
    QVERIFY(!history.extendOpen(step.setting, 3));
}

void TestEditHistory::titles_data()
{
    QTest::addColumn<SettingRef>("setting");
    QTest::addColumn<QString>("title");
    QTest::newRow("MUSIC2 1KHz") << SettingRef::cell(TableId::Music, 1, 3) << "MUSIC2 1KHz";
    QTest::newRow("MUSIC6 SUB Invert")
        << SettingRef::cell(TableId::Music, 5, 17) << "MUSIC6 SUB Invert";
    QTest::newRow("MIC1 LowCut, slot 8")
        << SettingRef::cell(TableId::Mic, 0, 8) << "MIC1 MIC LowCut";
    QTest::newRow("KTV2 Echo-B L&R") << SettingRef::cell(TableId::Ktv, 1, 5) << "KTV2 Echo-B L&R";
    QTest::newRow("EFF1 REV Dly") << SettingRef::cell(TableId::Eff, 0, 7) << "EFF1 REV Dly";
    QTest::newRow("start level") << SettingRef::startLevel(1) << "MIC VOL(SET) Start";
    QTest::newRow("max entry") << SettingRef::volGroup(2, 1) << "EFF VOL(SET) Max";
    QTest::newRow("mode spin") << SettingRef::volGroup(0, 2) << "MUSIC VOL(SET) Mode";
    QTest::newRow("mute") << SettingRef::of(EditKind::Mute) << "Mute";
    QTest::newRow("exciter") << SettingRef::of(EditKind::Exciter) << "EXCITER";
    QTest::newRow("EFF list") << SettingRef::modeList(2) << "EFF MODE";
}

void TestEditHistory::titles()
{
    QFETCH(SettingRef, setting);
    QFETCH(QString, title);
    QCOMPARE(QString::fromStdString(editTitle(setting)), title);
    QCOMPARE(QString::fromStdString(EditStep::change(setting, 0, 1).label), title);
}

void TestEditHistory::modeListItems_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("mode");
    QTest::newRow("MUSIC4") << 0 << 3 << 3;
    QTest::newRow("MIC6") << 1 << 5 << 5;
    QTest::newRow("KTV2") << 2 << 1 << 1;
    QTest::newRow("EFF1") << 2 << 2 << 20;
    QTest::newRow("EFF2") << 2 << 3 << 21;
}

void TestEditHistory::modeListItems()
{
    QFETCH(int, list);
    QFETCH(int, item);
    QFETCH(int, mode);
    QCOMPARE(modeOfListItem(list, item), mode);
    QCOMPARE(listItemOfMode(list, mode), item);
    ParameterStore store;
    (list == 0 ? store.musicMode : list == 1 ? store.micMode : store.effMode) = std::uint8_t(mode);
    QCOMPARE(storedValue(store, SettingRef::modeList(list)), item);
}

void TestEditHistory::sameSettingsIgnoresTheKeyRow()
{
    const ParameterStore a = factoryStore();
    ParameterStore b = a;
    b.keyIndex = 7;
    QVERIFY(sameSettings(a, b));
    b.lock = true;
    QVERIFY(!sameSettings(a, b));
    b = a;
    b.cellAt(TableId::Ktv, 1, 7).value ^= 1;
    QVERIFY(!sameSettings(a, b));
    b = a;
    b.effMode = 21;
    QVERIFY(!sameSettings(a, b));
}

QTEST_GUILESS_MAIN(TestEditHistory)
#include "tst_edithistory.moc"
