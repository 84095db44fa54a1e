// The catalog of settings: every slot as the window shows it, the 211 profile settings in key
// order with their keys, titles, maxima and read-outs, and the plain data that holds them.
#include "FactoryValues.h"
#include "ProfileData.h"
#include "SettingsCatalog.h"

#include <QSet>
#include <QTest>

using namespace tonvara;

Q_DECLARE_METATYPE(tonvara::TableId)

namespace {

SettingId keyed(const char *key)
{
    const std::optional<SettingId> setting = settingOfKey(key);
    if (!setting)
        qFatal("no setting %s", key);
    return *setting;
}

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

} // namespace

class TestSettingsCatalog : public QObject
{
    Q_OBJECT
  private slots:
    void slotsAsTheWindowShowsThem_data();
    void slotsAsTheWindowShowsThem();
    void settingsInProfileKeyOrder();
    void keysAreFoundWithoutRegardToCase_data();
    void keysAreFoundWithoutRegardToCase();
    void titles_data();
    void titles();
    void maxima_data();
    void maxima();
    void readouts_data();
    void readouts();
    void everySettingHasItsOwnPlaceInTheData();
};

// Independent of the catalog's own table: the window's title strips, the slot address tables
// and the slider instances (range, read-out rule), slot by slot.
void TestSettingsCatalog::slotsAsTheWindowShowsThem_data()
{
    QTest::addColumn<TableId>("table");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<int>>("addresses");
    QTest::addColumn<QList<int>>("maxima");
    QTest::addColumn<QList<int>>("types"); // -1: a toggle, -2: an inverted one

    QTest::newRow("MUSIC: EQ, outputs, toggles")
        << TableId::Music
        << QStringList{"57Hz",    "134Hz",    "400Hz",     "1KHz",        "2.5KHz",
                       "6.3KHz",  "16KHz",    "Out Limit", "C Music Vol", "C Mic Vol",
                       "C Bass",  "C Mid",    "C Treble",  "SUB Freq",    "SUB MinOn Vol",
                       "SUB Vol", "EFF In C", "SUB Invert"}
        << QList<int>{0, 1, 2, 3, 4, 5, 6, 29, 17, 18, 24, 23, 22, 27, 25, 26, 21, 28}
        << QList<int>{20, 20, 20, 20, 20, 20, 20, 6, 80, 80, 20, 20, 20, 21, 80, 80, 1, 1}
        << QList<int>{6, 6, 6, 6, 6, 6, 6, 9, 0, 0, 6, 6, 6, 8, 0, 0, -2, -1};
    QTest::newRow("MIC: slots 7 and 8 carry addresses 8 and 7")
        << TableId::Mic << QStringList{"57Hz",   "134Hz", "400Hz",       "1KHz",      "2.5KHz",
                                       "6.3KHz", "10KHz", "MIC H_Curve", "MIC LowCut"}
        << QList<int>{0, 1, 2, 3, 4, 5, 6, 8, 7} << QList<int>{20, 20, 20, 20, 20, 20, 20, 3, 13}
        << QList<int>{6, 6, 6, 6, 6, 6, 6, 5, 8};
    QTest::newRow("KTV") << TableId::Ktv
                         << QStringList{"Echo-A Rep",   "Echo-A Dly", "Echo-A Vol", "Echo-B Vol",
                                        "Echo-B H_Cut", "Echo-B L&R", "Echo-B Rep", "Echo-B Dly"}
                         << QList<int>{82, 80, 98, 99, 10, 85, 83, 81}
                         << QList<int>{15, 15, 80, 80, 100, 127, 100, 127}
                         << QList<int>{0, 1, 0, 0, 0, 0, 0, 4};
    QTest::newRow("EFF") << TableId::Eff
                         << QStringList{"Echo Rep",   "Echo Dly",   "Echo Vol",   "Rev Vol",
                                        "REV 1 Time", "REV 2 Time", "REV 3 Time", "REV Dly",
                                        "REV H_Cut1", "REV H_Cut2"}
                         << QList<int>{82, 80, 98, 199, 130, 131, 132, 181, 110, 111}
                         << QList<int>{15, 15, 80, 80, 60, 60, 60, 40, 100, 100}
                         << QList<int>{0, 1, 0, 0, 2, 2, 2, 3, 0, 0};
}

