// From the user's hand to the bytes on the line: the real main-window controls, driven with
// mouse and key events, against the real link on an in-memory line joined to the simulated
// target, on virtual time.
#include "FactoryValues.h"
#include "ParameterStore.h"

#include "C_Button.h"
#include "C_ComboBox.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ScrollBar.h"
#include "LinkedPages.h"
#include "MainPages.h"
#include "SettingsCatalog.h"
#include "TargetLink.h"
#include "TitleStrip.h"
#include "TrafficLog.h"
#include "VirtualWindowServices.h"
#include "VolSetPanel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using namespace tonvara;

Q_DECLARE_METATYPE(tonvara::TableId)

using Rig = LinkedPages;

class TestControlFrames : public QObject
{
    Q_OBJECT
  private slots:
    void revDelayInEff1IsTheWorkedExample();
    void micLowCutSendsAddressSeven();
    void effInCToggleInMusic3();
    void keyAcceptedStaysLit();
    void keyRefusedReturnsToNaturalAfter300ms();
    void keyWhileNotConnectedReturnsToNatural();
    void muteOnAndOffWithItsPause();
    void lockSendsNothing();
    void muteAndLockRefusedWhileNotConnected();
    void inputAndExciter();
    void startLevelIsSentLive();
    void everyTableControlFollowsTheCatalog_data();
    void everyTableControlFollowsTheCatalog();
    void modeChoicesSendTheirRows_data();
    void modeChoicesSendTheirRows();
    void modeChoiceStopsAtTheFirstUnansweredFrame();
    void notConnectedChangesOnlyTheEditor();
    void resetSendsNothing();
    void pressOutsideAListClosedOnItsFaceActsOnWhatWasPressed();
    void senderIsDisabledWhileItsFrameIsOnTheLine_data();
    void senderIsDisabledWhileItsFrameIsOnTheLine();
    void importWhileConnectedSendsNothing();
};

void TestControlFrames::revDelayInEff1IsTheWorkedExample()
{
    Rig rig;
    rig.pick(rig.pages.modeList(3), 2); // EFF1
    QCOMPARE(int(rig.store.effMode), 20);
    QVERIFY(rig.pages.effSlider(7)->isVisible());
    QVERIFY(!rig.pages.ktvSlider(0)->isVisible());
    rig.link->trafficLog().setEnabled(true);
    const auto from = rig.mark();
    rig.step(rig.pages.effSlider(7), 5); // 20 -> 25
    const auto frames = rig.framesSince(from);
    QCOMPARE(frames.size(), std::size_t(5));
    QCOMPARE(frames.back(), frame(0x02, 2, 0x14, 0xB5, 25));
    QCOMPARE(int(rig.store.cellAt(TableId::Eff, 0, 7).value), 25);
    QCOMPARE(rig.pages.effSlider(7)->valueTip(), QStringLiteral("25ms"));
    QVERIFY(rig.link->trafficLog().text().contains(QStringLiteral("\r\nSend: CD,02,02,14,B5,19")));
    QVERIFY(rig.link->trafficLog().text().contains(QStringLiteral("\r\nRecv: 33")));
    QVERIFY(rig.pages.effSlider(7)->isEnabled());
    QCOMPARE(int(rig.target.setting(2, 20, 181)), 25);
}

void TestControlFrames::micLowCutSendsAddressSeven()
{
    Rig rig;
    rig.pick(rig.pages.modeList(2), 1); // MIC2: LowCut factory 3
    QCOMPARE(rig.pages.micSlider(8)->value(), 3);
    const auto from = rig.mark();
    rig.step(rig.pages.micSlider(8), 3);
    QCOMPARE(rig.framesSince(from).back(), frame(0x02, 1, 1, 7, 6));
    QCOMPARE(int(rig.store.cellAt(TableId::Mic, 1, 8).value), 6);
    QCOMPARE(int(rig.store.cellAt(TableId::Mic, 0, 8).value), 6); // MIC1 untouched (factory 6)
}

void TestControlFrames::effInCToggleInMusic3()
{
    Rig rig;
    rig.pick(rig.pages.modeList(1), 2); // MUSIC3
    rig.click(rig.pages.viewOption(1)); // "Aid": the output view with the two toggles
    QVERIFY(rig.pages.flagBar(2)->isVisible());
    const auto from = rig.mark();
    // EFF In C reads its Value inverted: the left half (off face) is Value on.
    rig.click(rig.pages.flagBar(2), QPoint(5, 10));
    QVERIFY(rig.pages.flagBar(2)->value());
    QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 0, 2, 0x15, 1)});
    QCOMPARE(int(rig.store.cellAt(TableId::Music, 2, 16).value), 1);
}

