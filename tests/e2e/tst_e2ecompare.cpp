// Compare with target end to end, in real time: the whole editor on a real serial line against
// the simulator program on a pseudo-terminal. The comparison only reads (the simulator's trace
// shows 211 Read frames and nothing else) and leaves the editor as it was; taking the target's
// values sends nothing; uploading the editor's brings the simulator to the editor.
#include "ParameterStore.h"
#include "ProfileData.h"

#include "C_ScrollBar.h"
#include "CompareCommands.h"
#include "CompareWindow.h"
#include "MainPages.h"
#include "RecordingQtServices.h"
#include "SimProcess.h"
#include "TargetLink.h"
#include "TonvaraApp.h"
#include "WindowMenu.h"

#include <QAction>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace tonvara;

namespace {

// The frames the simulator has received, as its trace lists them ("CD,01,00,00,03,00").
QStringList receivedFrames(const SimProcess &sim)
{
    QStringList frames;
    for (const QString &line : sim.trace())
        if (line.startsWith(QLatin1String("rx CD,")))
            frames << line.mid(3);
    return frames;
}

// The first word of every line: the profile keys the window lists.
QStringList listedKeys(const CompareWindow &window)
{
    QStringList keys;
    for (const QString &line : window.text().split(QLatin1Char('\n')))
        keys << line.section(QLatin1Char(' '), 0, 0);
    return keys;
}

} // namespace

class TestE2eCompare : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void compareOnlyReads();
    void takeTargetValuesSendsNothing();
    void uploadEditorValues();

  private:
    // Through the context menu's item, or Ctrl+D on the main window.
    enum class How
    {
        Menu,
        Key
    };
    CompareWindow *compareWithTarget(How how);

    SimProcess m_sim;
    RecordingQtServices m_services;
    std::unique_ptr<TonvaraApp> m_app;
};

