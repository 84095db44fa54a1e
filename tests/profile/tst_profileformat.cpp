#include "FactoryValues.h"
#include "ProfileData.h"
#include "ProfileFormat.h"
#include "SettingsCatalog.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace tonvara;

Q_DECLARE_METATYPE(tonvara::ParameterStore)
Q_DECLARE_METATYPE(tonvara::ProfileStatus)

namespace {

QByteArray fixture(const char *name)
{
    QFile file(qEnvironmentVariable("TONVARA_TEST_DATA") + "/data/" + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

QByteArray profileText(const ParameterStore &store)
{
    IniDocument doc;
    writeProfile(profileFromStore(store), doc);
    return doc.serialize();
}

// The factory profile with lines replaced, added at the end (a key not written by the save)
// or, for std::nullopt, removed. Keys are matched as the save writes them.
QByteArray factoryWith(const QList<QPair<QByteArray, std::optional<QByteArray>>> &changes)
{
    QList<QByteArray> lines = profileText(factoryStore()).split('\n');
    for (const auto &[key, value] : changes) {
        bool found = false;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (!lines[i].startsWith(key + '='))
                continue;
            found = true;
            if (value)
                lines[i] = key + '=' + *value + '\r';
            else
                lines.removeAt(i--);
        }
        if (!found && value)
            lines.insert(lines.size() - 1, key + '=' + *value + '\r');
    }
    return lines.join('\n');
}

ParameterStore storeOf(int kind)
{
    ParameterStore store = factoryStore();
    QRandomGenerator random(4242);
    for (TableId table : kAllTables) {
        for (int row = 0; row < rowCount(table); ++row)
            for (int slot = 0; slot < slotCount(table); ++slot) {
                std::uint8_t v = 0;
                if (kind == 1)
                    v = slotSpec(table, slot).maximum;
                else if (kind == 2)
                    v = std::uint8_t(random.bounded(256));
                store.cellAt(table, row, slot).value = v;
            }
    }
    for (int k = 0; k < kVolSetCount; ++k) {
        VolSet &v = store.volSet[std::size_t(k)];
        if (kind == 0) {
            v = VolSet{0, 0, 0, 0};
        } else if (kind == 1) {
            v = VolSet{80, 80, 80, startModeMax(k)};
        } else {
            v.minLevel = std::uint8_t(random.bounded(81));
            v.maxLevel = std::uint8_t(random.bounded(int(v.minLevel), 81));
            v.startMode = std::uint8_t(random.bounded(startModeMax(k) + 1));
            v.startLevel = std::uint8_t(random.bounded(81));
        }
    }
    store.inputSelect = kind == 0 ? 0 : (kind == 1 ? kNoInput : 2);
    store.exciter = store.mute = store.lock = kind != 0;
    return store;
}

} // namespace

class TestProfileFormat : public QObject
{
    Q_OBJECT
  private slots:
    void conversions_data();
    void conversions();
    void factoryProfileLines();
    void saveThenReadGivesTheSameData_data();
    void saveThenReadGivesTheSameData();
    void importCheck_data();
    void importCheck();
    void keyOrderAndCaseDoNotMatter();
    void applyKeepsModesAndLowersStartLevels();
};

void TestProfileFormat::conversions_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("byte");    // -1: fails
    QTest::addColumn<int>("integer"); // INT_MIN: fails
    QTest::addColumn<int>("onOff");   // -1: fails
    const int fail = -1;
    const int intFail = INT_MIN;
    QTest::newRow("blanks around") << QByteArray(" 12 ") << 12 << 12 << 1;
    QTest::newRow("tabs around") << QByteArray("\t7\t") << 7 << 7 << 1;
    QTest::newRow("half rounds down to even") << QByteArray("12.5") << 12 << 12 << 1;
    QTest::newRow("half rounds up to even") << QByteArray("13.5") << 14 << 14 << 1;
    QTest::newRow("fraction below half") << QByteArray("0.4") << 0 << 0 << 1;
    QTest::newRow("256 is not a byte") << QByteArray("256") << fail << 256 << 1;
    QTest::newRow("255.5 rounds out of a byte") << QByteArray("255.5") << fail << 256 << 1;
    QTest::newRow("-1 is not a byte") << QByteArray("-1") << fail << -1 << 1;
    QTest::newRow("-0.4 rounds to zero") << QByteArray("-0.4") << 0 << 0 << 1;
    QTest::newRow("zero") << QByteArray("0") << 0 << 0 << 0;
    QTest::newRow("integer limit") << QByteArray("32767") << fail << 32767 << 1;
    QTest::newRow("past the integer limit") << QByteArray("32767.5") << fail << intFail << 1;
    QTest::newRow("below the integer limit") << QByteArray("-32769") << fail << intFail << 1;
    QTest::newRow("empty") << QByteArray("") << fail << intFail << fail;
    QTest::newRow("blanks only") << QByteArray("   ") << fail << intFail << fail;
    QTest::newRow("abc") << QByteArray("abc") << fail << intFail << fail;
    QTest::newRow("number then text") << QByteArray("12abc") << fail << intFail << fail;
    QTest::newRow("exponent") << QByteArray("1e2") << fail << intFail << fail;
    QTest::newRow("lone sign") << QByteArray("-") << fail << intFail << fail;
    QTest::newRow("True") << QByteArray("True") << fail << intFail << 1;
    QTest::newRow("False") << QByteArray(" False ") << fail << intFail << 0;
    QTest::newRow("yes is no switch word") << QByteArray("yes") << fail << intFail << fail;
}