void TestControlFrames::keyAcceptedStaysLit()
{
    Rig rig;
    const auto from = rig.mark();
    rig.click(rig.pages.keyButton(7)); // #2
    QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 11, 0, 0, 7)});
    rig.services.advance(Millis(1000));
    QVERIFY(rig.pages.keyButton(7)->value());
    QVERIFY(!rig.pages.keyButton(5)->value());
    QCOMPARE(int(rig.store.keyIndex), 7);
}

void TestControlFrames::keyRefusedReturnsToNaturalAfter300ms()
{
    Rig rig;
    // A target that answers a key write with another byte than the acknowledgement.
    rig.line->devices[kDevice].peer = [](const std::uint8_t *, std::size_t size) {
        return InMemoryLine::Answer{size == 6 ? Bytes{0x35} : Bytes{}, false};
    };
    QTest::mouseClick(rig.pages.keyButton(2), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(rig.services.runUntil([&] { return rig.keyTimerStarts == 1; }, Millis(4000)));
    QVERIFY(rig.pages.keyButton(2)->value());
    rig.services.advance(Millis(299));
    QVERIFY(rig.pages.keyButton(2)->value());
    rig.services.advance(Millis(1));
    QVERIFY(!rig.pages.keyButton(2)->value());
    QVERIFY(rig.pages.keyButton(5)->value());
}

void TestControlFrames::keyWhileNotConnectedReturnsToNatural()
{
    Rig rig(/*connect=*/false);
    const auto from = rig.mark();
    QTest::mouseClick(rig.pages.keyButton(9), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(rig.pages.keyButton(9)->value());
    rig.services.advance(Millis(300));
    QVERIFY(rig.pages.keyButton(5)->value());
    QVERIFY(rig.framesSince(from).empty());
}

void TestControlFrames::muteOnAndOffWithItsPause()
{
    Rig rig;
    auto from = rig.mark();
    rig.click(rig.pages.switchButton(0));
    QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 7, 0, 0, 1)});
    QVERIFY(rig.store.mute);
    QVERIFY(rig.services.pauses.isEmpty());
    from = rig.mark();
    rig.click(rig.pages.switchButton(0));
    QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 7, 0, 0, 0)});
    QCOMPARE(rig.services.pauses, QList<Millis>{Millis(1500)});
    QVERIFY(!rig.store.mute);
    QVERIFY(rig.host.isEnabled());
}

void TestControlFrames::lockSendsNothing()
{
    Rig rig;
    const auto from = rig.mark();
    rig.click(rig.pages.switchButton(1));
    QVERIFY(rig.pages.switchButton(1)->value());
    QVERIFY(rig.store.lock);
    QVERIFY(rig.framesSince(from).empty());
}

void TestControlFrames::muteAndLockRefusedWhileNotConnected()
{
    Rig rig(/*connect=*/false);
    for (int k : {0, 1}) {
        rig.click(rig.pages.switchButton(k));
        QVERIFY(!rig.pages.switchButton(k)->value());
    }
    QCOMPARE(rig.services.messageTexts(),
             QStringList({"This item is not available. ", "This item is not available. "}));
    QCOMPARE(rig.services.messages[0].icon, MessageIcon::Warning);
    QVERIFY(!rig.store.mute && !rig.store.lock);
}

void TestControlFrames::inputAndExciter()
{
    Rig rig;
    auto from = rig.mark();
    rig.click(rig.pages.inputButton(2)); // AUX
    QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 12, 0, 0, 2)});
    QVERIFY(rig.pages.inputButton(2)->value() && !rig.pages.inputButton(1)->value());
    QCOMPARE(int(rig.store.inputSelect), 2);
    from = rig.mark();
    rig.click(rig.pages.flagBar(1), QPoint(45, 10)); // right half: on
    QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 10, 0, 0, 1)});
    QVERIFY(rig.store.exciter);
}

