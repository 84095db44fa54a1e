// tonvara-cli diff on a table of profile pairs: files compared as Import reads them, one line
// per differing setting in profile order with its key, its title and both read-outs, each named
// after its file; exit 0 equal, 1 different, 2 for a refused file.
#include "FactoryValues.h"
#include "ProfileData.h"
#include "ProfileFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tonvara;

namespace {

// Every group at minimum 0, maximum 80, start mode 0: what a profile without VOL keys gives.
QByteArray baseProfileText()
{
    ProfileData profile = profileFromStore(factoryStore());
    profile.vol = {};
    QTemporaryDir dir;
    const QString path = dir.filePath("base.Lumaroch");
    if (!saveProfileFile(path, profile).ok)
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray withValue(QByteArray text, const QByteArray &key, const QByteArray &value)
{
    const qsizetype at = text.indexOf("\r\n" + key + '=');
    const qsizetype end = text.indexOf("\r\n", at + 2);
    return text.replace(at + 2, end - at - 2, key + '=' + value);
}

QByteArray withoutVolKeys(QByteArray text)
{
    QList<QByteArray> kept;
    for (const QByteArray &line : text.split('\n'))
        if (!line.startsWith("VOL"))
            kept.append(line);
    return kept.join('\n');
}

// The same settings, written as another program might: lower-case keys in reverse order,
// LF line ends, a comment and another section.
QByteArray rewritten(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    QList<QByteArray> entries;
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.contains('='))
            entries.prepend(line.left(line.indexOf('=')).toLower() + " = " +
                            line.mid(line.indexOf('=') + 1));
    }
    return "; saved elsewhere\n[Other]\nx=1\n[main]\n" + entries.join('\n') + "\n";
}

} // namespace

class TestCliDiff : public QObject
{
    Q_OBJECT
  private slots:
    void comparesAsImportReads_data();
    void comparesAsImportReads();
};

void TestCliDiff::comparesAsImportReads_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err"); // "%1" / "%2" stand for the paths of a and b

    const QByteArray base = baseProfileText();
    QTest::newRow("same file") << base << base << 0 << QStringList{} << "";
    QTest::newRow("other order, case, line ends and sections")
        << base << rewritten(base) << 0 << QStringList{} << "";
    QTest::newRow("missing VOL keys take Import's defaults, with a warning")
        << base << withoutVolKeys(base) << 0 << QStringList{}
        << "warning: %2: 9 of the 211 setting keys missing, the first VOL0.0; Import takes a "
           "missing key as 0 (a maximum as 80)";
    QTest::newRow("fraction rounds as Import rounds it")
        << base << withValue(base, "Music0.0", "10.4") << 0 << QStringList{} << "";
    QTest::newRow("one table value")
        << base << withValue(base, "Music1.3", "3") << 1
        << QStringList{"Music1.3   MUSIC2 1KHz      a.Lumaroch 0dB b.Lumaroch -7dB"} << "";
    QTest::newRow("lines in profile order")
        << withValue(withValue(base, "VOL2.1", "70"), "MUTE", "1") << withValue(base, "Eff1.9", "0")
        << 1
        << QStringList{"Eff1.9     EFF2 REV H_Cut2  a.Lumaroch 80  b.Lumaroch 0",
                       "MUTE       Mute             a.Lumaroch on  b.Lumaroch off",
                       "VOL2.1     EFF VOL(SET) Max a.Lumaroch 70  b.Lumaroch 80"}
        << "";
    QTest::newRow("on/off words read as Import reads them")
        << withValue(base, "EX", "True") << withValue(base, "EX", "1") << 0 << QStringList{} << "";
    QTest::newRow("second file of another model")
        << base << withValue(base, "Type", "ORB-350") << 2 << QStringList{}
        << "%2: You import the files are not ORB-350TZ profile";
    QTest::newRow("first file with a value out of range")
        << withValue(base, "VOL0.1", "81") << base << 2 << QStringList{}
        << "%1: The imported data errors. (the value of VOL0.1)";
    QTest::newRow("a VOL minimum")
        << base << withValue(base, "VOL1.0", "50") << 1
        << QStringList{"VOL1.0     MIC VOL(SET) Min a.Lumaroch 0   b.Lumaroch 50"} << "";
    QTest::newRow("minimum above maximum is refused")
        << base << withValue(withValue(base, "VOL1.1", "10"), "VOL1.0", "20") << 2 << QStringList{}
        << "%2: The imported data errors. (the value of VOL1.0)";
}

void TestCliDiff::comparesAsImportReads()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    QVERIFY(!a.isEmpty() && !b.isEmpty());

    QTemporaryDir dir;
    const QString pathA = dir.filePath("a.Lumaroch");
    const QString pathB = dir.filePath("b.Lumaroch");
    for (const auto &[path, bytes] : {std::pair{pathA, a}, std::pair{pathB, b}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    QProcess process;
    process.start(QStringLiteral(TONVARA_CLI_PROGRAM), {"diff", pathA, pathB});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(
        QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
        out);
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardError()).trimmed(),
             err.isEmpty() ? QString() : QString(err).replace("%1", pathA).replace("%2", pathB));
}

QTEST_GUILESS_MAIN(TestCliDiff)
#include "tst_clidiff.moc"
