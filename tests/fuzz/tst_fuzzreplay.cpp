// Replays a fuzz target's corpus kept in the repository (seeds and every input that once broke
// an invariant), one row per file, so the normal build keeps those cases fixed. The target's
// own checks abort on a broken invariant, which fails the row that fed it.
#include <QtTest>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

class TestFuzzReplay : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void replay_data();
    void replay();
};

void TestFuzzReplay::initTestCase()
{
    LLVMFuzzerInitialize(nullptr, nullptr);
}

void TestFuzzReplay::replay_data()
{
    QTest::addColumn<QString>("path");
    const QDir corpus(QStringLiteral(TONVARA_FUZZ_CORPUS));
    const QFileInfoList files = corpus.entryInfoList(QDir::Files, QDir::Name);
    QVERIFY2(!files.isEmpty(), qPrintable(corpus.path() + QStringLiteral(" holds no inputs")));
    for (const QFileInfo &file : files)
        QTest::newRow(qPrintable(file.fileName())) << file.filePath();
}

void TestFuzzReplay::replay()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    const QByteArray bytes = file.readAll();
    QCOMPARE(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                    std::size_t(bytes.size())),
             0);
}

QTEST_MAIN(TestFuzzReplay)
#include "tst_fuzzreplay.moc"