void TestControlFrames::startLevelIsSentLive()
{
    Rig rig;
    C_ScrollBar *mic = rig.pages.volSet().startSlider(1);
    rig.pages.setStartLevel(1, 38);
    rig.link->trafficLog().setEnabled(true);
    const auto from = rig.mark();
    rig.step(mic, 2);
    QCOMPARE(rig.framesSince(from).back(), frame(0x02, 6, 0, 1, 40));
    QVERIFY(rig.link->trafficLog().text().endsWith(
        QStringLiteral("Send: CD,02,06,00,01,28\r\nRecv: 33")));
    QCOMPARE(int(rig.store.volSet[1].startLevel), 40);
    // Above the maximum: limited to it (Max 80 here, so lower it first).
    rig.pages.volSet().putAndCommit(4, QStringLiteral("41"));
    const auto from2 = rig.mark();
    rig.step(mic, 3);
    QCOMPARE(mic->value(), 41);
    QCOMPARE(rig.framesSince(from2).back(), frame(0x02, 6, 0, 1, 41));
}

// What the window shows and sends for each slot is the catalog's: the slider's range and
// read-out rule, the read-out text at every value (the text compare and the command line print),
// the title strip's column over it, and the address of the frame that a user's step sends.
void TestControlFrames::everyTableControlFollowsTheCatalog_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("view"); // MUSIC MODE view option, -1: leave it
    QTest::addColumn<TableId>("table");
    QTest::addColumn<int>("firstSlot");
    QTest::addColumn<int>("slotCount");
    QTest::addColumn<int>("strip");
    QTest::newRow("MUSIC2 equaliser view") << 1 << 1 << 0 << TableId::Music << 0 << 8 << 1;
    QTest::newRow("MUSIC3 output view") << 1 << 2 << 1 << TableId::Music << 8 << 8 << 2;
    QTest::newRow("MIC4") << 2 << 3 << -1 << TableId::Mic << 0 << 9 << 3;
    QTest::newRow("KTV2") << 3 << 1 << -1 << TableId::Ktv << 0 << 8 << 4;
    QTest::newRow("EFF2") << 3 << 3 << -1 << TableId::Eff << 0 << 10 << 5;
}

void TestControlFrames::everyTableControlFollowsTheCatalog()
{
    QFETCH(int, list);
    QFETCH(int, item);
    QFETCH(int, view);
    QFETCH(TableId, table);
    QFETCH(int, firstSlot);
    QFETCH(int, slotCount);
    QFETCH(int, strip);
    Rig rig;
    rig.pick(rig.pages.modeList(list), item);
    if (view >= 0)
        rig.click(rig.pages.viewOption(view));
    const int row = rig.store.currentRow(table);
    const int mode = rig.store.currentModeNumber(table);
    const int group = shapeOf(table).group;
    QVERIFY(row > 0); // not the first row, so that a row mix-up shows
    const TitleStrip *titles = rig.pages.titleStrip(strip);
    QVERIFY(titles->isVisible());

    for (int slot = firstSlot; slot < firstSlot + slotCount; ++slot) {
        const SlotSpec &slotDef = slotSpec(table, slot);
        const SettingId setting = SettingId::cell(table, row, slot);
        C_ScrollBar *slider = rig.pages.tableSlider(table, slot);
        QVERIFY(slider->isVisible());
        QCOMPARE(slider->maxValue(), int(slotDef.maximum));
        QCOMPARE(slider->valueTipType(), slotDef.valueTipType);

        // The strip's title nearest the slider's read-out centre is the slot's.
        const int centre = slider->mapTo(&rig.host, QPoint(51, 0)).x() - titles->x();
        const auto nearest = std::min_element(
            titles->titles().begin(), titles->titles().end(), [&](const auto &a, const auto &b) {
                return std::abs(a.first - centre) < std::abs(b.first - centre);
            });
        QVERIFY(std::abs(nearest->first - centre) <= 2);
        QCOMPARE(nearest->second, QString::fromUtf8(slotDef.title));

        const int stored = slider->value();
        for (int v = 0; v <= slider->maxValue(); ++v) {
            slider->setValue(v);
            QCOMPARE(slider->valueTip(), QString::fromStdString(settingReadout(setting, v)));
        }
        slider->setValue(stored);

        const int steps = stored < slider->maxValue() ? 1 : -1;
        const auto from = rig.mark();
        rig.step(slider, steps);
        const int moved = stored + steps;
        QCOMPARE(rig.framesSince(from),
                 std::vector<Bytes>{frame(0x02, group, mode, slotDef.address, moved)});
        QCOMPARE(int(rig.store.cellAt(table, row, slot).value), moved);
        QCOMPARE(slider->valueTip(), QString::fromStdString(settingReadout(setting, moved)));
    }

    if (table == TableId::Music && view == 1) {
        // The two toggles of the output view, named and sent as the catalog says.
        for (int slot : {16, 17}) {
            const SlotSpec &slotDef = slotSpec(table, slot);
            QVERIFY(slotDef.isToggle());
            C_FlagBar *toggle = rig.pages.flagBar(slot == 16 ? 2 : 3);
            QCOMPARE(toggle->accessibleName(), QString::fromUtf8(slotDef.title));
            const auto from = rig.mark();
            rig.click(toggle, QPoint(45, 10)); // the right half: the on face
            const int value = toggle->value() ? 1 : 0;
            QCOMPARE(rig.framesSince(from),
                     std::vector<Bytes>{frame(0x02, group, mode, slotDef.address, value)});
            QCOMPARE(int(rig.store.cellAt(table, row, slot).value), value);
        }
    }
}

