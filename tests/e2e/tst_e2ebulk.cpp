// Read and Upload end to end, in real time: the whole editor (window, pages, link on a real
// serial line) against the simulator program on a pseudo-terminal, driven through the
// Read and Upload buttons.
#include "ParameterStore.h"

#include "C_Button.h"
#include "C_ScrollBar.h"
#include "MainPages.h"
#include "RecordingQtServices.h"
#include "SimProcess.h"
#include "TargetLink.h"
#include "TonvaraApp.h"

#include <QtTest>

#include <memory>

using namespace tonvara;

namespace {

// One setting as the line addresses it.
struct Setting
{
    int group;
    int mode;
    int address;
    int value;
};

TableId tableOf(int group, int mode)
{
    if (group == 0)
        return TableId::Music;
    if (group == 1)
        return TableId::Mic;
    return mode >= 20 ? TableId::Eff : TableId::Ktv;
}

int slotOf(const ParameterStore &store, TableId table, int row, int address)
{
    for (int slot = 0; slot < shapeOf(table).slotCount; ++slot)
        if (store.cellAt(table, row, slot).address == address)
            return slot;
    return -1;
}

// The spin bar of a VOL(SET) group's number: group code 4 minimum, 5 maximum, 3 start mode.
int spinIndex(const Setting &s)
{
    return 3 * s.address + (s.group == 4 ? 0 : s.group == 5 ? 1 : 2);
}

} // namespace

Q_DECLARE_METATYPE(QList<Setting>)

class TestE2eBulk : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void bulk_data();
    void bulk();

  private:
    int editorValue(const Setting &s) const;
    void setEditorValue(const Setting &s);

    SimProcess m_sim;
    RecordingQtServices m_services;
    std::unique_ptr<TonvaraApp> m_app;
};

void TestE2eBulk::initTestCase()
{
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
    qputenv("TONVARA_PORTS", m_sim.device().toLocal8Bit());
    m_app = std::make_unique<TonvaraApp>(m_services);
    m_app->start();
    QTRY_VERIFY_WITH_TIMEOUT(m_app->link().connected(), 5000);
    // The synchronisation after connecting has ended once the window is enabled again.
    QTRY_VERIFY_WITH_TIMEOUT(m_app->pages().host()->isEnabled(), 3000);
}

void TestE2eBulk::cleanupTestCase()
{
    m_app.reset();
    QVERIFY(m_sim.stop());
}

int TestE2eBulk::editorValue(const Setting &s) const
{
    const ParameterStore &store = m_app->store();
    const MainPages &pages = m_app->pages();
    switch (s.group) {
    case 0:
    case 1:
    case 2: {
        const TableId table = tableOf(s.group, s.mode);
        const int row = ParameterStore::rowOfMode(table, s.mode);
        return store.cellAt(table, row, slotOf(store, table, row, s.address)).value;
    }
    case 3:
    case 4:
    case 5:
        return pages.spinValue(spinIndex(s));
    case 7:
        return pages.muteOn();
    case 8:
        return pages.lockOn();
    case 10:
        return pages.exciterOn();
    default:
        return pages.selectedInput();
    }
}

void TestE2eBulk::setEditorValue(const Setting &s)
{
    ParameterStore &store = m_app->store();
    MainPages &pages = m_app->pages();
    switch (s.group) {
    case 0:
    case 1:
    case 2: {
        const TableId table = tableOf(s.group, s.mode);
        const int row = ParameterStore::rowOfMode(table, s.mode);
        store.cellAt(table, row, slotOf(store, table, row, s.address)).value =
            static_cast<std::uint8_t>(s.value);
        break;
    }
    case 3:
    case 4:
    case 5: {
        std::array<int, 3> numbers{};
        for (int i = 0; i < 3; ++i)
            numbers[static_cast<std::size_t>(i)] = pages.spinValue(3 * s.address + i);
        numbers[static_cast<std::size_t>(spinIndex(s) % 3)] = s.value;
        pages.applyVolSetGroup(s.address, numbers[0], numbers[1], numbers[2]);
        break;
    }
    case 7:
        pages.setMute(s.value != 0);
        break;
    case 8:
        pages.setLock(s.value != 0);
        break;
    case 10:
        pages.setExciter(s.value != 0);
        break;
    default:
        pages.clearInputs();
        pages.selectInput(s.value);
        break;
    }
}

void TestE2eBulk::bulk_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<QList<Setting>>("settings");

    // Mute stays on in both, so no transfer pauses for it. MUSIC1 is the mode on screen.
    QTest::newRow("Read brings the editor to the simulator")
        << false << QList<Setting>{{0, 0, 3, 17},    {0, 5, 29, 5}, {1, 2, 8, 2},  {2, 1, 85, 100},
                                   {2, 21, 181, 33}, {4, 0, 1, 45}, {5, 0, 1, 66}, {3, 0, 2, 6},
                                   {7, 0, 0, 1},     {8, 0, 0, 1},  {10, 0, 0, 1}, {12, 0, 0, 2}};
    QTest::newRow("Upload brings the simulator to the editor")
        << true << QList<Setting>{{0, 0, 3, 4},     {0, 4, 26, 77}, {1, 5, 7, 12}, {2, 0, 82, 9},
                                  {2, 20, 199, 61}, {4, 0, 2, 12},  {5, 0, 2, 59}, {3, 0, 0, 3},
                                  {7, 0, 0, 1},     {8, 0, 0, 0},   {10, 0, 0, 0}, {12, 0, 0, 1}};
}

void TestE2eBulk::bulk()
{
    QFETCH(bool, upload);
    QFETCH(QList<Setting>, settings);

    m_services.messages.clear();
    // Mute on both sides; what follows the row sets.
    QVERIFY(m_sim.setSetting(7, 0, 0, 1));
    m_app->pages().setMute(true);
    for (const Setting &s : settings) {
        if (upload)
            setEditorValue(s);
        else
            QVERIFY(m_sim.setSetting(s.group, s.mode, s.address, s.value));
    }
    // Every setting differs on the two sides before the transfer.
    for (const Setting &s : settings) {
        if (s.group == 7)
            continue;
        const std::optional<int> simValue = m_sim.setting(s.group, s.mode, s.address);
        QVERIFY(simValue.has_value());
        QVERIFY2(*simValue != editorValue(s),
                 qPrintable(QStringLiteral("group %1 address %2").arg(s.group).arg(s.address)));
    }

    const int framesBefore = m_sim.framesReceived();
    // The button's Click runs the whole transfer before it returns.
    emit m_app->pages().commandButton(upload ? 1 : 0)->Click();

    QCOMPARE(m_services.messages, QStringList{});
    QVERIFY(m_app->pages().host()->isEnabled());
    QCOMPARE(m_sim.framesReceived() - framesBefore, upload ? 212 : 211);
    for (const Setting &s : settings) {
        const QString where =
            QStringLiteral("group %1 mode %2 address %3").arg(s.group).arg(s.mode).arg(s.address);
        if (upload)
            QCOMPARE(m_sim.setting(s.group, s.mode, s.address), std::optional<int>(s.value));
        else
            QVERIFY2(editorValue(s) == s.value, qPrintable(where));
    }
    if (upload) {
        QVERIFY(m_sim.uploadEnded());
    } else {
        // The mode on screen shows what was read.
        QCOMPARE(m_app->pages().musicSlider(3)->value(), 17);
    }
}

QTEST_MAIN(TestE2eBulk)
#include "tst_e2ebulk.moc"