void TestProfileFormat::conversions()
{
    QFETCH(QByteArray, text);
    QFETCH(int, byte);
    QFETCH(int, integer);
    QFETCH(int, onOff);
    const auto b = byteFromText(text);
    QCOMPARE(b ? int(*b) : -1, byte);
    const auto i = integerFromText(text);
    QCOMPARE(i ? *i : INT_MIN, integer);
    const auto o = onOffFromText(text);
    QCOMPARE(o ? int(*o) : -1, onOff);
}

void TestProfileFormat::factoryProfileLines()
{
    const QByteArray text = profileText(factoryStore());
    QVERIFY(text.endsWith("\r\n"));
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast(); // after the last line end
    for (const QByteArray &line : lines)
        QVERIFY2(line.endsWith('\r') && line.count('\r') == 1, line.constData());

    // The excerpt gives lines by number: "@n" starts a block at line n.
    int lineNumber = 0;
    int checked = 0;
    for (const QByteArray &raw : fixture("factory-profile-excerpt.txt").split('\n')) {
        const QByteArray expected = raw.trimmed();
        if (expected.isEmpty() || expected.startsWith('#'))
            continue;
        if (expected.startsWith("@total ")) {
            QCOMPARE(lines.size(), expected.mid(7).toInt());
            continue;
        }
        if (expected.startsWith('@')) {
            lineNumber = expected.mid(1).toInt();
            continue;
        }
        QVERIFY(lineNumber >= 1 && lineNumber <= lines.size());
        QCOMPARE(lines[lineNumber - 1].chopped(1), expected);
        ++lineNumber;
        ++checked;
    }
    QVERIFY(checked > 40);

    // Every line after the model is one of the value keys, each once, in order.
    const QList<QByteArray> keys = profileValueKeys();
    QCOMPARE(lines.size(), keys.size() + 2);
    for (qsizetype i = 0; i < keys.size(); ++i)
        QCOMPARE(lines[i + 2].left(lines[i + 2].indexOf('=')), keys[i]);
}

void TestProfileFormat::saveThenReadGivesTheSameData_data()
{
    QTest::addColumn<ParameterStore>("store");
    QTest::newRow("factory") << factoryStore();
    QTest::newRow("all zeros, every INPUT") << storeOf(0);
    QTest::newRow("all maxima, no INPUT option on") << storeOf(1);
    QTest::newRow("random bytes from a fixed seed") << storeOf(2);
}

void TestProfileFormat::saveThenReadGivesTheSameData()
{
    QFETCH(ParameterStore, store);
    const ProfileData saved = profileFromStore(store);
    const ProfileCheck read = readProfile(IniDocument::parse(profileText(store)));
    QCOMPARE(read.status, ProfileStatus::Ok);
    QVERIFY(read.data == saved);

    // Applied to a store in another state, it gives back what was saved.
    ParameterStore other = storeOf(store == storeOf(2) ? 1 : 2);
    applyProfileToStore(read.data, other);
    QVERIFY(profileFromStore(other) == saved);
}