void TestControlFrames::modeChoicesSendTheirRows_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("count");
    QTest::newRow("MUSIC4: 18 frames") << 1 << 3 << 0 << 3 << 18;
    QTest::newRow("MIC6: 9 frames") << 2 << 5 << 1 << 5 << 9;
    QTest::newRow("KTV2: 8 frames") << 3 << 1 << 2 << 1 << 8;
    QTest::newRow("EFF2: 10 frames with mode 21") << 3 << 3 << 2 << 21 << 10;
}

void TestControlFrames::modeChoicesSendTheirRows()
{
    QFETCH(int, list);
    QFETCH(int, row);
    QFETCH(int, group);
    QFETCH(int, mode);
    QFETCH(int, count);
    Rig rig;
    const auto from = rig.mark();
    rig.pick(rig.pages.modeList(list), row);
    const auto frames = rig.framesSince(from);
    QCOMPARE(int(frames.size()), count);
    const TableId table = group == 0   ? TableId::Music
                          : group == 1 ? TableId::Mic
                          : mode >= 20 ? TableId::Eff
                                       : TableId::Ktv;
    const int tableRow = ParameterStore::rowOfMode(table, mode);
    for (int slot = 0; slot < count; ++slot) {
        const ParamCell &cell = rig.store.cellAt(table, tableRow, slot);
        QCOMPARE(frames[std::size_t(slot)], frame(0x02, group, mode, cell.address, cell.value));
    }
    QVERIFY(rig.host.isEnabled());
}

void TestControlFrames::modeChoiceStopsAtTheFirstUnansweredFrame()
{
    Rig rig;
    rig.target.options().silentAfter = rig.target.framesReceivedCount() + 5;
    const auto from = rig.mark();
    rig.pick(rig.pages.modeList(1), 0); // MUSIC1 again
    QVERIFY(rig.services.runUntil([&] { return !rig.link->connected(); }, Millis(10000)));
    rig.services.advance(Millis(100));
    QCOMPARE(rig.framesSince(from).size(), std::size_t(6)); // slots 0 to 5
    QVERIFY(rig.host.isEnabled());
    QCOMPARE(rig.services.messageTexts(),
             QStringList{"Target communication and connection timeout, disconnected."});
    QCOMPARE(rig.pages.modeList(1)->caption(), QStringLiteral("MUSIC1"));
}

void TestControlFrames::notConnectedChangesOnlyTheEditor()
{
    Rig rig(/*connect=*/false);
    rig.pick(rig.pages.modeList(1), 2); // MUSIC3
    QCOMPARE(int(rig.store.musicMode), 2);
    rig.step(rig.pages.musicSlider(3), -4);
    QCOMPARE(int(rig.store.cellAt(TableId::Music, 2, 3).value), 6);
    QCOMPARE(int(rig.store.cellAt(TableId::Music, 0, 3).value), 10);
    QCOMPARE(rig.pages.musicSlider(3)->valueTip(), QStringLiteral("-4dB"));
    QVERIFY(rig.framesSince(0).empty());
}

void TestControlFrames::resetSendsNothing()
{
    Rig rig;
    rig.pick(rig.pages.modeList(1), 3); // MUSIC4
    rig.step(rig.pages.musicSlider(0), 2);
    const auto from = rig.mark();
    rig.click(rig.pages.switchButton(2));
    QVERIFY(rig.framesSince(from).empty());
    QCOMPARE(rig.pages.musicSlider(0)->value(), 10);
    QCOMPARE(int(rig.store.musicMode), 3);
    QCOMPARE(rig.pages.modeList(1)->caption(), QStringLiteral("MUSIC4"));
    QVERIFY(!rig.pages.switchButton(2)->value());
}