void TestSettingsCatalog::slotsAsTheWindowShowsThem()
{
    QFETCH(TableId, table);
    QFETCH(QStringList, titles);
    QFETCH(QList<int>, addresses);
    QFETCH(QList<int>, maxima);
    QFETCH(QList<int>, types);
    const auto slotDefs = slotSpecs(table);
    QCOMPARE(qsizetype(slotDefs.size()), titles.size());
    QCOMPARE(int(slotDefs.size()), shapeOf(table).slotCount);
    for (int slot = 0; slot < titles.size(); ++slot) {
        const SlotSpec &slotDef = slotSpec(table, slot);
        QCOMPARE(QString::fromUtf8(slotDef.title), titles[slot]);
        QCOMPARE(int(slotDef.address), addresses[slot]);
        QCOMPARE(int(slotDef.maximum), maxima[slot]);
        QCOMPARE(slotDef.isToggle(), types[slot] < 0);
        QCOMPARE(slotDef.isInvertedToggle(), types[slot] == -2);
        if (!slotDef.isToggle())
            QCOMPARE(slotDef.valueTipType, types[slot]);
    }
    // The store takes its addresses from the same table, in every row.
    const ParameterStore store = factoryStore();
    for (int row = 0; row < shapeOf(table).rowCount; ++row)
        for (int slot = 0; slot < titles.size(); ++slot)
            QCOMPARE(int(store.cellAt(table, row, slot).address), addresses[slot]);
}

void TestSettingsCatalog::settingsInProfileKeyOrder()
{
    const auto settings = allSettings();
    QCOMPARE(int(settings.size()), kSettingCount);
    QStringList keys;
    for (const SettingId &setting : settings)
        keys << text(settingKey(setting));
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), kSettingCount);
    // The table blocks mode by mode, slot by slot; then the switches; then VOL group by group.
    QCOMPARE(keys.first(), QStringLiteral("Music0.0"));
    QCOMPARE(keys[17], QStringLiteral("Music0.17"));
    QCOMPARE(keys[18], QStringLiteral("Music1.0"));
    QCOMPARE(keys[107], QStringLiteral("Music5.17"));
    QCOMPARE(keys[108], QStringLiteral("Mic0.0"));
    QCOMPARE(keys[161], QStringLiteral("Mic5.8"));
    QCOMPARE(keys[162], QStringLiteral("Ktv0.0"));
    QCOMPARE(keys[178], QStringLiteral("Eff0.0"));
    QCOMPARE(keys[197], QStringLiteral("Eff1.9"));
    QCOMPARE(keys.mid(198, 4), (QStringList{"INPUTSELECT", "EX", "MUTE", "LOCK"}));
    QCOMPARE(keys.mid(202), (QStringList{"VOL0.0", "VOL0.1", "VOL0.2", "VOL1.0", "VOL1.1", "VOL1.2",
                                         "VOL2.0", "VOL2.1", "VOL2.2"}));
    // Each key leads back to its setting.
    for (const SettingId &setting : settings)
        QVERIFY(settingOfKey(settingKey(setting)) == setting);
}

void TestSettingsCatalog::keysAreFoundWithoutRegardToCase_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("found"); // empty: no such setting
    QTest::newRow("lower case cell") << "music5.17"
                                     << "Music5.17";
    QTest::newRow("mixed case VOL") << "vOl2.1"
                                    << "VOL2.1";
    QTest::newRow("lower case switch") << "inputselect"
                                       << "INPUTSELECT";
    QTest::newRow("EFF row, not mode number") << "Eff20.0" << QString();
    QTest::newRow("slot past the table") << "Mic0.9" << QString();
    QTest::newRow("no fourth VOL(SET) group") << "VOL3.0" << QString();
    QTest::newRow("model key is not a setting") << "Type" << QString();
    QTest::newRow("leading zero") << "Music01.3" << QString();
    QTest::newRow("empty") << "" << QString();
}

