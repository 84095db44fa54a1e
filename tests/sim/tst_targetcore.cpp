#include "FactoryValues.h"
#include "TargetCore.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QTest>

using namespace tonvara;
using namespace tonvara::sim;

namespace {

// Rows write bytes as hex ("CD E2 00 00 00 6E"); answers are compared in the same form so a
// failure shows what the target sent.
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}
QString asHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

QByteArray feedAll(TargetCore &core, const QByteArray &input, int chunk = 0)
{
    QByteArray out;
    const auto *data = reinterpret_cast<const std::uint8_t *>(input.constData());
    const int step = chunk > 0 ? chunk : std::max<int>(1, static_cast<int>(input.size()));
    for (int i = 0; i < input.size(); i += step) {
        const auto size = static_cast<std::size_t>(std::min<qsizetype>(step, input.size() - i));
        const TargetCore::Reaction r = core.feed(data + i, size);
        for (std::uint8_t b : r.bytes)
            out.append(static_cast<char>(b));
    }
    return out;
}

} // namespace

class TestTargetCore : public QObject
{
    Q_OBJECT
  private slots:
    void answers_data();
    void answers();
    void writesAreReadBack_data();
    void writesAreReadBack();
    void resynchronises_data();
    void resynchronises();
    void recoversAfterAnyNoise_data();
    void recoversAfterAnyNoise();
    void faults_data();
    void faults();
    void silentTargetAppliesNothing();
    void uploadEnded_data();
    void uploadEnded();
    void keyReset_data();
    void keyReset();
    void factoryStateMatchesTheModel();
};

void TestTargetCore::answers_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("Identify") << hex("CD E2 00 00 00 6E") << hex("6E");
    QTest::newRow("Out Limit of MUSIC1") << hex("CD 01 00 00 1D 00") << hex("01");
    QTest::newRow("C Music Vol of MUSIC6") << hex("CD 01 00 05 11 00") << hex("50");
    QTest::newRow("57Hz of MIC1") << hex("CD 01 01 00 00 00") << hex("07");
    QTest::newRow("57Hz of MIC3") << hex("CD 01 01 02 00 00") << hex("0A");
    QTest::newRow("MIC LowCut of MIC2") << hex("CD 01 01 01 07 00") << hex("03");
    QTest::newRow("MIC H_Curve of MIC2") << hex("CD 01 01 01 08 00") << hex("00");
    QTest::newRow("Echo-A Rep of KTV1") << hex("CD 01 02 00 52 00") << hex("06");
    QTest::newRow("Echo-B Dly of KTV2") << hex("CD 01 02 01 51 00") << hex("42");
    QTest::newRow("Echo Rep of EFF1") << hex("CD 01 02 14 52 00") << hex("08");
    QTest::newRow("REV 3 Time of EFF2") << hex("CD 01 02 15 84 00") << hex("37");
    QTest::newRow("Start mode of EFF VOL(SET)") << hex("CD 01 03 00 02 00") << hex("00");
    QTest::newRow("Minimum of MIC VOL(SET)") << hex("CD 01 04 00 01 00") << hex("1E");
    QTest::newRow("Maximum of MUSIC VOL(SET)") << hex("CD 01 05 00 00 00") << hex("50");
    QTest::newRow("Start level of EFF VOL(SET)") << hex("CD 01 06 00 02 00") << hex("24");
    QTest::newRow("Mute") << hex("CD 01 07 00 00 00") << hex("00");
    QTest::newRow("Lock") << hex("CD 01 08 00 00 00") << hex("00");
    QTest::newRow("Exciter") << hex("CD 01 0A 00 00 00") << hex("00");
    QTest::newRow("Input") << hex("CD 01 0C 00 00 00") << hex("01");
    QTest::newRow("UploadWrite") << hex("CD 00 00 03 1D 04") << hex("33");
    QTest::newRow("LiveWrite") << hex("CD 02 06 00 01 28") << hex("33");
    QTest::newRow("Key write") << hex("CD 02 0B 00 00 07") << hex("33");
    QTest::newRow("UploadEnd") << hex("CD EF 00 00 00 00") << hex("33");
    QTest::newRow("Keep-alive") << hex("FC") << hex("FC");
    QTest::newRow("Keep-alive between frames")
        << hex("CD E2 00 00 00 6E FC CD 01 0C 00 00 00") << hex("6E FC 01");

    // Frames the target has no use for go unanswered, so a wrong frame shows as a time-out.
    QTest::newRow("Address the music table lacks") << hex("CD 01 00 00 07 00") << QByteArray();
    QTest::newRow("Music mode 6") << hex("CD 01 00 06 00 00") << QByteArray();
    QTest::newRow("EFF address in a KTV mode") << hex("CD 01 02 00 C7 00") << QByteArray();
    QTest::newRow("KTV address in an EFF mode") << hex("CD 02 02 14 0A 05") << QByteArray();
    QTest::newRow("Live start mode") << hex("CD 02 03 00 00 01") << QByteArray();
    QTest::newRow("Live lock") << hex("CD 02 08 00 00 01") << QByteArray();
    QTest::newRow("Uploaded start level") << hex("CD 00 06 00 00 10") << QByteArray();
    QTest::newRow("Read of the key") << hex("CD 01 0B 00 00 00") << QByteArray();
    QTest::newRow("Unused group 9") << hex("CD 01 09 00 00 00") << QByteArray();
    QTest::newRow("VOL(SET) index 3") << hex("CD 01 04 00 03 00") << QByteArray();
}