void TestProfileFormat::importCheck_data()
{
    using Change = QPair<QByteArray, std::optional<QByteArray>>;
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<ProfileStatus>("status");
    QTest::addColumn<QByteArray>("failedKey");

    const auto row = [](const char *name, const QList<Change> &changes, ProfileStatus status,
                        const char *failedKey = "") {
        QTest::newRow(name) << factoryWith(changes) << status << QByteArray(failedKey);
    };
    const ProfileStatus ok = ProfileStatus::Ok;
    const ProfileStatus bad = ProfileStatus::DataError;
    const ProfileStatus model = ProfileStatus::ModelMismatch;
    row("unchanged factory profile", {}, ok);
    row("Mic2.4 out of range", {{"Mic2.4", "300"}}, bad, "Mic2.4");
    row("Mic2.4 empty", {{"Mic2.4", ""}}, bad, "Mic2.4");
    row("missing cell takes 0", {{"Music3.3", std::nullopt}}, ok);
    row("model in other letter case", {{"Type", "orb-350tz"}}, model);
    row("model missing", {{"Type", std::nullopt}}, model);
    row("another model", {{"Type", "ORB-350"}}, model);
    row("no INPUT option on", {{"INPUTSELECT", "3"}}, ok);
    row("INPUT index 4", {{"INPUTSELECT", "4"}}, bad, "INPUTSELECT");
    row("INPUT index -1", {{"INPUTSELECT", "-1"}}, bad, "INPUTSELECT");
    row("switch as word", {{"EX", "True"}, {"LOCK", "False"}}, ok);
    row("switch as any number", {{"MUTE", "-7"}}, ok);
    row("switch empty", {{"MUTE", ""}}, bad, "MUTE");
    row("EFF start mode 7", {{"VOL2.2", "7"}}, ok);
    row("MUSIC start mode 6", {{"VOL0.2", "6"}}, bad, "VOL0.2");
    row("MIC start mode 5.5 rounds to 6", {{"VOL1.2", "5.5"}}, bad, "VOL1.2");
    row("maximum 81", {{"VOL0.1", "81"}}, bad, "VOL0.1");
    row("minimum text", {{"VOL1.0", "ten"}}, bad, "VOL1.0");
    row("minimum above maximum", {{"VOL2.0", "50"}, {"VOL2.1", "40"}}, bad, "VOL2.0");
    row("minimum equal to maximum", {{"VOL2.0", "40"}, {"VOL2.1", "40"}}, ok);
    row("cell 12.5 rounds to 12", {{"Eff1.9", "12.5"}}, ok);
    row("first of duplicate keys wins", {{"Ktv0.0", "9"}, {"KTV0.0", "300"}}, ok);

    QTest::newRow("no VOL keys") << factoryWith({{"VOL0.0", std::nullopt},
                                                 {"VOL0.1", std::nullopt},
                                                 {"VOL0.2", std::nullopt},
                                                 {"VOL1.0", std::nullopt},
                                                 {"VOL1.1", std::nullopt},
                                                 {"VOL1.2", std::nullopt},
                                                 {"VOL2.0", std::nullopt},
                                                 {"VOL2.1", std::nullopt},
                                                 {"VOL2.2", std::nullopt}})
                                 << ok << QByteArray();
    QTest::newRow("empty file") << QByteArray() << model << QByteArray();
    QTest::newRow("keys outside the Main section")
        << profileText(factoryStore()).replace("[Main]", "[Other]") << model << QByteArray();
}

