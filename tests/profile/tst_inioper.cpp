#include "IniOper.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tonvara;

class TestIniOper : public QObject
{
    Q_OBJECT
  private slots:
    void read_data();
    void read();
    void writeKeepsTheRestAndRefusesBadPaths();
};

void TestIniOper::read_data()
{
    QTest::addColumn<QByteArray>("file"); // "<none>": no file at all
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("fallback");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty value is empty text, not the default")
        << QByteArray("[Main]\r\nMusic0.3=\r\n") << "Music0.3"
        << ""
        << "0"
        << "";
    QTest::newRow("missing key gives the default")
        << QByteArray("[Main]\r\nMusic0.2=4\r\n") << "Music0.3"
        << ""
        << "0"
        << "0";
    QTest::newRow("no Main section") << QByteArray("Type=ORB-350TZ\r\n") << "Type"
                                     << ""
                                     << "NULL"
                                     << "NULL";
    QTest::newRow("not a profile at all") << QByteArray("\x7f"
                                                        "ELF\x02\x01\x01",
                                                        7)
                                          << "Type"
                                          << ""
                                          << "NULL"
                                          << "NULL";
    QTest::newRow("no file") << QByteArray("<none>") << "Type"
                             << ""
                             << "NULL"
                             << "NULL";
    QTest::newRow("value equal to the file name is still a value")
        << QByteArray("[Main]\r\nType=@FILE@\r\n") << "Type"
        << ""
        << "NULL"
        << "@FILE@";
    QTest::newRow("explicit section") << QByteArray("[Main]\r\nA=1\r\n[Other]\r\nA=2\r\n") << "a"
                                      << "OTHER"
                                      << "x"
                                      << "2";
}

void TestIniOper::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, section);
    QFETCH(QString, fallback);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    iniFileName = dir.filePath("p.Lumaroch");
    iniSection = "Main";
    if (file != "<none>") {
        QFile out(iniFileName);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.replace("@FILE@", iniFileName.toUtf8()));
    }
    expected.replace("@FILE@", iniFileName);
    QCOMPARE(readIniValue(key, section, fallback), expected);
}

void TestIniOper::writeKeepsTheRestAndRefusesBadPaths()
{
    QTemporaryDir dir;
    iniFileName = dir.filePath("p.Lumaroch");
    iniSection = "Main";
    QVERIFY(writeIniValue("Type", "ORB-350TZ", ""));
    QVERIFY(writeIniValue("Music0.0", 12, ""));
    QVERIFY(writeIniValue("Name", "x", "Other"));
    QVERIFY(writeIniValue("music0.0", 13, "main"));
    QFile in(iniFileName);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(),
             QByteArray("[Main]\r\nType=ORB-350TZ\r\nMusic0.0=13\r\n[Other]\r\nName=x\r\n"));

    // A path under a file cannot be written: false, and nothing appears anywhere.
    iniFileName = dir.filePath("p.Lumaroch/q.Lumaroch");
    QVERIFY(!writeIniValue("Type", "ORB-350TZ", ""));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"p.Lumaroch"});
}

QTEST_GUILESS_MAIN(TestIniOper)
#include "tst_inioper.moc"