void TestTargetCore::answers()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answer);
    TargetCore core;
    QCOMPARE(asHex(feedAll(core, input)), asHex(answer));
}

void TestTargetCore::writesAreReadBack_data()
{
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("otherRead");
    QTest::addColumn<QByteArray>("otherValue");

    QTest::newRow("Out Limit of MUSIC4 leaves MUSIC3")
        << hex("CD 00 00 03 1D 04") << hex("CD 01 00 03 1D 00") << hex("04")
        << hex("CD 01 00 02 1D 00") << hex("01");
    QTest::newRow("Echo Rep of KTV1 leaves EFF1")
        << hex("CD 02 02 00 52 0F") << hex("CD 01 02 00 52 00") << hex("0F")
        << hex("CD 01 02 14 52 00") << hex("08");
    QTest::newRow("Echo Rep of EFF2 leaves KTV2")
        << hex("CD 02 02 15 52 03") << hex("CD 01 02 15 52 00") << hex("03")
        << hex("CD 01 02 01 52 00") << hex("08");
    QTest::newRow("MIC H_Curve leaves MIC LowCut")
        << hex("CD 02 01 04 08 02") << hex("CD 01 01 04 08 00") << hex("02")
        << hex("CD 01 01 04 07 00") << hex("06");
    QTest::newRow("Start level of MIC VOL(SET) leaves MUSIC")
        << hex("CD 02 06 00 01 28") << hex("CD 01 06 00 01 00") << hex("28")
        << hex("CD 01 06 00 00 00") << hex("14");
    QTest::newRow("Minimum leaves maximum") << hex("CD 00 04 00 02 0A") << hex("CD 01 04 00 02 00")
                                            << hex("0A") << hex("CD 01 05 00 02 00") << hex("50");
    QTest::newRow("Mute leaves lock") << hex("CD 02 07 00 00 01") << hex("CD 01 07 00 00 00")
                                      << hex("01") << hex("CD 01 08 00 00 00") << hex("00");
    QTest::newRow("Uploaded lock") << hex("CD 00 08 00 00 01") << hex("CD 01 08 00 00 00")
                                   << hex("01") << hex("CD 01 07 00 00 00") << hex("00");
    QTest::newRow("Input AUX leaves exciter")
        << hex("CD 00 0C 00 00 02") << hex("CD 01 0C 00 00 00") << hex("02")
        << hex("CD 01 0A 00 00 00") << hex("00");
    QTest::newRow("Refused live lock changes nothing")
        << hex("CD 02 08 00 00 01") << hex("CD 01 08 00 00 00") << hex("00")
        << hex("CD 01 07 00 00 00") << hex("00");
}

void TestTargetCore::writesAreReadBack()
{
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, otherRead);
    QFETCH(QByteArray, otherValue);
    TargetCore core;
    feedAll(core, write);
    QCOMPARE(asHex(feedAll(core, read)), asHex(value));
    QCOMPARE(asHex(feedAll(core, otherRead)), asHex(otherValue));
    const CommandFrame &r = core.framesReceived().at(1);
    QCOMPARE(core.setting(r.group, r.mode, r.address), static_cast<std::uint8_t>(value.at(0)));
}

void TestTargetCore::resynchronises_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("frames");

    QTest::newRow("Noise before a frame") << hex("00 11 CD E2 00 00 00 6E") << hex("6E") << 1;
    QTest::newRow("Lead with an unknown command")
        << hex("CD 77 CD E2 00 00 00 6E") << hex("6E") << 1;
    QTest::newRow("Doubled lead") << hex("CD CD E2 00 00 00 6E") << hex("6E") << 1;
    QTest::newRow("Lead then keep-alive") << hex("CD FC") << hex("FC") << 0;
    QTest::newRow("Stray byte then keep-alive") << hex("33 FC") << hex("FC") << 0;
    QTest::newRow("Keep-alive byte inside a frame is data")
        << hex("CD 00 00 00 00 FC CD 01 00 00 00 00") << hex("33 FC") << 2;
    QTest::newRow("Two frames back to back")
        << hex("CD 00 01 05 07 0D CD 01 01 05 07 00") << hex("33 0D") << 2;
}