void TestSettingsCatalog::keysAreFoundWithoutRegardToCase()
{
    QFETCH(QString, key);
    QFETCH(QString, found);
    const std::optional<SettingId> setting = settingOfKey(key.toStdString());
    QCOMPARE(setting.has_value(), !found.isEmpty());
    if (setting)
        QCOMPARE(text(settingKey(*setting)), found);
}

void TestSettingsCatalog::titles_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    QTest::newRow("music row 1 is MUSIC2") << "Music1.3"
                                           << "MUSIC2 1KHz";
    QTest::newRow("output slider") << "Music5.14"
                                   << "MUSIC6 SUB MinOn Vol";
    QTest::newRow("toggle") << "Music0.16"
                            << "MUSIC1 EFF In C";
    QTest::newRow("mic ten kilohertz") << "Mic3.6"
                                       << "MIC4 10KHz";
    QTest::newRow("KTV row") << "Ktv1.0"
                             << "KTV2 Echo-A Rep";
    QTest::newRow("EFF row, same address") << "Eff1.0"
                                           << "EFF2 Echo Rep";
    QTest::newRow("VOL(SET) minimum") << "VOL0.0"
                                      << "MUSIC VOL(SET) Min";
    QTest::newRow("VOL(SET) maximum") << "VOL2.1"
                                      << "EFF VOL(SET) Max";
    QTest::newRow("VOL(SET) start mode") << "VOL1.2"
                                         << "MIC VOL(SET) Mode";
    QTest::newRow("input") << "INPUTSELECT"
                           << "INPUT";
    QTest::newRow("exciter") << "EX"
                             << "EXCITER";
    QTest::newRow("mute") << "MUTE"
                          << "Mute";
    QTest::newRow("lock") << "LOCK"
                          << "Lock";
}

void TestSettingsCatalog::titles()
{
    QFETCH(QString, key);
    QFETCH(QString, title);
    QCOMPARE(text(settingTitle(keyed(key.toLatin1()))), title);
}

void TestSettingsCatalog::maxima_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("maximum");
    QTest::newRow("echo B left-right") << "Ktv0.5" << 127;
    QTest::newRow("toggle") << "Music3.17" << 1;
    QTest::newRow("VOL(SET) level") << "VOL1.1" << 80;
    QTest::newRow("MUSIC start mode") << "VOL0.2" << 5;
    QTest::newRow("EFF start mode") << "VOL2.2" << 7;
    QTest::newRow("input: 3 is none") << "INPUTSELECT" << 3;
    QTest::newRow("lock") << "LOCK" << 1;
}

void TestSettingsCatalog::maxima()
{
    QFETCH(QString, key);
    QFETCH(int, maximum);
    QCOMPARE(settingMaximum(keyed(key.toLatin1())), maximum);
}