void TestE2eCompare::initTestCase()
{
    QVERIFY2(m_sim.start({QStringLiteral("--trace")}), qPrintable(m_sim.errorString()));
    qputenv("TONVARA_PORTS", m_sim.device().toLocal8Bit());
    m_app = std::make_unique<TonvaraApp>(m_services);
    m_app->start();
    QTRY_VERIFY_WITH_TIMEOUT(m_app->link().connected(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_app->pages().host()->isEnabled(), 3000);
    // Mute on both sides, so an upload never pauses for it.
    QVERIFY(m_sim.setSetting(7, 0, 0, 1));
    m_app->pages().setMute(true);
}

void TestE2eCompare::cleanupTestCase()
{
    m_app.reset();
    QVERIFY(m_sim.stop());
}

CompareWindow *TestE2eCompare::compareWithTarget(How how)
{
    // The read runs to its end before this returns.
    if (how == How::Menu) {
        WindowMenu &menu = m_app->pages().windowMenu();
        menu.refresh();
        if (!menu.compareTargetAction()->isEnabled())
            return nullptr;
        menu.compareTargetAction()->trigger();
    } else {
        QTest::keyClick(&m_app->mainWindow(), Qt::Key_D, Qt::ControlModifier);
    }
    return m_app->compare().window();
}

void TestE2eCompare::compareOnlyReads()
{
    QVERIFY(m_sim.setSetting(0, 0, 3, 2));    // MUSIC1 1KHz, on screen
    QVERIFY(m_sim.setSetting(1, 2, 8, 2));    // MIC3 H_Curve
    QVERIFY(m_sim.setSetting(2, 21, 181, 7)); // EFF2 REV DLY
    QVERIFY(m_sim.setSetting(5, 0, 2, 45));   // EFF VOL(SET) Max
    QVERIFY(m_sim.setSetting(12, 0, 0, 2));   // INPUT AUX
    const ParameterStore before = m_app->store();
    const qsizetype framesBefore = receivedFrames(m_sim).size();

    CompareWindow *window = compareWithTarget(How::Menu);
    QVERIFY(window);
    QCOMPARE(m_services.messages, QStringList{});
    QCOMPARE(window->windowTitle(), QStringLiteral("Compare with target"));
    QCOMPARE(listedKeys(*window),
             (QStringList{"Music0.3", "Mic2.7", "Eff1.7", "INPUTSELECT", "VOL2.1"}));
    QVERIFY(window->text().startsWith(QLatin1String("Music0.3    MUSIC1 1KHz      editor 0dB     "
                                                    "target -8dB\n")));

    // 211 reads and nothing else; the simulator and the editor keep their values.
    QTRY_COMPARE_WITH_TIMEOUT(receivedFrames(m_sim).size() - framesBefore, qsizetype(211), 2000);
    const QStringList frames = receivedFrames(m_sim).mid(framesBefore);
    for (const QString &frame : frames)
        QVERIFY2(frame.startsWith(QLatin1String("CD,01,")), qPrintable(frame));
    QCOMPARE(m_sim.setting(0, 0, 3), std::optional<int>(2));
    QCOMPARE(m_sim.setting(5, 0, 2), std::optional<int>(45));
    QVERIFY(m_app->store() == before);
    QCOMPARE(m_app->pages().musicSlider(3)->value(), 10);
    QVERIFY(m_app->pages().musicSlider(3)->isMarked());
    QVERIFY(!m_app->pages().musicSlider(2)->isMarked());
}

void TestE2eCompare::takeTargetValuesSendsNothing()
{
    CompareWindow *window = m_app->compare().window();
    QVERIFY(window);
    const qsizetype framesBefore = receivedFrames(m_sim).size();
    window->takeButton()->click();

    QVERIFY(m_app->compare().window() == nullptr || !m_app->compare().window()->isVisible());
    QCOMPARE(int(m_app->store().cellAt(TableId::Music, 0, 3).value), 2);
    QCOMPARE(m_app->pages().musicSlider(3)->value(), 2);
    QVERIFY(!m_app->pages().musicSlider(3)->isMarked());
    QCOMPARE(int(m_app->store().cellAt(TableId::Eff, 1, 7).value), 7);
    QCOMPARE(m_app->pages().spinValue(7), 45);
    QCOMPARE(m_app->pages().selectedInput(), 2);
    // Keep-alive bytes go on; no frame does.
    QTest::qWait(300);
    QCOMPARE(receivedFrames(m_sim).size(), framesBefore);

    window = compareWithTarget(How::Key);
    QVERIFY(window);
    QCOMPARE(window->text(), QStringLiteral("No differences."));
    window->close();
}

void TestE2eCompare::uploadEditorValues()
{
    ProfileData edited = m_app->pages().currentProfile();
    edited.setValue(TableId::Ktv, 1, 5, 100);
    edited.setValue(TableId::Music, 4, 15, 77);
    edited.lock = true;
    m_app->pages().takeProfile("Edit", edited);

    CompareWindow *window = compareWithTarget(How::Key);
    QVERIFY(window);
    QCOMPARE(listedKeys(*window), (QStringList{"Music4.15", "Ktv1.5", "LOCK"}));
    const qsizetype framesBefore = receivedFrames(m_sim).size();
    window->uploadButton()->click();

    QCOMPARE(m_services.messages, QStringList{});
    QTRY_COMPARE_WITH_TIMEOUT(receivedFrames(m_sim).size() - framesBefore, qsizetype(212), 2000);
    QVERIFY(m_sim.uploadEnded());
    QCOMPARE(m_sim.setting(2, 1, 85), std::optional<int>(100));
    QCOMPARE(m_sim.setting(0, 4, 26), std::optional<int>(77));
    QCOMPARE(m_sim.setting(8, 0, 0), std::optional<int>(1));

    window = compareWithTarget(How::Menu);
    QVERIFY(window);
    QCOMPARE(window->text(), QStringLiteral("No differences."));
}

QTEST_MAIN(TestE2eCompare)
#include "tst_e2ecompare.moc"
