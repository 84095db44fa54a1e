#include "FactoryValues.h"
#include "ParameterStore.h"

#include <QTest>

#include <map>
#include <tuple>

using namespace tonvara;

Q_DECLARE_METATYPE(tonvara::TableId)

namespace {

// Records what showCurrentModes puts on which control, in call order.
struct RecordingView : ModesView
{
    std::vector<std::tuple<TableId, int, int>> shown;
    void showSlotValue(TableId table, int slot, std::uint8_t value) override
    {
        shown.emplace_back(table, slot, value);
    }
    int countOf(TableId table) const
    {
        int n = 0;
        for (const auto &s : shown)
            n += std::get<0>(s) == table;
        return n;
    }
};

ParameterStore loaded()
{
    ParameterStore store;
    store.loadAddresses();
    return store;
}

} // namespace

class TestParameterStore : public QObject
{
    Q_OBJECT
private slots:
    void addressesFollowSlotTables_data();
    void addressesFollowSlotTables();
    void rowOfMode_data();
    void rowOfMode();
    void storeValueWritesOnlyTheCurrentRow();
    void storeValueWithAllModesWritesEveryRow();
    void effTableIsWrittenOnlyInAnEffMode();
    void showCurrentModesFollowsEffMode();
    void factoryTablesMatchTheLists();
};

void TestParameterStore::addressesFollowSlotTables_data()
{
    QTest::addColumn<TableId>("table");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("address");
    QTest::newRow("Out Limit is 29") << TableId::Music << 7 << 29;
    QTest::newRow("SUB Invert is 28") << TableId::Music << 17 << 28;
    QTest::newRow("EFF In C is 21") << TableId::Music << 16 << 21;
    QTest::newRow("MIC H_Curve is 8") << TableId::Mic << 7 << 8;
    QTest::newRow("MIC LowCut is 7") << TableId::Mic << 8 << 7;
    QTest::newRow("Echo-B Dly is 81") << TableId::Ktv << 7 << 81;
    QTest::newRow("Rev Vol is 199") << TableId::Eff << 3 << 199;
    QTest::newRow("REV H_Cut2 is 111") << TableId::Eff << 9 << 111;
}

void TestParameterStore::addressesFollowSlotTables()
{
    QFETCH(TableId, table);
    QFETCH(int, slot);
    QFETCH(int, address);
    const ParameterStore store = loaded();
    for (int row = 0; row < shapeOf(table).rowCount; ++row) {
        QCOMPARE(int(store.cellAt(table, row, slot).address), address);
        QCOMPARE(int(store.cellAt(table, row, slot).value), 0);
    }
}

void TestParameterStore::rowOfMode_data()
{
    QTest::addColumn<TableId>("table");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("row");
    QTest::newRow("EFF2 is row 1") << TableId::Eff << 21 << 1;
    QTest::newRow("EFF1 is row 0") << TableId::Eff << 20 << 0;
    QTest::newRow("KTV2 is row 1") << TableId::Ktv << 1 << 1;
    QTest::newRow("MUSIC6 is row 5") << TableId::Music << 5 << 5;
}

void TestParameterStore::rowOfMode()
{
    QFETCH(TableId, table);
    QFETCH(int, mode);
    QFETCH(int, row);
    QCOMPARE(ParameterStore::rowOfMode(table, mode), row);
    QCOMPARE(ParameterStore::modeNumberOfRow(table, row), mode);
}

void TestParameterStore::storeValueWritesOnlyTheCurrentRow()
{
    ParameterStore store = loaded();
    store.musicMode = 2;
    store.storeValue(TableId::Music, 3, 14, /*allModes=*/false);
    for (int row = 0; row < 6; ++row)
        QCOMPARE(int(store.cellAt(TableId::Music, row, 3).value), row == 2 ? 14 : 0);
}

void TestParameterStore::storeValueWithAllModesWritesEveryRow()
{
    ParameterStore store = loaded();
    store.effMode = 0; // a KTV mode is current: allModes still writes both EFF rows
    store.storeValue(TableId::Eff, 4, 33, /*allModes=*/true);
    QCOMPARE(int(store.cellAt(TableId::Eff, 0, 4).value), 33);
    QCOMPARE(int(store.cellAt(TableId::Eff, 1, 4).value), 33);
}

void TestParameterStore::effTableIsWrittenOnlyInAnEffMode()
{
    ParameterStore store = loaded();
    store.effMode = 1;
    store.storeValue(TableId::Eff, 7, 25, false);
    QCOMPARE(int(store.cellAt(TableId::Eff, 0, 7).value), 0);
    QCOMPARE(int(store.cellAt(TableId::Eff, 1, 7).value), 0);
    store.effMode = 20;
    store.storeValue(TableId::Eff, 7, 25, false);
    QCOMPARE(int(store.cellAt(TableId::Eff, 0, 7).value), 25);
    QCOMPARE(int(store.cellAt(TableId::Eff, 1, 7).value), 0);
}

void TestParameterStore::showCurrentModesFollowsEffMode()
{
    ParameterStore store = factoryStore();
    store.effMode = 20;
    RecordingView effView;
    store.showCurrentModes(effView);
    QCOMPARE(effView.countOf(TableId::Eff), 10);
    QCOMPARE(effView.countOf(TableId::Ktv), 0);
    QCOMPARE(effView.countOf(TableId::Music), 18);
    QCOMPARE(effView.countOf(TableId::Mic), 9);
    // Music first, then mic, then the EFF row.
    QCOMPARE(std::get<0>(effView.shown.front()), TableId::Music);
    QCOMPARE(std::get<0>(effView.shown.back()), TableId::Eff);

    store.effMode = 1;
    RecordingView ktvView;
    store.showCurrentModes(ktvView);
    QCOMPARE(ktvView.countOf(TableId::Ktv), 8);
    QCOMPARE(ktvView.countOf(TableId::Eff), 0);
    // KTV2's "Echo-B Dly" factory value.
    QCOMPARE(std::get<2>(ktvView.shown.back()), 66);
}

void TestParameterStore::factoryTablesMatchTheLists()
{
    const ParameterStore store = factoryStore();
    // MIC exceptions: MIC1 57Hz 7, MIC2 57Hz 7 and LowCut 3, MIC3 back to the list.
    QCOMPARE(int(store.cellAt(TableId::Mic, 0, 0).value), 7);
    QCOMPARE(int(store.cellAt(TableId::Mic, 0, 8).value), 6);
    QCOMPARE(int(store.cellAt(TableId::Mic, 1, 0).value), 7);
    QCOMPARE(int(store.cellAt(TableId::Mic, 1, 8).value), 3);
    QCOMPARE(int(store.cellAt(TableId::Mic, 2, 0).value), 10);
    QCOMPARE(int(store.cellAt(TableId::Mic, 2, 8).value), 6);
    const int eff2[] = {8, 14, 50, 68, 50, 45, 55, 20, 80, 80};
    for (int slot = 0; slot < 10; ++slot)
        QCOMPARE(int(store.cellAt(TableId::Eff, 1, slot).value), eff2[slot]);
    QCOMPARE(int(store.cellAt(TableId::Eff, 0, 6).value), 45);
    QCOMPARE(int(store.cellAt(TableId::Music, 5, 13).value), 21);
    QCOMPARE(int(store.cellAt(TableId::Ktv, 1, 7).value), 66);
    QCOMPARE(int(store.inputSelect), 1);
    QCOMPARE(int(store.volSet[2].minLevel), 36);
}

QTEST_GUILESS_MAIN(TestParameterStore)
#include "tst_parameterstore.moc"