void TestProfileFormat::importCheck()
{
    QFETCH(QByteArray, text);
    QFETCH(ProfileStatus, status);
    QFETCH(QByteArray, failedKey);
    const IniDocument doc = IniDocument::parse(text);
    const ProfileCheck check = readProfile(doc);
    QCOMPARE(check.status, status);
    QCOMPARE(check.failedKey, failedKey);
    if (status != ProfileStatus::Ok) {
        // Nothing of a refused profile comes back.
        QVERIFY(check.data == ProfileData());
        QVERIFY(check.missingKeys.isEmpty());
        return;
    }
    // The keys the file lacks, in key order, for the command line to warn about.
    QList<QByteArray> missing;
    for (const QByteArray &key : profileValueKeys()) {
        if (!doc.value("Main", key))
            missing.append(key);
    }
    QCOMPARE(check.missingKeys, missing);
    // What came back is what the file says, key by key, with the defaults for missing keys.
    const ProfileData &data = check.data;
    const auto expect = [&](const QByteArray &key, QByteArrayView fallback) {
        return doc.value("Main", key).value_or(fallback.toByteArray());
    };
    for (TableId table : kAllTables)
        for (int row = 0; row < rowCount(table); ++row)
            for (int slot = 0; slot < slotCount(table); ++slot)
                QCOMPARE(data.value(table, row, slot),
                         *byteFromText(expect(cellKey(table, row, slot), "0")));
    QCOMPARE(int(data.inputSelect), expect("INPUTSELECT", "0").toInt());
    QCOMPARE(data.exciter, *onOffFromText(expect("EX", "0")));
    QCOMPARE(data.mute, *onOffFromText(expect("MUTE", "0")));
    QCOMPARE(data.lock, *onOffFromText(expect("LOCK", "0")));
    for (int k = 0; k < kVolSetCount; ++k) {
        const QByteArray prefix = "VOL" + QByteArray::number(k) + '.';
        QCOMPARE(int(data.vol[std::size_t(k)].minLevel), expect(prefix + '0', "0").toInt());
        QCOMPARE(int(data.vol[std::size_t(k)].maxLevel), expect(prefix + '1', "80").toInt());
        QCOMPARE(int(data.vol[std::size_t(k)].startMode), expect(prefix + '2', "0").toInt());
    }
}

void TestProfileFormat::keyOrderAndCaseDoNotMatter()
{
    const ParameterStore store = storeOf(2);
    QList<QByteArray> lines = profileText(store).split('\n');
    lines.removeLast(); // after the last CR LF
    QList<QByteArray> shuffled{lines.takeFirst().toLower(), "Extra=kept\r"};
    while (!lines.isEmpty())
        shuffled.append(lines.takeLast().toLower());
    shuffled.insert(5, "; a comment\r");
    const ProfileCheck check = readProfile(IniDocument::parse(shuffled.join('\n')));
    // The model value is compared exactly, so restore it after lower-casing.
    QCOMPARE(check.status, ProfileStatus::ModelMismatch);
    const qsizetype typeLine = shuffled.indexOf("type=orb-350tz\r");
    QVERIFY(typeLine > 0);
    shuffled[typeLine] = "TYPE=ORB-350TZ";
    const ProfileCheck fixed = readProfile(IniDocument::parse(shuffled.join('\n')));
    QCOMPARE(fixed.status, ProfileStatus::Ok);
    QVERIFY(fixed.data == profileFromStore(store));
}

void TestProfileFormat::applyKeepsModesAndLowersStartLevels()
{
    ParameterStore store = factoryStore();
    store.musicMode = 4;
    store.micMode = 2;
    store.effMode = 21;
    store.keyIndex = 7;
    store.volSet[0].startLevel = 60; // above the new maximum 50: comes down
    store.volSet[1].startLevel = 10; // below the new minimum 20: stays
    ProfileData profile = profileFromStore(storeOf(2));
    profile.vol[0] = {10, 50, 3};
    profile.vol[1] = {20, 70, 1};
    const ParameterStore before = store;
    applyProfileToStore(profile, store);
    QCOMPARE(int(store.musicMode), 4);
    QCOMPARE(int(store.micMode), 2);
    QCOMPARE(int(store.effMode), 21);
    QCOMPARE(int(store.keyIndex), 7);
    QCOMPARE(int(store.volSet[0].startLevel), 50);
    QCOMPARE(int(store.volSet[1].startLevel), 10);
    QCOMPARE(int(store.volSet[2].startLevel), int(before.volSet[2].startLevel));
    QCOMPARE(store.cellAt(TableId::Eff, 1, 3).address, before.cellAt(TableId::Eff, 1, 3).address);
    QVERIFY(profileFromStore(store) == profile);
}

QTEST_GUILESS_MAIN(TestProfileFormat)
#include "tst_profileformat.moc"
