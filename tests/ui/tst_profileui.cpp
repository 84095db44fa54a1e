// Save and Import through the window's buttons: what a user saves comes back exactly, and a
// refused profile changes nothing on screen or in the store.
#include "FactoryValues.h"
#include "ParameterStore.h"
#include "SettingsCatalog.h"

#include "C_Button.h"
#include "C_Option.h"
#include "C_ScrollBar.h"
#include "MainPages.h"
#include "PagesWindow.h"
#include "VirtualWindowServices.h"
#include "VolSetPanel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tonvara;

namespace {

struct Window : PagesWindow
{
    QTemporaryDir dir;

    Window()
    {
        pages.setCommandAction(2, [this] { pages.importProfile(); });
        pages.setCommandAction(3, [this] { pages.saveProfile(); });
        load();
        host.show();
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    void save(const QString &path)
    {
        services.saveDialogAnswers.push_back(path);
        QTest::mouseClick(pages.commandButton(3), Qt::LeftButton, {}, QPoint(10, 10));
    }
    void import(const QString &path)
    {
        services.openDialogAnswers.push_back(path);
        QTest::mouseClick(pages.commandButton(2), Qt::LeftButton, {}, QPoint(10, 10));
    }
    void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Every value a profile holds, and what the screen shows of the current modes.
    QList<int> screen() const
    {
        QList<int> values;
        for (int i = 0; i < 16; ++i)
            values << pages.musicSlider(i)->value();
        for (int i = 0; i < 9; ++i)
            values << pages.micSlider(i)->value();
        for (int i = 0; i < 8; ++i)
            values << pages.ktvSlider(i)->value();
        for (int k = 0; k < 9; ++k)
            values << pages.volSet().spinValue(k);
        values << pages.selectedInput() << pages.muteOn() << pages.lockOn() << pages.exciterOn();
        return values;
    }
};

QByteArray factoryProfileWith(const QByteArray &key, const QByteArray &value)
{
    QByteArray text = "[Main]\r\nType=ORB-350TZ\r\n";
    text += key + "=" + value + "\r\n";
    return text;
}

} // namespace

class TestProfileUi : public QObject
{
    Q_OBJECT
private slots:
    void saveThenImportGivesBackWhatWasSaved();
    void refusedProfilesChangeNothing_data();
    void refusedProfilesChangeNothing();
    void volSetGroupsImportExactlyWhateverTheyHeld();
    void importDropsAPendingEditInTheGroup_data();
    void importDropsAPendingEditInTheGroup();
    void noInputSelectedRoundTrips();
};

void TestProfileUi::saveThenImportGivesBackWhatWasSaved()
{
    Window w;
    // A store unlike the factory one: every cell, the switches, the VOL(SET) groups.
    for (TableId table : kAllTables)
        for (int row = 0; row < rowCount(table); ++row)
            for (int slot = 0; slot < slotCount(table); ++slot)
                w.store.cellAt(table, row, slot).value =
                    std::uint8_t((row * 7 + slot * 3) % (slotSpec(table, slot).maximum + 1));
    w.pages.showCurrentModes();
    w.pages.setExciter(true);
    w.pages.setMute(true);
    w.pages.clearInputs();
    w.pages.selectInput(2);
    w.pages.applyVolSetGroup(0, 11, 22, 5);
    w.pages.applyVolSetGroup(2, 70, 75, 6);
    const ProfileData saved = w.pages.currentProfile();
    const QList<int> savedScreen = w.screen();

    w.save(w.path(QStringLiteral("live")));
    QVERIFY(QFile::exists(w.path(QStringLiteral("live.Lumaroch"))));
    QVERIFY(w.services.messages.isEmpty());

    QTest::mouseClick(w.pages.switchButton(2), Qt::LeftButton, {}, QPoint(5, 5)); // Reset
    QVERIFY(w.pages.currentProfile() != saved);

    w.import(w.path(QStringLiteral("live.Lumaroch")));
    QCOMPARE(w.services.messageTexts(), QStringList{"All settings have been reset. "});
    QVERIFY(w.pages.currentProfile() == saved);
    QCOMPARE(w.screen(), savedScreen);
}

void TestProfileUi::refusedProfilesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");
    const QString dataError = QStringLiteral("The imported data errors.");
    QTest::newRow("Mic2.4=300") << factoryProfileWith("Mic2.4", "300") << dataError;
    QTest::newRow("Mic2.4 empty") << factoryProfileWith("Mic2.4", "") << dataError;
    QTest::newRow("start mode out of range") << factoryProfileWith("VOL0.2", "6") << dataError;
    QTest::newRow("another model")
        << QByteArray("[Main]\r\nType=orb-350tz\r\nMusic0.0=3\r\n")
        << QStringLiteral("You import the files are not ORB-350TZ profile");
}

