// The difference between two sets of settings and its plain-text lines, on a table of cases:
// the editor at factory values against a "target" with some settings changed.
#include "FactoryValues.h"
#include "ProfileData.h"
#include "SettingsDifference.h"

#include <QTest>

using namespace tonvara;

using Changes = QList<QPair<QByteArray, int>>;
Q_DECLARE_METATYPE(Changes)

namespace {

ProfileData factoryData()
{
    return profileFromStore(factoryStore());
}

ProfileData changed(ProfileData data, const Changes &changes)
{
    for (const auto &[key, value] : changes) {
        const std::optional<SettingId> setting = settingOfKey(key.toStdString());
        if (!setting)
            qFatal("no setting %s", key.constData());
        data.setValueOf(*setting, value);
    }
    return data;
}

QStringList linesOf(const std::vector<SettingDifference> &differences, const char *first,
                    const char *second)
{
    QStringList lines;
    for (const std::string &line : differenceLines(differences, first, second))
        lines << QString::fromStdString(line);
    return lines;
}

} // namespace

class TestSettingsDifference : public QObject
{
    Q_OBJECT
  private slots:
    void linesOfTheDifferences_data();
    void linesOfTheDifferences();
    void differencesCarryValuesAndWords();
    void everySettingDiffersInKeyOrder();
    void sidesSwapWithTheArguments();
};

void TestSettingsDifference::linesOfTheDifferences_data()
{
    QTest::addColumn<Changes>("target"); // what the target holds unlike the editor (factory)
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("the same everywhere") << Changes{} << QStringList{};
    QTest::newRow("one equaliser band")
        << Changes{{"Music1.3", 2}}
        << QStringList{"Music1.3   MUSIC2 1KHz      editor 0dB     target -8dB"};
    QTest::newRow("a band and a VOL(SET) maximum, given in reverse key order")
        << Changes{{"VOL2.1", 45}, {"Music1.3", 2}}
        << QStringList{"Music1.3   MUSIC2 1KHz      editor 0dB     target -8dB",
                       "VOL2.1     EFF VOL(SET) Max editor 80      target 45"};
    QTest::newRow("KTV and EFF cells of address 82 are separate settings")
        << Changes{{"Eff0.0", 9}, {"Ktv0.0", 9}}
        << QStringList{"Ktv0.0     KTV1 Echo-A Rep  editor 6       target 9",
                       "Eff0.0     EFF1 Echo Rep    editor 8       target 9"};
    QTest::newRow("KTV and EFF slot 7 read out by their own rules")
        << Changes{{"Ktv1.7", 10}, {"Eff1.7", 10}}
        << QStringList{"Ktv1.7     KTV2 Echo-B Dly  editor 198ms   target 30ms",
                       "Eff1.7     EFF2 REV Dly     editor 20ms    target 10ms"};
    QTest::newRow("INPUTSELECT 3: no INPUT option on")
        << Changes{{"INPUTSELECT", 3}}
        << QStringList{"INPUTSELECT INPUT            editor BGM     target none"};
    // EFF In C is inverted: its rocker shows the on face at 0.
    QTest::newRow("switches and the inverted toggle")
        << Changes{{"LOCK", 1}, {"Music2.16", 1}, {"EX", 1}}
        << QStringList{"Music2.16  MUSIC3 EFF In C  editor on      target off",
                       "EX         EXCITER          editor off     target on",
                       "LOCK       Lock             editor off     target on"};
    QTest::newRow("start modes in words")
        << Changes{{"VOL2.2", 5}, {"VOL0.2", 5}}
        << QStringList{"VOL0.2     MUSIC VOL(SET) Mode editor MUS1    target MUS6",
                       "VOL2.2     EFF VOL(SET) Mode   editor KTV1    target EFF2"};
    QTest::newRow("a long title widens its column on every line")
        << Changes{{"Music0.14", 0}, {"VOL1.0", 0}, {"Mic0.6", 0}}
        << QStringList{"Music0.14  MUSIC1 SUB MinOn Vol editor 30      target 0",
                       "Mic0.6     MIC1 10KHz           editor 0dB     target -10dB",
                       "VOL1.0     MIC VOL(SET) Min     editor 30      target 0"};
    QTest::newRow("values of different lengths line up")
        << Changes{{"Music0.7", 0}, {"Music0.16", 1}}
        << QStringList{"Music0.7   MUSIC1 Out Limit editor 0.775V  target OFF",
                       "Music0.16  MUSIC1 EFF In C  editor on      target off"};
}

void TestSettingsDifference::linesOfTheDifferences()
{
    QFETCH(Changes, target);
    QFETCH(QStringList, lines);
    const auto differences = settingDifferences(factoryData(), changed(factoryData(), target));
    QCOMPARE(linesOf(differences, "editor", "target"), lines);
}

void TestSettingsDifference::differencesCarryValuesAndWords()
{
    const ProfileData editor = factoryData();
    const ProfileData target = changed(editor, {{"Eff1.4", 35}, {"VOL1.2", 2}});
    const auto differences = settingDifferences(editor, target);
    QCOMPARE(differences.size(), std::size_t(2));
    const SettingDifference &reverb = differences[0];
    QVERIFY(reverb.setting == SettingId::cell(TableId::Eff, 1, 4));
    QCOMPARE(reverb.firstValue, 50);
    QCOMPARE(reverb.secondValue, 35);
    QCOMPARE(QString::fromStdString(reverb.key), QStringLiteral("Eff1.4"));
    QCOMPARE(QString::fromStdString(reverb.title), QStringLiteral("EFF2 REV 1 Time"));
    QCOMPARE(QString::fromStdString(reverb.firstText), QStringLiteral("5.0s"));
    QCOMPARE(QString::fromStdString(reverb.secondText), QStringLiteral("3.5s"));
    const SettingDifference &mode = differences[1];
    QVERIFY(mode.setting == SettingId::vol(1, VolField::Mode));
    QCOMPARE(QString::fromStdString(mode.firstText), QStringLiteral("MIC1"));
    QCOMPARE(QString::fromStdString(mode.secondText), QStringLiteral("MIC3"));
}

// Two sets that differ in every setting: one difference each, in the order of the keys.
void TestSettingsDifference::everySettingDiffersInKeyOrder()
{
    const ProfileData first = factoryData();
    ProfileData second = first;
    for (const SettingId &setting : allSettings())
        second.setValueOf(setting, first.valueOf(setting) == 0 ? 1 : 0);
    const auto differences = settingDifferences(first, second);
    QCOMPARE(int(differences.size()), kSettingCount);
    for (std::size_t i = 0; i < differences.size(); ++i) {
        QVERIFY(differences[i].setting == allSettings()[i]);
        QCOMPARE(differences[i].key, settingKey(allSettings()[i]));
    }
    QCOMPARE(int(differenceLines(differences, "editor", "profile").size()), kSettingCount);
}

void TestSettingsDifference::sidesSwapWithTheArguments()
{
    const ProfileData editor = factoryData();
    const ProfileData profile = changed(editor, {{"Mic1.8", 13}});
    QCOMPARE(linesOf(settingDifferences(profile, editor), "profile", "editor"),
             QStringList{"Mic1.8     MIC2 MIC LowCut  profile 150Hz  editor 50Hz"});
}

QTEST_GUILESS_MAIN(TestSettingsDifference)
#include "tst_settingsdifference.moc"