void TestSettingsCatalog::readouts_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("readout");
    QTest::newRow("gain at the middle") << "Music1.3" << 10 << "0dB";
    QTest::newRow("gain cut") << "Music1.3" << 2 << "-8dB";
    QTest::newRow("output limit") << "Music0.7" << 3 << "1.2V";
    QTest::newRow("subwoofer frequency") << "Music4.13" << 21 << "230Hz";
    QTest::newRow("mic low cut") << "Mic0.8" << 13 << "150Hz";
    QTest::newRow("mic high curve") << "Mic2.7" << 2 << "2dB";
    QTest::newRow("KTV echo A delay") << "Ktv0.1" << 15 << "196ms";
    QTest::newRow("KTV echo B delay, three ms a step") << "Ktv1.7" << 127 << "381ms";
    QTest::newRow("EFF reverb delay, one ms a step") << "Eff0.7" << 40 << "40ms";
    QTest::newRow("EFF reverb time") << "Eff1.4" << 35 << "3.5s";
    QTest::newRow("volume") << "Music0.8" << 80 << "80";
    QTest::newRow("toggle on") << "Music2.17" << 1 << "on";
    QTest::newRow("toggle off") << "Music5.17" << 0 << "off";
    QTest::newRow("inverted toggle at 0 shows on") << "Music0.16" << 0 << "on";
    QTest::newRow("inverted toggle at 1 shows off") << "Music3.16" << 1 << "off";
    QTest::newRow("inverted toggle holding another byte") << "Music0.16" << 5 << "5";
    QTest::newRow("toggle holding another byte") << "Music0.17" << 5 << "5";
    QTest::newRow("profile byte above the slider") << "Music0.0" << 255 << "+245dB";
    QTest::newRow("delay byte past its table") << "Eff0.1" << 200 << "200";
    QTest::newRow("VOL(SET) level") << "VOL0.0" << 20 << "20";
    QTest::newRow("MUSIC start mode") << "VOL0.2" << 0 << "MUS1";
    QTest::newRow("MIC start mode") << "VOL1.2" << 3 << "MIC4";
    QTest::newRow("EFF start mode 3 is KTV4") << "VOL2.2" << 3 << "KTV4";
    QTest::newRow("EFF start mode 4 is EFF1") << "VOL2.2" << 4 << "EFF1";
    QTest::newRow("input AUTO") << "INPUTSELECT" << 0 << "AUTO";
    QTest::newRow("input BGM") << "INPUTSELECT" << 1 << "BGM";
    QTest::newRow("input AUX") << "INPUTSELECT" << 2 << "AUX";
    QTest::newRow("input 3 is none") << "INPUTSELECT" << 3 << "none";
    QTest::newRow("exciter on") << "EX" << 1 << "on";
    QTest::newRow("mute off") << "MUTE" << 0 << "off";
}

void TestSettingsCatalog::readouts()
{
    QFETCH(QString, key);
    QFETCH(int, value);
    QFETCH(QString, readout);
    QCOMPARE(text(settingReadout(keyed(key.toLatin1()), value)), readout);
}

// A setting read or written through the catalog lands in its own field and no other: writing
// each setting in turn to a value of its own leaves every other setting as it was.
void TestSettingsCatalog::everySettingHasItsOwnPlaceInTheData()
{
    ProfileData data;
    const auto settings = allSettings();
    const auto valueFor = [](int index, const SettingId &setting) {
        const int maximum = settingMaximum(setting);
        return maximum <= 1 ? 1 : 1 + index % maximum;
    };
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const ProfileData before = data;
        data.setValueOf(settings[i], valueFor(int(i), settings[i]));
        QCOMPARE(data.valueOf(settings[i]), valueFor(int(i), settings[i]));
        for (std::size_t j = 0; j < settings.size(); ++j)
            if (j != i)
                QCOMPARE(data.valueOf(settings[j]), before.valueOf(settings[j]));
    }
    // The named fields are the ones the profile keys mean.
    QCOMPARE(data.value(TableId::Eff, 1, 9), std::uint8_t(data.valueOf(keyed("Eff1.9"))));
    QCOMPARE(int(data.vol[2].maxLevel), data.valueOf(keyed("VOL2.1")));
    QCOMPARE(int(data.vol[0].startMode), data.valueOf(keyed("VOL0.2")));
    QCOMPARE(int(data.inputSelect), data.valueOf(keyed("INPUTSELECT")));
    QVERIFY(data.exciter && data.mute && data.lock);
}

QTEST_GUILESS_MAIN(TestSettingsCatalog)
#include "tst_settingscatalog.moc"