void TestProfileUi::refusedProfilesChangeNothing()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    Window w;
    const ParameterStore before = w.store;
    const QList<int> screenBefore = w.screen();
    const QString path = w.path(QStringLiteral("bad.Lumaroch"));
    w.writeFile(path, contents);
    w.import(path);
    QCOMPARE(w.services.messageTexts(), QStringList{message});
    QCOMPARE(w.services.messages[0].icon, MessageIcon::Critical);
    QVERIFY(w.store == before);
    QCOMPARE(w.screen(), screenBefore);
}

void TestProfileUi::volSetGroupsImportExactlyWhateverTheyHeld()
{
    Window w;
    w.pages.applyVolSetGroup(0, 10, 40, 0); // maximum 40 below the profile's minimum
    w.pages.applyVolSetGroup(1, 60, 80, 0); // minimum 60 above the profile's maximum
    const QString path = w.path(QStringLiteral("vol.Lumaroch"));
    w.writeFile(path, "[Main]\r\nType=ORB-350TZ\r\nVOL0.0=50\r\nVOL0.1=70\r\nVOL1.0=5\r\nVOL1.1=20\r\n");
    w.import(path);
    QVERIFY(w.services.messages.isEmpty());
    QCOMPARE(w.pages.spinValue(0), 50);
    QCOMPARE(w.pages.spinValue(1), 70);
    QCOMPARE(w.pages.spinValue(3), 5);
    QCOMPARE(w.pages.spinValue(4), 20);
    QCOMPARE(w.pages.volSet().startLevel(1), 20); // followed the maximum down from 30
    // Missing VOL keys take minimum 0, maximum 80, start mode 0.
    QCOMPARE(w.pages.spinValue(6), 0);
    QCOMPARE(w.pages.spinValue(7), 80);
}

void TestProfileUi::importDropsAPendingEditInTheGroup_data()
{
    QTest::addColumn<int>("index"); // entry typed into without Enter (group 0)
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("minLevel"); // the profile's pair
    QTest::addColumn<int>("maxLevel");
    QTest::newRow("pending Min 79, incoming 10/30") << 0 << "79" << 10 << 30;
    QTest::newRow("pending Max 05, incoming 10/15") << 1 << "05" << 10 << 15;
}

void TestProfileUi::importDropsAPendingEditInTheGroup()
{
    QFETCH(int, index);
    QFETCH(QString, typed);
    QFETCH(int, minLevel);
    QFETCH(int, maxLevel);
    Window w;
    w.pages.applyVolSetGroup(0, 20, 80, 0);
    VolEntry *entry = w.pages.volSet().entry(index);
    entry->setFocus();
    entry->selectAll();
    QTest::keyClicks(entry, typed);
    QCOMPARE(entry->text(), typed);

    const QString path = w.path(QStringLiteral("pair.Lumaroch"));
    w.writeFile(path, QStringLiteral("[Main]\r\nType=ORB-350TZ\r\nVOL0.0=%1\r\nVOL0.1=%2\r\n")
                          .arg(minLevel)
                          .arg(maxLevel)
                          .toLatin1());
    w.import(path);
    QVERIFY(w.services.messages.isEmpty());
    QCOMPARE(w.pages.spinValue(0), minLevel);
    QCOMPARE(w.pages.spinValue(1), maxLevel);
    QCOMPARE(int(w.store.volSet[0].minLevel), minLevel);
    QCOMPARE(int(w.store.volSet[0].maxLevel), maxLevel);
    for (int i : {0, 1}) {
        VolEntry *e = w.pages.volSet().entry(i);
        QCOMPARE(e->text(), QString::number(i == 0 ? minLevel : maxLevel));
        QVERIFY(e->styleSheet().contains(QStringLiteral("color: #000000")));
    }
    // The Upload sends the spin bars: the pair as imported.
    const ProfileData profile = w.pages.currentProfile();
    QCOMPARE(int(profile.vol[0].minLevel), minLevel);
    QCOMPARE(int(profile.vol[0].maxLevel), maxLevel);
}

void TestProfileUi::noInputSelectedRoundTrips()
{
    Window w;
    w.pages.clearInputs();
    w.save(w.path(QStringLiteral("none.Lumaroch")));
    QFile file(w.path(QStringLiteral("none.Lumaroch")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\r\nINPUTSELECT=3\r\n"));
    w.pages.selectInput(1);
    w.import(w.path(QStringLiteral("none.Lumaroch")));
    QVERIFY(w.services.messages.isEmpty());
    QCOMPARE(w.pages.selectedInput(), int(kNoInput));
}

QTEST_MAIN(TestProfileUi)
#include "tst_profileui.moc"