void TestTargetCore::resynchronises()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answer);
    QFETCH(int, frames);
    // However the line splits the bytes, the target must take them the same way.
    for (int chunk : {1, 2, 5, 0}) {
        TargetCore core;
        QCOMPARE(asHex(feedAll(core, input, chunk)), asHex(answer));
        QCOMPARE(core.framesReceivedCount(), frames);
    }
}

void TestTargetCore::recoversAfterAnyNoise_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("length");

    QTest::newRow("Short burst") << 1u << 7;
    QTest::newRow("Burst rich in leads") << 2u << 64;
    QTest::newRow("Long burst") << 3u << 4096;
    QTest::newRow("Another long burst") << 4u << 4096;
}

void TestTargetCore::recoversAfterAnyNoise()
{
    QFETCH(quint32, seed);
    QFETCH(int, length);
    // Noise of any kind leaves at most a torn frame behind; five bytes that are neither a lead
    // nor the keep-alive complete it, after which the target is in step again.
    QRandomGenerator random(seed);
    QByteArray noise;
    for (int i = 0; i < length; ++i) {
        const auto byte = static_cast<char>(random.bounded(256));
        // Leads and command codes often, so torn frames of every length occur.
        noise.append(random.bounded(4) == 0 ? char(FrameLead) : byte);
    }
    TargetCore core;
    feedAll(core, noise, 1 + static_cast<int>(seed % 3));
    const QByteArray answer = feedAll(core, hex("00 00 00 00 00 CD E2 00 00 00 6E"));
    QVERIFY(answer.endsWith(char(ModelByte)));
    const CommandFrame identify{FrameLead, Command::Identify, 0, 0, 0, ModelByte};
    QVERIFY(core.framesReceived().back() == identify);
}

void TestTargetCore::faults_data()
{
    QTest::addColumn<int>("modelByte");
    QTest::addColumn<int>("silentAfter");
    QTest::addColumn<bool>("syncEcho");
    QTest::addColumn<int>("garbageEvery");
    QTest::addColumn<int>("closeAfter");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("closed");

    const QByteArray identify3 = hex("CD E2 00 00 00 6E CD E2 00 00 00 6E CD E2 00 00 00 6E");
    QTest::newRow("Another model")
        << 0x6F << -1 << true << 0 << -1 << hex("CD E2 00 00 00 6E") << hex("6F") << 1 << false;
    QTest::newRow("Silent after two frames, keep-alive too")
        << 0x6E << 2 << true << 0 << -1 << identify3 + hex("FC") << hex("6E 6E") << 3 << false;
    QTest::newRow("Silent from the start")
        << 0x6E << 0 << true << 0 << -1 << hex("FC") + identify3 << QByteArray() << 3 << false;
    QTest::newRow("No keep-alive echo")
        << 0x6E << -1 << false << 0 << -1 << hex("FC CD E2 00 00 00 6E FC") << hex("6E") << 1
        << false;
    QTest::newRow("Garbage before every second answer")
        << 0x6E << -1 << true << 2 << -1 << identify3 << hex("6E 5A 6E 6E") << 3 << false;
    QTest::newRow("Garbage counts answers, not unanswered frames")
        << 0x6E << -1 << true << 2 << -1
        << hex("CD E2 00 00 00 6E CD 01 09 00 00 00 CD E2 00 00 00 6E") << hex("6E 5A 6E") << 3
        << false;
    QTest::newRow("Close after two frames")
        << 0x6E << -1 << true << 0 << 2 << identify3 << hex("6E 6E") << 2 << true;
    QTest::newRow("Close at once")
        << 0x6E << -1 << true << 0 << 0 << identify3 << QByteArray() << 0 << true;
}

void TestTargetCore::faults()
{
    QFETCH(int, modelByte);
    QFETCH(int, silentAfter);
    QFETCH(bool, syncEcho);
    QFETCH(int, garbageEvery);
    QFETCH(int, closeAfter);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answer);
    QFETCH(int, frames);
    QFETCH(bool, closed);

    TargetOptions options;
    options.modelByte = static_cast<std::uint8_t>(modelByte);
    options.silentAfter = silentAfter;
    options.syncEcho = syncEcho;
    options.garbageEvery = garbageEvery;
    options.closeAfter = closeAfter;
    TargetCore core(options);
    QCOMPARE(asHex(feedAll(core, input, 1)), asHex(answer));
    QCOMPARE(core.framesReceivedCount(), frames);
    QCOMPARE(core.lineClosed(), closed);
    // A closed line takes nothing more.
    if (closed) {
        const std::uint8_t identify[] = {FrameLead, Command::Identify, 0, 0, 0, ModelByte};
        const TargetCore::Reaction after = core.feed(identify, sizeof identify);
        QVERIFY(after.bytes.empty());
        QVERIFY(after.closeLine);
    }
}

