#include "IniDocument.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <optional>

using namespace tonvara;

Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {

QByteArray fixture(const char *name)
{
    QFile file(qEnvironmentVariable("TONVARA_TEST_DATA") + "/data/" + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

const std::optional<QByteArray> kMissing = std::nullopt;

} // namespace

class TestIniDocument : public QObject
{
    Q_OBJECT
  private slots:
    void lookup_data();
    void lookup();
    void updateInPlaceKeepsEverythingElse();
    void newDocumentGetsSectionThenKeys();
    void valueCannotSplitALine();
    void hostileBytesNeverBreakTheDocument_data();
    void hostileBytesNeverBreakTheDocument();
};

void TestIniDocument::lookup_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<std::optional<QByteArray>>("expected");

    using V = std::optional<QByteArray>;
    QTest::newRow("names without regard to case")
        << QByteArray("[MAIN]\r\nmusic0.0=12\r\n") << QByteArray("Main") << QByteArray("Music0.0")
        << V("12");
    QTest::newRow("LF line ends") << QByteArray("[Main]\nA=1\nB=2\n") << QByteArray("Main")
                                  << QByteArray("B") << V("2");
    QTest::newRow("blanks and tabs around names and value")
        << QByteArray("  [ Main ]  \r\n\t Key \t=  v a l \t\r\n") << QByteArray("Main")
        << QByteArray("Key") << V("v a l");
    QTest::newRow("empty value is empty, not missing")
        << QByteArray("[Main]\r\nMusic0.3=\r\n") << QByteArray("Main") << QByteArray("Music0.3")
        << V(QByteArray(""));
    QTest::newRow("missing key") << QByteArray("[Main]\r\nMusic0.3=1\r\n") << QByteArray("Main")
                                 << QByteArray("Music0.4") << kMissing;
    QTest::newRow("missing section")
        << QByteArray("Type=ORB-350TZ\r\n") << QByteArray("Main") << QByteArray("Type") << kMissing;
    QTest::newRow("key of another section") << QByteArray("[Main]\r\nA=1\r\n[Other]\r\nB=2\r\n")
                                            << QByteArray("Main") << QByteArray("B") << kMissing;
    QTest::newRow("duplicate keys: first wins") << QByteArray("[Main]\r\nA=1\r\na=2\r\n")
                                                << QByteArray("Main") << QByteArray("A") << V("1");
    QTest::newRow("section that appears twice")
        << QByteArray("[Main]\r\nA=1\r\n[X]\r\n[main]\r\nB=2\r\n") << QByteArray("Main")
        << QByteArray("B") << V("2");
    QTest::newRow("comment lines are not entries")
        << QByteArray("[Main]\r\n;A=1\r\n # B=2\r\n") << QByteArray("Main") << QByteArray("A")
        << kMissing;
    QTest::newRow("value holding '='")
        << QByteArray("[Main]\r\nA=b=c\r\n") << QByteArray("Main") << QByteArray("A") << V("b=c");
    QTest::newRow("byte-order mark before the section")
        << QByteArray("\xEF\xBB\xBF[Main]\r\nType=ORB-350TZ\r\n") << QByteArray("Main")
        << QByteArray("Type") << V("ORB-350TZ");
    QTest::newRow("no line end after the last line")
        << QByteArray("[Main]\r\nA=7") << QByteArray("Main") << QByteArray("A") << V("7");
    QTest::newRow("lone CR does not end a line")
        << QByteArray("[Main]\rA=7\r\n") << QByteArray("Main") << QByteArray("A") << kMissing;
}

void TestIniDocument::lookup()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(std::optional<QByteArray>, expected);
    const IniDocument doc = IniDocument::parse(text);
    QCOMPARE(doc.value(section, key), expected);
    // Writing the document out and reading it again finds the same.
    QCOMPARE(IniDocument::parse(doc.serialize()).value(section, key), expected);
}

void TestIniDocument::updateInPlaceKeepsEverythingElse()
{
    IniDocument doc = IniDocument::parse(fixture("inplace-before.ini"));
    doc.setValue("Main", "Music0.0", "12"); // present in lower case
    doc.setValue("Main", "Music0.1", "7");  // present with blanks and tabs
    doc.setValue("Main", "Music0.2", "5");  // missing: after the last entry of its section
    doc.setValue("New", "Key", "1");        // missing section: at the end
    QCOMPARE(doc.serialize(), fixture("inplace-after.ini"));
}

void TestIniDocument::newDocumentGetsSectionThenKeys()
{
    IniDocument doc;
    doc.setValue("Main", "Type", "ORB-350TZ");
    doc.setValue("Main", "Music0.0", "10");
    doc.setValue("Main", "Type", "ORB-350TZ");
    QCOMPARE(doc.serialize(), QByteArray("[Main]\r\nType=ORB-350TZ\r\nMusic0.0=10\r\n"));
}

void TestIniDocument::valueCannotSplitALine()
{
    IniDocument doc = IniDocument::parse("[Main]\r\nA=1\r\n");
    doc.setValue("Main", "A", QByteArray("2\r\n[Evil]\r\nB=3\0x", 16));
    const IniDocument again = IniDocument::parse(doc.serialize());
    QVERIFY(!again.hasSection("Evil"));
    QCOMPARE(again.lineCount(), doc.lineCount());
    QCOMPARE(again.value("Main", "A"), std::optional<QByteArray>("2  [Evil]  B=3 x"));
}

void TestIniDocument::hostileBytesNeverBreakTheDocument_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QRandomGenerator random(20261210);
    QByteArray binary(64 * 1024, Qt::Uninitialized);
    for (char &c : binary)
        c = char(random.bounded(256));
    QTest::newRow("random binary") << binary;
    QTest::newRow("NUL bytes in names and values")
        << QByteArray("[Ma\0in]\r\nA\0=1\r\nB=\0\0\r\n", 20);
    QTest::newRow("one long line") << QByteArray(600 * 1024, 'x');
    QTest::newRow("only CRs") << QByteArray(4096, '\r');
    QTest::newRow("only brackets and equals") << QByteArray("[[]]\r\n=\r\n==\r\n]\r\n[");
    QTest::newRow("empty") << QByteArray();
}

void TestIniDocument::hostileBytesNeverBreakTheDocument()
{
    QFETCH(QByteArray, bytes);
    IniDocument doc = IniDocument::parse(bytes);
    doc.setValue("Main", "Type", "ORB-350TZ");
    const QByteArray written = doc.serialize();
    // Serialising is stable and the value set is found again after a reread.
    const IniDocument again = IniDocument::parse(written);
    QCOMPARE(again.serialize(), written);
    QCOMPARE(again.value("Main", "Type"), std::optional<QByteArray>("ORB-350TZ"));
}

QTEST_GUILESS_MAIN(TestIniDocument)
#include "tst_inidocument.moc"