void TestControlFrames::pressOutsideAListClosedOnItsFaceActsOnWhatWasPressed()
{
    Rig rig;
    QVERIFY(QTest::qWaitForWindowExposed(&rig.host));
    QWindow *window = rig.host.windowHandle();
    C_ComboBox *list = rig.pages.modeList(1);
    // Through the window system, as a pointer does: while the list is open, every press goes
    // to it first.
    const auto press = [&](QWidget *w, QPoint at) {
        const QPoint inWindow = w->mapTo(&rig.host, at);
        QTest::mousePress(window, Qt::LeftButton, {}, inWindow);
        QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow);
        rig.services.advance(Millis(50));
    };
    press(list, QPoint(10, 8));
    QVERIFY(list->isOpen());
    press(list, QPoint(10, 8)); // closed on its own face
    QVERIFY(!list->isOpen());
    press(list, QPoint(10, 8));
    QVERIFY(list->isOpen());
    const auto from = rig.mark();
    press(rig.pages.keyButton(7), QPoint(5, 5));
    QVERIFY(!list->isOpen());
    QCOMPARE(rig.framesSince(from), std::vector<Bytes>{frame(0x02, 11, 0, 0, 7)});
    QVERIFY(rig.pages.keyButton(7)->value());
}

void TestControlFrames::senderIsDisabledWhileItsFrameIsOnTheLine_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("wholeWindow"); // else only the sending slider
    QTest::newRow("MIC 1KHz slider") << "mic slider" << false;
    QTest::newRow("MUSIC start level") << "start level" << false;
    QTest::newRow("MUSIC2 chosen") << "music mode" << true;
    QTest::newRow("EFF1 chosen") << "eff mode" << true;
    QTest::newRow("Mute on") << "mute on" << true;
    QTest::newRow("Mute off") << "mute off" << true;
}

void TestControlFrames::senderIsDisabledWhileItsFrameIsOnTheLine()
{
    QFETCH(QString, action);
    QFETCH(bool, wholeWindow);
    Rig rig;
    if (action == QLatin1String("mute off"))
        rig.click(rig.pages.switchButton(0));
    QWidget *sender = nullptr;
    if (action == QLatin1String("mic slider"))
        sender = rig.pages.micSlider(3);
    else if (action == QLatin1String("start level"))
        sender = rig.pages.volSet().startSlider(0);
    // What the target would see of the window at the moment each frame reaches it.
    struct Seen
    {
        bool senderEnabled;
        bool windowEnabled;
    };
    std::vector<Seen> seen;
    InMemoryLine::Peer target = rig.line->devices[kDevice].peer;
    rig.line->devices[kDevice].peer = [&](const std::uint8_t *data, std::size_t size) {
        if (size == 6)
            seen.push_back({sender && sender->isEnabled(), rig.host.isEnabled()});
        return target(data, size);
    };

    if (sender)
        rig.step(static_cast<C_ScrollBar *>(sender), 1);
    else if (action == QLatin1String("music mode"))
        rig.pick(rig.pages.modeList(1), 1);
    else if (action == QLatin1String("eff mode"))
        rig.pick(rig.pages.modeList(3), 2);
    else
        rig.click(rig.pages.switchButton(0));

    QVERIFY(!seen.empty());
    for (const Seen &s : seen) {
        QVERIFY(!s.senderEnabled);
        QCOMPARE(s.windowEnabled, !wholeWindow);
    }
    // Enabled again once the answer came.
    QVERIFY(rig.host.isEnabled());
    if (sender)
        QVERIFY(sender->isEnabled());
}

void TestControlFrames::importWhileConnectedSendsNothing()
{
    Rig rig;
    rig.pages.setCommandAction(2, [&] { rig.pages.importProfile(); });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("live.Lumaroch"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Main]\r\nType=ORB-350TZ\r\nMusic0.0=3\r\nVOL0.1=60\r\nMUTE=1\r\n");
    file.close();
    rig.services.openDialogAnswers.push_back(path);
    const auto from = rig.mark();
    rig.click(rig.pages.commandButton(2), QPoint(10, 10));
    QVERIFY(rig.services.messages.isEmpty());
    QCOMPARE(int(rig.store.cellAt(TableId::Music, 0, 0).value), 3);
    QVERIFY(rig.store.mute);
    rig.services.advance(Millis(1000));
    QVERIFY(rig.framesSince(from).empty());
    QVERIFY(rig.link->connected());
}

QTEST_MAIN(TestControlFrames)
#include "tst_controlframes.moc"