void TestTargetCore::silentTargetAppliesNothing()
{
    TargetOptions options;
    options.silentAfter = 1;
    TargetCore core(options);
    QCOMPARE(asHex(feedAll(core, hex("CD 02 07 00 00 01 CD 00 0C 00 00 02"))), asHex(hex("33")));
    QCOMPARE(core.setting(Group::Mute, 0, 0), 1);
    QCOMPARE(core.setting(Group::InputSelect, 0, 0), kFactoryInputSelect);
    core.options().silentAfter = -1;
    QCOMPARE(asHex(feedAll(core, hex("CD 01 0C 00 00 00"))), asHex(hex("01")));
}

void TestTargetCore::uploadEnded_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("silentAfter");
    QTest::addColumn<bool>("ended");

    QTest::newRow("Nothing received") << QByteArray() << -1 << false;
    QTest::newRow("Upload closed") << hex("CD 00 07 00 00 00 CD EF 00 00 00 00") << -1 << true;
    QTest::newRow("Interrupted upload")
        << hex("CD 00 07 00 00 00 CD 00 08 00 00 00") << -1 << false;
    QTest::newRow("A new upload after the end")
        << hex("CD 00 07 00 00 00 CD EF 00 00 00 00 CD 00 07 00 00 01") << -1 << false;
    QTest::newRow("Live write after the end")
        << hex("CD EF 00 00 00 00 CD 02 07 00 00 01") << -1 << true;
    QTest::newRow("End sent to a silent target")
        << hex("CD 00 07 00 00 00 CD EF 00 00 00 00") << 1 << false;
}

void TestTargetCore::uploadEnded()
{
    QFETCH(QByteArray, input);
    QFETCH(int, silentAfter);
    QFETCH(bool, ended);
    TargetOptions options;
    options.silentAfter = silentAfter;
    TargetCore core(options);
    feedAll(core, input);
    QCOMPARE(core.uploadEnded(), ended);
}

void TestTargetCore::keyReset_data()
{
    QTest::addColumn<int>("silentAfter");
    QTest::addColumn<int>("closeAfter");
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("Talking target") << -1 << -1 << hex("FE");
    QTest::newRow("Silent target") << 1 << -1 << QByteArray();
    QTest::newRow("Closed line") << -1 << 1 << QByteArray();
}

void TestTargetCore::keyReset()
{
    QFETCH(int, silentAfter);
    QFETCH(int, closeAfter);
    QFETCH(QByteArray, sent);
    TargetOptions options;
    options.silentAfter = silentAfter;
    options.closeAfter = closeAfter;
    TargetCore core(options);
    QCOMPARE(asHex(feedAll(core, hex("CD 02 0B 00 00 08"))), asHex(hex("33")));
    QCOMPARE(core.keyIndex(), 8);
    const TargetCore::Reaction r = core.keyReset();
    QCOMPARE(asHex(QByteArray(reinterpret_cast<const char *>(r.bytes.data()),
                              static_cast<qsizetype>(r.bytes.size()))),
             asHex(sent));
    QCOMPARE(core.keyIndex(), kNaturalKey);
}

void TestTargetCore::factoryStateMatchesTheModel()
{
    // The target starts where the editor starts, cell for cell, and has nothing else.
    const TargetCore core;
    const ParameterStore factory = factoryStore();
    std::size_t expected = 0;
    for (TableId id : kAllTables) {
        const TableShape shape = shapeOf(id);
        for (int row = 0; row < shape.rowCount; ++row) {
            for (int slot = 0; slot < shape.slotCount; ++slot) {
                const ParamCell &cell = factory.cellAt(id, row, slot);
                const auto mode = static_cast<std::uint8_t>(shape.modeBase + row);
                QVERIFY2(core.hasSetting(shape.group, mode, cell.address),
                         qPrintable(QStringLiteral("group %1 mode %2 address %3")
                                        .arg(shape.group)
                                        .arg(mode)
                                        .arg(cell.address)));
                QCOMPARE(core.setting(shape.group, mode, cell.address), cell.value);
                ++expected;
            }
        }
    }
    expected += 4 * kVolSetCount + 4; // VOL(SET) fields and the four switches
    QCOMPARE(core.settings().size(), expected);
}

QTEST_GUILESS_MAIN(TestTargetCore)
#include "tst_targetcore.moc"
